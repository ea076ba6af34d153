#include "tools/logger-sim/Escape.h"

namespace th::sim {

std::string EscapeBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b == '\r') {
      out += "<CR>";
    } else if (b == '\n') {
      out += "<LF>";
    } else if (b == 0x1b) {
      out += "<ESC>";
    } else if (b == 0x1d) {
      out += "<GS>";
    } else if (b >= 0x20 && b < 0x7f && b != '<') {
      out += ch;
    } else {
      out += '<';
      out += kHex[b >> 4];
      out += kHex[b & 0xf];
      out += '>';
    }
  }
  return out;
}

}  // namespace th::sim
