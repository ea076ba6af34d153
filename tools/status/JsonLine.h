#pragma once
// A strict reader of one line of JSON (RFC 8259, UTF-8): it checks every byte
// of the line and keeps only what its caller asks for, without building a
// tree: a job record is read many thousand times in a run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace th::status {

class JsonLine {
 public:
  enum class Kind { Null, Bool, Number, String, Object, Array, Bad };

  explicit JsonLine(std::string_view text);

  // The kind of the next value (white space skipped); Bad at the end or on
  // a byte that starts none.
  Kind next();

  // Each reads the next value, which must be of its kind; false when it is
  // not, or is malformed: the line is then not JSON, or not of the form.
  bool readNull();
  bool readBool(bool& value);
  // A number; `integer` tells whether it is a whole number without fraction
  // or exponent that fits 64 bits (then `value` holds it).
  bool readNumber(bool& integer, std::int64_t& value);
  bool readString(std::string& value);
  // Any value, checked through, nested or not.
  bool skipValue();

  // An object's members: beginObject(), then member() until `end`, reading
  // each member's value after its key.
  bool beginObject();
  bool member(std::string& name, bool& end);

  // Only white space is left.
  bool atEnd();

 private:
  void skipSpace();
  bool literal(std::string_view word);
  bool scanNumber(bool& integer, std::int64_t& value);
  // A member's key and its colon.
  bool key(std::string* out);

  std::string_view text_;
  std::size_t pos_ = 0;
  // Per open object: whether a member was read (a comma comes before the next).
  std::vector<bool> objects_;
};

}  // namespace th::status
