// The event thread: arrivals reach OnRxChar on the main thread, in batches.
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "serial/SerialThread.h"
#include "tests/serial/SerialFixture.h"

namespace th::test {
namespace {

class SerialEvents : public SerialFixture {
 protected:
  // Records each notification; takes the bytes unless `leave` is set.
  void Record(bool take = true) {
    port.OnRxChar = [this, take](TCustomSerialPort& sender, int count) {
      counts.push_back(count);
      threads.push_back(std::this_thread::get_id());
      if (!take) {
        return;
      }
      Text got;
      sender.ReadStr(got, count);
      received += ToUtf8(got);
    };
  }

  std::vector<int> counts;
  std::vector<std::thread::id> threads;
  std::string received;
};

TEST_F(SerialEvents, ArrivalWhileIdleRaisesOnRxCharOnTheMainThread) {
  Record();
  port.Open();
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
  port.Open();
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
  port.Open();
  far.send("early");
  BusyFor(60);
  Text got;
  EXPECT_EQ(port.ReadStr(got, 100), 5);  // taken before the batch runs
  PumpFor(loop, 100);
  EXPECT_TRUE(counts.empty());
}

TEST_F(SerialEvents, LeftBytesAreReportedAgainOnlyWithTheNextArrival) {
  Record(false);
  port.Open();
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
  port.OnRxChar = [&](TCustomSerialPort& sender, int count) {
    connectedInHandler = sender.Connected();
    Text got;
    sender.ReadStr(got, count);
    received += ToUtf8(got);
    counts.push_back(count);
  };
  port.Open();
  far.send("hello");
  BusyFor(60);  // the batch is queued, the main loop has not run it
  port.Close();
  EXPECT_EQ(counts, std::vector<int>{5});
  EXPECT_EQ(received, "hello");
  EXPECT_TRUE(connectedInHandler);
  EXPECT_FALSE(port.Connected());
}

// Close waits for the event thread running only its hand-over: a posted call
// stays queued until Close has returned, so a Close that it makes finds the
// port closed instead of returning early with the port still open.
TEST_F(SerialEvents, CloseRunsTheQueuedBatchButNoPostedCall) {
  bool inClose = false;
  port.OnBeforeClose = [&](TCustomSerialPort&) { inClose = true; };
  port.OnAfterClose = [&](TCustomSerialPort&) { inClose = false; };
  Record();
  for (int trial = 0; trial < 20; ++trial) {
    SCOPED_TRACE(trial);
    port.Open();
    far.send("x");
    BusyFor(40);  // the batch is queued, the main loop has not run it
    bool posted = false;
    bool postedInClose = false;
    bool openAfterNestedClose = true;
    loop.post([&] {
      posted = true;
      postedInClose = inClose;
      port.Close();
      openAfterNestedClose = port.Connected();
    });
    port.Close();
    EXPECT_EQ(received.size(), static_cast<std::size_t>(trial + 1));
    EXPECT_FALSE(posted);
    EXPECT_FALSE(port.Connected());
    loop.processPendingMessages();
    EXPECT_TRUE(posted);
    EXPECT_FALSE(postedInClose);
    EXPECT_FALSE(openAfterNestedClose);
  }
}

TEST_F(SerialEvents, ExceptionInTheHandlerStopsNotificationsUntilReopened) {
  int calls = 0;
  port.OnRxChar = [&](TCustomSerialPort& sender, int count) {
    ++calls;
    Text got;
    sender.ReadStr(got, count);
    if (calls == 1) {
      throw std::runtime_error("handler failed");
    }
  };
  port.Open();
  far.send("1");
  ASSERT_TRUE(PumpUntil(loop, [&] { return calls == 1; }));  // nothing escapes to the loop
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.EventThread()->Ended(); }));
  far.send("2");
  PumpFor(loop, 150);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(port.Connected());
  Text got;
  EXPECT_EQ(port.ReadStr(got, 10), 1);  // the port itself still works
  port.Close();
  port.Open();
  far.send("3");
  ASSERT_TRUE(PumpUntil(loop, [&] { return calls == 2; }));
}

TEST_F(SerialEvents, FarEndClosingEndsTheThreadQuietly) {
  Record();
  port.Open();
  far.send("last");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "last"; }));
  far.closeMaster();
  ASSERT_TRUE(PumpUntil(
      loop, [&] { return port.EventThread()->Ended(); }, 2000));
  EXPECT_TRUE(port.Connected());
  const auto start = std::chrono::steady_clock::now();
  port.Close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_FALSE(port.Connected());
}

TEST_F(SerialEvents, WithoutEventsNoThreadRunsAndNothingIsRaised) {
  Record();
  port.SetEvents(TSerialEvents());
  port.Open();
  EXPECT_EQ(port.EventThread(), nullptr);
  far.send("q");
  PumpFor(loop, 100);
  EXPECT_TRUE(counts.empty());
  EXPECT_EQ(port.InputCount(), 1);
}

TEST_F(SerialEvents, CloseInsideTheHandlerDoesNotHang) {
  int calls = 0;
  port.OnRxChar = [&](TCustomSerialPort& sender, int) {
    ++calls;
    sender.Close();
  };
  port.Open();
  far.send("bye");
  ASSERT_TRUE(PumpUntil(loop, [&] { return calls == 1; }));
  EXPECT_FALSE(port.Connected());
  Record();
  port.Open();
  far.send("again");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "again"; }));
}

}  // namespace
}  // namespace th::test

namespace th::test {
namespace {

TEST(SerialLinkPortEvents, ArrivalsReachTheLinkHandlerThroughTheExecutableDirectory) {
  BasicEventLoop loop{BasicEventLoop::Clock::Steady};
  TempDir dir;
  PseudoTerminal far;
  far.linkAs(dir.str() + "/COM3");
  SerialLinkPort link(loop, dir.str() + "/");
  std::string received;
  link.setOnArrival([&](int count) {
    Text got;
    link.read(got, count);
    received += ToUtf8(got);
  });
  link.setName(u"COM3");
  link.setBaudRate(115200);
  link.open();
  EXPECT_EQ(link.write(u"#T\r\n"), 4);
  EXPECT_EQ(far.receive(4), "#T\r\n");
  far.send("OK\r");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "OK\r"; }));
  link.close();
  EXPECT_FALSE(link.isOpen());
}

}  // namespace
}  // namespace th::test
