#include "ui/win/PaintThrottle.h"

#include <algorithm>

namespace th {

std::uint32_t PaintSchedule::showDue() {
  std::uint32_t next = INFINITE;
  // By index: showing one display may make another pending, never add one.
  for (std::size_t i = 0; i < throttles_.size(); ++i) {
    PaintThrottle* throttle = throttles_[i];
    if (!throttle->pending()) {
      continue;
    }
    if (throttle->waitLeft() == 0) {
      throttle->show_();
      // A display that left its change pending is asked again a full
      // interval later, never at once: the loop must not spin on it.
      if (throttle->pending()) {
        throttle->lastShown_ = ::GetTickCount();
      }
    }
    if (throttle->pending()) {
      next = std::min(next, throttle->waitLeft() + kLatenessMs);
    }
  }
  return next;
}

void PaintSchedule::add(PaintThrottle* throttle) {
  throttles_.push_back(throttle);
}

void PaintSchedule::remove(PaintThrottle* throttle) {
  throttles_.erase(std::remove(throttles_.begin(), throttles_.end(), throttle), throttles_.end());
}

PaintThrottle::PaintThrottle(PaintSchedule& schedule, std::uint32_t intervalMs,
                             std::function<void()> show)
    : schedule_(schedule),
      intervalMs_(intervalMs),
      show_(std::move(show)),
      lastShown_(::GetTickCount() - intervalMs) {
  schedule_.add(this);
}

PaintThrottle::~PaintThrottle() {
  schedule_.remove(this);
}

std::uint32_t PaintThrottle::waitLeft() const {
  const DWORD since = ::GetTickCount() - lastShown_;
  return since >= intervalMs_ ? 0 : intervalMs_ - since;
}

bool PaintThrottle::dueOrLater() {
  if (waitLeft() == 0) {
    return true;
  }
  pending_ = true;
  return false;
}

void PaintThrottle::shown() {
  pending_ = false;
  lastShown_ = ::GetTickCount();
}

}  // namespace th
