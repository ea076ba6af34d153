#pragma once
// The contract of every real-time event loop (the steady BasicEventLoop, the
// Qt loop, the Win32 loop), as typed tests. A test file instantiates it with a
// maker type that has `using Loop = ...;` and `static std::unique_ptr<Loop> make()`:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, EventLoopContract, MakerType);
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/EventLoop.h"
#include "tests/support/SystemHelpers.h"

namespace th::test {

template <typename Maker>
class EventLoopContract : public ::testing::Test {
 protected:
  std::unique_ptr<typename Maker::Loop> made = Maker::make();
  EventLoop& loop = *made;

  // Processes messages until `done` or about two seconds have passed.
  template <typename Pred>
  bool pumpUntil(Pred done) {
    const std::uint32_t start = loop.tick();
    while (!done()) {
      if (loop.tick() - start > 2000) {
        return false;
      }
      loop.processPendingMessages();
      loop.waitForMessage(10);
    }
    return true;
  }
};

TYPED_TEST_SUITE_P(EventLoopContract);

TYPED_TEST_P(EventLoopContract, TickCountsMillisecondsOfRealTime) {
  EventLoop& loop = this->loop;
  const std::uint32_t start = loop.tick();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::uint32_t passed = loop.tick() - start;
  EXPECT_GE(passed, 90u);
  EXPECT_LT(passed, 1000u);
}

TYPED_TEST_P(EventLoopContract, PostedCallsRunOnTheMainThreadInOrder) {
  EventLoop& loop = this->loop;
  const auto mainId = std::this_thread::get_id();
  std::vector<int> order;
  std::atomic<bool> allOnMain{true};
  loop.post([&] { order.push_back(1); });
  std::thread other([&] {
    loop.post([&] {
      allOnMain = allOnMain && std::this_thread::get_id() == mainId;
      order.push_back(2);
    });
  });
  other.join();
  loop.post([&] { order.push_back(3); });
  EXPECT_TRUE(this->pumpUntil([&] { return order.size() == 3; }));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(allOnMain);
}

TYPED_TEST_P(EventLoopContract, SynchronizeRunsOnTheMainThreadAndHandsBackItsException) {
  EventLoop& loop = this->loop;
  const auto mainId = std::this_thread::get_id();
  std::atomic<bool> ranOnMain{false};
  std::atomic<bool> rethrown{false};
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    loop.synchronize([&] { ranOnMain = std::this_thread::get_id() == mainId; });
    try {
      loop.synchronize([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error&) {
      rethrown = true;
    }
    finished = true;
  });
  EXPECT_TRUE(this->pumpUntil([&] { return finished.load(); }));
  worker.join();
  EXPECT_TRUE(ranOnMain);
  EXPECT_TRUE(rethrown);
}

TYPED_TEST_P(EventLoopContract, SynchronizeOnTheMainThreadRunsAtOnce) {
  EventLoop& loop = this->loop;
  bool ran = false;
  loop.synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_THROW(loop.synchronize([] { throw std::logic_error("x"); }), std::logic_error);
}

TYPED_TEST_P(EventLoopContract, ProcessSynchronizedCallsLeavesOtherMessagesQueued) {
  EventLoop& loop = this->loop;
  bool posted = false;
  loop.post([&] { posted = true; });
  bool timerFired = false;
  loop.startTimer(0, false, [&] { timerFired = true; });
  std::atomic<bool> syncRan{false};
  std::thread other([&] { loop.synchronize([&] { syncRan = true; }); });
  const std::uint32_t start = loop.tick();
  while (!syncRan && loop.tick() - start < 2000) {
    loop.processSynchronizedCalls();
    loop.waitForSynchronizedCall(5);
  }
  other.join();
  EXPECT_TRUE(syncRan);
  EXPECT_FALSE(posted);
  EXPECT_FALSE(timerFired);
  EXPECT_TRUE(this->pumpUntil([&] { return posted; }));
}

// The wait of a Close: a pending posted call or due timer neither ends it nor
// runs, and it does not spin; a synchronize() from another thread ends it.
TYPED_TEST_P(EventLoopContract, WaitForSynchronizedCallIgnoresOtherMessagesWithoutSpinning) {
  EventLoop& loop = this->loop;
  int posted = 0;
  loop.post([&] { ++posted; });
  loop.startTimer(0, false, [&] { ++posted; });
  const double cpuBefore = ProcessCpuSeconds();
  std::uint32_t start = loop.tick();
  loop.waitForSynchronizedCall(300);
  EXPECT_GE(loop.tick() - start, 290u);
  EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.05);

  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    loop.synchronize([] {});
  });
  start = loop.tick();
  loop.waitForSynchronizedCall(5000);
  const std::uint32_t waited = loop.tick() - start;
  EXPECT_GE(waited, 40u);
  EXPECT_LT(waited, 2000u);
  loop.processSynchronizedCalls();
  other.join();
  EXPECT_EQ(posted, 0);
  EXPECT_TRUE(this->pumpUntil([&] { return posted == 2; }));
}

