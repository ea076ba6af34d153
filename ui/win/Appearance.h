#pragma once
// The window's look on Windows: its layout scale, its fonts and the icons of
// the speed buttons, drawn here with GDI rather than taken from any file.
#include <cmath>

#include "platform/win/WinApi.h"
#include "ui/WindowLayout.h"

namespace th {

// Pixels per layout pixel: the layout is for 96 dots per inch.
class LayoutScale {
 public:
  explicit LayoutScale(int dpi) : dpi_(dpi < 96 ? 96 : dpi) {}
  // The screen's resolution.
  static LayoutScale ofScreen();

  int dpi() const { return dpi_; }
  double factor() const { return dpi_ / 96.0; }
  int px(int v) const { return static_cast<int>(std::lround(v * factor())); }

 private:
  int dpi_;
};

// Tahoma 8 pt (11 pixels at 96 dpi); the caller deletes it.
HFONT MakeWindowFont(const LayoutScale& scale);
// The device name's font: bold, kHeadingTextHeight layout pixels high.
HFONT MakeNameFont(const LayoutScale& scale);

// A speed button's icon, drawn into `box` (a square): a green tick (SpeedButton6
// "Apply"), a red disc lettered TEST (SpeedButton3), a green circular arrow
// (SpeedButton8) or an open folder (SpeedButton1).
void DrawButtonIcon(HDC dc, ButtonIcon icon, const RECT& box);

}  // namespace th
