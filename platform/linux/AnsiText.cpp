// Linux has no ANSI code page: the settings and log texts are UTF-8.
#include "platform/Text.h"

namespace th {

Text DecodeAnsi(std::string_view bytes) {
  return FromUtf8(bytes);
}

std::string EncodeAnsi(const Text& text) {
  return ToUtf8(text);
}

}  // namespace th
