#pragma once
// The common controls (status bar, progress bar, ...), after <windows.h> as
// they need it.
#include "platform/win/WinApi.h"
// clang-format off
#include <commctrl.h>
// clang-format on

namespace th {

// Win32 hands pointers over as integers: window data, message parameters.
template <typename Pointer>
Pointer FromInteger(LONG_PTR value) {
  return reinterpret_cast<Pointer>(value);  // NOLINT(performance-no-int-to-ptr)
}

}  // namespace th
