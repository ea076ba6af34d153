#pragma once
// The tool's event loop on Linux, on Qt. Create it after the QApplication. Calls and
// timers run on the thread that created it (the GUI thread); an exception that
// escapes one goes to the handler, never through Qt's event dispatch.
#include <QObject>
#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "platform/EventLoop.h"
#include "platform/ExceptionRoute.h"
#include "platform/SynchronizedCall.h"

namespace th {

class QtEventLoop;

namespace detail {
// Lives in the GUI thread and receives the loop's Qt timer events.
class QtLoopReceiver : public QObject {
 public:
  explicit QtLoopReceiver(QtEventLoop& loop) : loop_(loop) {}

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  QtEventLoop& loop_;
};
}  // namespace detail

class QtEventLoop : public EventLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;
  QtEventLoop(const QtEventLoop&) = delete;
  QtEventLoop& operator=(const QtEventLoop&) = delete;

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

  // Runs fn as a dispatched call: an exception goes to the handler of the
  // loop that exists (the window's click and close handlers use this). With
  // no loop or no handler the exception is kept and rethrown by run().
  static void runGuarded(const std::function<void()>& fn);

 private:
  friend class detail::QtLoopReceiver;
  struct Timer {
    int qtId;  // 0 while its call runs
    std::uint32_t interval;
    bool repeating;
    std::function<void()> fn;
  };

  void dispatch(const std::function<void()>& fn);
  void onQtTimer(int qtId);
  void rethrowUnhandled();

  const std::thread::id mainThread_;
  detail::QtLoopReceiver receiver_;
  SynchronizedCallQueue syncCalls_;
  std::map<TimerId, Timer> timers_;
  std::map<int, TimerId> byQtId_;
  std::set<int> wakeTimers_;
  TimerId nextTimer_ = 1;
  std::atomic<bool> quit_ = false;
  ExceptionRoute exceptions_;
};

}  // namespace th
