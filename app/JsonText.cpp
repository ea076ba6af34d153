#include "app/JsonText.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace th {

namespace {

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// The JSON form of one character: at most six bytes, without an allocation.
struct Piece {
  std::array<char, 6> bytes{};
  std::size_t size = 0;

  void put(char32_t b) { bytes.at(size++) = static_cast<char>(b); }
  std::string_view view() const { return {bytes.data(), size}; }
};

Piece Encode(char32_t c) {
  static constexpr char kHex[] = "0123456789abcdef";
  Piece p;
  if (c == u'"' || c == u'\\') {
    p.put(u'\\');
    p.put(c);
  } else if (c < 0x20) {
    for (const char32_t b : {char32_t{'\\'}, char32_t{'u'}, char32_t{'0'}, char32_t{'0'}}) {
      p.put(b);
    }
    p.put(static_cast<unsigned char>(kHex[c >> 4]));
    p.put(static_cast<unsigned char>(kHex[c & 0xF]));
  } else if (c < 0x80) {
    p.put(c);
  } else if (c < 0x800) {
    p.put(0xC0 | (c >> 6));
    p.put(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    p.put(0xE0 | (c >> 12));
    p.put(0x80 | ((c >> 6) & 0x3F));
    p.put(0x80 | (c & 0x3F));
  } else {
    p.put(0xF0 | (c >> 18));
    p.put(0x80 | ((c >> 12) & 0x3F));
    p.put(0x80 | ((c >> 6) & 0x3F));
    p.put(0x80 | (c & 0x3F));
  }
  return p;
}

}  // namespace

std::size_t AppendJsonString(std::string& out, std::u16string_view text, std::size_t maxBytes) {
  out.push_back('"');
  std::size_t used = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = 0xFFFD;
    }
    const Piece piece = Encode(c);
    if (used + piece.size > maxBytes) {
      break;
    }
    out += piece.view();
    used += piece.size;
  }
  out.push_back('"');
  return used;
}

}  // namespace th