TYPED_TEST_P(EventLoopContract, WaitEndsWhenAMessageArrivesWithoutSpinning) {
  EventLoop& loop = this->loop;
  std::atomic<bool> sent{false};
  bool ran = false;
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    loop.post([&] { ran = true; });
    sent = true;
  });
  const double cpuBefore = ProcessCpuSeconds();
  const std::uint32_t start = loop.tick();
  while (!sent && loop.tick() - start < 3000) {
    loop.waitForMessage(5000);
  }
  const std::uint32_t waited = loop.tick() - start;
  other.join();
  EXPECT_GE(waited, 290u);
  EXPECT_LT(waited, 1500u);
  EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.05);
  loop.processPendingMessages();
  EXPECT_TRUE(ran);
}

TYPED_TEST_P(EventLoopContract, WaitWithoutMessagesLastsItsTimeWithoutSpinning) {
  EventLoop& loop = this->loop;
  loop.processPendingMessages();
  const double cpuBefore = ProcessCpuSeconds();
  const std::uint32_t start = loop.tick();
  // A wait may end early on a stray event; the caller then waits for the rest.
  while (loop.tick() - start < 300) {
    loop.waitForMessage(300 - (loop.tick() - start));
  }
  const std::uint32_t waited = loop.tick() - start;
  EXPECT_GE(waited, 300u);
  EXPECT_LT(waited, 1500u);
  EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.05);
}

TYPED_TEST_P(EventLoopContract, OneShotAndRepeatingTimers) {
  EventLoop& loop = this->loop;
  int once = 0;
  int repeats = 0;
  TimerId repeating = 0;
  loop.startTimer(20, false, [&] { ++once; });
  repeating = loop.startTimer(10, true, [&] {
    if (++repeats == 3) {
      loop.stopTimer(repeating);  // stopping itself from its own call
    }
  });
  const std::uint32_t start = loop.tick();
  while (loop.tick() - start < 300) {
    loop.processPendingMessages();
    loop.waitForMessage(10);
  }
  EXPECT_EQ(once, 1);
  EXPECT_EQ(repeats, 3);
}

TYPED_TEST_P(EventLoopContract, StoppedTimerNeverFires) {
  EventLoop& loop = this->loop;
  bool fired = false;
  const TimerId id = loop.startTimer(10, false, [&] { fired = true; });
  loop.stopTimer(id);
  loop.stopTimer(id);  // twice is harmless
  const std::uint32_t start = loop.tick();
  while (loop.tick() - start < 80) {
    loop.processPendingMessages();
    loop.waitForMessage(10);
  }
  EXPECT_FALSE(fired);
}

TYPED_TEST_P(EventLoopContract, ExceptionsFromCallsAndTimersGoToTheHandler) {
  EventLoop& loop = this->loop;
  std::vector<std::string> seen;
  loop.setExceptionHandler([&](const std::exception_ptr& e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& ex) {
      seen.emplace_back(ex.what());
    }
  });
  loop.post([] { throw std::runtime_error("posted"); });
  loop.startTimer(0, false, [] { throw std::runtime_error("timer"); });
  bool after = false;
  loop.post([&] { after = true; });
  EXPECT_TRUE(this->pumpUntil([&] { return seen.size() == 2 && after; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"posted", "timer"}));
}

