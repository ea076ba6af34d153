#include "ui/win/PaintThrottle.h"

namespace th {

PaintThrottle::PaintThrottle(HWND host, UINT_PTR timer, std::uint32_t intervalMs)
    : host_(host),
      timer_(timer),
      intervalMs_(intervalMs),
      lastShown_(::GetTickCount() - intervalMs) {}

PaintThrottle::~PaintThrottle() {
  cancel();
}

bool PaintThrottle::dueOrLater() {
  const DWORD since = ::GetTickCount() - lastShown_;
  if (since >= intervalMs_) {
    return true;
  }
  if (!pending_) {
    pending_ = true;
    ::SetTimer(host_, timer_, intervalMs_ - since, nullptr);
  }
  return false;
}

void PaintThrottle::shown() {
  cancel();
  lastShown_ = ::GetTickCount();
}

void PaintThrottle::cancel() {
  if (pending_) {
    ::KillTimer(host_, timer_);
    pending_ = false;
  }
}

}  // namespace th
