#include <gtest/gtest.h>

#include <chrono>

#include "platform/BasicEventLoop.h"
#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"
#include "tests/support/SystemHelpers.h"

namespace th::test {
namespace {

// The unit on a loop of the test's choosing (start tick, clock).
struct LoopRig {
  explicit LoopRig(BasicEventLoop::Clock clock, std::uint32_t startTick = 1000)
      : loop(clock, startTick), rt{rs, panes, loop, view, port, sys}, unit(rt) {}
  TempDir dir;
  BasicEventLoop loop;
  RecordingView view;
  RunState rs;
  Panes panes;
  TestPlatform sys{dir.str()};
  NullPort port;
  Runtime rt;
  Tidehaul unit;
};

TEST(Waiter, LastsMoreThanItsTimeAndHandlesMessagesWhenTheyArrive) {
  NullPort port;
  Rig r(port);
  std::vector<std::uint64_t> seen;
  r.loop.startTimer(40, false, [&] { seen.push_back(r.now()); });
  r.loop.startTimer(250, false, [&] { seen.push_back(r.now()); });
  r.unit.waiter.delay(100);
  EXPECT_EQ(r.now(), 101u);
  EXPECT_EQ(seen, std::vector<std::uint64_t>{40});
  r.unit.waiter.delay(0);
  EXPECT_EQ(r.now(), 102u);
  r.unit.waiter.delay(300);
  EXPECT_EQ(r.now(), 403u);
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{40, 250}));
}

TEST(Waiter, ProcessesMessagesAtLeastOnceEvenWhenNoTimeIsLeft) {
  NullPort port;
  Rig r(port);
  bool ran = false;
  r.loop.post([&] { ran = true; });
  r.unit.waiter.delay(-5);
  EXPECT_TRUE(ran);
  EXPECT_EQ(r.now(), 0u);
}

TEST(Waiter, StopFlagReturnsAtOnceWithoutProcessing) {
  NullPort port;
  Rig r(port);
  r.rs.delay_stop_flg = true;
  bool ran = false;
  r.loop.post([&] { ran = true; });
  r.unit.waiter.delay(1000);
  EXPECT_FALSE(ran);
  EXPECT_EQ(r.now(), 0u);
}

TEST(Waiter, StopFlagSetDuringTheWaitEndsIt) {
  NullPort port;
  Rig r(port);
  r.loop.startTimer(30, false, [&] { r.unit.shell.Stop_flg(); });
  r.unit.waiter.delay(5000);
  EXPECT_EQ(r.now(), 30u);
}

TEST(Waiter, SpansTheTickCountersWrapAround) {
  LoopRig r(BasicEventLoop::Clock::Virtual, 0xFFFFFFC0u);
  r.unit.waiter.delay(100);
  EXPECT_EQ(r.loop.elapsed(), 101u);
  EXPECT_LT(r.loop.tick(), 100u);
}

TEST(Waiter, BlocksInsteadOfSpinningOnRealTime) {
  LoopRig r(BasicEventLoop::Clock::Steady);
  const double cpuBefore = ThreadCpuSeconds();
  const auto wallBefore = std::chrono::steady_clock::now();
  r.unit.waiter.delay(300);
  const auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - wallBefore)
                          .count();
  EXPECT_GE(wallMs, 300);
  EXPECT_LT(ThreadCpuSeconds() - cpuBefore, 0.03);
}

}  // namespace
}  // namespace th::test
