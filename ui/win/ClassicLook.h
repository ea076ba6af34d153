#pragma once
// The progress and status bars as Windows draws them for this program.
#include "platform/win/WinApi.h"

namespace th {

// Without a manifest for common controls 6, Windows draws these controls of
// this program in the classic look. Wine themes them anyway, and one themed
// repaint there costs thousands of calls: the look Windows gives is kept.
void KeepClassicLook(HWND control);

}  // namespace th
