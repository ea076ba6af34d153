#include "tools/status/win/WideText.h"

#include "platform/win/WinApi.h"

namespace th::status {

std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), n);
  return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) {
    return {};
  }
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), n, nullptr, nullptr);
  return text;
}

}  // namespace th::status
