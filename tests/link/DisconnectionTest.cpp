#include <gtest/gtest.h>

#include "serial/SerialError.h"
#include "tests/link/LinkRig.h"

namespace th::test {
namespace {

using Strings = std::vector<std::string>;
const std::string kEsc(kEscape);

DeviceSpec Modem(const std::string& type) {
  DeviceSpec d;
  d.type = type;
  d.discnt = "ATH";
  return d;
}

// The port open as after a connection, the clock at 0.
void OpenPort(LinkRig& r) {
  r.sim->open();
  r.tool().line.up = true;
}

TEST(DirectHangUp, EmptyCommandWritesNothingAndClosesAfter200ms) {
  LinkRig r(DeviceSpec{});
  OpenPort(r);
  EXPECT_TRUE(r.tool().disconnection.disconnect(r.link(), true));
  EXPECT_TRUE(r.writes().empty());
  EXPECT_EQ(r.events(), (Strings{"open COM1 9600", "RTS 0", "DTR 0", "close"}));
  EXPECT_EQ(r.now(), 202u);
  EXPECT_EQ(r.panel(2), Strings{""});
  EXPECT_FALSE(r.tool().line.up);
  EXPECT_EQ(r.view().busyHistory(), (std::vector<bool>{true, false}));
}

TEST(DirectHangUp, ClosedPortIsLeftAloneButTheFlagAndPointerAreReset) {
  LinkRig r(DeviceSpec{});
  r.tool().line.up = true;
  EXPECT_FALSE(r.tool().disconnection.disconnect(r.link(), true));
  EXPECT_TRUE(r.events().empty());
  EXPECT_FALSE(r.tool().line.up);
  EXPECT_EQ(r.view().busyHistory(), (std::vector<bool>{true, false}));
}

TEST(DirectHangUp, NoTypeRunsNothing) {
  LinkRig r(Modem("TCP/IP"));
  OpenPort(r);
  EXPECT_FALSE(r.tool().disconnection.disconnect(r.link(), true));
  EXPECT_TRUE(r.sim->isOpen());
  EXPECT_FALSE(r.tool().line.up);
}

TEST(ModemHangUp, ConfirmedInTheFirstCycleClosesWithTheCommandOnceMore) {
  LinkRig r(Modem("JX070"));
  OpenPort(r);
  r.lineBefore(u"NO CARRIER");  // an older line does not count
  r.on(kEsc, "NO CARRIER\r\n", 50);
  EXPECT_TRUE(r.tool().disconnection.disconnect(r.link(), true));
  EXPECT_EQ(r.writes(), (Strings{"101:ATH", "202:" + kEsc, "303:ATH"}));
  EXPECT_EQ(r.events(), (Strings{"open COM1 9600", "RTS 0", "DTR 0", "close"}));
  EXPECT_EQ(r.now(), 505u);
  EXPECT_EQ(r.panel(1), Strings{"DISConnecting-0[sec]"});
  EXPECT_EQ(r.panel(2), (Strings{"ATH", kEsc, "ATH"}));
}

TEST(ModemHangUp, ErrorAlsoConfirms) {
  LinkRig r(Modem("etc"));
  OpenPort(r);
  r.on(kEsc, "ERROR\r\n", 150);
  EXPECT_TRUE(r.tool().disconnection.disconnect(r.link(), true));
  EXPECT_EQ(r.writes(), (Strings{"101:ATH", "202:" + kEsc, "303:ATH", "404:" + kEsc, "505:ATH"}));
  EXPECT_FALSE(r.sim->isOpen());
}

TEST(ModemHangUp, UnansweredRuns26CyclesAndLeavesThePortOpen) {
  for (const std::string answer : {"", "OK\r\n"}) {
    SCOPED_TRACE(answer);
    LinkRig r(Modem("H316k"));
    OpenPort(r);
    if (!answer.empty()) {
      r.on(kEsc, answer, 20);
    }
    EXPECT_FALSE(r.tool().disconnection.disconnect(r.link(), true));
    Strings expected;
    for (int k = 0; k < 26; ++k) {
      expected.push_back(std::to_string(101 + 202 * k) + ":ATH");
      expected.push_back(std::to_string(202 + 202 * k) + ":" + kEsc);
    }
    EXPECT_EQ(r.writes(), expected);
    EXPECT_EQ(r.now(), 101u + 26 * 202);
    EXPECT_EQ(r.panel(1), Counted("DISConnecting-", Tenths(2, 52, 2)));
    EXPECT_EQ(r.panel(1).back(), "DISConnecting-5[sec]");
    EXPECT_TRUE(r.sim->isOpen());
    EXPECT_FALSE(r.tool().line.up);
  }
}

TEST(ModemHangUp, EmptyDisconnectCommandSendsOnlyTheEscape) {
  DeviceSpec d = Modem("H316k");
  d.discnt = "";
  LinkRig r(d);
  OpenPort(r);
  r.on(kEsc, "NO CARRIER\r", 10);
  EXPECT_TRUE(r.tool().disconnection.disconnect(r.link(), true));
  EXPECT_EQ(r.writes(), Strings{"202:" + kEsc});
  EXPECT_FALSE(r.sim->isOpen());
}

TEST(LteHangUp, ConfirmedWritesTheEscapeWithLineEndThenTheCommandAndCloses) {
  LinkRig r(Modem("TWX-314"));
  OpenPort(r);
  r.on(kEsc + "\r\n", "NO CARRIER\r\n", 50);
  EXPECT_TRUE(r.tool().disconnection.disconnect(r.link(), true));
  EXPECT_EQ(r.writes(), (Strings{"101:" + kEsc + "\r\n", "202:ATH"}));
  EXPECT_EQ(r.panel(2), (Strings{kEsc, "ATH"}));
  EXPECT_EQ(r.now(), 404u);
  EXPECT_FALSE(r.sim->isOpen());
}

TEST(LteHangUp, UnansweredStillClosesWhenAsked) {
  LinkRig r(Modem("TWX-314"));
  OpenPort(r);
  EXPECT_FALSE(r.tool().disconnection.disconnect(r.link(), true));
  const Strings w = r.writes();
  ASSERT_EQ(w.size(), 27u);
  for (int k = 0; k < 26; ++k) {
    EXPECT_EQ(w[k], std::to_string(101 + 101 * k) + ":" + kEsc + "\r\n");
  }
  EXPECT_EQ(w.back(), std::to_string(101 + 26 * 101) + ":ATH");
  EXPECT_EQ(r.panel(1), Counted("DISConnecting-", Tenths(2, 52, 2)));
  EXPECT_FALSE(r.sim->isOpen());
}

TEST(LteHangUp, WithoutComportCloseThePortStaysOpen) {
  LinkRig r(Modem("TWX-314"));
  OpenPort(r);
  r.on(kEsc + "\r\n", "NO CARRIER\r\n", 50);
  EXPECT_TRUE(r.tool().disconnection.disconnect(r.link(), false));
  EXPECT_TRUE(r.sim->isOpen());
}

TEST(HangUpStop, CloseRequestEndsTheCyclesAtOnce) {
  {
    LinkRig r(Modem("B/T(QM515)"));
    OpenPort(r);
    r.closeAt(500);
    EXPECT_FALSE(r.tool().disconnection.disconnect(r.link(), true));
    EXPECT_EQ(r.now(), 500u);
    EXPECT_TRUE(r.sim->isOpen());  // unconfirmed
  }
  {
    LinkRig r(Modem("TWX-314"));
    OpenPort(r);
    r.closeAt(500);
    EXPECT_FALSE(r.tool().disconnection.disconnect(r.link(), true));
    EXPECT_EQ(r.now(), 500u);
    EXPECT_FALSE(r.sim->isOpen());
  }
}

TEST(HangUpFailure, FailedWriteStillDropsTheLinesAndClosesBeforePassingOn) {
  LinkRig r(Modem("Direct"));
  OpenPort(r);
  r.sim->failWrites = true;
  EXPECT_THROW(r.tool().disconnection.disconnect(r.link(), true), ESerialPort);
  EXPECT_EQ(r.events(), (Strings{"open COM1 9600", "RTS 0", "DTR 0", "close"}));
  EXPECT_EQ(r.now(), 202u);
  EXPECT_FALSE(r.tool().line.up);
  EXPECT_EQ(r.view().busyHistory(), (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace th::test
