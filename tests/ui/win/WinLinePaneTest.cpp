// The panes of the native window: a logger file's worth of lines without a
// copy and without a repaint per line, following the end while lines arrive,
// sideways scrolling for long lines.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ui/win/LinePane.h"
#include "ui/win/MainWindow.h"
#include "ui/win/WinControls.h"
// clang-format off
#include <psapi.h>
// clang-format on

namespace th {
namespace {

// The private bytes committed (Wine leaves PrivateUsage at 0; this is the same).
double PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.PagefileUsage);
}

// What the vertical bar holds, whatever it shows.
SCROLLINFO VerticalValues(const LinePane& pane) {
  SCROLLINFO v{};
  v.cbSize = sizeof v;
  v.fMask = SIF_ALL;
  ::GetScrollInfo(pane.handle(), SB_VERT, &v);
  return v;
}

class WinLinePaneTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
  }

  WinLinePaneTest() : window(panes, loop) { window.show(); }

  void pump() {
    loop.processPendingMessages();
    ::UpdateWindow(window.handle());
  }
  // Until the panes have shown their last appends.
  void settle() {
    const DWORD start = ::GetTickCount();
    while ((window.mmoDown1().refreshPending() || window.mmoDown2().refreshPending() ||
            window.mmoRxTemp().refreshPending()) &&
           ::GetTickCount() - start < 2000) {
      loop.waitForMessage(10);
      pump();
    }
  }

  WinEventLoop loop;
  Panes panes;
  MainWindow window;
};

TEST_F(WinLinePaneTest, TwoHundredThousandLinesStayCheapInTimeAndMemory) {
  constexpr int kLines = 200000;
  constexpr std::size_t kLength = 100;
  pump();
  const double before = PrivateBytes();
  const DWORD start = ::GetTickCount();
  for (int i = 0; i < kLines; ++i) {
    std::string line = std::to_string(i);
    line.resize(kLength, ',');
    panes.download1.append(line);
    if (i % 100 == 99) {
      pump();
    }
  }
  pump();
  const DWORD took = ::GetTickCount() - start;
  settle();
  const double payload = static_cast<double>(kLines) * kLength;
  EXPECT_LT(PrivateBytes() - before, 3 * payload);
  // Generous against a busy machine; the benchmark shows the real figure.
  EXPECT_LT(took, 3000U);
  EXPECT_EQ(panes.download1.count(), static_cast<std::size_t>(kLines));
  // The last line is in view.
  const LinePane& pane = window.mmoDown1();
  RECT client{};
  ::GetClientRect(pane.handle(), &client);
  const auto visible = static_cast<std::size_t>(client.bottom / pane.lineHeight());
  EXPECT_EQ(pane.topLine(), kLines - visible);
}

TEST_F(WinLinePaneTest, FollowsTheEndUnlessScrolledAway) {
  LinePane& pane = window.mmoRxTemp();
  for (int i = 0; i < 100; ++i) {
    panes.receiveLog.append("line " + std::to_string(i));
  }
  settle();
  EXPECT_GT(pane.topLine(), 0U);
  // The bar holds the values even where its look did not change.
  const SCROLLINFO v = VerticalValues(pane);
  EXPECT_EQ(v.nMax, 99);
  EXPECT_EQ(static_cast<std::size_t>(v.nPos), pane.topLine());
  SCROLLBARINFO atEnd{};
  atEnd.cbSize = sizeof atEnd;
  ASSERT_TRUE(::GetScrollBarInfo(pane.handle(), OBJID_VSCROLL, &atEnd));
  ::SendMessageW(pane.handle(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(pane.topLine(), 0U);
  SCROLLBARINFO atTop = atEnd;
  ASSERT_TRUE(::GetScrollBarInfo(pane.handle(), OBJID_VSCROLL, &atTop));
  EXPECT_LT(atTop.xyThumbTop, atEnd.xyThumbTop);
  for (int i = 0; i < 100; ++i) {
    panes.receiveLog.append("more");
  }
  settle();
  EXPECT_EQ(pane.topLine(), 0U);  // the reader keeps their place
  ::SendMessageW(pane.handle(), WM_VSCROLL, SB_BOTTOM, 0);
  const std::size_t bottom = pane.topLine();
  panes.receiveLog.append("last");
  settle();
  EXPECT_EQ(pane.topLine(), bottom + 1);
}

TEST_F(WinLinePaneTest, AThumbAtItsSmallestStopsAskingUntilTheReaderScrolls) {
  LinePane& pane = window.mmoRxTemp();
  auto appendAndSettle = [&](int count) {
    for (int i = 0; i < count; ++i) {
      panes.receiveLog.append("line");
    }
    settle();
  };
  auto thumb = [&] {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    ::GetScrollBarInfo(pane.handle(), OBJID_VSCROLL, &info);
    return std::make_pair(info.xyThumbTop, info.xyThumbBottom);
  };
  // A few lines: the thumb still shrinks as lines come.
  appendAndSettle(12);
  EXPECT_FALSE(pane.thumbSettled());
  appendAndSettle(5000);
  ASSERT_TRUE(pane.thumbSettled());
  const auto rested = thumb();
  appendAndSettle(5000);
  EXPECT_TRUE(pane.thumbSettled());
  // The bar holds every new value; where the system puts the thumb is unchanged.
  const SCROLLINFO v = VerticalValues(pane);
  EXPECT_EQ(v.nMax, 10011);
  EXPECT_EQ(static_cast<std::size_t>(v.nPos), pane.topLine());
  EXPECT_EQ(thumb(), rested);
  ::SendMessageW(pane.handle(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_FALSE(pane.thumbSettled());
  ::SendMessageW(pane.handle(), WM_VSCROLL, SB_BOTTOM, 0);
  appendAndSettle(1);
  EXPECT_TRUE(pane.thumbSettled());
  panes.receiveLog.clear();
  appendAndSettle(12);
  EXPECT_FALSE(pane.thumbSettled());
}

TEST_F(WinLinePaneTest, LongLineStaysOneLineAndScrollsSideways) {
  LinePane& pane = window.mmoDown2();
  panes.download2.append(std::string(5000, 'x'));
  panes.download2.append("short");
  settle();
  EXPECT_EQ(panes.download2.count(), 2U);
  RECT client{};
  ::GetClientRect(pane.handle(), &client);
  EXPECT_GT(pane.contentWidth(), 20 * client.right);
  SCROLLINFO h{};
  h.cbSize = sizeof h;
  h.fMask = SIF_RANGE;
  ::GetScrollInfo(pane.handle(), SB_HORZ, &h);
  EXPECT_GE(h.nMax, pane.contentWidth());
  ::SendMessageW(pane.handle(), WM_HSCROLL, SB_RIGHT, 0);
  EXPECT_GT(pane.horizontalOffset(), 0);
  panes.download2.clear();
  settle();
  EXPECT_EQ(pane.contentWidth(), 0);
  EXPECT_EQ(pane.horizontalOffset(), 0);
  EXPECT_EQ(pane.topLine(), 0U);
}

}  // namespace
}  // namespace th
