#pragma once
// PBar_Connect as the window shows it. A file read sets the position ten times
// a second, and the control repaints itself at once on every change: the bar
// shows the latest range and position at most once per kShowMs instead.
#include <cstdint>

#include "platform/win/WinApi.h"
#include "ui/win/PaintThrottle.h"

namespace th {

class ProgressDisplay {
 public:
  static constexpr std::uint32_t kShowMs = 500;

  // A pending value is shown by `schedule`.
  ProgressDisplay(HWND bar, PaintSchedule& schedule);
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  // The bar shows this range and position within kShowMs and the schedule's
  // lateness.
  void set(int barMax, int position);
  // Shows a pending value now.
  void flush();

 private:
  struct Value {
    int max;
    int position;
    bool operator==(const Value&) const = default;
  };

  HWND bar_;
  Value wanted_;
  Value shown_;
  PaintThrottle throttle_;
};

}  // namespace th
