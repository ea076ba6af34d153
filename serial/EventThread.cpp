#include "serial/EventThread.h"

#include "platform/EventLoop.h"

namespace th {

EventThread::EventThread(EventLoop& loop, std::unique_ptr<DeviceWatcher> watcher, Handlers handlers)
    : loop_(loop), watcher_(std::move(watcher)), handlers_(std::move(handlers)) {
  // Last, so that everything above is complete before run() begins.
  thread_ = std::thread([this] { run(); });
}

EventThread::~EventThread() {
  stop();
  unsigned handedOver = 0;
  {
    std::lock_guard lock(handOverLock_);
    handedOver = handedOver_;  // final: no hand-over begins after stop
  }
  // A hand-over already queued blocks the thread until the main thread runs
  // it: run it here, with the port still open. Only synchronized calls run;
  // window events wait until Close has returned.
  while (run_ < handedOver && !ended()) {
    loop_.processSynchronizedCalls();
    if (run_ < handedOver && !ended()) {
      loop_.waitForSynchronizedCall(1000);
    }
  }
  thread_.join();
}

void EventThread::stop() {
  // Also a thread that Close leaves behind while its own notification runs
  // must hand nothing more to the main thread, which may have opened the port
  // again meanwhile.
  {
    std::lock_guard lock(handOverLock_);
    stopping_ = true;
  }
  watcher_->stop();
}

void EventThread::run() {
  NameCurrentThread(kName);
  systemThreadId_.store(CurrentThreadId());
  for (;;) {
    const DeviceWatcher::Event event = watcher_->wait();
    if (event == DeviceWatcher::Event::End) {
      break;
    }
    // A hang-up (unplugged adapter, closed far end) ends the thread: the
    // device would report it again on every wait.
    if (event == DeviceWatcher::Event::Hangup) {
      handOverHangup(watcher_->error());
      break;
    }
    if (event == DeviceWatcher::Event::CarrierLost) {
      if (!handOverHangup(0)) {
        break;
      }
      continue;
    }
    if (!handOver(handlers_.arrival)) {
      break;
    }
  }
  ended_.store(true, std::memory_order_release);
}

bool EventThread::handOverHangup(int error) {
  // Bytes may have come with the hang-up, or be left from an earlier batch:
  // this is the receive path's last chance to read them. On a device that
  // refuses every call once hung up the batch fails; the hang-up is still
  // reported.
  const bool read = handOver(handlers_.arrival);
  return handOver([this, error] { handlers_.hangup(error); }) && read;
}

bool EventThread::handOver(const std::function<void()>& call) {
  {
    std::lock_guard lock(handOverLock_);
    if (stopping_) {
      return false;
    }
    ++handedOver_;
  }
  try {
    loop_.synchronize([this, &call] {
      ++run_;
      call();
    });
  } catch (...) {
    // Notifications end until the port is opened again; nothing is shown.
    return false;
  }
  return true;
}

}  // namespace th
