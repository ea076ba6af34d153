#include "app/JsonText.h"

#include <cstdint>

namespace th {

namespace {

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// The JSON form of one character into `piece`.
void Encode(char32_t c, std::string& piece) {
  static constexpr char kHex[] = "0123456789abcdef";
  piece.clear();
  if (c == u'"' || c == u'\\') {
    piece = {'\\', static_cast<char>(c)};
  } else if (c < 0x20) {
    piece = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
  } else if (c < 0x80) {
    piece = {static_cast<char>(c)};
  } else if (c < 0x800) {
    piece = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  } else if (c < 0x10000) {
    piece = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
             static_cast<char>(0x80 | (c & 0x3F))};
  } else {
    piece = {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
             static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
}

}  // namespace

std::size_t AppendJsonString(std::string& out, std::u16string_view text, std::size_t maxBytes) {
  out.push_back('"');
  std::size_t used = 0;
  std::string piece;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = 0xFFFD;
    }
    Encode(c, piece);
    if (used + piece.size() > maxBytes) {
      break;
    }
    out += piece;
    used += piece.size();
  }
  out.push_back('"');
  return used;
}

}  // namespace th
