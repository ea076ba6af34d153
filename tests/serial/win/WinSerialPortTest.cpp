// The port component under Wine, on a pseudo-terminal linked into the prefix
// as COM10 by the far-end helper.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "serial/EventThread.h"
#include "serial/SerialLinkPort.h"
#include "tests/serial/win/ThreadTimes.h"
#include "tests/serial/win/WinSerialFixture.h"

namespace th::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using WinSerial = WinSerialFixture;

TEST_F(WinSerial, OpensAt9600And115200AndBytesGoBothWays) {
  Record();
  for (const std::uint32_t rate : {9600U, 115200U}) {
    SCOPED_TRACE(rate);
    received.clear();
    Change([&](PortSettings& s) { s.baudRate = rate; });
    port.open();
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(port.write(u"#T\r\n\u00E9"), 5);
    EXPECT_EQ(line->receive(5), "#T\r\n\xE9");
    line->send(std::string("OK\0\xFF\r", 5));
    const std::string expected = ToUtf8(BytesToText(std::string("OK\0\xFF\r", 5)));
    ASSERT_TRUE(PumpUntil(loop, [&] { return received.size() >= expected.size(); }));
    EXPECT_EQ(received, expected);
    // The lines reach the far end, as they would a modem.
    port.setDtr(true);
    port.setRts(true);
    EXPECT_EQ(line->waitDte(FarEnd::kDtr | FarEnd::kRts, FarEnd::kDtr | FarEnd::kRts),
              FarEnd::kDtr | FarEnd::kRts);
    port.setDtr(false);
    port.setRts(false);
    EXPECT_EQ(line->waitDte(FarEnd::kDtr | FarEnd::kRts, 0), 0U);
    port.close();
    EXPECT_FALSE(port.isOpen());
  }
}

// Arrivals come through the event thread, on the main thread, each once:
// from a wait that stays pending as on Windows, and on a bare
// pseudo-terminal, where Wine refuses the modem-line events and then ends
// every wait aborted after a few milliseconds.
TEST_F(WinSerial, ArrivalsReachTheHandlerOnTheMainThreadEachOnce) {
  Record();
  for (const auto lines : {FarEnd::Lines::Shim, FarEnd::Lines::None}) {
    SCOPED_TRACE(static_cast<int>(lines));
    port.close();
    Connect(lines);
    received.clear();
    port.open();
    for (int i = 0; i < 20; ++i) {
      line->send(std::string(1, static_cast<char>('a' + i)));
      ASSERT_TRUE(PumpUntil(loop, [&] { return received.size() == std::size_t(i + 1); })) << i;
    }
    EXPECT_EQ(received, "abcdefghijklmnopqrst");
  }
  for (const auto id : threads) {
    EXPECT_EQ(id, std::this_thread::get_id());
  }
  for (const int count : counts) {
    EXPECT_GE(count, 1);
  }
}

TEST_F(WinSerial, BytesArrivingWhileTheMainThreadIsBusyComeAsOneBatch) {
  Record();
  port.open();
  line->send("abc");
  std::this_thread::sleep_for(milliseconds(60));
  line->send("def");
  std::this_thread::sleep_for(milliseconds(60));
  ASSERT_TRUE(PumpUntil(loop, [&] { return received.size() == 6; }));
  PumpFor(loop, 100);
  EXPECT_EQ(counts, std::vector<int>{6});
  EXPECT_EQ(received, "abcdef");
}

// A file streaming in at 9600 baud comes in chunks every few milliseconds;
// the main thread gets it whole and in order, in about ten batches a second
// rather than one per chunk.
TEST_F(WinSerial, AStreamComesWholeInFewBatches) {
  Record();
  port.open();
  std::string sent;
  for (int i = 0; i < 100; ++i) {
    sent += std::to_string(i % 10) + ",";
  }
  std::thread sender([this, &sent] {
    for (std::size_t i = 0; i < sent.size(); i += 2) {
      line->send(sent.substr(i, 2));
      std::this_thread::sleep_for(milliseconds(10));
    }
  });
  const bool whole = PumpUntil(loop, [&] { return received.size() == sent.size(); });
  sender.join();
  ASSERT_TRUE(whole);
  EXPECT_EQ(received, sent);
  // About 1 s of stream: one batch per 100 ms, with room for a slow machine.
  EXPECT_LE(counts.size(), 16U);
}

