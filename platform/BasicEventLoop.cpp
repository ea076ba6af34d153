#include "platform/BasicEventLoop.h"

#include <algorithm>
#include <stdexcept>

#include "platform/SynchronizedCall.h"

namespace th {

BasicEventLoop::BasicEventLoop(Clock clock, std::uint32_t startTick)
    : clock_(clock),
      startTick_(startTick),
      mainThread_(std::this_thread::get_id()),
      steadyStart_(std::chrono::steady_clock::now()) {}

BasicEventLoop::~BasicEventLoop() {
  // Release any thread still blocked in synchronize().
  std::lock_guard lock(mutex_);
  for (auto& call : calls_) {
    if (call.synchronized) {
      *call.error = std::make_exception_ptr(std::runtime_error("event loop destroyed"));
      *call.done = true;
    }
  }
  calls_.clear();
  callDone_.notify_all();
}

std::uint64_t BasicEventLoop::nowMs() const {
  if (clock_ == Clock::Virtual) {
    return virtualNow_;
  }
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - steadyStart_)
                                        .count());
}

std::uint64_t BasicEventLoop::elapsed() const {
  std::lock_guard lock(mutex_);
  return nowMs();
}

std::uint32_t BasicEventLoop::tick() const {
  std::lock_guard lock(mutex_);
  return static_cast<std::uint32_t>(startTick_ + nowMs());
}

void BasicEventLoop::advance(std::uint64_t ms) {
  std::lock_guard lock(mutex_);
  if (clock_ == Clock::Virtual) {
    virtualNow_ += ms;
  }
}

bool BasicEventLoop::takeCall(Call& call, bool synchronizedOnly) {
  std::lock_guard lock(mutex_);
  for (auto it = calls_.begin(); it != calls_.end(); ++it) {
    if (!synchronizedOnly || it->synchronized) {
      call = std::move(*it);
      calls_.erase(it);
      return true;
    }
  }
  return false;
}

// A repeating timer is not armed while its own call runs, as in the system
// loops: a call that waits (and processes messages) is never entered twice.
// Its next due is reckoned from when it fired, so one that ran late fires again
// as soon as its call returns, in the next round of processing (each round
// fires a timer once, so a round always ends).
bool BasicEventLoop::takeDueTimer(const std::vector<TimerId>& skip, TimerId& id,
                                  std::function<void()>& fn) {
  std::lock_guard lock(mutex_);
  const std::uint64_t now = nowMs();
  auto best = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.due <= now && (best == timers_.end() || it->second.due < best->second.due) &&
        std::find(skip.begin(), skip.end(), it->first) == skip.end()) {
      best = it;
    }
  }
  if (best == timers_.end()) {
    return false;
  }
  id = best->first;
  fn = best->second.fn;
  if (best->second.repeating) {
    best->second.nextDue = now + best->second.interval;
    best->second.due = kNotArmed;
  } else {
    timers_.erase(best);
  }
  return true;
}

void BasicEventLoop::rearm(TimerId id) {
  std::lock_guard lock(mutex_);
  const auto it = timers_.find(id);
  if (it != timers_.end() && it->second.due == kNotArmed) {
    it->second.due = it->second.nextDue;
  }
}

void BasicEventLoop::dispatch(const std::function<void()>& fn) {
  if (!handler_) {
    // Nobody takes an exception: it ends the loop on its way out of it.
    try {
      fn();
    } catch (...) {
      quit();
      throw;
    }
    return;
  }
  try {
    fn();
  } catch (...) {
    handler_(std::current_exception());
  }
}

void BasicEventLoop::runCall(Call& call) {
  if (!call.synchronized) {
    dispatch(call.fn);
    return;
  }
  RunForWaitingThread(call.fn, *call.error, *call.done, mutex_, callDone_);
}

