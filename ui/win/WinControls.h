#pragma once
// The common controls (status bar, progress bar, ...), after <windows.h> as
// they need it.
#include "platform/win/WinApi.h"
// clang-format off
#include <commctrl.h>
// clang-format on
#include <array>
#include <cstddef>

namespace th {

// A wide copy of an ASCII string, made at compile time.
template <std::size_t N>
constexpr std::array<wchar_t, N> WideAscii(const char (&ascii)[N]) {
  std::array<wchar_t, N> wide{};
  for (std::size_t i = 0; i < N; ++i) {
    wide.at(i) = static_cast<wchar_t>(ascii[i]);
  }
  return wide;
}

}  // namespace th
