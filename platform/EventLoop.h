#pragma once
// The event loop as the logic sees it: the millisecond tick, message processing,
// cross-thread calls and timers. The tool runs it on Qt (Linux) or on a Win32
// message loop (Windows); tests run it in virtual time, where time moves only
// while the loop waits.
#include <cstdint>
#include <exception>
#include <functional>

namespace th {

using TimerId = std::uint64_t;

class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Milliseconds; wraps to 0 after 2^32 like the Windows tick counter.
  virtual std::uint32_t tick() const = 0;

  // Dispatches every queued call and due timer until none is left, then returns
  // without waiting. Re-entrant: a dispatched handler may call it again.
  virtual void processPendingMessages() = 0;

  // Runs only the queued synchronize() calls: used while the main thread waits
  // for the serial event thread to end.
  virtual void processSynchronizedCalls() = 0;

  // Blocks until a synchronize() call is queued or `ms` milliseconds of real
  // time have passed. Runs nothing, and posted calls and timers do not end it:
  // the wait of a Close that must not run window events.
  virtual void waitForSynchronizedCall(std::uint32_t ms) = 0;

  // Blocks until a message is pending or `ms` milliseconds have passed.
  virtual void waitForMessage(std::uint32_t ms) = 0;

  // Queues a call for the main thread; safe from any thread.
  virtual void post(std::function<void()> call) = 0;

  // From another thread: queues the call and blocks until the main thread has
  // run it; an exception it raised is rethrown here. On the main thread it runs
  // the call directly.
  virtual void synchronize(std::function<void()> call) = 0;

  // Timers fire as messages; a repeating timer's next tick is `intervalMs`
  // after the previous one was dispatched.
  virtual TimerId startTimer(std::uint32_t intervalMs, bool repeating,
                             std::function<void()> onTimeout) = 0;
  virtual void stopTimer(TimerId id) = 0;

  // Runs the outermost loop until quit(); nested processing ignores quit.
  virtual void run() = 0;
  virtual void quit() = 0;
  virtual bool quitRequested() const = 0;

  // Exceptions escaping a dispatched call or timer go here (the application's
  // last-resort handler). Without one they propagate out of the dispatch.
  using ExceptionHandler = std::function<void(std::exception_ptr)>;
  virtual void setExceptionHandler(ExceptionHandler handler) = 0;
};

}  // namespace th
