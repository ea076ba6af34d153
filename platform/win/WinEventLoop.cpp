#include "platform/win/WinEventLoop.h"

#include <algorithm>
#include <stdexcept>

#include "platform/SynchronizedCall.h"
#include "platform/win/WinApi.h"

namespace th {

namespace {

// One message per posted call; one to wake the loop for a synchronized call
// or a quit request.
constexpr UINT kPostedCall = WM_APP + 1;
constexpr UINT kWake = WM_APP + 2;
constexpr wchar_t kClassName[] = L"TidehaulEventLoop";

LRESULT CALLBACK LoopWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* loop = FromInteger<WinEventLoop*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (loop != nullptr && (message == kPostedCall || message == kWake || message == WM_TIMER)) {
    return static_cast<LRESULT>(loop->handleMessage(message, wParam));
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = LoopWindowProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("event loop: RegisterClassExW failed");
  }
  HWND window = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    throw std::runtime_error("event loop: CreateWindowExW failed");
  }
  return window;
}

}  // namespace

WinEventLoop::WinEventLoop() : mainThread_(std::this_thread::get_id()) {
  HWND window = MakeWindow();
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  window_ = window;
}

WinEventLoop::~WinEventLoop() {
  HWND window = static_cast<HWND>(window_);
  for (const auto& [id, timer] : timers_) {
    ::KillTimer(window, static_cast<UINT_PTR>(id));
  }
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
}

std::uint32_t WinEventLoop::tick() const {
  return ::GetTickCount();
}

void WinEventLoop::wake() {
  ::PostMessageW(static_cast<HWND>(window_), kWake, 0, 0);
}

void WinEventLoop::dispatch(const std::function<void()>& fn) {
  if (!exceptions_.run(fn)) {
    quit();
  }
}

void WinEventLoop::rethrowUnhandled() {
  exceptions_.rethrowKept();
}

std::intptr_t WinEventLoop::handleMessage(unsigned message, std::uintptr_t wParam) {
  if (message == kPostedCall) {
    runOnePostedCall();
  } else if (message == kWake) {
    processSynchronizedCalls();
  } else if (message == WM_TIMER) {
    onTimer(static_cast<TimerId>(wParam));
  }
  return 0;
}

void WinEventLoop::runOnePostedCall() {
  std::function<void()> call;
  {
    std::lock_guard lock(mutex_);
    if (calls_.empty()) {
      return;
    }
    call = std::move(calls_.front());
    calls_.pop_front();
  }
  dispatch(call);
}

void WinEventLoop::processPendingMessages() {
  processSynchronizedCalls();
  MSG msg{};
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (msg.message == WM_QUIT) {
      continue;  // the loop ends by quit(), not by the system's quit message
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    rethrowUnhandled();
  }
  processSynchronizedCalls();
  rethrowUnhandled();
}

void WinEventLoop::processSynchronizedCalls() {
  syncCalls_.runAll();
}

void WinEventLoop::waitForSynchronizedCall(std::uint32_t ms) {
  // Beside the message queue, not in it: taking messages here would run
  // posted calls and timers too.
  syncCalls_.waitForCall(ms);
}

void WinEventLoop::waitForMessage(std::uint32_t ms) {
  if (!syncCalls_.empty()) {
    return;
  }
  DWORD wait = ms;
  if (beforeWait_) {
    std::uint32_t until = INFINITE;
    dispatch([this, &until] { until = beforeWait_(); });
    wait = std::min<DWORD>(wait, until);
  }
  // Posted calls, synchronized calls and quit requests all post a message, and
  // due timers count as input: any of them ends the wait.
  ::MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void WinEventLoop::post(std::function<void()> call) {
  {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  ::PostMessageW(static_cast<HWND>(window_), kPostedCall, 0, 0);
}

void WinEventLoop::synchronize(std::function<void()> call) {
  if (std::this_thread::get_id() == mainThread_) {
    call();
    return;
  }
  syncCalls_.call(std::move(call), [this] { wake(); });
}

TimerId WinEventLoop::startTimer(std::uint32_t intervalMs, bool repeating,
                                 std::function<void()> onTimeout) {
  const TimerId id = nextTimer_++;
  timers_.emplace(id, Timer{intervalMs, repeating, true, std::move(onTimeout)});
  ::SetTimer(static_cast<HWND>(window_), static_cast<UINT_PTR>(id), intervalMs, nullptr);
  return id;
}

void WinEventLoop::stopTimer(TimerId id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) {
    return;
  }
  if (it->second.armed) {
    ::KillTimer(static_cast<HWND>(window_), static_cast<UINT_PTR>(id));
  }
  timers_.erase(it);
}

void WinEventLoop::onTimer(TimerId id) {
  HWND window = static_cast<HWND>(window_);
  // Window timers repeat on their own; ours are re-armed after the call so
  // that the next tick comes a full interval after this one was handled, and
  // a call that waits is never entered again by its own timer.
  ::KillTimer(window, static_cast<UINT_PTR>(id));
  auto it = timers_.find(id);
  if (it == timers_.end() || !it->second.armed) {
    return;
  }
  std::function<void()> fn = it->second.fn;
  if (!it->second.repeating) {
    timers_.erase(it);
    dispatch(fn);
    return;
  }
  it->second.armed = false;
  dispatch(fn);
  it = timers_.find(id);
  if (it == timers_.end() || it->second.armed) {
    return;  // stopped meanwhile
  }
  it->second.armed = true;
  ::SetTimer(window, static_cast<UINT_PTR>(id), it->second.interval, nullptr);
}

void WinEventLoop::run() {
  while (!quit_) {
    processPendingMessages();
    if (quit_) {
      break;
    }
    waitForMessage(INFINITE);
  }
  rethrowUnhandled();
}

void WinEventLoop::quit() {
  quit_ = true;
  wake();
}

bool WinEventLoop::quitRequested() const {
  return quit_;
}

void WinEventLoop::setExceptionHandler(ExceptionHandler handler) {
  exceptions_.setHandler(std::move(handler));
}

}  // namespace th
