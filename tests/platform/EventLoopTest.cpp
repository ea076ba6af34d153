#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <utility>

#include "platform/BasicEventLoop.h"
#include "tests/platform/EventLoopContract.h"

namespace th {
namespace {

TEST(VirtualEventLoop, TimersFireInOrderOfTheirMomentsAndTimeOnlyMovesWhileWaiting) {
  BasicEventLoop loop;
  std::vector<std::pair<std::uint64_t, int>> fired;
  loop.startTimer(300, false, [&] { fired.emplace_back(loop.elapsed(), 3); });
  loop.startTimer(100, false, [&] { fired.emplace_back(loop.elapsed(), 1); });
  const TimerId repeat = loop.startTimer(250, true, [&] { fired.emplace_back(loop.elapsed(), 2); });
  loop.processPendingMessages();
  EXPECT_TRUE(fired.empty());
  EXPECT_EQ(loop.elapsed(), 0u);
  loop.startTimer(600, false, [&] {
    loop.stopTimer(repeat);
    loop.quit();
  });
  loop.run();
  const std::vector<std::pair<std::uint64_t, int>> expected = {
      {100, 1}, {250, 2}, {300, 3}, {500, 2}};
  EXPECT_EQ(fired, expected);
  EXPECT_EQ(loop.elapsed(), 600u);
}

TEST(VirtualEventLoop, WaitEndsAtTheNextTimerOrAfterItsTime) {
  BasicEventLoop loop;
  loop.waitForMessage(40);
  EXPECT_EQ(loop.elapsed(), 40u);
  loop.startTimer(15, false, [] {});
  loop.waitForMessage(1000);
  EXPECT_EQ(loop.elapsed(), 55u);
  loop.waitForMessage(1000);  // the due timer is pending: no time passes
  EXPECT_EQ(loop.elapsed(), 55u);
}

TEST(VirtualEventLoop, TickWrapsAt32Bits) {
  BasicEventLoop loop(BasicEventLoop::Clock::Virtual, 0xFFFFFF00u);
  loop.advance(0x100 + 5);
  EXPECT_EQ(loop.tick(), 5u);
}

TEST(VirtualEventLoop, QuitEndsOnlyTheOutermostLoop) {
  BasicEventLoop loop;
  int after = 0;
  loop.post([&] {
    loop.quit();
    loop.post([&] { ++after; });
    loop.processPendingMessages();  // nested processing goes on after the quit request
    ++after;
  });
  loop.run();
  EXPECT_EQ(after, 2);
  EXPECT_TRUE(loop.quitRequested());
}

TEST(VirtualEventLoop, ExceptionsOfDispatchedCallsReachTheHandler) {
  BasicEventLoop loop;
  std::string caught;
  loop.setExceptionHandler([&](std::exception_ptr e) {
    try {
      std::rethrow_exception(std::move(e));
    } catch (const std::exception& ex) {
      caught = ex.what();
    }
  });
  loop.post([] { throw std::runtime_error("boom"); });
  int later = 0;
  loop.post([&] { ++later; });
  loop.processPendingMessages();
  EXPECT_EQ(caught, "boom");
  EXPECT_EQ(later, 1);
}

TEST(SteadyEventLoop, SynchronizeRunsOnTheMainThreadAndHandsBackItsException) {
  BasicEventLoop loop(BasicEventLoop::Clock::Steady);
  const auto mainId = std::this_thread::get_id();
  std::atomic<bool> ranOnMain{false};
  std::atomic<bool> rethrown{false};
  std::thread worker([&] {
    loop.synchronize([&] { ranOnMain = std::this_thread::get_id() == mainId; });
    try {
      loop.synchronize([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error&) {
      rethrown = true;
    }
    loop.post([&] { loop.quit(); });
  });
  loop.run();
  worker.join();
  EXPECT_TRUE(ranOnMain);
  EXPECT_TRUE(rethrown);
}

TEST(SteadyEventLoop, ProcessSynchronizedCallsLeavesOtherMessagesQueued) {
  BasicEventLoop loop(BasicEventLoop::Clock::Steady);
  int posted = 0;
  loop.post([&] { ++posted; });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    loop.synchronize([] {});
    done = true;
  });
  while (!done) {
    loop.processSynchronizedCalls();
    loop.waitForMessage(5);
  }
  worker.join();
  EXPECT_EQ(posted, 0);
  loop.processPendingMessages();
  EXPECT_EQ(posted, 1);
}

// The wait of a Close: a pending posted call or due timer neither ends it nor
// runs; a synchronize() from another thread ends it.
TEST(SteadyEventLoop, WaitForSynchronizedCallIgnoresOtherMessages) {
  using std::chrono::milliseconds;
  using Clock = std::chrono::steady_clock;
  BasicEventLoop loop(BasicEventLoop::Clock::Steady);
  int posted = 0;
  loop.post([&] { ++posted; });
  loop.startTimer(0, false, [&] { ++posted; });
  auto start = Clock::now();
  loop.waitForSynchronizedCall(80);
  EXPECT_GE(Clock::now() - start, milliseconds(80));

  std::thread worker([&] {
    std::this_thread::sleep_for(milliseconds(50));
    loop.synchronize([] {});
  });
  start = Clock::now();
  loop.waitForSynchronizedCall(5000);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, milliseconds(40));
  EXPECT_LT(waited, milliseconds(2000));
  EXPECT_EQ(posted, 0);
  loop.processSynchronizedCalls();
  worker.join();
  EXPECT_EQ(posted, 0);
}

TEST(SteadyEventLoop, WaitForMessageWakesForAPostFromAnotherThread) {
  BasicEventLoop loop(BasicEventLoop::Clock::Steady);
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop.post([] {});
  });
  const auto start = std::chrono::steady_clock::now();
  loop.waitForMessage(5000);
  const auto waited = std::chrono::steady_clock::now() - start;
  worker.join();
  EXPECT_LT(waited, std::chrono::seconds(2));
}

}  // namespace
}  // namespace th

namespace th::test {

struct SteadyLoopMaker {
  using Loop = BasicEventLoop;
  static std::unique_ptr<Loop> make() {
    return std::make_unique<BasicEventLoop>(BasicEventLoop::Clock::Steady);
  }
};
INSTANTIATE_TYPED_TEST_SUITE_P(BasicSteady, EventLoopContract, SteadyLoopMaker);

}  // namespace th::test
