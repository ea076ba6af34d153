// Stop signals sent to this very process. main() holds them back before gtest
// or any test starts a thread, as the tool's main does.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "app/StopSignals.h"
#include "platform/BasicEventLoop.h"

namespace th::test {
namespace {

using std::chrono::milliseconds;

// Runs the loop until `done` holds or two seconds have passed.
bool PumpUntil(BasicEventLoop& loop, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) {
      return false;
    }
    loop.waitForMessage(20);
    loop.processPendingMessages();
  }
  return true;
}

TEST(StopSignals, EachSignalIsTakenOnTheLoopsThreadOnlyWhenItProcessesMessages) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    BasicEventLoop loop{BasicEventLoop::Clock::Steady};
    std::thread::id ranOn;
    int stops = 0;
    const StopSignals stop(loop, [&] {
      ++stops;
      ranOn = std::this_thread::get_id();
    });
    ASSERT_TRUE(stop.watching());
    ASSERT_EQ(::kill(::getpid(), signal), 0);
    // Handed over as a message: nothing runs until the loop looks.
    loop.waitForMessage(2000);
    EXPECT_EQ(stops, 0);
    ASSERT_TRUE(PumpUntil(loop, [&] { return stops > 0; }));
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
  }
}

TEST(StopSignals, ARequestLeftQueuedReachesNothingOnceTheWatcherIsGone) {
  BasicEventLoop loop{BasicEventLoop::Clock::Steady};
  int stops = 0;
  {
    const StopSignals stop(loop, [&] { ++stops; });
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    loop.waitForMessage(2000);  // the request is queued
  }
  loop.processPendingMessages();
  EXPECT_EQ(stops, 0);
}

// The second request ends the process at once with code 0, also while the
// main thread is busy and never looks at its messages again.
void SecondSignalWhileBusy(int first, int second) {
  BasicEventLoop loop{BasicEventLoop::Clock::Steady};
  const StopSignals stop(loop, [] { ::_exit(3); });
  ::kill(::getpid(), first);
  loop.waitForMessage(2000);  // taken, not yet run
  ::kill(::getpid(), second);
  std::this_thread::sleep_for(std::chrono::seconds(5));
  ::_exit(4);
}

TEST(StopSignalsDeathTest, ASecondSignalEndsTheProcessAtOnceWithCodeZero) {
  EXPECT_EXIT(SecondSignalWhileBusy(SIGTERM, SIGTERM), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(SecondSignalWhileBusy(SIGTERM, SIGINT), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace th::test

int main(int argc, char** argv) {
  th::StopSignals::hold();
  ::testing::InitGoogleTest(&argc, argv);
  // A death test starts this program afresh, so its child holds the signals too.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  return RUN_ALL_TESTS();
}
