// The event thread: arrivals reach the handler on the main thread, in batches.
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "serial/EventThread.h"
#include "tests/serial/SerialFixture.h"

namespace th::test {
namespace {

class SerialEvents : public SerialFixture {
 protected:
  // Records each notification; takes the bytes unless `leave` is set.
  void Record(bool take = true) {
    port.setOnArrival([this, take](int count) {
      counts.push_back(count);
      threads.push_back(std::this_thread::get_id());
      if (!take) {
        return;
      }
      Text got;
      port.read(got, count);
      received += ToUtf8(got);
    });
  }

  std::vector<int> counts;
  std::vector<std::thread::id> threads;
  std::string received;
};

TEST_F(SerialEvents, ArrivalWhileIdleReachesTheHandlerOnTheMainThread) {
  Record();
  port.open();
  far.send("x");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "x"; }));
  ASSERT_EQ(counts.size(), 1U);
  EXPECT_EQ(counts[0], 1);
  EXPECT_EQ(threads[0], std::this_thread::get_id());
  PumpFor(loop, 50);
  EXPECT_EQ(counts.size(), 1U);
}

TEST_F(SerialEvents, BytesArrivingWhileTheMainThreadIsBusyComeAsOneBatch) {
  Record();
  port.open();
  far.send("abc");
  BusyFor(60);
  far.send("def");
  BusyFor(60);
  far.send("gh");
  BusyFor(60);
  ASSERT_TRUE(PumpUntil(loop, [&] { return received.size() == 8; }));
  PumpFor(loop, 50);
  EXPECT_EQ(counts, std::vector<int>{8});
  EXPECT_EQ(received, "abcdefgh");
}

TEST_F(SerialEvents, BytesAlreadyTakenRaiseNothing) {
  Record();
  port.open();
  far.send("early");
  BusyFor(60);
  Text got;
  EXPECT_EQ(port.read(got, 100), 5);  // taken before the batch runs
  PumpFor(loop, 100);
  EXPECT_TRUE(counts.empty());
}

TEST_F(SerialEvents, LeftBytesAreReportedAgainOnlyWithTheNextArrival) {
  Record(false);
  port.open();
  far.send("ab");
  ASSERT_TRUE(PumpUntil(loop, [&] { return counts.size() == 1; }));
  PumpFor(loop, 100);  // the unread bytes do not make the thread spin or repeat
  EXPECT_EQ(counts, std::vector<int>{2});
  far.send("c");
  ASSERT_TRUE(PumpUntil(loop, [&] { return counts.size() == 2; }));
  EXPECT_EQ(counts[1], 3);
}

TEST_F(SerialEvents, CloseRunsAQueuedBatchWhileThePortIsStillOpen) {
  bool connectedInHandler = false;
  port.setOnArrival([&](int count) {
    connectedInHandler = port.isOpen();
    Text got;
    port.read(got, count);
    received += ToUtf8(got);
    counts.push_back(count);
  });
  port.open();
  far.send("hello");
  BusyFor(60);  // the batch is queued, the main loop has not run it
  port.close();
  EXPECT_EQ(counts, std::vector<int>{5});
  EXPECT_EQ(received, "hello");
  EXPECT_TRUE(connectedInHandler);
  EXPECT_FALSE(port.isOpen());
}

// Close waits for the event thread running only its hand-over: a posted call
// stays queued until Close has returned, so a Close that it makes finds the
// port closed instead of returning early with the port still open.
TEST_F(SerialEvents, CloseRunsTheQueuedBatchButNoPostedCall) {
  Record();
  for (int trial = 0; trial < 20; ++trial) {
    SCOPED_TRACE(trial);
    port.open();
    far.send("x");
    BusyFor(40);  // the batch is queued, the main loop has not run it
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
    loop.processPendingMessages();
    EXPECT_TRUE(posted);
    EXPECT_FALSE(openAfterNestedClose);
  }
}

TEST_F(SerialEvents, ExceptionInTheHandlerStopsNotificationsUntilReopened) {
  int calls = 0;
  port.setOnArrival([&](int count) {
    ++calls;
    Text got;
    port.read(got, count);
    if (calls == 1) {
      throw std::runtime_error("handler failed");
    }
  });
  port.open();
  far.send("1");
  ASSERT_TRUE(PumpUntil(loop, [&] { return calls == 1; }));  // nothing escapes to the loop
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.eventThread()->ended(); }));
  far.send("2");
  PumpFor(loop, 150);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(port.isOpen());
  Text got;
  EXPECT_EQ(port.read(got, 10), 1);  // the port itself still works
  port.close();
  port.open();
  far.send("3");
  ASSERT_TRUE(PumpUntil(loop, [&] { return calls == 2; }));
}

TEST_F(SerialEvents, FarEndClosingEndsTheThreadQuietly) {
  Record();
  port.open();
  far.send("last");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "last"; }));
  far.closeMaster();
  ASSERT_TRUE(PumpUntil(
      loop, [&] { return port.eventThread()->ended(); }, 2000));
  EXPECT_TRUE(port.isOpen());
  const auto start = std::chrono::steady_clock::now();
  port.close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialEvents, WithoutTheEventThreadNothingIsRaised) {
  Record();
  Change([](PortSettings& s) { s.eventThread = false; });
  port.open();
  EXPECT_EQ(port.eventThread(), nullptr);
  far.send("q");
  PumpFor(loop, 100);
  EXPECT_TRUE(counts.empty());
  EXPECT_EQ(port.inputCount(), 1);
}

TEST_F(SerialEvents, CloseInsideTheHandlerDoesNotHang) {
  int calls = 0;
  port.setOnArrival([&](int) {
    ++calls;
    port.close();
  });
  port.open();
  far.send("bye");
  ASSERT_TRUE(PumpUntil(loop, [&] { return calls == 1; }));
  EXPECT_FALSE(port.isOpen());
  Record();
  port.open();
  far.send("again");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "again"; }));
}

}  // namespace
}  // namespace th::test
