#pragma once
// The main thread's half of synchronize(), shared by the event loops.
#include <condition_variable>
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

}  // namespace th
