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

TEST(DownloadJob, NoDeviceRunsNothingButEndsTheRun) {
  LinkRig r(DeviceSpec{});
  r.unit().job.SchDownload(-1);
  EXPECT_TRUE(r.events().empty());
  EXPECT_EQ(r.rs().repeatCnt, 11);
}

TEST(DownloadJob, DirectJobConnectsSetsTheClockAndHangsUp) {
  LinkRig r(DeviceSpec{});
  r.rs().RxTypeIndex = 2;
  r.on(kRead, "Time Read 24-05-06 14:05:31\r\n", 30);
  r.on(kSet, "Time Set 24-05-06 14:05\r\n", 30);
  r.unit().job.SchDownload(3);
  EXPECT_EQ(r.writes(), (Strings{"202:" + kRead, "2323:" + kSet}));
  EXPECT_EQ(r.events(), (Strings{"open COM3 9600", "RTS 1", "DTR 1", "RTS 0", "DTR 0", "close"}));
  EXPECT_EQ(r.now(), 2626u);
  EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
  Strings panel1 = {"Connecting 0[sec]"};
  for (const auto& s : Counted("Time Setting-", Tenths(2, 22))) panel1.push_back(s);
  EXPECT_EQ(r.panel(1), panel1);
  EXPECT_EQ(r.panel(2), (Strings{kRead, "#T01 W 24 05 06 14 05", ""}));
  EXPECT_EQ(r.panel(3), (Strings{"Time Read 24-05-06 14:05:31", "Time Set 24-05-06 14:05"}));
  EXPECT_FALSE(r.rs().Connect_flg);
  EXPECT_EQ(r.rs().repeatCnt, 11);
  EXPECT_EQ(Log(r), "");
}

TEST(DownloadJob, LineThatDoesNotComeUpRunsOnlyTheConnection) {
  LinkRig r(DeviceSpec{});
  r.unit().job.SchDownload(3);
  EXPECT_EQ(r.writes().size(), 6u);
  EXPECT_TRUE(r.view().busyHistory().empty());  // no hang-up
  EXPECT_EQ(r.now(), 5555u);
  EXPECT_EQ(r.rs().repeatCnt, 11);
}

TEST(DownloadJob, ClockSettingUnansweredIsLoggedAndTheLineStillGoesDown) {
  LinkRig r(DeviceSpec{});
  r.on(kRead, "Time Read 24-05-06 14:05:31\r\n", 30);
  r.unit().job.SchDownload(3);
  EXPECT_EQ(r.writes().size(), 31u);
  EXPECT_EQ(Log(r), "Station 4 : DataLogger no answer -2024-05-06 14:05:31\r\n");
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
  r.unit().job.SchDownload(3);
  EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "403:ATD0123\r\n", "1918:" + kRead, "4239:" + kSet,
                                 "4441:ATH", "4542:" + std::string(kEscape), "4643:ATH"}));
  EXPECT_EQ(r.events().back(), "close");
  EXPECT_EQ(r.now(), 4845u);
}

// Starts the tool as program entry does and lets the timer find device 3.
void RunTool(LinkRig& r) {
  r.view().setMsgText(u"3");
  r.unit().shell.FormCreate();
  r.rig->loop.post([&] { r.unit().shell.FormShow(); });
  r.rig->loop.run();
}

TEST(DownloadJob, TickStartedJobRunsToTheEndOfTheProgram) {
  LinkRig r(DeviceSpec{});
  r.on(kRead, "Time Read 24-05-06 14:05:31\r\n", 30);
  r.on(kSet, "Time Set 24-05-06 14:05\r\n", 30);
  RunTool(r);
  EXPECT_FALSE(r.rig->loop.stalled());
  EXPECT_EQ(r.writes(), (Strings{"1202:" + kRead, "3323:" + kSet}));
  EXPECT_EQ(r.panel(0), (Strings{"COM3 Open", "Waiting-11[Sec]"}));
  EXPECT_EQ(r.now(), 3626u);
  EXPECT_FALSE(r.sim->Connected());
}

TEST(DownloadJob, FailureInATickStartedJobEndsTheProgramSilently) {
  LinkRig r(DeviceSpec{});
  r.sim->failOpen(SError_OpenFailed, 2);
  RunTool(r);
  EXPECT_TRUE(r.rig->loop.quitRequested());
  EXPECT_EQ(r.rs().repeatCnt, 11);
  EXPECT_EQ(Log(r), "");
  EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
}

TEST(DownloadJob, FailureInAManualStartReachesTheLastResortHandler) {
  LinkRig r(DeviceSpec{});
  r.sim->failOpen(SError_OpenFailed, 2);
  r.unit().shell.FormCreate();
  r.view().setMsgText(u"3");
  r.rig->loop.post([&] { r.unit().shell.SpeedButton3Click(); });
  r.rig->loop.run();
  const std::string what = ESerialPort::Make(SError_OpenFailed, 2).what();
  EXPECT_EQ(Log(r), what + " - 2024-05-06 14:05:31\r\n");
  EXPECT_EQ(r.rs().repeatCnt, 11);
  EXPECT_FALSE(r.unit().job.running());
}

}  // namespace
}  // namespace th::test
