#pragma once
// The main thread's half of synchronize(), shared by the event loops.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

namespace th {

// Runs a call for a thread blocked in synchronize(): whatever the call raises is
// handed back through `error`, then `done` releases the waiting thread.
inline void RunForWaitingThread(const std::function<void()>& call, std::exception_ptr& error,
                                bool& done, std::mutex& mutex, std::condition_variable& released) {
  std::exception_ptr raised;
  try {
    call();
  } catch (...) {
    raised = std::current_exception();
  }
  std::lock_guard lock(mutex);
  error = raised;
  done = true;
  released.notify_all();
}

// The calls that other threads hand to the main thread and wait for, for a
// loop whose own queue cannot hold them (the system's message queue): they
// wait beside it, so that the main thread can run them, and only them, while
// it waits for a thread to end.
class SynchronizedCallQueue {
 public:
  SynchronizedCallQueue() = default;
  // Releases every thread still waiting, with an error.
  ~SynchronizedCallQueue();
  SynchronizedCallQueue(const SynchronizedCallQueue&) = delete;
  SynchronizedCallQueue& operator=(const SynchronizedCallQueue&) = delete;

  // On another thread: queues `call`, runs `wake` to rouse the main thread,
  // and blocks until the main thread has run the call; rethrows what it
  // raised. Throws std::runtime_error once the queue is being destroyed.
  void call(std::function<void()> call, const std::function<void()>& wake);
  // On the main thread: runs the queued calls, oldest first.
  void runAll();
  // On the main thread: blocks until a call is queued or `ms` have passed.
  void waitForCall(std::uint32_t ms);
  bool empty() const;

 private:
  struct Entry {
    std::function<void()> fn;
    std::exception_ptr* error = nullptr;
    bool* done = nullptr;
  };

  mutable std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable done_;
  std::deque<Entry> calls_;
  bool closed_ = false;
};

}  // namespace th
