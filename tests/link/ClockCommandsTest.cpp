#include <gtest/gtest.h>

#include <filesystem>

#include "protocol/ClockCommands.h"
#include "tests/link/LinkRig.h"

namespace th::test {
namespace {

using Strings = std::vector<std::string>;
const std::string kRead = "#T01 R\r\n";
const std::string kSet = "#T01 W 24 05 06 14 05\r\n";
const std::string kNoAnswer = "Station 4 : DataLogger no answer -2024-05-06 14:05:31";

struct ClockRig : LinkRig {
  ClockRig() : LinkRig(DeviceSpec{}) { sim->open(); }
  std::string log() const { return ReadWholeFile(rig->dir.path() / "LogFile.Log"); }
};

TEST(ClockRead, UnansweredSendsSixTimesThreeSecondsApartThenFails) {
  ClockRig r;
  r.lineBefore(u"READ from before");
  EXPECT_FALSE(r.tool().clock.readClock(r.link().loggerId));
  EXPECT_EQ(r.writes(), (Strings{"0:" + kRead, "3010:" + kRead, "6020:" + kRead, "9030:" + kRead,
                                 "12040:" + kRead, "15050:" + kRead}));
  EXPECT_EQ(r.now(), 51u * 301);
  EXPECT_EQ(r.panel(1), Counted("Time Reading-", Tenths(1, 51)));
  EXPECT_EQ(r.panel(2), Repeat("#T01 R", 6));
  EXPECT_EQ(r.tool().steps.steps, 51);
}

TEST(ClockRead, ReplyInAnyCaseAnswersIntoAFreshReceiveLog) {
  ClockRig r;
  r.tool().reception.routeTo(Route::Download2);
  r.rig->panes.receiveLog.append("old line");
  r.on(kRead, "time read 24-05-06\r\n", 400);
  EXPECT_TRUE(r.tool().clock.readClock(r.link().loggerId));
  EXPECT_EQ(r.now(), 602u);
  EXPECT_TRUE(r.tool().reception.lastLine().empty());
  EXPECT_EQ(r.tool().reception.route(), Route::ReceiveLog);
  ASSERT_EQ(r.rig->panes.receiveLog.count(), 1u);
  EXPECT_EQ(r.rig->panes.receiveLog.raw(0), "time read 24-05-06");
  EXPECT_EQ(r.tool().steps.steps, 2);
}

TEST(ClockRead, OnlyTheLastCompleteLineIsTested) {
  ClockRig r;
  r.on(kRead, "Time Read 24-05-06\r\nOK\r\n", 50);
  EXPECT_FALSE(r.tool().clock.readClock(r.link().loggerId));
  EXPECT_EQ(r.writes().size(), 6u);
}

TEST(ClockRead, EmptyLoggerIdWritesNothingForIt) {
  DeviceSpec d;
  d.logId = "";
  LinkRig r(d);
  r.sim->open();
  r.on("#T R\r\n", "Time Read\r", 10);
  EXPECT_TRUE(r.tool().clock.readClock(r.link().loggerId));
  EXPECT_EQ(r.writes(), Strings{"0:#T R\r\n"});
}

TEST(ClockSetting, StartsOnlyAfterTheCarriedCounterPassed20) {
  ClockRig r;
  r.tool().steps.steps = 1;  // as the wake-up left it
  r.on(kSet, "Time Set 24-05-06 14:05\r\n", 30);
  EXPECT_TRUE(r.tool().clock.setClock(r.link().loggerId, r.job().fetch.deviceName));
  EXPECT_EQ(r.writes(), Strings{"2020:" + kSet});
  EXPECT_EQ(r.now(), 2121u);
  EXPECT_EQ(r.panel(1), Counted("Time Setting-", Tenths(2, 22)));
  EXPECT_EQ(r.panel(2), Strings{"#T01 W 24 05 06 14 05"});
  EXPECT_EQ(r.tool().steps.steps, 22);
  EXPECT_TRUE(r.tool().reception.lastLine().empty());
  EXPECT_EQ(r.log(), "");
}

TEST(ClockSetting, TakesThePcTimeAfreshForEverySend) {
  ClockRig r;
  r.tool().steps.steps = 30;
  r.rig->sys.clock = {2031, 12, 9, 23, 59, 58};
  r.rig->loop.startTimer(150, false, [&] { r.rig->sys.clock = {2032, 1, 1, 0, 0, 1}; });
  r.on("#T01 W 32 01 01 00 00\r\n", "Time Set\r", 10);
  EXPECT_TRUE(r.tool().clock.setClock(r.link().loggerId, r.job().fetch.deviceName));
  EXPECT_EQ(r.writes(), (Strings{"0:#T01 W 31 12 09 23 59\r\n", "101:#T01 W 31 12 09 23 59\r\n",
                                 "202:#T01 W 32 01 01 00 00\r\n"}));
}

TEST(ClockSetting, UnansweredSends30TimesAndLogsTheEntry) {
  ClockRig r;
  r.tool().steps.steps = 1;
  r.on(kSet, "TIME SET\r", 10);  // wrong case: no answer
  EXPECT_FALSE(r.tool().clock.setClock(r.link().loggerId, r.job().fetch.deviceName));
  const Strings w = r.writes();
  ASSERT_EQ(w.size(), 30u);
  EXPECT_EQ(w.front(), "2020:" + kSet);
  EXPECT_EQ(w.back(), std::to_string(2020 + 29 * 101) + ":" + kSet);
  EXPECT_EQ(r.now(), 50u * 101);
  EXPECT_EQ(r.panel(3).back(), kNoAnswer);
  EXPECT_EQ(r.log(), kNoAnswer + "\r\n");
  EXPECT_TRUE(r.tool().reception.lastLine().empty());
}

TEST(ClockSetting, CounterAlreadyPast50LogsAtOnceWithoutSending) {
  ClockRig r;
  r.tool().steps.steps = 51;
  EXPECT_FALSE(r.tool().clock.setClock(r.link().loggerId, r.job().fetch.deviceName));
  EXPECT_TRUE(r.writes().empty());
  EXPECT_EQ(r.now(), 0u);
  EXPECT_EQ(r.log(), kNoAnswer + "\r\n");
}

TEST(ClockSetting, CounterBetween21And50SendsOnTheFirstStepWithFewerStepsLeft) {
  ClockRig r;
  r.tool().steps.steps = 45;
  EXPECT_FALSE(r.tool().clock.setClock(r.link().loggerId, r.job().fetch.deviceName));
  EXPECT_EQ(r.writes().size(), 6u);
  EXPECT_EQ(r.writes().front(), "0:" + kSet);
  EXPECT_EQ(r.now(), 6u * 101);
}

TEST(ClockSetting, UnwritableLogPassesTheFailureOnWithBuffCleared) {
  ClockRig r;
  r.tool().steps.steps = 51;
  std::filesystem::create_directory(r.rig->dir.path() / "LogFile.Log");
  r.lineBefore(u"x");
  EXPECT_THROW(r.tool().clock.setClock(r.link().loggerId, r.job().fetch.deviceName), EInOutError);
  EXPECT_TRUE(r.tool().reception.lastLine().empty());
}

// The same logger id must reach the logger in the same bytes from every
// command: an id byte above 127 once went through text and lost its form.
TEST(LoggerId, EveryCommandSendsTheStoredBytes) {
  // 0xB5 alone, and 0xC2 0xB5, which as text would be one character.
  for (const std::string& id : {std::string("\xB5"), std::string("\xC2\xB5")}) {
    SCOPED_TRACE(static_cast<int>(id.size()));
    DeviceSpec d;
    d.logId = id;
    const std::string read = "#T" + id + " R\r\n";
    {
      LinkRig r(d);  // the wake-up of a direct logger
      r.on(read, "Time Read\r\n", 10);
      EXPECT_TRUE(r.tool().connection.connect(r.link(), true));
      EXPECT_EQ(r.writes(), Strings{"202:" + read});
    }
    LinkRig r(d);
    r.sim->open();
    r.on(read, "Time Read\r\n", 10);
    EXPECT_TRUE(r.tool().clock.readClock(r.link().loggerId));
    r.tool().steps.steps = 21;
    r.on("#T" + id + " W 24 05 06 14 05\r\n", "Time Set\r\n", 10);
    EXPECT_TRUE(r.tool().clock.setClock(r.link().loggerId, r.job().fetch.deviceName));
    r.on("#M" + id + " T O\r\n", "Terminal mode ON\r\n", 10);
    r.tool().terminal.openTerminal(r.link().loggerId);
    EXPECT_EQ(r.writes(), (Strings{"0:" + read, "301:#T" + id + " W 24 05 06 14 05\r\n",
                                   "402:#M" + id + " T O\r\n"}));
  }
}

TEST(ClockStop, CloseRequestEndsBothExchanges) {
  {
    ClockRig r;
    r.closeAt(1000);
    EXPECT_FALSE(r.tool().clock.readClock(r.link().loggerId));
    EXPECT_EQ(r.now(), 1000u);
    EXPECT_EQ(r.writes().size(), 1u);
  }
  {
    ClockRig r;
    r.tool().steps.steps = 25;
    r.closeAt(1000);
    EXPECT_FALSE(r.tool().clock.setClock(r.link().loggerId, r.job().fetch.deviceName));
    EXPECT_EQ(r.now(), 1000u);
    EXPECT_EQ(r.log(), kNoAnswer + "\r\n");
  }
}

}  // namespace
}  // namespace th::test
