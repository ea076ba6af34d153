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

ProgressDisplay::ProgressDisplay(HWND host, HWND bar)
    : host_(host),
      bar_(bar),
      wanted_{BarMax(bar), BarPosition(bar)},
      shown_(wanted_),
      lastShown_(::GetTickCount() - kShowMs) {}

ProgressDisplay::~ProgressDisplay() {
  if (pending_) {
    ::KillTimer(host_, kShowTimer);
  }
}

void ProgressDisplay::set(int barMax, int position) {
  wanted_ = Value{barMax, position};
  if (wanted_ == shown_) {
    if (pending_) {
      ::KillTimer(host_, kShowTimer);
      pending_ = false;
    }
    return;
  }
  // Shown here when due rather than only by the timer: a busy message queue
  // holds timer messages back.
  const DWORD since = ::GetTickCount() - lastShown_;
  if (since >= kShowMs) {
    flush();
    return;
  }
  if (!pending_) {
    pending_ = true;
    ::SetTimer(host_, kShowTimer, kShowMs - since, nullptr);
  }
}

void ProgressDisplay::onTimer() {
  flush();
}

void ProgressDisplay::flush() {
  if (pending_) {
    ::KillTimer(host_, kShowTimer);
    pending_ = false;
  }
  if (wanted_ == shown_) {
    return;
  }
  show();
}

void ProgressDisplay::show() {
  // The control keeps a position inside its range: the range goes first.
  if (wanted_.max != shown_.max) {
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, wanted_.max);
  }
  ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(wanted_.position), 0);
  shown_ = wanted_;
  lastShown_ = ::GetTickCount();
}

}  // namespace th
