#include <gtest/gtest.h>

#include "link/Connection.h"
#include "serial/SerialError.h"
#include "tests/link/LinkRig.h"

namespace th::test {
namespace {

using Strings = std::vector<std::string>;

const std::string kRead = "#T01 R\r\n";
const std::string kClock = "Time Read 24-05-06 14:05:31\r\n";
const Strings kOpened = {"open COM3 9600", "RTS 1", "DTR 1"};
const Strings kOpenedAndClosed = {"open COM3 9600", "RTS 1", "DTR 1", "RTS 0", "DTR 0", "close"};

Strings Join(Strings a, const Strings& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

DeviceSpec Modem(const std::string& type) {
  DeviceSpec d;
  d.type = type;
  d.command = "ATZ";
  d.callCmd = "ATD";
  d.modemNo = "0123";
  d.discnt = "ATH";
  return d;
}

TEST(DirectConnect, WakeUpWritesSixTimesOneSecondApartAndFailsAfterAbout5s) {
  LinkRig r(DeviceSpec{});
  EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), (Strings{"202:" + kRead, "1212:" + kRead, "2222:" + kRead, "3232:" + kRead,
                                 "4242:" + kRead, "5252:" + kRead}));
  EXPECT_EQ(r.events(), kOpenedAndClosed);
  EXPECT_EQ(r.now(), 5555u);  // 51 steps end at 5353, then lines down and close
  EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
  EXPECT_EQ(r.panel(1), Counted("Connecting ", Tenths(1, 51)));
  EXPECT_EQ(r.panel(2), Join(Repeat(kRead, 6), {""}));
  EXPECT_FALSE(r.tool().line.up);
  EXPECT_EQ(r.tool().steps.steps, 51);
  EXPECT_EQ(ToUtf8(r.tool().connection.failure()), "Logger did not answer the wake-up");
}

TEST(DirectConnect, LoggerAnswerBringsTheLineUp) {
  LinkRig r(DeviceSpec{});
  r.on(kRead, kClock, 30);
  EXPECT_TRUE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), Strings{"202:" + kRead});
  EXPECT_EQ(r.events(), kOpened);
  EXPECT_EQ(r.now(), 303u);
  EXPECT_EQ(r.panel(1), Strings{"Connecting 0[sec]"});
  EXPECT_EQ(r.panel(3), Strings{"Time Read 24-05-06 14:05:31"});
  EXPECT_TRUE(r.tool().line.up);
  EXPECT_EQ(r.tool().steps.steps, 1);
  EXPECT_EQ(r.tool().connection.failure(), u"");
}

TEST(DirectConnect, StaleReadLineAnswersTheWakeUp) {
  LinkRig r(DeviceSpec{});
  r.lineBefore(u"Time Read 24-05-05 10:00:00");
  EXPECT_TRUE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), Strings{"202:" + kRead});
  EXPECT_EQ(r.now(), 303u);
}

TEST(DirectConnect, ShortLoggerIdIsWrittenAsStored) {
  DeviceSpec d;
  d.logId = "7";
  LinkRig r(d);
  r.on("#T7 R\r\n", kClock, 10);
  EXPECT_TRUE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), Strings{"202:#T7 R\r\n"});
}

TEST(ModemConnect, EveryCdmaTypeInitialisesDialsAndReadsTheClock) {
  for (const std::string type : {"H316k", "JX070", "N-Tarsel", "B/T(QM515)", "etc"}) {
    SCOPED_TRACE(type);
    LinkRig r(Modem(type));
    r.on("ATZ\r\n", "OK\r\n", 50);
    r.on("ATD0123\r\n", "CONNECT 9600\r\n", 1500);
    r.on(kRead, kClock, 100);
    EXPECT_TRUE(r.tool().connection.connect(r.link(), true));
    EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "403:ATD0123\r\n", "1918:" + kRead}));
    EXPECT_EQ(r.events(), kOpened);
    EXPECT_EQ(r.now(), 2219u);
    EXPECT_EQ(r.panel(1), Join(Counted("CDMA Calling-", Tenths(1, 15)), {"Time Reading-0[sec]"}));
    EXPECT_EQ(r.panel(2), (Strings{"ATZ", "ATD0123", "#T01 R"}));
    EXPECT_TRUE(r.tool().line.up);
  }
}

