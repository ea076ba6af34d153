// Throttled displays: a change sooner than its interval waits for the
// schedule, which shows the latest when its time has come and never asks a
// display again at once.
#include <gtest/gtest.h>

#include "ui/win/PaintThrottle.h"

namespace th {
namespace {

constexpr std::uint32_t kInterval = 200;

TEST(PaintSchedule, AChangeTooSoonShowsOnceItsTimeHasCome) {
  PaintSchedule schedule;
  int shows = 0;
  PaintThrottle* self = nullptr;
  PaintThrottle throttle(schedule, kInterval, [&] {
    ++shows;
    self->shown();
  });
  self = &throttle;
  EXPECT_EQ(schedule.showDue(), INFINITE);
  ASSERT_TRUE(throttle.dueOrLater());  // the first change shows at once
  throttle.shown();
  EXPECT_FALSE(throttle.dueOrLater());
  EXPECT_FALSE(throttle.dueOrLater());  // a burst is one pending change
  const std::uint32_t left = schedule.showDue();
  EXPECT_EQ(shows, 0);
  EXPECT_GT(left, PaintSchedule::kLatenessMs);  // not yet
  EXPECT_LE(left, kInterval + PaintSchedule::kLatenessMs);
  ::Sleep(left - PaintSchedule::kLatenessMs + 20);
  EXPECT_EQ(schedule.showDue(), INFINITE);
  EXPECT_EQ(shows, 1);
  EXPECT_FALSE(throttle.pending());
  // A cancelled change is not shown.
  EXPECT_FALSE(throttle.dueOrLater());
  throttle.cancel();
  ::Sleep(kInterval + 20);
  EXPECT_EQ(schedule.showDue(), INFINITE);
  EXPECT_EQ(shows, 1);
}

TEST(PaintSchedule, ADisplayThatLeavesItsChangePendingIsAskedAgainAnIntervalLater) {
  PaintSchedule schedule;
  int asks = 0;
  PaintThrottle throttle(schedule, kInterval, [&] { ++asks; });
  throttle.shown();
  EXPECT_FALSE(throttle.dueOrLater());
  ::Sleep(kInterval + 20);
  EXPECT_GT(schedule.showDue(), kInterval);
  EXPECT_EQ(asks, 1);
  EXPECT_GT(schedule.showDue(), kInterval);
  EXPECT_EQ(asks, 1);
  EXPECT_TRUE(throttle.pending());  // kept for the next time, not lost
}

TEST(PaintSchedule, TheWaitEndsAtTheEarliestPendingDisplay) {
  PaintSchedule schedule;
  PaintThrottle fast(schedule, 100, [] {});
  PaintThrottle slow(schedule, 1000, [] {});
  {
    PaintThrottle gone(schedule, 10, [] {});
    gone.shown();
    EXPECT_FALSE(gone.dueOrLater());
  }
  fast.shown();
  slow.shown();
  EXPECT_FALSE(slow.dueOrLater());
  EXPECT_GT(schedule.showDue(), 500U);
  EXPECT_FALSE(fast.dueOrLater());
  EXPECT_LE(schedule.showDue(), 100 + PaintSchedule::kLatenessMs);
}

}  // namespace
}  // namespace th
