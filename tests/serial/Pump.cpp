#include "tests/serial/Pump.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace th::test {

bool PumpUntil(EventLoop& loop, const std::function<bool()>& done, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    loop.processPendingMessages();
    if (done()) {
      return true;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      return false;
    }
    loop.waitForMessage(static_cast<std::uint32_t>(std::min<long long>(left, 10)));
  }
}

void PumpFor(EventLoop& loop, int ms) {
  PumpUntil(
      loop, [] { return false; }, ms);
}

void BusyFor(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace th::test
