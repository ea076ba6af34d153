#include "platform/qt/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimerEvent>
#include <cstdio>

#include "platform/SynchronizedCall.h"

namespace th {

namespace {
QtEventLoop* current = nullptr;  // the loop of the GUI thread, for runGuarded
}  // namespace

void detail::QtLoopReceiver::timerEvent(QTimerEvent* event) {
  loop_.onQtTimer(event->timerId());
}

QtEventLoop::QtEventLoop() : mainThread_(std::this_thread::get_id()), receiver_(*this) {
  current = this;
}

QtEventLoop::~QtEventLoop() {
  if (current == this) {
    current = nullptr;
  }
}

std::uint32_t QtEventLoop::tick() const {
  // Milliseconds since boot, wrapping at 2^32 like GetTickCount.
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint32_t>(ms.count());
}

void QtEventLoop::dispatch(const std::function<void()>& fn) {
  if (!exceptions_.run(fn)) {
    quit();
  }
}

void QtEventLoop::runGuarded(const std::function<void()>& fn) {
  if (current != nullptr) {
    current->dispatch(fn);
    return;
  }
  try {
    fn();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tidehaul: unhandled exception: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "tidehaul: unhandled exception\n");
  }
}

void QtEventLoop::rethrowUnhandled() {
  exceptions_.rethrowKept();
}

void QtEventLoop::processPendingMessages() {
  processSynchronizedCalls();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  processSynchronizedCalls();
  rethrowUnhandled();
}

void QtEventLoop::processSynchronizedCalls() {
  syncCalls_.runAll();
}

void QtEventLoop::waitForSynchronizedCall(std::uint32_t ms) {
  // Waits beside Qt's dispatcher, not in it: processing Qt events here would
  // run posted calls and timers too.
  syncCalls_.waitForCall(ms);
}

void QtEventLoop::waitForMessage(std::uint32_t ms) {
  if (ms == 0) {
    return;
  }
  if (!syncCalls_.empty()) {
    return;
  }
  // A wake-up timer bounds the wait; any event that arrives first ends it.
  const int wake = receiver_.startTimer(std::chrono::milliseconds(ms), Qt::PreciseTimer);
  wakeTimers_.insert(wake);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (wakeTimers_.erase(wake) != 0) {
    receiver_.killTimer(wake);
  }
  rethrowUnhandled();
}

void QtEventLoop::post(std::function<void()> call) {
  QMetaObject::invokeMethod(
      &receiver_, [this, call = std::move(call)] { dispatch(call); }, Qt::QueuedConnection);
}

void QtEventLoop::synchronize(std::function<void()> call) {
  if (std::this_thread::get_id() == mainThread_) {
    call();
    return;
  }
  syncCalls_.call(std::move(call), [this] {
    QMetaObject::invokeMethod(
        &receiver_, [this] { processSynchronizedCalls(); }, Qt::QueuedConnection);
  });
}

TimerId QtEventLoop::startTimer(std::uint32_t intervalMs, bool repeating,
                                std::function<void()> onTimeout) {
  const TimerId id = nextTimer_++;
  const int qtId = receiver_.startTimer(std::chrono::milliseconds(intervalMs), Qt::PreciseTimer);
  timers_.emplace(id, Timer{qtId, intervalMs, repeating, std::move(onTimeout)});
  byQtId_.emplace(qtId, id);
  return id;
}

void QtEventLoop::stopTimer(TimerId id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) {
    return;
  }
  if (it->second.qtId != 0) {
    receiver_.killTimer(it->second.qtId);
    byQtId_.erase(it->second.qtId);
  }
  timers_.erase(it);
}

void QtEventLoop::onQtTimer(int qtId) {
  if (wakeTimers_.erase(qtId) != 0) {
    receiver_.killTimer(qtId);
    return;
  }
  auto q = byQtId_.find(qtId);
  if (q == byQtId_.end()) {
    return;
  }
  const TimerId id = q->second;
  byQtId_.erase(q);
  // Qt timers repeat on their own; ours are re-armed after the call so that the
  // next tick comes a full interval after this one was handled.
  receiver_.killTimer(qtId);
  auto it = timers_.find(id);
  if (it == timers_.end()) {
    return;
  }
  std::function<void()> fn = it->second.fn;
  if (!it->second.repeating) {
    timers_.erase(it);
    dispatch(fn);
    return;
  }
  it->second.qtId = 0;
  dispatch(fn);
  it = timers_.find(id);
  if (it == timers_.end() || it->second.qtId != 0) {
    return;  // stopped meanwhile
  }
  it->second.qtId =
      receiver_.startTimer(std::chrono::milliseconds(it->second.interval), Qt::PreciseTimer);
  byQtId_.emplace(it->second.qtId, id);
}

void QtEventLoop::run() {
  if (!quit_) {
    QCoreApplication::exec();
  }
  rethrowUnhandled();
}

void QtEventLoop::quit() {
  quit_ = true;
  // Ends the outermost loop; nested processEvents() calls are not loops and go on.
  if (std::this_thread::get_id() == mainThread_) {
    QCoreApplication::exit(0);
  } else {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  }
}

bool QtEventLoop::quitRequested() const {
  return quit_;
}

void QtEventLoop::setExceptionHandler(ExceptionHandler handler) {
  exceptions_.setHandler(std::move(handler));
}

}  // namespace th
