#include "tools/status/Printable.h"

namespace th::status {

std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      c = '?';
    }
  }
  return out;
}

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (const char c : text) {
    width += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  }
  return width;
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned min = 0;
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      min = 0x10000;
    }
    bool ok = length > 0 && i + length <= text.size();
    unsigned code = length == 1 ? lead : lead & (0x7FU >> length);
    for (std::size_t k = 1; ok && k < length; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      ok = (c & 0xC0) == 0x80;
      code = (code << 6) | (c & 0x3FU);
    }
    ok = ok && code >= min && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    if (ok) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

}  // namespace th::status