TEST(ModemConnect, Twx314DialsWithItsOwnStepAndReadsTheClock) {
  DeviceSpec d = Modem("TWX-314");
  d.command = "AT";
  d.modemNo = "*99#";
  LinkRig r(d);
  r.on("AT\r\n", "OK\r\n", 50);
  r.on("ATD*99#\r\n", "CONNECT\r\n", 300);
  r.on(kRead, kClock, 100);
  EXPECT_TRUE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), (Strings{"202:AT\r\n", "403:ATD*99#\r\n", "706:" + kRead}));
  EXPECT_EQ(r.panel(1), Join(Repeat("LTE Calling-0[sec]", 3), {"Time Reading-0[sec]"}));
  EXPECT_EQ(r.panel(2), (Strings{"AT", "ATD*99#\r\n", "#T01 R"}));
  EXPECT_TRUE(r.tool().line.up);
}

TEST(ModemConnect, InitialisationAnsweredByItsOwnEcho) {
  DeviceSpec d = Modem("JX070");
  d.command = "ATOK";
  LinkRig r(d);
  r.on("ATOK\r\n", "ATOK\r\n", 20);
  r.on("ATD0123\r\n", "CONNECT\r\n", 50);
  r.on(kRead, kClock, 100);
  EXPECT_TRUE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), (Strings{"202:ATOK\r\n", "403:ATD0123\r\n", "504:" + kRead}));
}

TEST(ModemConnect, UnansweredInitialisationFailsWithoutDialling) {
  LinkRig r(Modem("H316k"));
  EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
  // 31 steps of 200 ms; the disconnect command goes out as the port closes.
  EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "6433:ATH"}));
  EXPECT_EQ(r.events(), kOpenedAndClosed);
  EXPECT_EQ(r.now(), 6635u);
  EXPECT_TRUE(r.panel(1).empty());
  EXPECT_EQ(r.panel(2), (Strings{"ATZ", "ATH"}));
  EXPECT_EQ(ToUtf8(r.tool().connection.failure()), "Modem did not answer the initialisation");
}

TEST(ModemConnect, EmptyDialCommandDialsNothingAndTheClockReadDecides) {
  DeviceSpec d = Modem("etc");
  d.callCmd = "";
  LinkRig r(d);
  r.on("ATZ\r\n", "OK\r\n", 50);
  r.on(kRead, kClock, 100);
  EXPECT_TRUE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "403:" + kRead}));
  EXPECT_EQ(r.panel(1), Strings{"Time Reading-0[sec]"});
}

TEST(ModemConnect, NoCarrierOnCdmaDialRunsTheHangUp) {
  LinkRig r(Modem("N-Tarsel"));
  r.on("ATZ\r\n", "OK\r\n", 50);
  r.on("ATD0123\r\n", "NO CARRIER\r\n", 1000);
  r.on(std::string(kEscape), "NO CARRIER\r\n", 50);
  EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "403:ATD0123\r\n", "1514:ATH",
                                 "1615:" + std::string(kEscape), "1716:ATH"}));
  EXPECT_EQ(r.events(), kOpenedAndClosed);
  EXPECT_EQ(r.now(), 1918u);
  EXPECT_EQ(r.panel(1), Join(Counted("CDMA Calling-", Tenths(1, 10)), {"DISConnecting-0[sec]"}));
  EXPECT_EQ(r.view().busyHistory(), (std::vector<bool>{true, false}));
  EXPECT_FALSE(r.tool().line.up);
  EXPECT_EQ(ToUtf8(r.tool().connection.failure()), "Modem dial answered CARRIER");
}

TEST(ModemConnect, NoCarrierWithAnUnconfirmedHangUpStillClosesThePort) {
  LinkRig r(Modem("H316k"));
  r.on("ATZ\r\n", "OK\r\n", 50);
  r.on("ATD0123\r\n", "NO CARRIER\r\n", 1000);
  EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
  const Strings w = r.writes();
  ASSERT_EQ(w.size(), 2u + 52u + 1u);
  EXPECT_EQ(w.back(), std::to_string(1413 + 101 + 26 * 202) + ":ATH");
  EXPECT_EQ(r.events(), kOpenedAndClosed);
}

