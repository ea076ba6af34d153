#include "ui/win/ClassicLook.h"

// clang-format off
#include <uxtheme.h>
// clang-format on

namespace th {

void KeepClassicLook(HWND control) {
  // A blank matches no theme class, so the control draws itself; an empty
  // name would not (Wine takes it for no name and keeps the control's own).
  ::SetWindowTheme(control, L" ", L" ");
  // The classic look may bring a frame of its own (the progress bar's thin
  // edge): the window is measured again for it.
  ::SetWindowPos(control, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

}  // namespace th
