#include "platform/SynchronizedCall.h"

#include <chrono>
#include <stdexcept>

namespace th {

SynchronizedCallQueue::~SynchronizedCallQueue() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (auto& entry : calls_) {
    *entry.error = std::make_exception_ptr(std::runtime_error("event loop destroyed"));
    *entry.done = true;
  }
  calls_.clear();
  done_.notify_all();
}

void SynchronizedCallQueue::call(std::function<void()> call, const std::function<void()>& wake) {
  std::exception_ptr error;
  bool done = false;
  std::unique_lock lock(mutex_);
  if (closed_) {
    throw std::runtime_error("event loop destroyed");
  }
  calls_.push_back(Entry{std::move(call), &error, &done});
  queued_.notify_all();
  // Roused with the lock released: the main thread's first act is to take it,
  // and it would otherwise wake only to sleep again until this thread waits.
  // It may also take the call first, in runAll() or a wait.
  lock.unlock();
  wake();
  lock.lock();
  done_.wait(lock, [&] { return done; });
  lock.unlock();
  if (error) {
    std::rethrow_exception(error);
  }
}

void SynchronizedCallQueue::runAll() {
  for (;;) {
    Entry entry;
    {
      std::lock_guard lock(mutex_);
      if (calls_.empty()) {
        return;
      }
      entry = std::move(calls_.front());
      calls_.pop_front();
    }
    RunForWaitingThread(entry.fn, *entry.error, *entry.done, mutex_, done_);
  }
}

void SynchronizedCallQueue::waitForCall(std::uint32_t ms) {
  std::unique_lock lock(mutex_);
  queued_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !calls_.empty(); });
}

bool SynchronizedCallQueue::empty() const {
  std::lock_guard lock(mutex_);
  return calls_.empty();
}

}  // namespace th
