#pragma once
// Reads the lines of a record file backwards, newest first, in chunks from
// its end. Memory stays at one chunk and one longest line whatever the file
// holds; a line longer than that is passed over unread and reported as such.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/status/RecordSource.h"

namespace th::status {

class LineTail {
 public:
  enum class Step {
    Line,      // `line` holds the next line back (without its "\n")
    LongLine,  // a line longer than maxLine was passed over
    Start,     // the start of the file: no line before
    Budget,    // the byte budget is spent: reading stopped
    Failed,    // a read failed: `why` says why
  };

  // `budget` counts every byte read from `source` through this object and
  // those it shares it with.
  LineTail(RecordSource& source, std::size_t chunk, std::size_t maxLine, std::int64_t& budget);

  // The line before the last one returned; `line` stays valid until the next call.
  Step previous(std::string_view& line);

  const std::string& why() const { return why_; }

 private:
  // Reads up to one chunk before the bytes held; false with a Step to return.
  bool readBack(Step& failure);

  RecordSource& source_;
  std::size_t chunk_;
  std::size_t maxLine_;
  std::int64_t& budget_;
  // File bytes [heldStart_, lineEnd_) are held at the end of buf_.
  std::vector<char> buf_;
  std::int64_t heldStart_;
  std::int64_t lineEnd_;      // just after the next line back; -1 once the start was reached
  std::size_t bufEnd_;        // where lineEnd_ lies in buf_
  std::size_t searched_ = 0;  // held bytes at the end known to hold no "\n"
  bool started_ = false;
  std::string why_;
};

}  // namespace th::status
