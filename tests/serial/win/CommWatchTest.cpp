// The event thread's wait on Windows against drivers that Wine cannot play
// (FakeDeviceApi): what real Windows runs and what a failing adapter does.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "serial/win/CommWatch.h"
#include "serial/win/Transfer.h"
#include "tests/serial/win/FakeDeviceApi.h"

namespace th::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Event = DeviceWatcher::Event;
using Fake = FakeDeviceApi;

class CommWatchTest : public ::testing::Test {
 protected:
  // The watcher's next event, awaited on a thread of its own as the event
  // thread would.
  std::future<Event> Next() {
    return std::async(std::launch::async, [this] { return watch->wait(); });
  }
  // The event, or a failure when it takes longer than `ms`.
  static Event Within(std::future<Event>& next, int ms) {
    if (next.wait_for(milliseconds(ms)) != std::future_status::ready) {
      ADD_FAILURE() << "no event within " << ms << " ms";
    }
    return next.get();
  }
  void Start() { watch = std::make_unique<win::CommWatch>(api, Fake::Device(), taken, holdBack); }

  Fake api;
  std::atomic<std::uint64_t> taken{0};
  std::atomic<std::uint32_t> holdBack{100};
  std::unique_ptr<win::CommWatch> watch;
};

// What Windows runs: one wait, pending while nothing happens, and an arrival
// the moment the driver reports it.
TEST_F(CommWatchTest, AWaitStaysPendingUntilTheDriverReports) {
  Start();
  EXPECT_EQ(api.mask(), win::CommWatch::kWatchedEvents);
  auto next = Next();
  std::this_thread::sleep_for(milliseconds(300));
  EXPECT_EQ(api.waitCalls(), 1);
  EXPECT_TRUE(api.pending());
  api.setInput("abc");
  api.completePending(EV_RXCHAR);
  EXPECT_EQ(Within(next, 1000), Event::Arrival);
  watch->stop();
  EXPECT_EQ(watch->wait(), Event::End);
}

// A driver that signals again and again without new bytes (one that does so
// while bytes are queued, completions after a surprise removal) gets a few
// waits at once, then pauses that grow: no busy loop.
TEST_F(CommWatchTest, RepeatedEmptyCompletionsDoNotSpin) {
  api.scriptWaits({Fake::Complete(EV_TXEMPTY)});
  Start();
  auto next = Next();
  std::this_thread::sleep_for(milliseconds(1000));
  const int waits = api.waitCalls();
  EXPECT_GE(waits, win::CommWatch::kEmptyCompletionsBeforePause);
  EXPECT_LT(waits, 40) << "waits in 1 s";
  watch->stop();
  EXPECT_EQ(Within(next, 500), Event::End);
}

// Bytes that stay unread (the driver reports them on every wait) are reported
// once; the next byte is reported again.
TEST_F(CommWatchTest, UnreadBytesAreReportedOnce) {
  api.setInput("ab");
  api.scriptWaits({Fake::Complete(EV_RXCHAR)});
  Start();
  auto first = Next();
  EXPECT_EQ(Within(first, 500), Event::Arrival);
  auto next = Next();
  std::this_thread::sleep_for(milliseconds(400));
  EXPECT_EQ(next.wait_for(milliseconds(0)), std::future_status::timeout);
  api.setInput("abc");
  EXPECT_EQ(Within(next, 500), Event::Arrival);
  watch->stop();
}

// The end of a wait whose cancel the driver never completes is bounded; its
// OVERLAPPED and mask stay the driver's, which may still write them.
TEST_F(CommWatchTest, ACancelThatNeverCompletesIsBounded) {
  api.setCancelsEnd(false);
  Start();
  auto next = Next();
  std::this_thread::sleep_for(milliseconds(50));
  ASSERT_TRUE(api.pending());
  const auto start = Clock::now();
  watch->stop();
  EXPECT_EQ(Within(next, 3000), Event::End);
  watch.reset();
  const auto took = Clock::now() - start;
  EXPECT_GE(took, milliseconds(win::kCancelLimitMs - 50));
  EXPECT_LT(took, milliseconds(win::kCancelLimitMs + 1000));
  api.endKeptRequests();  // into memory still kept for it
}

TEST_F(CommWatchTest, AWriteWhoseCancelNeverCompletesIsBoundedAndKeepsItsBuffer) {
  api.setWritesPend(true);
  api.setCancelsEnd(false);
  DWORD done = 0;
  const auto start = Clock::now();
  {
    win::Transfer transfer(api);
    EXPECT_EQ(transfer.write(Fake::Device(), "xxxx", 4, 100, done), ERROR_OPERATION_ABORTED);
  }
  const auto took = Clock::now() - start;
  EXPECT_GE(took, milliseconds(100 + win::kCancelLimitMs - 50));
  EXPECT_LT(took, milliseconds(100 + win::kCancelLimitMs + 1000));
  EXPECT_EQ(done, 0U);
  api.endKeptRequests();  // reads the bytes it was given, still there
  // The thread's next transfer has an event of its own.
  api.setWritesPend(false);
  win::Transfer next(api);
  EXPECT_EQ(next.write(Fake::Device(), "yy", 2, 100, done), 0);
  EXPECT_EQ(done, 2U);
}

