#pragma once
// The tool's event loop on Windows: a Win32 message loop on the thread
// that creates it. Posted calls and the event thread's synchronized calls
// arrive as messages to a message-only window, timers are window timers, and
// waits block in MsgWaitForMultipleObjectsEx. An exception that escapes a call
// goes to the handler, never through the system's message dispatch.
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/EventLoop.h"
#include "platform/ExceptionRoute.h"
#include "platform/SynchronizedCall.h"

namespace th {

class WinEventLoop : public EventLoop {
 public:
  WinEventLoop();
  ~WinEventLoop() override;
  WinEventLoop(const WinEventLoop&) = delete;
  WinEventLoop& operator=(const WinEventLoop&) = delete;

  // GetTickCount.
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

  // Runs fn as a dispatched call: an exception goes to the handler. Window
  // procedures run their handlers through this, so that nothing is thrown
  // through the system's message dispatch.
  void runGuarded(const std::function<void()>& fn) { dispatch(fn); }

  // Work done just before each wait (the window shows its pending changes);
  // it returns the milliseconds after which the wait must end to do more, or
  // INFINITE. An empty function removes it.
  void setBeforeWait(std::function<std::uint32_t()> work) { beforeWait_ = std::move(work); }

  // The window procedure's way in; not for other callers.
  std::intptr_t handleMessage(unsigned message, std::uintptr_t wParam);

 private:
  struct Timer {
    std::uint32_t interval;
    bool repeating;
    bool armed;
    std::function<void()> fn;
  };

  void dispatch(const std::function<void()>& fn);
  void runOnePostedCall();
  void onTimer(TimerId id);
  void wake();
  void rethrowUnhandled();

  const std::thread::id mainThread_;
  void* window_ = nullptr;  // HWND of the message-only window
  std::mutex mutex_;        // guards calls_
  SynchronizedCallQueue syncCalls_;
  std::deque<std::function<void()>> calls_;
  std::map<TimerId, Timer> timers_;
  TimerId nextTimer_ = 1;
  std::function<std::uint32_t()> beforeWait_;
  std::atomic<bool> quit_ = false;
  ExceptionRoute exceptions_;
};

}  // namespace th
