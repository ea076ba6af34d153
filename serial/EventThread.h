#pragma once
// A port's event thread. It sleeps in the system's wait on the device
// (DeviceWatcher) and hands each arrival to the main thread through the event
// loop's synchronize, blocking until the main thread has run it. When the
// device hangs up it hands over a last arrival and the hang-up, then ends;
// when the carrier drops it hands over the same and goes on (a modem still
// talks after it).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "serial/DeviceWatcher.h"

namespace th {

class EventLoop;

class EventThread {
 public:
  // What the main thread runs for the thread; an exception from either ends
  // the thread without being shown, and the port stays open.
  struct Handlers {
    std::function<void()> arrival;
    // With the system's code of the failure, 0 when it gave none.
    std::function<void(int error)> hangup;
  };

  // Starts waiting on `watcher` at once.
  EventThread(EventLoop& loop, std::unique_ptr<DeviceWatcher> watcher, Handlers handlers);
  // Stops the thread and waits for its end, running on this (the main)
  // thread a hand-over that it has already queued, and nothing else.
  ~EventThread();
  EventThread(const EventThread&) = delete;
  EventThread& operator=(const EventThread&) = delete;

  // Asks the thread to end; from now on it hands nothing to the main thread.
  void stop();
  // Bytes were sent: a reply may come soon (see DeviceWatcher::sent).
  void sent() { watcher_->sent(); }
  bool ended() const { return ended_.load(std::memory_order_acquire); }
  // Waits the system was asked for (DeviceWatcher::waits).
  std::uint64_t waits() const { return watcher_->waits(); }
  // The thread, for CPU-time measurements.
  std::thread::native_handle_type nativeHandle() { return thread_.native_handle(); }
  // The system's id of the thread once it runs (0 before), for the same.
  std::uint64_t systemThreadId() const { return systemThreadId_.load(); }

  // The name the thread carries in the system's tools.
  static constexpr const char* kName = "serial-events";

 private:
  void run();
  // Runs `call` on the main thread and waits for it; false, without running
  // it, once a stop was asked for, and false when the call threw.
  bool handOver(const std::function<void()>& call);
  // The line ended: what arrived before it is read first, then the port
  // hears of it. False when the thread must end (see handOver).
  bool handOverHangup(int error);

  EventLoop& loop_;
  std::unique_ptr<DeviceWatcher> watcher_;
  Handlers handlers_;
  std::atomic<std::uint64_t> systemThreadId_{0};
  std::atomic<bool> ended_{false};
  // Guards stopping_ and handedOver_: after stop no hand-over begins, so the
  // main thread knows how many it still has to run before the thread ends.
  std::mutex handOverLock_;
  bool stopping_ = false;
  unsigned handedOver_ = 0;
  // Hand-overs the main thread has begun to run; touched on the main thread only.
  unsigned run_ = 0;
  std::thread thread_;
};

}  // namespace th
