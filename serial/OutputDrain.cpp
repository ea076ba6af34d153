#include "serial/OutputDrain.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace th {

bool DrainOutput(const OutputCounter& queued, std::uint32_t perByteMs, std::uint32_t constantMs) {
  using Clock = std::chrono::steady_clock;
  // At 110 baud a byte takes 91 ms; polling at this pace costs nothing and
  // ends the wait soon after the last byte left.
  constexpr auto kPoll = std::chrono::milliseconds(5);
  int count = 0;
  if (queued(count) != 0) {
    return false;
  }
  if (count <= 0) {
    return true;
  }
  const auto limit = std::chrono::milliseconds(static_cast<std::int64_t>(perByteMs) * count +
                                               static_cast<std::int64_t>(constantMs));
  const auto deadline = Clock::now() + limit;
  for (;;) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) {
      return false;
    }
    // In whole milliseconds: mingw-w64's sleep of a nanosecond duration
    // returns at once under Wine, which would make this a busy loop.
    std::this_thread::sleep_for(
        std::chrono::ceil<std::chrono::milliseconds>(std::min<Clock::duration>(kPoll, left)));
    if (queued(count) != 0) {
      return false;
    }
    if (count <= 0) {
      return true;
    }
  }
}

}  // namespace th