// Unread bytes are reported again only with the next arrival. Wine completes
// every wait at once while bytes are queued: those completions bring nothing
// new, so the thread pauses instead of spinning.
TEST_F(WinSerial, LeftBytesAreNotReportedTwiceAndTheIdleThreadDoesNotSpin) {
  Record(false);
  port.open();
  line->send("ab");
  ASSERT_TRUE(PumpUntil(loop, [&] { return counts.size() == 1; }));
  const std::uint64_t id = port.eventThread()->systemThreadId();
  const double before = ThreadCpuMs(id);
  PumpFor(loop, 500);
  const double used = ThreadCpuMs(id) - before;
  EXPECT_EQ(counts, std::vector<int>{2});
  EXPECT_LT(used, 100.0) << "event thread CPU ms over 500 ms";
  line->send("c");
  ASSERT_TRUE(PumpUntil(loop, [&] { return counts.size() == 2; }));
  EXPECT_EQ(counts[1], 3);
}

// On a bare pseudo-terminal every wait ends aborted, and the thread looks
// again after ever longer pauses while the line is quiet; a command sent ends
// the pause, so the reply that follows it is seen at once however long the
// quiet was.
TEST_F(WinSerial, ReplyAfterALongQuietReachesTheHandlerSoon) {
  Connect(FarEnd::Lines::None);
  Record();
  port.open();
  std::vector<double> latencies;
  for (int i = 0; i < 5; ++i) {
    PumpFor(loop, 700);
    const std::size_t before = received.size();
    const auto start = Clock::now();
    ASSERT_EQ(port.write(u"?"), 1);
    ASSERT_EQ(line->receive(1), "?");
    line->send("!");
    ASSERT_TRUE(PumpUntil(loop, [&] { return received.size() > before; }));
    latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(latencies.begin(), latencies.end());
  // Without the early end the median would be about half the longest pause.
  EXPECT_LT(latencies[2], 60.0) << "median command-to-reply ms";
}

TEST_F(WinSerial, WriteIsBoundedByItsTimeLimit) {
  Change([](PortSettings& s) {
    s.timeouts.writeTotalMultiplier = 0;
    s.timeouts.writeTotalConstant = 200;
  });
  port.open();
  // Nobody reads the far end, so the pseudo-terminal fills up.
  const Text big(1 << 20, u'x');
  const auto start = Clock::now();
  const int written = port.write(big);
  const auto took = Clock::now() - start;
  EXPECT_GT(written, 0);
  EXPECT_LT(written, static_cast<int>(big.size()));
  EXPECT_GE(took, milliseconds(150));
  EXPECT_LT(took, milliseconds(2000));
  // What the count says went out did reach the far end (the rest did not).
  EXPECT_EQ(line->drain(200).size(), static_cast<std::size_t>(written));
}

TEST_F(WinSerial, CloseWithBytesInFlightEndsPromptlyAndLosesNoOutput) {
  Record();
  for (int trial = 0; trial < 10; ++trial) {
    SCOPED_TRACE(trial);
    port.open();
    line->send("incoming bytes that nobody reads");
    EXPECT_EQ(port.write(u"+++ATH0\r"), 8);
    const auto start = Clock::now();
    port.close();
    EXPECT_LT(Clock::now() - start, milliseconds(1500));
    EXPECT_EQ(line->receive(8, 1000), "+++ATH0\r");
  }
  // Input that was not read is gone after a new open.
  received.clear();
  Change([](PortSettings& s) { s.eventThread = false; });
  port.open();
  PumpFor(loop, 50);
  Text got;
  EXPECT_EQ(port.read(got, 100), 0);
}

TEST_F(WinSerial, CloseRunsAQueuedBatchWhileThePortIsStillOpen) {
  bool connectedInHandler = false;
  port.setOnArrival([&](int count) {
    connectedInHandler = port.isOpen();
    Text got;
    port.read(got, count);
    received += ToUtf8(got);
  });
  port.open();
  line->send("hello");
  std::this_thread::sleep_for(milliseconds(100));  // queued, not run
  port.close();
  EXPECT_EQ(received, "hello");
  EXPECT_TRUE(connectedInHandler);
}

TEST_F(WinSerial, PortHeldByAnotherProgramDoesNotOpen) {
  HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, L"TidehaulHolderReady");
  HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, L"TidehaulHolderRelease");
  std::array<wchar_t, MAX_PATH> self{};
  ::GetModuleFileNameW(nullptr, self.data(), MAX_PATH);
  std::wstring holder(self.data());
  holder.erase(holder.find_last_of(L"\\/") + 1);
  std::wstring command =
      L"\"" + holder + L"serial_port_holder.exe\" COM10 TidehaulHolderReady TidehaulHolderRelease";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_NE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process),
            FALSE);
  ASSERT_EQ(::WaitForSingleObject(ready, 10000), WAIT_OBJECT_0);

  const auto letGo = [&] {
    ::SetEvent(release);
    ::WaitForSingleObject(process.hProcess, 10000);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    ::CloseHandle(ready);
    ::CloseHandle(release);
  };
  // Windows keeps an unshared device to its holder; Wine 8 does not for COM
  // ports (a second CreateFileW with share mode 0 succeeds), so there the
  // component cannot see the other program.
  const HANDLE probe = ::CreateFileW(L"\\\\.\\COM10", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    ::CloseHandle(probe);
    letGo();
    GTEST_SKIP() << "this system does not keep a COM port to the program that holds it";
  }
  std::string message;
  int winCode = 0;
  EXPECT_EQ(ErrorOf([&] { port.open(); }, message, winCode), SError_OpenFailed);
  EXPECT_EQ(message, "Unable to open com port (Error: " + std::to_string(winCode) + ")");
  EXPECT_GT(winCode, 0);
  EXPECT_FALSE(port.isOpen());

  letGo();
  port.open();
  EXPECT_TRUE(port.isOpen());
}