TEST(ModemConnect, CdmaDialThatNeverAnswersLeavesTheDecisionToTheClockRead) {
  LinkRig r(Modem("B/T(QM515)"));
  r.on("ATZ\r\n", "OK\r\n", 50);
  EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
  const std::uint64_t dialEnd = 403 + 401 * 101ULL;
  Strings expected = {"202:ATZ\r\n", "403:ATD0123\r\n"};
  for (int k = 0; k <= 50; k += 10) {
    expected.push_back(std::to_string(dialEnd + k * 301ULL) + ":" + kRead);
  }
  const std::uint64_t readEnd = dialEnd + 51 * 301ULL;
  expected.push_back(std::to_string(readEnd) + ":ATH");
  EXPECT_EQ(r.writes(), expected);
  EXPECT_EQ(r.now(), readEnd + 202);
  EXPECT_EQ(r.events(), kOpenedAndClosed);
  EXPECT_EQ(r.panel(1), Join(Counted("CDMA Calling-", Tenths(1, 401)),
                             Counted("Time Reading-", Tenths(1, 51))));
  EXPECT_EQ(ToUtf8(r.tool().connection.failure()), "Logger did not answer the clock read");
}

TEST(ModemConnect, Twx314DialCounterRisesByTwoUntilItGivesUp) {
  DeviceSpec d = Modem("TWX-314");
  LinkRig r(d);
  r.on("ATZ\r\n", "OK\r\n", 50);
  EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "403:ATD0123\r\n", "15654:ATH"}));
  EXPECT_EQ(r.panel(1), Counted("LTE Calling-", Tenths(1, 301, 2)));
  EXPECT_EQ(r.panel(1).back(), "LTE Calling-30[sec]");
  EXPECT_EQ(ToUtf8(r.tool().connection.failure()), "LTE modem did not connect");
  EXPECT_EQ(r.events(), kOpenedAndClosed);
}

TEST(ModemConnect, Twx314DialAnsweredByErrorOrCarrierFailsAtOnce) {
  for (const std::string reply : {"ERROR\r\n", "NO CARRIER\r\n"}) {
    SCOPED_TRACE(reply);
    LinkRig r(Modem("TWX-314"));
    r.on("ATZ\r\n", "OK\r\n", 50);
    r.on("ATD0123\r\n", reply, 500);
    EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
    EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "403:ATD0123\r\n", "908:ATH"}));
    EXPECT_EQ(r.panel(1), Repeat("LTE Calling-0[sec]", 5));
    EXPECT_EQ(ToUtf8(r.tool().connection.failure()), "LTE modem did not connect");
    EXPECT_EQ(r.events(), kOpenedAndClosed);
  }
}

TEST(OpenStep, RateAndPortNameComeFromTheSettings) {
  DeviceSpec d;
  d.baud = "115200";
  d.comport = 10;
  LinkRig r(d);
  EXPECT_TRUE(r.tool().connection.openPort(r.link()));
  EXPECT_EQ(r.events(), (Strings{"open COM10 115200", "RTS 1", "DTR 1"}));
  EXPECT_EQ(r.now(), 202u);
  EXPECT_EQ(r.panel(0), Strings{"COM10 Open"});
  EXPECT_TRUE(r.writes().empty());
  for (const int rate : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600,
                         115200, 128000, 256000}) {
    EXPECT_EQ(BaudRateOf(rate), rate);
  }
  EXPECT_EQ(BaudRateOf(0), 0);
  EXPECT_EQ(BaudRateOf(230400), 0);
}

TEST(OpenStep, WholeNumberThatIsNoRateLeavesThePortClosed) {
  DeviceSpec d;
  d.baud = "12345";
  LinkRig r(d);
  EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
  EXPECT_TRUE(r.events().empty());
  EXPECT_TRUE(r.writes().empty());
  EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
  EXPECT_EQ(r.now(), 0u);
  EXPECT_EQ(ToUtf8(r.tool().connection.failure()), "Baud rate 12345 not supported");
}

