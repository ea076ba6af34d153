#pragma once
// Running a real-time main loop while a test waits, on every system.
#include <functional>

#include "platform/EventLoop.h"

namespace th::test {

// Runs the main loop until `done` holds or `timeoutMs` passes; false on time-out.
bool PumpUntil(EventLoop& loop, const std::function<bool()>& done, int timeoutMs = 3000);
// Runs the main loop for `ms`.
void PumpFor(EventLoop& loop, int ms);
// Lets time pass without processing messages: the main thread is busy.
void BusyFor(int ms);

}  // namespace th::test
