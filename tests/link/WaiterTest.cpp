#include <gtest/gtest.h>

#include <chrono>

#include "platform/BasicEventLoop.h"
#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"
#include "tests/support/SystemHelpers.h"

namespace th::test {
namespace {

// A wait on a loop of the test's choosing (start tick, clock).
struct LoopRig {
  explicit LoopRig(BasicEventLoop::Clock clock, std::uint32_t startTick = 1000)
      : loop(clock, startTick), waiter(loop, stop) {}
  BasicEventLoop loop;
  StopRequest stop;
  Waiter waiter;
};

TEST(Waiter, LastsMoreThanItsTimeAndHandlesMessagesWhenTheyArrive) {
  NullPort port;
  Rig r(port);
  std::vector<std::uint64_t> seen;
  r.loop.startTimer(40, false, [&] { seen.push_back(r.now()); });
  r.loop.startTimer(250, false, [&] { seen.push_back(r.now()); });
  r.tool.waiter.wait(100);
  EXPECT_EQ(r.now(), 101u);
  EXPECT_EQ(seen, std::vector<std::uint64_t>{40});
  r.tool.waiter.wait(0);
  EXPECT_EQ(r.now(), 102u);
  r.tool.waiter.wait(300);
  EXPECT_EQ(r.now(), 403u);
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{40, 250}));
}

TEST(Waiter, ProcessesMessagesAtLeastOnceEvenWhenNoTimeIsLeft) {
  NullPort port;
  Rig r(port);
  bool ran = false;
  r.loop.post([&] { ran = true; });
  r.tool.waiter.wait(-5);
  EXPECT_TRUE(ran);
  EXPECT_EQ(r.now(), 0u);
}

TEST(Waiter, StopFlagReturnsAtOnceWithoutProcessing) {
  NullPort port;
  Rig r(port);
  r.tool.stop.endWaits = true;
  bool ran = false;
  r.loop.post([&] { ran = true; });
  r.tool.waiter.wait(1000);
  EXPECT_FALSE(ran);
  EXPECT_EQ(r.now(), 0u);
}

TEST(Waiter, StopFlagSetDuringTheWaitEndsIt) {
  NullPort port;
  Rig r(port);
  r.loop.startTimer(30, false, [&] { r.tool.shell.onCloseRequest(); });
  r.tool.waiter.wait(5000);
  EXPECT_EQ(r.now(), 30u);
}

TEST(Waiter, SpansTheTickCountersWrapAround) {
  LoopRig r(BasicEventLoop::Clock::Virtual, 0xFFFFFFC0u);
  r.waiter.wait(100);
  EXPECT_EQ(r.loop.elapsed(), 101u);
  EXPECT_LT(r.loop.tick(), 100u);
}

TEST(Waiter, BlocksInsteadOfSpinningOnRealTime) {
  LoopRig r(BasicEventLoop::Clock::Steady);
  const double cpuBefore = ThreadCpuSeconds();
  const auto wallBefore = std::chrono::steady_clock::now();
  r.waiter.wait(300);
  const auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - wallBefore)
                          .count();
  EXPECT_GE(wallMs, 300);
  EXPECT_LT(ThreadCpuSeconds() - cpuBefore, 0.03);
}

}  // namespace
}  // namespace th::test