// A failing queue count is retried: bytes that come later are still reported.
TEST_F(CommWatchTest, ATransientQueueCountFailureIsRetried) {
  api.setInput("x");
  api.failQueueCounts({ERROR_GEN_FAILURE});
  api.scriptWaits({Fake::Complete(EV_RXCHAR), Fake::Pend()});
  Start();
  auto next = Next();
  std::this_thread::sleep_for(milliseconds(100));
  api.completePending(EV_RXCHAR);
  EXPECT_EQ(Within(next, 1000), Event::Arrival);
  watch->stop();
}

// A removed adapter: waits fail with one of these codes while the queue count
// may still answer. The second failure in a row ends the line, with its code.
TEST_F(CommWatchTest, RemovalCodesEndTheLineWithTheirCode) {
  for (const DWORD code : {ERROR_ACCESS_DENIED, ERROR_NOT_READY, ERROR_BAD_COMMAND,
                           ERROR_GEN_FAILURE, ERROR_DEVICE_NOT_CONNECTED, ERROR_DEVICE_REMOVED}) {
    SCOPED_TRACE(code);
    Fake driver;
    driver.scriptWaits({Fake::Fail(code)});
    win::CommWatch removed(driver, Fake::Device(), taken, holdBack);
    EXPECT_EQ(removed.wait(), Event::Hangup);
    EXPECT_EQ(removed.error(), static_cast<int>(code));
    EXPECT_EQ(driver.waitCalls(), 2);
  }
  // The same from a queue count that keeps failing while waits complete.
  Fake driver;
  driver.scriptWaits({Fake::Complete(EV_TXEMPTY)});
  driver.failQueueCounts({ERROR_DEVICE_REMOVED, ERROR_DEVICE_REMOVED});
  win::CommWatch removed(driver, Fake::Device(), taken, holdBack);
  EXPECT_EQ(removed.wait(), Event::Hangup);
  EXPECT_EQ(removed.error(), ERROR_DEVICE_REMOVED);
}

// One failure is not a hang-up, and a failure that does not say the device
// is gone is retried, with pauses, for as long as it lasts.
TEST_F(CommWatchTest, OtherFailuresAreRetriedWithoutSpinning) {
  api.scriptWaits({Fake::Fail(ERROR_DEVICE_REMOVED), Fake::Pend()});
  Start();
  auto once = Next();
  std::this_thread::sleep_for(milliseconds(100));
  api.setInput("a");
  api.completePending(EV_RXCHAR);
  EXPECT_EQ(Within(once, 1000), Event::Arrival);
  watch->stop();

  Fake driver;
  driver.scriptWaits({Fake::Fail(ERROR_INVALID_PARAMETER)});
  watch = std::make_unique<win::CommWatch>(driver, Fake::Device(), taken, holdBack);
  auto next = Next();
  std::this_thread::sleep_for(milliseconds(1000));
  EXPECT_LT(driver.waitCalls(), 40) << "waits in 1 s";
  watch->stop();
  EXPECT_EQ(Within(next, 500), Event::End);
}

// The carrier dropping after it was up is reported once; the line goes on.
TEST_F(CommWatchTest, ACarrierDropIsReportedOnceAndTheLineGoesOn) {
  api.setModemStatus(MS_RLSD_ON | MS_CTS_ON);
  Start();
  auto next = Next();
  std::this_thread::sleep_for(milliseconds(50));
  api.setModemStatus(MS_CTS_ON);
  api.completePending(EV_RLSD);
  EXPECT_EQ(Within(next, 1000), Event::CarrierLost);
  next = Next();
  std::this_thread::sleep_for(milliseconds(50));
  api.completePending(EV_RLSD);  // still down: nothing new
  std::this_thread::sleep_for(milliseconds(50));
  api.setInput("NO CARRIER\r\n");
  api.completePending(EV_RXCHAR);
  EXPECT_EQ(Within(next, 1000), Event::Arrival);
  watch->stop();
}

// A port without modem lines refuses their events: it is watched without
// them, at once.
TEST_F(CommWatchTest, RefusedModemLineEventsAreLeftOut) {
  api.scriptWaits({Fake::Fail(ERROR_NOT_SUPPORTED), Fake::Pend()});
  Start();
  auto next = Next();
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_EQ(api.waitCalls(), 2);
  EXPECT_EQ(api.mask(), win::CommWatch::kWatchedEvents & ~win::CommWatch::kModemLineEvents);
  api.setInput("a");
  api.completePending(EV_RXCHAR);
  EXPECT_EQ(Within(next, 1000), Event::Arrival);
  watch->stop();
}

// A thread stopped while it handed over an arrival that took long (a Close
// inside the notification) resumes after the port was closed: it must not
// touch the handle, which may name another port by then.
TEST_F(CommWatchTest, AfterAStopTheDeviceIsTouchedNoMore) {
  api.setInput("a");
  api.scriptWaits({Fake::Complete(EV_RXCHAR)});
  Start();
  EXPECT_EQ(watch->wait(), Event::Arrival);
  watch->stop();
  api.markClosed();
  std::this_thread::sleep_for(milliseconds(150));  // the batch time is over
  EXPECT_EQ(watch->wait(), Event::End);
  watch.reset();
  EXPECT_EQ(api.callsAfterClose(), 0);
}

}  // namespace
}  // namespace th::test
