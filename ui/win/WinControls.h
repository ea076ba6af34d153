#pragma once
// The common controls (status bar, progress bar, ...), after <windows.h> as
// they need it.
#include "platform/win/WinApi.h"
// clang-format off
#include <commctrl.h>
// clang-format on
