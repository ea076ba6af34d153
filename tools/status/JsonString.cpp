#include "tools/status/JsonString.h"

#include <cstdint>

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

// The escape after a backslash, at `pos`.
bool Escape(std::string_view text, std::size_t& pos, std::string* out) {
  // At the byte after the backslash.
  if (pos == text.size()) {
    return false;
  }
  const char c = text[pos++];
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
  auto hex4 = [&text, &pos](std::uint32_t& unit) {
    if (text.size() - pos < 4) {
      return false;
    }
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const int d = HexDigit(text[pos++]);
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
    if (text.substr(pos, 2) != "\\u") {
      return false;
    }
    pos += 2;
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

}  // namespace

bool ScanJsonString(std::string_view text, std::size_t& pos, std::string* out) {
  // At the opening quote.
  ++pos;
  if (out != nullptr) {
    out->clear();
  }
  while (pos < text.size()) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\') {
      ++pos;
      if (!Escape(text, pos, out)) {
        return false;
      }
    } else if (c < 0x20) {
      return false;
    } else if (c < 0x80) {
      if (out != nullptr) {
        *out += static_cast<char>(c);
      }
      ++pos;
    } else {
      const std::size_t length =
          Utf8Length(reinterpret_cast<const unsigned char*>(text.data()) + pos, text.size() - pos);
      if (length == 0) {
        return false;
      }
      if (out != nullptr) {
        out->append(text.substr(pos, length));
      }
      pos += length;
    }
  }
  return false;
}

}  // namespace th::status