TYPED_TEST_P(EventLoopContract, QuitEndsRunButNotNestedProcessing) {
  EventLoop& loop = this->loop;
  bool nestedRan = false;
  loop.post([&] {
    loop.quit();
    // A handler that goes on waiting after the quit still gets its messages.
    loop.post([&] { nestedRan = true; });
    loop.processPendingMessages();
  });
  loop.run();
  EXPECT_TRUE(nestedRan);
  EXPECT_TRUE(loop.quitRequested());
}

TYPED_TEST_P(EventLoopContract, QuitBeforeRunMakesRunReturnAtOnce) {
  EventLoop& loop = this->loop;
  loop.quit();
  const std::uint32_t start = loop.tick();
  loop.run();
  EXPECT_LT(loop.tick() - start, 500u);
}

TYPED_TEST_P(EventLoopContract, RunDispatchesTimersUntilQuit) {
  EventLoop& loop = this->loop;
  int ticks = 0;
  loop.startTimer(5, true, [&] {
    if (++ticks == 4) {
      loop.quit();
    }
  });
  loop.run();
  EXPECT_EQ(ticks, 4);
}

TYPED_TEST_P(EventLoopContract, QuitFromAnotherThreadEndsRun) {
  EventLoop& loop = this->loop;
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    loop.quit();
  });
  const std::uint32_t start = loop.tick();
  loop.run();
  other.join();
  EXPECT_LT(loop.tick() - start, 1500u);
}

TYPED_TEST_P(EventLoopContract, RepeatingTimerDoesNotFireInsideItsOwnCall) {
  // The next tick comes an interval after the call, so a call that waits
  // (and processes messages) is never entered twice.
  EventLoop& loop = this->loop;
  int depth = 0;
  int maxDepth = 0;
  int calls = 0;
  const TimerId id = loop.startTimer(5, true, [&] {
    ++depth;
    ++calls;
    maxDepth = std::max(maxDepth, depth);
    const std::uint32_t start = loop.tick();
    while (loop.tick() - start < 30) {
      loop.processPendingMessages();
      loop.waitForMessage(5);
    }
    --depth;
  });
  EXPECT_TRUE(this->pumpUntil([&] { return calls >= 3; }));
  loop.stopTimer(id);
  EXPECT_EQ(maxDepth, 1);
}

TYPED_TEST_P(EventLoopContract, WithoutHandlerAnExceptionEndsTheLoopAndLeavesRun) {
  EventLoop& loop = this->loop;
  loop.post([] { throw std::runtime_error("lost"); });
  EXPECT_THROW(loop.run(), std::runtime_error);
  EXPECT_TRUE(loop.quitRequested());
}

REGISTER_TYPED_TEST_SUITE_P(
    EventLoopContract, TickCountsMillisecondsOfRealTime, PostedCallsRunOnTheMainThreadInOrder,
    SynchronizeRunsOnTheMainThreadAndHandsBackItsException, SynchronizeOnTheMainThreadRunsAtOnce,
    ProcessSynchronizedCallsLeavesOtherMessagesQueued,
    WaitForSynchronizedCallIgnoresOtherMessagesWithoutSpinning,
    WaitEndsWhenAMessageArrivesWithoutSpinning, WaitWithoutMessagesLastsItsTimeWithoutSpinning,
    OneShotAndRepeatingTimers, StoppedTimerNeverFires, ExceptionsFromCallsAndTimersGoToTheHandler,
    QuitEndsRunButNotNestedProcessing, QuitBeforeRunMakesRunReturnAtOnce,
    RunDispatchesTimersUntilQuit, QuitFromAnotherThreadEndsRun,
    RepeatingTimerDoesNotFireInsideItsOwnCall, WithoutHandlerAnExceptionEndsTheLoopAndLeavesRun);

}  // namespace th::test
