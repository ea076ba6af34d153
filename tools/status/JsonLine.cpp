#include "tools/status/JsonLine.h"

#include <limits>

namespace th::status {

namespace {

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// The length of the UTF-8 sequence at `p` (at most `left` bytes), 0 when it
// is not one: overlong forms, surrogates and code points past U+10FFFF are not.
std::size_t Utf8Length(const unsigned char* p, std::size_t left) {
  const unsigned c = p[0];
  std::size_t length = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    low = c == 0xE0 ? 0xA0 : 0x80;
    high = c == 0xED ? 0x9F : 0xBF;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    low = c == 0xF0 ? 0x90 : 0x80;
    high = c == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (left < length || p[1] < low || p[1] > high) {
    return 0;
  }
  for (std::size_t i = 2; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) {
      return 0;
    }
  }
  return length;
}

}  // namespace

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

bool JsonLine::escape(std::string* out) {
  // At the byte after the backslash.
  if (pos_ == text_.size()) {
    return false;
  }
  const char c = text_[pos_++];
  char plain = 0;
  switch (c) {
    case '"':
    case '\\':
    case '/':
      plain = c;
      break;
    case 'b':
      plain = '\b';
      break;
    case 'f':
      plain = '\f';
      break;
    case 'n':
      plain = '\n';
      break;
    case 'r':
      plain = '\r';
      break;
    case 't':
      plain = '\t';
      break;
    case 'u':
      break;
    default:
      return false;
  }
  if (c != 'u') {
    if (out != nullptr) {
      *out += plain;
    }
    return true;
  }
  auto hex4 = [this](std::uint32_t& unit) {
    if (text_.size() - pos_ < 4) {
      return false;
    }
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const int d = HexDigit(text_[pos_++]);
      if (d < 0) {
        return false;
      }
      unit = unit * 16 + static_cast<std::uint32_t>(d);
    }
    return true;
  };
  std::uint32_t unit = 0;
  if (!hex4(unit) || (unit >= 0xDC00 && unit <= 0xDFFF)) {
    return false;
  }
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    // A high surrogate needs its low one, escaped, right after it.
    std::uint32_t low = 0;
    if (text_.substr(pos_, 2) != "\\u") {
      return false;
    }
    pos_ += 2;
    if (!hex4(low) || low < 0xDC00 || low > 0xDFFF) {
      return false;
    }
    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
  }
  if (out != nullptr) {
    AppendUtf8(unit, *out);
  }
  return true;
}

bool JsonLine::scanString(std::string* out) {
  // At the opening quote.
  ++pos_;
  if (out != nullptr) {
    out->clear();
  }
  while (pos_ < text_.size()) {
    const auto c = static_cast<unsigned char>(text_[pos_]);
    if (c == '"') {
      ++pos_;
      return true;
    }
    if (c == '\\') {
      ++pos_;
      if (!escape(out)) {
        return false;
      }
    } else if (c < 0x20) {
      return false;
    } else if (c < 0x80) {
      if (out != nullptr) {
        *out += static_cast<char>(c);
      }
      ++pos_;
    } else {
      const std::size_t length = Utf8Length(
          reinterpret_cast<const unsigned char*>(text_.data()) + pos_, text_.size() - pos_);
      if (length == 0) {
        return false;
      }
      if (out != nullptr) {
        out->append(text_.substr(pos_, length));
      }
      pos_ += length;
    }
  }
  return false;
}

bool JsonLine::readString(std::string& value) {
  return next() == Kind::String && scanString(&value);
}

bool JsonLine::key(std::string* out) {
  if (next() != Kind::String || !scanString(out)) {
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
          if (!scanString(nullptr)) {
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
