#include <gtest/gtest.h>

#include "serial/SerialError.h"
#include "tests/link/LinkRig.h"

namespace th::test {
namespace {

using Strings = std::vector<std::string>;
const std::string kRead = "#T01 R\r\n";
const std::string kSet = "#T01 W 24 05 06 14 05\r\n";

std::string Log(LinkRig& r) {
  return ReadWholeFile(r.rig->dir.path() / "LogFile.Log");
}

// The file fetch runs between the clock setting and the hang-up; these tests
// look at the job's own steps around it.
Strings Head(const Strings& w, std::size_t n) {
  return {w.begin(), w.begin() + n};
}
Strings Tail(const Strings& w, std::size_t n) {
  return {w.end() - n, w.end()};
}
std::uint64_t Ms(const std::string& write) {
  return std::stoull(write.substr(0, write.find(':')));
}
std::string Bytes(const std::string& write) {
  return write.substr(write.find(':') + 1);
}

TEST(DownloadJob, NoDeviceRunsNothingButEndsTheRun) {
  LinkRig r(DeviceSpec{});
  r.view().setPendingDevice(u"-1");
  r.tool().shell.onStartButton();
  EXPECT_TRUE(r.events().empty());
  EXPECT_TRUE(r.tool().shell.runOver());
}

TEST(DownloadJob, DirectJobConnectsSetsTheClockFetchesAndHangsUp) {
  LinkRig r(DeviceSpec{});
  r.tool().reception.routeTo(Route::Download2);
  r.on(kRead, "Time Read 24-05-06 14:05:31\r\n", 30);
  r.on(kSet, "Time Set 24-05-06 14:05\r\n", 30);
  r.tool().job.run(r.rig->job(3));
  const Strings w = r.writes();
  ASSERT_GE(w.size(), 3u);
  EXPECT_EQ(Head(w, 2), (Strings{"202:" + kRead, "2323:" + kSet}));
  EXPECT_GE(Ms(w[2]), 2424u);  // the fetch follows the answered clock setting
  // Direct hang-up: lines down 100 ms apart, closed 200 ms after it began.
  EXPECT_EQ(Tail(r.events(), 3), (Strings{"RTS 0", "DTR 0", "close"}));
  EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
  EXPECT_EQ(Head(r.panel(1), 22), [] {
    Strings p = {"Connecting 0[sec]"};
    for (const auto& s : Counted("Time Setting-", Tenths(2, 22))) {
      p.push_back(s);
    }
    return p;
  }());
  EXPECT_EQ(Head(r.panel(2), 2), (Strings{kRead, "#T01 W 24 05 06 14 05"}));
  EXPECT_EQ(r.panel(2).back(), "");
  EXPECT_EQ(Head(r.panel(3), 2),
            (Strings{"Time Read 24-05-06 14:05:31", "Time Set 24-05-06 14:05"}));
  EXPECT_FALSE(r.tool().line.up);
  EXPECT_EQ(Log(r).find("DataLogger no answer"), std::string::npos);
  EXPECT_EQ(r.view().busyHistory(), (std::vector<bool>{true, false}));
}

TEST(DownloadJob, LineThatDoesNotComeUpRunsOnlyTheConnection) {
  LinkRig r(DeviceSpec{});
  r.tool().job.run(r.rig->job(3));
  EXPECT_EQ(r.writes().size(), 6u);
  EXPECT_TRUE(r.view().busyHistory().empty());  // no hang-up
  EXPECT_EQ(r.now(), 5555u);
  const JobReport& report = r.tool().job.report();
  EXPECT_FALSE(report.connected);
  EXPECT_EQ(ToUtf8(report.failure), "Logger did not answer the wake-up");
  EXPECT_EQ(report.error, u"");
}

TEST(DownloadJob, ClockSettingUnansweredIsLoggedAndTheLineStillGoesDown) {
  LinkRig r(DeviceSpec{});
  r.on(kRead, "Time Read 24-05-06 14:05:31\r\n", 30);
  r.tool().job.run(r.rig->job(3));
  const Strings w = r.writes();
  ASSERT_GT(w.size(), 31u);
  EXPECT_EQ(Bytes(w[30]), kSet);  // 30 sends, then the fetch runs anyway
  EXPECT_NE(Bytes(w[31]), kSet);
  EXPECT_EQ(Log(r).rfind("Station 4 : DataLogger no answer -2024-05-06 14:05:31\r\n", 0), 0u);
  EXPECT_EQ(r.events().back(), "close");
  EXPECT_EQ(r.view().busyHistory(), (std::vector<bool>{true, false}));
}

TEST(DownloadJob, ModemJobEndsWithTheConfirmedHangUp) {
  DeviceSpec d;
  d.type = "H316k";
  d.command = "ATZ";
  d.callCmd = "ATD";
  d.modemNo = "0123";
  d.discnt = "ATH";
  LinkRig r(d);
  r.on("ATZ\r\n", "OK\r\n", 50);
  r.on("ATD0123\r\n", "CONNECT 9600\r\n", 1500);
  r.on(kRead, "Time Read 24-05-06 14:05:31\r\n", 100);
  r.on(kSet, "Time Set 24-05-06 14:05\r\n", 30);
  r.on(std::string(kEscape), "NO CARRIER\r\n", 50);
  r.tool().job.run(r.rig->job(3));
  const Strings w = r.writes();
  ASSERT_GE(w.size(), 7u);
  EXPECT_EQ(Head(w, 4),
            (Strings{"202:ATZ\r\n", "403:ATD0123\r\n", "1918:" + kRead, "4239:" + kSet}));
  // The hang-up: command, 100 ms later the escape, confirmed, the command once more.
  const Strings end = Tail(w, 3);
  const std::uint64_t t = Ms(end[0]);
  EXPECT_EQ(end, (Strings{std::to_string(t) + ":ATH",
                          std::to_string(t + 101) + ":" + std::string(kEscape),
                          std::to_string(t + 202) + ":ATH"}));
  EXPECT_EQ(r.events().back(), "close");
  EXPECT_EQ(r.now(), t + 404);
}

// Starts the tool as program entry does and lets the timer find device 3.
void RunTool(LinkRig& r) {
  r.view().setPendingDevice(u"3");
  r.tool().shell.onCreate();
  r.rig->loop.post([&] { r.tool().shell.onFirstShow(); });
  r.rig->loop.run();
}

TEST(DownloadJob, TickStartedJobRunsToTheEndOfTheProgram) {
  LinkRig r(DeviceSpec{});
  r.on(kRead, "Time Read 24-05-06 14:05:31\r\n", 30);
  r.on(kSet, "Time Set 24-05-06 14:05\r\n", 30);
  RunTool(r);
  EXPECT_FALSE(r.rig->loop.stalled());
  EXPECT_EQ(Head(r.writes(), 2), (Strings{"1202:" + kRead, "3323:" + kSet}));
  EXPECT_EQ(r.panel(0), (Strings{"COM3 Open", "Waiting-11[Sec]"}));
  EXPECT_FALSE(r.sim->isOpen());
  EXPECT_TRUE(r.tool().stop.endWaits);
}

TEST(DownloadJob, FailureInATickStartedJobEndsTheProgramSilently) {
  LinkRig r(DeviceSpec{});
  r.sim->failOpen(kSerialOpenFailed, 2);
  RunTool(r);
  EXPECT_TRUE(r.rig->loop.quitRequested());
  EXPECT_TRUE(r.tool().shell.runOver());
  EXPECT_EQ(Log(r), "");
  EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
  // The report keeps what passed out of the job.
  EXPECT_EQ(ToUtf8(r.tool().job.report().error), ESerialPort::make(kSerialOpenFailed, 2).what());
  EXPECT_FALSE(r.tool().job.report().connected);
}

TEST(DownloadJob, FailureInAManualStartReachesTheLastResortHandler) {
  LinkRig r(DeviceSpec{});
  r.sim->failOpen(kSerialOpenFailed, 2);
  r.tool().shell.onCreate();
  r.view().setPendingDevice(u"3");
  r.rig->loop.post([&] { r.tool().shell.onStartButton(); });
  r.rig->loop.run();
  const std::string what = ESerialPort::make(kSerialOpenFailed, 2).what();
  EXPECT_EQ(Log(r), what + " - 2024-05-06 14:05:31\r\n");
  EXPECT_TRUE(r.tool().shell.runOver());
  EXPECT_FALSE(r.tool().job.running());
}

}  // namespace
}  // namespace th::test
