#pragma once
// The wait for queued output at Close, shared by the systems' backends.
#include <cstdint>
#include <functional>

namespace th {

// Gives the count of queued output bytes, or the system's error code.
using OutputCounter = std::function<int(int& count)>;
// Waits in sleeps of a few milliseconds until `queued` reports an empty
// queue, at most perByteMs for each byte queued at the start plus constantMs.
// True once empty; false on time-out or when the count fails (device gone).
bool DrainOutput(const OutputCounter& queued, std::uint32_t perByteMs, std::uint32_t constantMs);

}  // namespace th
