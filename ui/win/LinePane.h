#pragma once
// A read-only text pane over a core line list, as a window of its own. It
// paints only the lines in view, straight from the list's bytes (one byte per
// character), so hundreds of thousands of lines cost no copy and an append
// costs a few additions. Lines never wrap: the pane scrolls sideways instead.
#include <cstddef>
#include <cstdint>

#include "platform/LineList.h"
#include "platform/win/WinApi.h"
#include "ui/PaneMetrics.h"
#include "ui/win/MessageHandler.h"
#include "ui/win/PaintThrottle.h"
#include "ui/win/PaneScrollBars.h"

namespace th {

class LinePane : public LineListObserver, private MessageHandler {
 public:
  // A child of `parent` at the given place (in pixels), drawn in `font`;
  // appends are shown by `schedule`.
  LinePane(LineList& lines, HWND parent, HFONT font, const RECT& place, PaintSchedule& schedule);
  ~LinePane() override;
  LinePane(const LinePane&) = delete;
  LinePane& operator=(const LinePane&) = delete;

  HWND handle() const { return window_; }
  const LineList& lines() const { return lines_; }
  // Width in pixels of the widest line.
  int contentWidth() const { return static_cast<int>(metrics_.widest()); }
  int lineHeight() const { return lineHeight_; }
  // The line at the top of the view.
  std::size_t topLine() const { return top_; }
  int horizontalOffset() const { return xOffset_; }
  // The vertical bar is set without asking the system how it looks, since
  // lines added at the end cannot change that.
  bool thumbSettled() const { return bars_.thumbSettled(); }
  // Appends show at most every kRefreshMs, and the scroll bars follow them at
  // most every PaneScrollBars::kIntervalMs; true while either is due. A
  // repaint costs a few dozen calls to the system (under Wine, round trips to
  // its server and the X server), and the window runs unattended: four a
  // second while a file streams in are plenty. Scrolling by the user shows at
  // once.
  bool refreshPending() const { return refreshThrottle_.pending() || bars_.pending(); }
  static constexpr std::uint32_t kRefreshMs = 250;

  void linesAppended(const LineList& list, std::size_t first) override;
  void linesCleared(const LineList& list) override;

 private:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  void measureFont();
  void scheduleRefresh();
  // Brings the view up to the lines; the scroll bars at once when `barsNow`
  // (the user moved the view), else when their time has come.
  void refresh(bool barsNow);
  // The widest line with its margins, in pixels.
  int paddedWidth() const;
  PaneScrollBars::Values wantedBars() const;
  void paint();
  int visibleLines() const;
  std::size_t lastTop() const;
  void scrollTo(std::size_t top);
  void scrollSideways(int offset);
  void onVerticalScroll(int code);
  void onHorizontalScroll(int code);
  bool onKey(WPARAM key);

  LineList& lines_;
  HWND window_ = nullptr;
  HFONT font_;
  PaneMetrics<int, std::int64_t> metrics_;
  int lineHeight_ = 13;
  std::size_t top_ = 0;
  int xOffset_ = 0;
  bool followEnd_ = true;  // keep the last line in view while lines arrive
  PaintThrottle refreshThrottle_;
  PaneScrollBars bars_;
};

}  // namespace th