TEST(OpenStep, RateThatIsNoNumberRaisesAfterShowingThePort) {
  for (const std::string baud : {"96OO", ""}) {
    DeviceSpec d;
    d.baud = baud;
    LinkRig r(d);
    EXPECT_THROW(r.tool().connection.connect(r.link(), true), Exception);
    EXPECT_TRUE(r.events().empty());
    EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
  }
}

TEST(OpenStep, BlanksOrTabsAroundTheRateAreRefusedLikeANonNumber) {
  for (const std::string baud : {"9600 ", " 9600", "\t9600", "9600\t", " "}) {
    SCOPED_TRACE("'" + baud + "'");
    DeviceSpec d;
    d.baud = baud;
    LinkRig r(d);
    try {
      r.tool().connection.connect(r.link(), true);
      ADD_FAILURE() << "no failure";
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), "'" + baud + "' is not a valid integer value");
    }
    EXPECT_TRUE(r.events().empty());
    EXPECT_TRUE(r.writes().empty());
    EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
  }
  // A sign is part of the number.
  DeviceSpec d;
  d.baud = "+9600";
  LinkRig r(d);
  EXPECT_TRUE(r.tool().connection.openPort(r.link()));
  EXPECT_EQ(r.events(), kOpened);
}

TEST(OpenStep, PortThatCannotBeOpenedRaisesAfterShowingThePort) {
  LinkRig r(DeviceSpec{});
  r.sim->failOpen(kSerialOpenFailed, 2);
  try {
    r.tool().connection.connect(r.link(), true);
    ADD_FAILURE() << "no failure";
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.code, kSerialOpenFailed);
    EXPECT_EQ(e.winCode, 2);
  }
  EXPECT_FALSE(r.sim->isOpen());
  EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
}

TEST(OpenStep, PortAlreadyOpenIsClosedAndTheConnectionFails) {
  LinkRig r(DeviceSpec{});
  r.sim->open();
  EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.events(), (Strings{"open COM1 9600", "RTS 0", "DTR 0", "close"}));
  EXPECT_EQ(ToUtf8(r.tool().connection.failure()), "Port was still open");
  EXPECT_TRUE(r.writes().empty());
  EXPECT_EQ(r.now(), 202u);
  EXPECT_EQ(r.panel(0), Strings{"COM3 Open"});
}

TEST(OpenStep, NoCommunicationTypeClosesTheLineAgain) {
  DeviceSpec d = Modem("TCP/IP");
  LinkRig r(d);
  EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
  EXPECT_EQ(r.writes(), Strings{"202:ATH"});
  EXPECT_EQ(r.events(), kOpenedAndClosed);
  EXPECT_EQ(ToUtf8(r.tool().connection.failure()), "No communication type");
}

TEST(ConnectStop, CloseRequestEndsEveryStep) {
  {
    SCOPED_TRACE("wake-up");
    LinkRig r(DeviceSpec{});
    r.closeAt(1000);
    EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
    EXPECT_EQ(r.writes(), Strings{"202:" + kRead});
    EXPECT_EQ(r.events(), kOpenedAndClosed);
    EXPECT_EQ(r.now(), 1000u);
  }
  {
    SCOPED_TRACE("initialisation");
    LinkRig r(Modem("H316k"));
    r.closeAt(1000);
    EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
    EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "1000:ATH"}));
    EXPECT_EQ(r.now(), 1000u);
  }
  {
    SCOPED_TRACE("cdma dial, then the clock read at its first check");
    LinkRig r(Modem("H316k"));
    r.on("ATZ\r\n", "OK\r\n", 50);
    r.closeAt(3000);
    EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
    EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "403:ATD0123\r\n", "3000:ATH"}));
    EXPECT_EQ(r.events(), kOpenedAndClosed);
  }
  {
    SCOPED_TRACE("lte dial");
    LinkRig r(Modem("TWX-314"));
    r.on("ATZ\r\n", "OK\r\n", 50);
    r.closeAt(3000);
    EXPECT_FALSE(r.tool().connection.connect(r.link(), true));
    EXPECT_EQ(r.writes(), (Strings{"202:ATZ\r\n", "403:ATD0123\r\n", "3000:ATH"}));
  }
}

}  // namespace
}  // namespace th::test
