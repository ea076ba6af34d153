#pragma once
// Lets a display show changes at most once per interval. A change that comes
// sooner is shown as the latest by the window's PaintSchedule, when the event
// loop next waits at or after its time. Under Wine each repaint costs dozens of
// round trips to its server, and a timer of its own per display would add a
// wake-up and two more round trips to each.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/win/WinApi.h"

namespace th {

class PaintThrottle;

// The throttled displays of one window. The event loop asks it before each
// wait: the displays whose time has come show their changes then, in the
// wake-up that already runs, and the wait ends soon after the next one is due.
class PaintSchedule {
 public:
  PaintSchedule() = default;
  PaintSchedule(const PaintSchedule&) = delete;
  PaintSchedule& operator=(const PaintSchedule&) = delete;

  // A change may show this much after its time: the loop then shows it in a
  // wake-up of its own only when nothing else (a batch of bytes, a tick of
  // the logic) wakes it first, and a file read wakes it every 100 ms anyway.
  static constexpr std::uint32_t kLatenessMs = 100;

  // Shows every pending change whose time has come; returns the milliseconds
  // after which the next pending one must show, or INFINITE when none is
  // pending.
  std::uint32_t showDue();

 private:
  friend class PaintThrottle;
  void add(PaintThrottle* throttle);
  void remove(PaintThrottle* throttle);

  std::vector<PaintThrottle*> throttles_;
};

class PaintThrottle {
 public:
  // `show` shows the latest change and calls shown().
  PaintThrottle(PaintSchedule& schedule, std::uint32_t intervalMs, std::function<void()> show);
  ~PaintThrottle();
  PaintThrottle(const PaintThrottle&) = delete;
  PaintThrottle& operator=(const PaintThrottle&) = delete;

  // True when a change may show now. Otherwise it is pending, for the
  // schedule to show when it may.
  bool dueOrLater();
  // The change was shown now: nothing is pending until the next one.
  void shown();
  // Nothing is left to show.
  void cancel() { pending_ = false; }
  // A change waits to be shown.
  bool pending() const { return pending_; }

 private:
  friend class PaintSchedule;
  // Milliseconds until a pending change may show; 0 when it may now.
  std::uint32_t waitLeft() const;

  PaintSchedule& schedule_;
  std::uint32_t intervalMs_;
  std::function<void()> show_;
  bool pending_ = false;
  DWORD lastShown_;
};

}  // namespace th
