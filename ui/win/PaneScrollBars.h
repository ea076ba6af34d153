#pragma once
// The two scroll bars of a pane window. A stream of lines moves their values
// with every append; the bars follow at most every kIntervalMs, each set only
// when its own values changed and drawn only when it would look different.
#include <cstdint>
#include <functional>

#include "platform/win/WinApi.h"
#include "ui/ScrollBarSync.h"
#include "ui/win/PaintThrottle.h"

namespace th {

class PaneScrollBars {
 public:
  struct Values {
    ScrollValues vertical;
    ScrollValues horizontal;
  };

  // Drawing a scroll bar costs far more than drawing the lines, and a thumb
  // that lags a stream of lines by a second shows nothing wrong.
  static constexpr std::uint32_t kIntervalMs = 1000;

  // The bars of `pane`, brought to what `wanted` says; a change that waits is
  // shown by `schedule`.
  PaneScrollBars(HWND pane, PaintSchedule& schedule, std::function<Values()> wanted);
  PaneScrollBars(const PaneScrollBars&) = delete;
  PaneScrollBars& operator=(const PaneScrollBars&) = delete;

  // Brings the bars to the wanted values: at once when `now` (the user moved
  // the view), else when their time has come.
  void update(bool now);
  // A change waits for its time.
  bool pending() const { return throttle_.pending(); }
  // The vertical thumb rests at its smallest at the end: more lines at the
  // end leave the bar's look as it is.
  bool thumbSettled() const { return vertical_.thumbSettled(); }
  // Where the user holds the thumb of SB_VERT or SB_HORZ.
  int trackPosition(int bar) const;

 private:
  // One of the window's own scroll bars, SB_VERT or SB_HORZ.
  class SystemBar : public ScrollBar {
   public:
    SystemBar(HWND window, int bar) : window_(window), bar_(bar) {}
    void set(const ScrollValues& values, bool redraw) override;
    std::optional<ScrollBarLook> look() const override;

   private:
    HWND window_;
    int bar_;
  };

  HWND pane_;
  SystemBar verticalBar_;
  SystemBar horizontalBar_;
  ScrollBarSync vertical_;
  ScrollBarSync horizontal_;
  std::function<Values()> wanted_;
  PaintThrottle throttle_;
};

}  // namespace th