void BasicEventLoop::processPendingMessages() {
  std::vector<TimerId> fired;
  for (;;) {
    Call call;
    if (takeCall(call, false)) {
      runCall(call);
      continue;
    }
    TimerId id = 0;
    std::function<void()> timer;
    if (takeDueTimer(fired, id, timer)) {
      fired.push_back(id);
      struct Rearm {
        BasicEventLoop& loop;
        TimerId id;
        ~Rearm() { loop.rearm(id); }
      } rearm{*this, id};
      dispatch(timer);
      continue;
    }
    return;
  }
}

void BasicEventLoop::processSynchronizedCalls() {
  Call call;
  while (takeCall(call, true)) {
    runCall(call);
  }
}

bool BasicEventLoop::synchronizedPendingLocked() const {
  for (const auto& call : calls_) {
    if (call.synchronized) {
      return true;
    }
  }
  return false;
}

void BasicEventLoop::waitForSynchronizedCall(std::uint32_t ms) {
  // The calling thread is real on either clock, so this wait is in real time.
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms),
                 [this] { return synchronizedPendingLocked(); });
}

bool BasicEventLoop::somethingPendingLocked() const {
  if (!calls_.empty()) {
    return true;
  }
  const std::uint64_t now = nowMs();
  for (const auto& [id, timer] : timers_) {
    if (timer.due <= now) {
      return true;
    }
  }
  return false;
}

void BasicEventLoop::waitForMessage(std::uint32_t ms) {
  std::unique_lock lock(mutex_);
  if (somethingPendingLocked()) {
    return;
  }
  std::uint64_t until = nowMs() + ms;
  for (const auto& [id, timer] : timers_) {
    until = std::min(until, timer.due);
  }
  if (clock_ == Clock::Virtual) {
    virtualNow_ = std::max(virtualNow_, until);
    return;
  }
  const auto deadline = steadyStart_ + std::chrono::milliseconds(until);
  wake_.wait_until(lock, deadline, [this] { return !calls_.empty(); });
}

void BasicEventLoop::post(std::function<void()> call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(Call{std::move(call), false, nullptr, nullptr});
  wake_.notify_all();
}

void BasicEventLoop::synchronize(std::function<void()> call) {
  if (std::this_thread::get_id() == mainThread_) {
    call();
    return;
  }
  std::exception_ptr error;
  bool done = false;
  std::unique_lock lock(mutex_);
  calls_.push_back(Call{std::move(call), true, &error, &done});
  wake_.notify_all();
  callDone_.wait(lock, [&] { return done; });
  lock.unlock();
  if (error) {
    std::rethrow_exception(error);
  }
}

TimerId BasicEventLoop::startTimer(std::uint32_t intervalMs, bool repeating,
                                   std::function<void()> onTimeout) {
  std::lock_guard lock(mutex_);
  const TimerId id = nextTimer_++;
  timers_.emplace(id, Timer{nowMs() + intervalMs, intervalMs, repeating, std::move(onTimeout)});
  wake_.notify_all();
  return id;
}

void BasicEventLoop::stopTimer(TimerId id) {
  std::lock_guard lock(mutex_);
  timers_.erase(id);
}

void BasicEventLoop::run() {
  stalled_ = false;
  for (;;) {
    processPendingMessages();
    std::unique_lock lock(mutex_);
    if (quit_) {
      return;
    }
    if (clock_ == Clock::Virtual) {
      if (somethingPendingLocked()) {
        continue;
      }
      if (timers_.empty() || virtualNow_ >= virtualLimit_) {
        stalled_ = true;
        return;
      }
      std::uint64_t next = timers_.begin()->second.due;
      for (const auto& [id, timer] : timers_) {
        next = std::min(next, timer.due);
      }
      virtualNow_ = std::min(std::max(virtualNow_, next), virtualLimit_);
      continue;
    }
    lock.unlock();
    waitForMessage(1000);
  }
}

void BasicEventLoop::quit() {
  std::lock_guard lock(mutex_);
  quit_ = true;
  wake_.notify_all();
}

bool BasicEventLoop::quitRequested() const {
  std::lock_guard lock(mutex_);
  return quit_;
}

void BasicEventLoop::setExceptionHandler(ExceptionHandler handler) {
  handler_ = std::move(handler);
}

}  // namespace th
