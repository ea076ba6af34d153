#pragma once
// Event loop without Qt. With the virtual clock, time advances only inside
// waitForMessage() and run(), straight to the next timer or the end of the wait,
// so long timed sequences run in microseconds and identically every time. With
// the steady clock it is a real loop for threads and tools that do not use Qt.
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/EventLoop.h"

namespace th {

class BasicEventLoop : public EventLoop {
 public:
  enum class Clock { Virtual, Steady };
  explicit BasicEventLoop(Clock clock = Clock::Virtual, std::uint32_t startTick = 1000);
  ~BasicEventLoop() override;

  std::uint32_t tick() const override;
  void processPendingMessages() override;
  void processSynchronizedCalls() override;
  void waitForSynchronizedCall(std::uint32_t ms) override;
  void waitForMessage(std::uint32_t ms) override;
  void post(std::function<void()> call) override;
  void synchronize(std::function<void()> call) override;
  TimerId startTimer(std::uint32_t intervalMs, bool repeating,
                     std::function<void()> onTimeout) override;
  void stopTimer(TimerId id) override;
  void run() override;
  void quit() override;
  bool quitRequested() const override;
  void setExceptionHandler(ExceptionHandler handler) override;

  // Virtual time since construction, in ms (64 bits, no wrap).
  std::uint64_t elapsed() const;
  // Virtual clock only: lets time pass as if the loop had waited, firing nothing.
  void advance(std::uint64_t ms);
  // run() with the virtual clock returns when nothing can ever happen again;
  // this tells whether that was the reason.
  bool stalled() const { return stalled_; }
  // Bounds run() in virtual time so a broken test cannot run forever.
  void setVirtualTimeLimit(std::uint64_t ms) { virtualLimit_ = ms; }

 private:
  struct Call {
    std::function<void()> fn;
    bool synchronized = false;
    std::exception_ptr* error = nullptr;
    bool* done = nullptr;
  };
  struct Timer {
    std::uint64_t due;  // kNotArmed while a repeating timer's own call runs
    std::uint32_t interval;
    bool repeating;
    std::function<void()> fn;
    std::uint64_t nextDue = 0;  // its due once that call has returned
  };
  static constexpr std::uint64_t kNotArmed = ~std::uint64_t{0};

  std::uint64_t nowMs() const;
  bool takeCall(Call& call, bool synchronizedOnly);
  bool takeDueTimer(const std::vector<TimerId>& skip, TimerId& id, std::function<void()>& fn);
  void rearm(TimerId id);
  void runCall(Call& call);
  void dispatch(const std::function<void()>& fn);
  bool somethingPendingLocked() const;
  bool synchronizedPendingLocked() const;

  const Clock clock_;
  const std::uint32_t startTick_;
  const std::thread::id mainThread_;
  const std::chrono::steady_clock::time_point steadyStart_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable callDone_;
  std::deque<Call> calls_;
  std::map<TimerId, Timer> timers_;
  TimerId nextTimer_ = 1;
  std::uint64_t virtualNow_ = 0;
  std::uint64_t virtualLimit_ = ~std::uint64_t{0};
  bool quit_ = false;
  bool stalled_ = false;
  ExceptionHandler handler_;
};

}  // namespace th
