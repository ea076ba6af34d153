// What the Qt loop does beyond the loop contract (which it also passes, below):
// the serial port's Close, a repeating timer inside its own call, and
// exceptions from window handlers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/QtEventLoop.h"
#include "serial/SerialPort.h"
#include "tests/platform/EventLoopContract.h"
#include "tests/serial/PseudoTerminal.h"
#include "tests/support/SystemHelpers.h"
#include "tests/support/TestPlatform.h"

namespace th {
namespace {

// Processes messages until `done` or about two seconds have passed.
template <typename Pred>
bool PumpUntil(QtEventLoop& loop, Pred done) {
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

TEST(QtEventLoop, TickCountsMillisecondsOfRealTime) {
  QtEventLoop loop;
  const std::uint32_t before = loop.tick();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const std::uint32_t passed = loop.tick() - before;
  EXPECT_GE(passed, 50u);
  EXPECT_LT(passed, 500u);
}

TEST(QtEventLoop, PostedCallsRunOnTheGuiThreadInOrder) {
  QtEventLoop loop;
  std::vector<int> order;
  std::thread::id ranOn;
  std::thread other([&] {
    for (int i = 0; i < 3; ++i) {
      loop.post([&, i] {
        order.push_back(i);
        ranOn = std::this_thread::get_id();
      });
    }
  });
  other.join();
  EXPECT_TRUE(order.empty());  // nothing runs until messages are processed
  loop.processPendingMessages();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(QtEventLoop, SynchronizeBlocksTheCallerAndHandsBackResultsAndExceptions) {
  QtEventLoop loop;
  std::atomic<bool> returned = false;
  std::string caught;
  int value = 0;
  std::thread other([&] {
    loop.synchronize([&] { value = 42; });
    try {
      loop.synchronize([] { throw std::runtime_error("port gone"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(returned);  // blocked until the GUI thread runs the call
  EXPECT_TRUE(PumpUntil(loop, [&] { return returned.load(); }));
  other.join();
  EXPECT_EQ(value, 42);
  EXPECT_EQ(caught, "port gone");
}

// Close waits for the serial event thread running only its hand-over: a
// posted call stays queued until Close has returned, so a Close that it makes
// finds the port closed instead of returning early with the port still open.
TEST(QtEventLoop, SerialPortCloseRunsTheQueuedBatchButNoPostedCall) {
  QtEventLoop loop;
  test::TempDir dir;
  test::PseudoTerminal far;
  far.linkAs(dir.str() + "/COM10");
  SerialPort port(loop, dir.str() + "/");
  std::string received;
  port.setOnArrival([&](int count) {
    Text got;
    port.read(got, count);
    received += ToUtf8(got);
  });
  for (int trial = 0; trial < 20; ++trial) {
    SCOPED_TRACE(trial);
    port.open();
    far.send("x");
    std::this_thread::sleep_for(std::chrono::milliseconds(40));  // the batch is queued
    bool posted = false;
    bool openAfterNestedClose = true;
    loop.post([&] {
      posted = true;
      port.close();
      openAfterNestedClose = port.isOpen();
    });
    port.close();
    EXPECT_EQ(received.size(), static_cast<std::size_t>(trial + 1));
    EXPECT_FALSE(posted);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(PumpUntil(loop, [&] { return posted; }));
    EXPECT_FALSE(openAfterNestedClose);
  }
}

TEST(QtEventLoop, WaitEndsWhenAMessageArrivesWithoutSpinning) {
  QtEventLoop loop;
  bool ran = false;
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    loop.post([&] { ran = true; });
  });
  const double cpuBefore = test::ProcessCpuSeconds();
  const std::uint32_t start = loop.tick();
  while (!ran && loop.tick() - start < 3000) {
    loop.waitForMessage(5000);
  }
  const std::uint32_t waited = loop.tick() - start;
  other.join();
  EXPECT_TRUE(ran);
  EXPECT_GE(waited, 290u);
  EXPECT_LT(waited, 1500u);
  EXPECT_LT(test::ProcessCpuSeconds() - cpuBefore, 0.05);
}

TEST(QtEventLoop, RunGuardedRoutesExceptionsToTheHandler) {
  QtEventLoop loop;
  int handled = 0;
  loop.setExceptionHandler([&](const std::exception_ptr& /*e*/) { ++handled; });
  QtEventLoop::runGuarded([] { throw std::runtime_error("click"); });
  EXPECT_EQ(handled, 1);
}

}  // namespace
}  // namespace th

namespace th::test {

struct QtLoopMaker {
  using Loop = QtEventLoop;
  static std::unique_ptr<Loop> make() { return std::make_unique<QtEventLoop>(); }
};
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, EventLoopContract, QtLoopMaker);

}  // namespace th::test
