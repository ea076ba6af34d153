#pragma once
// <windows.h> without its min and max macros and its rarely used parts.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace th {

// Win32 hands pointers over as integers: window data, message parameters,
// device handles kept as integers by shared code.
template <typename Pointer, typename Integer>
Pointer FromInteger(Integer value) {
  return reinterpret_cast<Pointer>(value);  // NOLINT(performance-no-int-to-ptr)
}

}  // namespace th
