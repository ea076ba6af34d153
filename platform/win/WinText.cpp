#include "platform/win/WinText.h"

#include <limits>

#include "platform/win/WinApi.h"

namespace th::win {

namespace {

int Length(std::size_t size) {
  return size > static_cast<std::size_t>(std::numeric_limits<int>::max())
             ? std::numeric_limits<int>::max()
             : static_cast<int>(size);
}

}  // namespace

std::wstring WideFromAnsi(std::string_view ansi) {
  if (ansi.empty()) {
    return {};
  }
  const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), Length(ansi.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), Length(ansi.size()), out.data(), n);
  }
  return out;
}

std::string AnsiFromWide(std::wstring_view wide) {
  if (wide.empty()) {
    return {};
  }
  // Without best fit: a character the code page lacks becomes its default
  // character instead of a look-alike.
  const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      Length(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), Length(wide.size()),
                          out.data(), n, nullptr, nullptr);
  }
  return out;
}

Text TextFromWide(std::wstring_view wide) {
  return Text(wide.begin(), wide.end());
}

std::wstring WideFromText(const Text& text) {
  return std::wstring(text.begin(), text.end());
}

}  // namespace th::win
