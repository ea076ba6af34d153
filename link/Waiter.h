#pragma once
#include <cstdint>

#include "link/StopRequest.h"
#include "platform/EventLoop.h"

namespace th {

// The one way the logic waits: window messages keep being processed, so
// arrivals, ticks and the close request are handled during every wait.
class Waiter {
 public:
  Waiter(EventLoop& loop, const StopRequest& stop) : loop_(loop), stop_(stop) {}

  // Returns once more than `ms` have passed (tick read before each pass,
  // 32-bit wrap-around), or at once while the stop request ends waits. Unless
  // it does, messages are processed at least once. It blocks on the event
  // loop between passes instead of spinning.
  void wait(std::int32_t ms);
  // Processes the pending messages once, without waiting.
  void processMessages() { loop_.processPendingMessages(); }
  // The millisecond tick, as the waits read it.
  std::uint32_t tick() const { return loop_.tick(); }

 private:
  EventLoop& loop_;
  const StopRequest& stop_;
};

}  // namespace th
