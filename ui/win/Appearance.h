#pragma once
// The window's look on Windows: its layout scale, its fonts and the icons of
// the speed buttons, drawn here with GDI rather than taken from any file.
#include <cmath>

#include "platform/win/WinApi.h"

namespace th {

// Pixels per layout pixel: the layout is for 96 dots per inch.
class LayoutScale {
 public:
  explicit LayoutScale(int dpi) : dpi_(dpi < 96 ? 96 : dpi) {}
  // The screen's resolution.
  static LayoutScale OfScreen();

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

// Icons, each drawn into `box` (a square).
void DrawTickIcon(HDC dc, const RECT& box);     // green tick: SpeedButton6 "Apply"
void DrawTestIcon(HDC dc, const RECT& box);     // red disc lettered TEST: SpeedButton3
void DrawRefreshIcon(HDC dc, const RECT& box);  // green circular arrow: SpeedButton8
void DrawFolderIcon(HDC dc, const RECT& box);   // open folder: SpeedButton1

}  // namespace th