TEST_F(WinSerial, PortThatDoesNotExistFailsWithErrorTwo) {
  std::string message;
  int winCode = 0;
  for (const Text name : {u"COM199", u"COM0", u"NOPORT"}) {
    Change([&](PortSettings& s) { s.name = name; });
    EXPECT_EQ(ErrorOf([&] { port.open(); }, message, winCode), SError_OpenFailed);
    EXPECT_EQ(message, "Unable to open com port (Error: 2)") << ToUtf8(name);
    EXPECT_EQ(winCode, 2);
    EXPECT_FALSE(port.isOpen());
  }
}

TEST_F(WinSerial, ClosedPortReportsTheInvalidHandleCode) {
  std::string message;
  int winCode = 0;
  EXPECT_EQ(ErrorOf([&] { port.setDtr(true); }, message, winCode), SError_EscapeComFailed);
  EXPECT_EQ(message, "EscapeCommFunction function failed (Error: 6)");
  EXPECT_EQ(ErrorOf([&] { port.write(u"x"); }, message, winCode), SError_PortNotOpen);
  EXPECT_EQ(message, "Port Not Open");
  EXPECT_EQ(winCode, -1);
}

TEST_F(WinSerial, TheToolsPortTalksThroughTheLinkSeam) {
  SerialLinkPort link(loop, "");
  std::string got;
  link.setOnArrival([&](int count) {
    Text text;
    link.read(text, count);
    got += ToUtf8(text);
  });
  link.setName(u"COM10");
  link.setBaudRate(115200);
  link.open();
  EXPECT_EQ(link.write(u"#T\r\n"), 4);
  EXPECT_EQ(line->receive(4), "#T\r\n");
  line->send("OK\r");
  ASSERT_TRUE(PumpUntil(loop, [&] { return got == "OK\r"; }));
  link.close();
}

}  // namespace
}  // namespace th::test
