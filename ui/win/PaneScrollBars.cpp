#include "ui/win/PaneScrollBars.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace th {

static_assert(CCHILDREN_SCROLLBAR + 1 == kScrollBarParts);

PaneScrollBars::PaneScrollBars(HWND pane, PaintSchedule& schedule, std::function<Values()> wanted)
    : pane_(pane),
      verticalBar_(pane, SB_VERT),
      horizontalBar_(pane, SB_HORZ),
      vertical_(verticalBar_, true),
      horizontal_(horizontalBar_, false),
      wanted_(std::move(wanted)),
      throttle_(schedule, kIntervalMs, [this] { update(true); }) {}

void PaneScrollBars::update(bool now) {
  const Values wanted = wanted_();
  if (vertical_.holds(wanted.vertical) && horizontal_.holds(wanted.horizontal)) {
    throttle_.cancel();
    return;
  }
  if (!now && vertical_.shownOnce() && !throttle_.dueOrLater()) {
    return;
  }
  vertical_.show(wanted.vertical);
  horizontal_.show(wanted.horizontal);
  throttle_.shown();
}

int PaneScrollBars::trackPosition(int bar) const {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_TRACKPOS;
  ::GetScrollInfo(pane_, bar, &info);
  return info.nTrackPos;
}

void PaneScrollBars::SystemBar::set(const ScrollValues& values, bool redraw) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = static_cast<int>(values.max);
  info.nPage = static_cast<UINT>(values.page);
  info.nPos = static_cast<int>(values.pos);
  ::SetScrollInfo(window_, bar_, &info, redraw ? TRUE : FALSE);
}

std::optional<ScrollBarLook> PaneScrollBars::SystemBar::look() const {
  SCROLLBARINFO info{};
  info.cbSize = sizeof info;
  if (::GetScrollBarInfo(window_, bar_ == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL, &info) ==
      FALSE) {
    return std::nullopt;
  }
  const RECT& place = info.rcScrollBar;
  ScrollBarLook look;
  look.thumb.barLength =
      static_cast<int>(bar_ == SB_VERT ? place.bottom - place.top : place.right - place.left);
  // The arrow's own length: Wine reports another figure as dxyLineButton.
  look.thumb.arrow = ::GetSystemMetrics(bar_ == SB_VERT ? SM_CYVSCROLL : SM_CXHSCROLL);
  look.thumb.thumbTop = info.xyThumbTop;
  look.thumb.thumbBottom = info.xyThumbBottom;
  std::copy(std::begin(info.rgstate), std::end(info.rgstate), look.states.begin());
  return look;
}

}  // namespace th
