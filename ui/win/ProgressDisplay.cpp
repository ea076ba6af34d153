#include "ui/win/ProgressDisplay.h"

#include "ui/win/WinControls.h"

namespace th {

namespace {

int BarMax(HWND bar) {
  return static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
}

int BarPosition(HWND bar) {
  return static_cast<int>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
}

}  // namespace

ProgressDisplay::ProgressDisplay(HWND bar, PaintSchedule& schedule)
    : bar_(bar),
      wanted_{BarMax(bar), BarPosition(bar)},
      shown_(wanted_),
      throttle_(schedule, kShowMs, [this] { flush(); }) {}

void ProgressDisplay::set(int barMax, int position) {
  wanted_ = Value{barMax, position};
  if (wanted_ == shown_) {
    throttle_.cancel();
    return;
  }
  if (throttle_.dueOrLater()) {
    flush();
  }
}

void ProgressDisplay::flush() {
  if (wanted_ == shown_) {
    throttle_.cancel();
    return;
  }
  // The control keeps a position inside its range: the range goes first.
  if (wanted_.max != shown_.max) {
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, wanted_.max);
  }
  ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(wanted_.position), 0);
  shown_ = wanted_;
  throttle_.shown();
}

}  // namespace th
