#pragma once
// Lets a control show changes at most once per interval: a change that comes
// sooner waits for a timer of the host window, which then shows the latest.
// Under Wine each repaint costs dozens of round trips to its server.
#include <cstdint>

#include "platform/win/WinApi.h"

namespace th {

class PaintThrottle {
 public:
  // `timer` is the id of the host's timer; the host passes its ticks on.
  PaintThrottle(HWND host, UINT_PTR timer, std::uint32_t intervalMs);
  ~PaintThrottle();
  PaintThrottle(const PaintThrottle&) = delete;
  PaintThrottle& operator=(const PaintThrottle&) = delete;

  // True when a change may show now. Otherwise the timer is set (once) for
  // when it may; checked here too, since a busy message queue holds timer
  // messages back.
  bool dueOrLater();
  // The change was shown now: no timer is needed until the next one.
  void shown();
  // Nothing is left to show.
  void cancel();
  // The timer is set for a change not yet shown.
  bool pending() const { return pending_; }

 private:
  HWND host_;
  UINT_PTR timer_;
  std::uint32_t intervalMs_;
  bool pending_ = false;
  DWORD lastShown_;
};

}  // namespace th
