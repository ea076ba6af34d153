// The Win32 event loop: the contract of every loop, and what is its own.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win/WinApi.h"
#include "platform/win/WinEventLoop.h"
#include "tests/platform/EventLoopContract.h"

namespace th::test {

struct WinLoopMaker {
  using Loop = WinEventLoop;
  static std::unique_ptr<Loop> make() { return std::make_unique<WinEventLoop>(); }
};
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, EventLoopContract, WinLoopMaker);

namespace {

TEST(WinEventLoop, TickIsTheSystemTickCounter) {
  WinEventLoop loop;
  const std::uint32_t before = ::GetTickCount();
  const std::uint32_t tick = loop.tick();
  EXPECT_LE(tick - before, 50u);
}

TEST(WinEventLoop, RepeatingTimerDoesNotFireInsideItsOwnCall) {
  // The next tick comes an interval after the call, so a call that waits
  // (and processes messages) is never entered twice.
  WinEventLoop loop;
  int depth = 0;
  int maxDepth = 0;
  int calls = 0;
  const TimerId id = loop.startTimer(5, true, [&] {
    ++depth;
    ++calls;
    maxDepth = std::max(maxDepth, depth);
    const std::uint32_t start = loop.tick();
    while (loop.tick() - start < 60) {
      loop.processPendingMessages();
      loop.waitForMessage(5);
    }
    --depth;
  });
  const std::uint32_t start = loop.tick();
  while (calls < 3 && loop.tick() - start < 3000) {
    loop.processPendingMessages();
    loop.waitForMessage(10);
  }
  loop.stopTimer(id);
  EXPECT_GE(calls, 3);
  EXPECT_EQ(maxDepth, 1);
}

TEST(WinEventLoop, WithoutHandlerAnExceptionEndsTheLoopAndLeavesRun) {
  WinEventLoop loop;
  loop.post([] { throw std::runtime_error("lost"); });
  EXPECT_THROW(loop.run(), std::runtime_error);
  EXPECT_TRUE(loop.quitRequested());
}

// Messages of the thread's other windows (the main window of part two) are
// dispatched by the same processing.
TEST(WinEventLoop, OtherWindowsMessagesAreDispatchedToo) {
  WinEventLoop loop;
  static int received = 0;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_APP + 7) {
      ++received;
      return 0;
    }
    return ::DefWindowProcW(w, m, wp, lp);
  };
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TidehaulLoopTestWindow";
  ::RegisterClassExW(&windowClass);
  HWND window = ::CreateWindowExW(0, L"TidehaulLoopTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_APP + 7, 0, 0);
  loop.waitForMessage(1000);
  loop.processPendingMessages();
  EXPECT_EQ(received, 1);
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace th::test
