#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// The one way the logic waits: window messages keep being processed, so
// arrivals, ticks and the close request are handled during every wait.
class Waiter {
 public:
  explicit Waiter(Tidehaul& unit) : u_(unit) {}

  // Returns once more than TickTime ms have passed (tick read before each pass,
  // 32-bit wrap-around), or at once while the stop flag is set. Unless the flag
  // is set, messages are processed at least once. It blocks on the event loop
  // between passes instead of spinning.
  void delay(std::int32_t TickTime);

 private:
  Tidehaul& u_;
};

}  // namespace th
