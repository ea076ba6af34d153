#include "tools/status/JsonLine.h"

#include <limits>

#include "tools/status/JsonString.h"

namespace th::status {

JsonLine::JsonLine(std::string_view text) : text_(text) {
  // A byte order mark before the value is passed over.
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
    pos_ = 3;
  }
}

void JsonLine::skipSpace() {
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' ||
                                 text_[pos_] == '\r')) {
    ++pos_;
  }
}

JsonLine::Kind JsonLine::next() {
  skipSpace();
  if (pos_ == text_.size()) {
    return Kind::Bad;
  }
  switch (text_[pos_]) {
    case 'n':
      return Kind::Null;
    case 't':
    case 'f':
      return Kind::Bool;
    case '"':
      return Kind::String;
    case '{':
      return Kind::Object;
    case '[':
      return Kind::Array;
    default:
      break;
  }
  const char c = text_[pos_];
  return c == '-' || (c >= '0' && c <= '9') ? Kind::Number : Kind::Bad;
}

bool JsonLine::literal(std::string_view word) {
  if (text_.substr(pos_, word.size()) != word) {
    return false;
  }
  pos_ += word.size();
  return true;
}

bool JsonLine::readNull() {
  return next() == Kind::Null && literal("null");
}

bool JsonLine::readBool(bool& value) {
  if (next() != Kind::Bool) {
    return false;
  }
  value = text_[pos_] == 't';
  return literal(value ? "true" : "false");
}

bool JsonLine::readNumber(bool& integer, std::int64_t& value) {
  return next() == Kind::Number && scanNumber(integer, value);
}

bool JsonLine::scanNumber(bool& integer, std::int64_t& value) {
  const bool negative = text_[pos_] == '-';
  pos_ += negative ? 1 : 0;
  auto digit = [this] { return pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9'; };
  if (!digit()) {
    return false;
  }
  integer = true;
  // Whole numbers are summed up negative, so that the lowest one fits.
  std::int64_t sum = 0;
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  if (text_[pos_] == '0') {
    ++pos_;
  } else {
    while (digit()) {
      const int d = text_[pos_++] - '0';
      if (integer && (sum < (kMin + d) / 10)) {
        integer = false;
      }
      sum = integer ? sum * 10 - d : 0;
    }
  }
  if (pos_ < text_.size() && text_[pos_] == '.') {
    ++pos_;
    if (!digit()) {
      return false;
    }
    while (digit()) {
      ++pos_;
    }
    integer = false;
  }
  if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
    ++pos_;
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) {
      ++pos_;
    }
    if (!digit()) {
      return false;
    }
    while (digit()) {
      ++pos_;
    }
    integer = false;
  }
  if (integer) {
    if (!negative && sum == kMin) {
      integer = false;
    } else {
      value = negative ? sum : -sum;
    }
  }
  return true;
}

bool JsonLine::readString(std::string& value) {
  return next() == Kind::String && ScanJsonString(text_, pos_, &value);
}

bool JsonLine::key(std::string* out) {
  if (next() != Kind::String || !ScanJsonString(text_, pos_, out)) {
    return false;
  }
  skipSpace();
  if (pos_ == text_.size() || text_[pos_] != ':') {
    return false;
  }
  ++pos_;
  return true;
}

bool JsonLine::skipValue() {
  // Without recursion: the open brackets on a stack of their own.
  std::vector<char> open;
  bool valueNext = true;
  for (;;) {
    if (valueNext) {
      bool flag = false;
      bool integer = false;
      std::int64_t number = 0;
      switch (next()) {
        case Kind::Null:
          if (!readNull()) {
            return false;
          }
          break;
        case Kind::Bool:
          if (!readBool(flag)) {
            return false;
          }
          break;
        case Kind::Number:
          if (!scanNumber(integer, number)) {
            return false;
          }
          break;
        case Kind::String:
          if (!ScanJsonString(text_, pos_, nullptr)) {
            return false;
          }
          break;
        case Kind::Object:
        case Kind::Array: {
          const char bracket = text_[pos_++];
          skipSpace();
          if (pos_ < text_.size() && text_[pos_] == (bracket == '{' ? '}' : ']')) {
            ++pos_;  // empty
            break;
          }
          open.push_back(bracket);
          if (bracket == '{' && !key(nullptr)) {
            return false;
          }
          continue;
        }
        case Kind::Bad:
          return false;
      }
    }
    // After a value: the end, the next element or the bracket's end.
    if (open.empty()) {
      return true;
    }
    skipSpace();
    if (pos_ == text_.size()) {
      return false;
    }
    const char c = text_[pos_++];
    if (c == ',') {
      valueNext = true;
      if (open.back() == '{' && !key(nullptr)) {
        return false;
      }
    } else if (c == (open.back() == '{' ? '}' : ']')) {
      open.pop_back();
      valueNext = false;
    } else {
      return false;
    }
  }
}

bool JsonLine::beginObject() {
  if (next() != Kind::Object) {
    return false;
  }
  ++pos_;
  objects_.push_back(false);
  return true;
}

bool JsonLine::member(std::string& name, bool& end) {
  if (objects_.empty()) {
    return false;
  }
  skipSpace();
  if (pos_ == text_.size()) {
    return false;
  }
  if (text_[pos_] == '}') {
    ++pos_;
    objects_.pop_back();
    end = true;
    return true;
  }
  if (objects_.back()) {
    if (text_[pos_] != ',') {
      return false;
    }
    ++pos_;
  }
  objects_.back() = true;
  end = false;
  return key(&name);
}

bool JsonLine::atEnd() {
  skipSpace();
  return pos_ == text_.size();
}

}  // namespace th::status
