#include "ui/win/Appearance.h"

#include <algorithm>
#include <array>
#include <cwchar>

#include "ui/WindowLayout.h"

namespace th {

namespace {

constexpr COLORREF kGreen = RGB(0, 150, 40);

// A point of a 16-unit icon design, placed in `box`.
POINT At(const RECT& box, double x, double y) {
  const double unit = (box.right - box.left) / 16.0;
  return POINT{box.left + static_cast<LONG>(std::lround(x * unit)),
               box.top + static_cast<LONG>(std::lround(y * unit))};
}

int Units(const RECT& box, double v) {
  return static_cast<int>(std::lround(v * (box.right - box.left) / 16.0));
}

// Selects a GDI object for the life of the scope and deletes what it made.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object, bool owned = true)
      : dc_(dc), object_(object), old_(::SelectObject(dc, object)), owned_(owned) {}
  ~Selected() {
    ::SelectObject(dc_, old_);
    if (owned_) {
      ::DeleteObject(object_);
    }
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ object_;
  HGDIOBJ old_;
  bool owned_;
};

HFONT MakeFont(int height, int weight) {
  LOGFONTW font{};
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  std::wcsncpy(font.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
  return ::CreateFontIndirectW(&font);
}

void DrawTickIcon(HDC dc, const RECT& box) {
  const Selected pen(dc, ::CreatePen(PS_SOLID, Units(box, 2.6), kGreen));
  const std::array<POINT, 3> tick{At(box, 2.5, 8.5), At(box, 6.5, 12.5), At(box, 13.5, 3.5)};
  ::Polyline(dc, tick.data(), static_cast<int>(tick.size()));
}

void DrawTestIcon(HDC dc, const RECT& box) {
  {
    const Selected pen(dc, ::CreatePen(PS_SOLID, 1, RGB(120, 0, 0)));
    const Selected brush(dc, ::CreateSolidBrush(RGB(215, 20, 15)));
    ::Ellipse(dc, box.left + 1, box.top + 1, box.right - 1, box.bottom - 1);
  }
  const int size = box.right - box.left;
  const Selected font(dc, MakeFont(-std::max(6, size * 9 / 32), FW_BOLD));
  const int mode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF color = ::SetTextColor(dc, RGB(255, 255, 255));
  RECT text = box;
  ::DrawTextW(dc, L"TEST", 4, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  ::SetTextColor(dc, color);
  ::SetBkMode(dc, mode);
}

void DrawRefreshIcon(HDC dc, const RECT& box) {
  {
    const Selected pen(dc, ::CreatePen(PS_SOLID, Units(box, 2.2), kGreen));
    // A ring open at the top right, drawn counter-clockwise from the top.
    const POINT topLeft = At(box, 3, 3);
    const POINT bottomRight = At(box, 13, 13);
    const POINT start = At(box, 8, 3);
    const POINT end = At(box, 13, 7);
    ::Arc(dc, topLeft.x, topLeft.y, bottomRight.x, bottomRight.y, start.x, start.y, end.x, end.y);
  }
  // Arrow head at the ring's open end, pointing along the turn.
  const Selected pen(dc, ::GetStockObject(NULL_PEN), false);
  const Selected brush(dc, ::CreateSolidBrush(kGreen));
  const std::array<POINT, 3> head{At(box, 7.0, 0.5), At(box, 11.5, 3.0), At(box, 7.0, 5.5)};
  ::Polygon(dc, head.data(), static_cast<int>(head.size()));
}

void DrawFolderIcon(HDC dc, const RECT& box) {
  const Selected pen(dc, ::CreatePen(PS_SOLID, 1, RGB(140, 100, 20)));
  {
    // The back of the folder with its tab.
    const Selected brush(dc, ::CreateSolidBrush(RGB(235, 190, 80)));
    const std::array<POINT, 6> back{At(box, 1.5, 3.5),  At(box, 5.5, 3.5),   At(box, 6.5, 5.0),
                                    At(box, 12.5, 5.0), At(box, 12.5, 13.5), At(box, 1.5, 13.5)};
    ::Polygon(dc, back.data(), static_cast<int>(back.size()));
  }
  // The open front flap, tilted forward.
  const Selected brush(dc, ::CreateSolidBrush(RGB(250, 215, 110)));
  const std::array<POINT, 4> front{At(box, 3.5, 7.5), At(box, 15.0, 7.5), At(box, 12.5, 13.5),
                                   At(box, 1.5, 13.5)};
  ::Polygon(dc, front.data(), static_cast<int>(front.size()));
}

}  // namespace

LayoutScale LayoutScale::ofScreen() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) {
    ::ReleaseDC(nullptr, screen);
  }
  return LayoutScale(dpi);
}

HFONT MakeWindowFont(const LayoutScale& scale) {
  return MakeFont(-::MulDiv(8, scale.dpi(), 72), FW_NORMAL);
}

HFONT MakeNameFont(const LayoutScale& scale) {
  return MakeFont(-scale.px(kHeadingTextHeight), FW_BOLD);
}

void DrawButtonIcon(HDC dc, ButtonIcon icon, const RECT& box) {
  switch (icon) {
    case ButtonIcon::Tick:
      return DrawTickIcon(dc, box);
    case ButtonIcon::Test:
      return DrawTestIcon(dc, box);
    case ButtonIcon::Refresh:
      return DrawRefreshIcon(dc, box);
    case ButtonIcon::Folder:
      return DrawFolderIcon(dc, box);
  }
}

}  // namespace th
