// The settings and log texts in the Windows ANSI code page (CP_ACP).
#include "platform/Text.h"
#include "platform/win/WinText.h"

namespace th {

Text DecodeAnsi(std::string_view bytes) {
  return win::TextFromWide(win::WideFromAnsi(bytes));
}

std::string EncodeAnsi(const Text& text) {
  return win::AnsiFromWide(win::WideFromText(text));
}

}  // namespace th
