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

// The work before a wait runs at every wait, and the time it returns ends the
// wait early; the caller's own limit still holds.
TEST(WinEventLoop, WorkBeforeAWaitRunsAndShortensIt) {
  WinEventLoop loop;
  int runs = 0;
  loop.setBeforeWait([&runs] {
    ++runs;
    return std::uint32_t{30};
  });
  DWORD start = ::GetTickCount();
  loop.waitForMessage(5000);
  EXPECT_EQ(runs, 1);
  EXPECT_LT(::GetTickCount() - start, 1000U);
  loop.setBeforeWait([&runs] {
    ++runs;
    return INFINITE;
  });
  start = ::GetTickCount();
  loop.waitForMessage(40);
  EXPECT_EQ(runs, 2);
  EXPECT_GE(::GetTickCount() - start, 30U);
  loop.setBeforeWait({});
  loop.waitForMessage(1);
  EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace th::test
