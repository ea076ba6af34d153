#pragma once
// StatusBar1: a status bar control of four parts of fixed width from the left,
// along the bottom edge, as the window's layout has them.
#include <cstdint>

#include "platform/View.h"
#include "platform/win/WinApi.h"
#include "ui/PanelTexts.h"
#include "ui/WindowLayout.h"
#include "ui/win/Appearance.h"
#include "ui/win/PaintThrottle.h"

namespace th {

class StatusPanels {
 public:
  // Texts written faster than this are shown as the last of them: four
  // repaints a second while lines stream in, for a window nobody watches.
  static constexpr std::uint32_t kFlushMs = 250;

  // Pending texts are shown by `schedule`.
  StatusPanels(HWND host, HFONT font, const LayoutScale& scale, PaintSchedule& schedule);
  ~StatusPanels();
  StatusPanels(const StatusPanels&) = delete;
  StatusPanels& operator=(const StatusPanels&) = delete;

  HWND handle() const { return bar_; }
  // Keeps the bar along the bottom of a client area this wide and high.
  void place(int clientWidth, int clientHeight);

  // The text is the panel's at once; the bar shows it within kFlushMs and the
  // schedule's lateness. A fetch writes panel 3 once per received line, and a
  // repaint per line would cost more than the whole receive path.
  void setText(int i, const Text& text);
  const Text& text(int i) const { return texts_.text(i); }
  // The text the bar itself shows now.
  Text shownText(int i) const;
  // Shows every pending text now.
  void flush();

 private:
  HWND bar_ = nullptr;
  int height_;
  PanelTexts texts_;
  PaintThrottle throttle_;
};

}  // namespace th
