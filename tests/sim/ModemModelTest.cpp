// The modem in front of the logger: what each modem type's sequences send,
// answered as the tool's connection and hang-up steps expect.
#include <gtest/gtest.h>

#include "tests/sim/SimHarness.h"

namespace th::sim::test {
namespace {

ModelConfig Modem() {
  ModelConfig c;
  c.modem = true;
  return c;
}

const std::string kEscape = "\x1d+++\x1b";

TEST(Modem, InitDialClockReadAndCdmaHangup) {
  SimHarness h(Modem());
  h.model.lineOpened(0);
  EXPECT_EQ(h.line("#T01 R"), "\r\nERROR\r\n");  // offline: the modem, not the logger
  EXPECT_EQ(h.line("AT&F E0"), "\r\nOK\r\n");
  EXPECT_EQ(h.line("AT+CDV0123456"), "\r\nCONNECT\r\n");
  EXPECT_TRUE(h.model.state().online);
  EXPECT_EQ(h.line("#T01 R"), "Time Read 24-05-06 14:05:31\r\n");
  // Types 1-5: the disconnect command without line end, then the escape sequence.
  h.model.receive("ATH", 0);
  EXPECT_EQ(h.takeAt(0), "");
  h.model.receive(kEscape, 100);
  EXPECT_EQ(h.takeAt(100), "\r\nNO CARRIER\r\n");
  EXPECT_FALSE(h.model.state().online);
  EXPECT_EQ(h.model.state().hangups, 1);
  // The closing "ATH" (again without line end) and the close change nothing more.
  h.model.receive("ATH", 200);
  h.model.lineClosed(400);
  EXPECT_EQ(h.takeAt(400), "");
  EXPECT_EQ(h.model.state().dials, 1);
}

TEST(Modem, LteHangupLineEndDoesNotDrawAnError) {
  SimHarness h(Modem());
  h.line("ATZ");
  EXPECT_EQ(h.line("ATD0123"), "\r\nCONNECT\r\n");
  h.line("#M01 T O");
  EXPECT_TRUE(h.model.state().terminal);
  EXPECT_EQ(h.line(kEscape), "\r\nNO CARRIER\r\n");  // ESC CR LF after it is no command
  EXPECT_FALSE(h.model.state().terminal);
}

TEST(Modem, HangupCutsAStreamingFile) {
  ModelConfig c = Modem();
  c.rate = 10;
  LoggerFiles files;
  files.put("\\SL01\\SL010.TXT", std::string(1000, '-'));
  SimHarness h(c, std::move(files));
  h.line("ATD1");
  h.line("#M01 T O");
  h.model.receive("fread \\SL01\\SL010.TXT\r\n", 0);
  EXPECT_EQ(h.takeAt(500).size(), 6U);
  h.model.receive(kEscape, 500);
  EXPECT_EQ(h.takeAt(100000), "\r\nNO CARRIER\r\n");
}

TEST(Modem, RepliesOnRequest) {
  struct Case {
    ModemReply init, dial, hangup;
    std::string initText, dialText, hangupText;
    bool online;
  };
  const Case cases[] = {
      {ModemReply::Error, ModemReply::NoCarrier, ModemReply::Error, "\r\nERROR\r\n",
       "\r\nNO CARRIER\r\n", "\r\nERROR\r\n", false},
      {ModemReply::None, ModemReply::Error, ModemReply::Ok, "", "\r\nERROR\r\n", "\r\nOK\r\n",
       false},
      {ModemReply::Ok, ModemReply::None, ModemReply::None, "\r\nOK\r\n", "", "", false},
  };
  for (const auto& k : cases) {
    ModelConfig c = Modem();
    c.initReply = k.init;
    c.dialReply = k.dial;
    c.hangupReply = k.hangup;
    SimHarness h(c);
    EXPECT_EQ(h.line("ATZ"), k.initText);
    EXPECT_EQ(h.line("ATDT99"), k.dialText);
    EXPECT_EQ(h.model.state().online, k.online);
    // Offline the escape is no hang-up: a modem in command state lets it pass.
    EXPECT_EQ(h.line(kEscape), "");
    EXPECT_EQ(h.model.state().hangups, 0);
    // Online it is, answered as told.
    c.dialReply = ModemReply::Connect;
    SimHarness up(c);
    up.line("ATDT99");
    EXPECT_EQ(up.line(kEscape), k.hangupText);
    EXPECT_EQ(up.model.state().hangups, 1);
  }
}

TEST(Modem, DialPrefixesEchoAndLostCarrier) {
  ModelConfig c = Modem();
  c.dialPrefixes = {""};  // a bare number dials (an empty dial command on a type 6 modem)
  c.echo = true;
  SimHarness h(c);
  EXPECT_EQ(h.line("0123"), "0123\r\n\r\nCONNECT\r\n");
  // The echo of a command that contains "OK" is what the tool may take as the answer.
  ModelConfig e = Modem();
  e.echo = true;
  e.initReply = ModemReply::None;
  SimHarness echo(e);
  EXPECT_EQ(echo.line("ATOK"), "ATOK\r\n");

  ModelConfig d = Modem();
  d.noCarrierOn = Cmd::TimeRead;
  SimHarness lost(d);
  lost.line("ATD1");
  EXPECT_EQ(lost.line("#T01 R"), "\r\nNO CARRIER\r\n");
  EXPECT_FALSE(lost.model.state().online);
  EXPECT_EQ(lost.line("ATD1"), "\r\nCONNECT\r\n");  // a new dial brings it back
  EXPECT_EQ(lost.line("#T01 W 24 05 06 14 05"), "Time Set 24-05-06 14:05:00\r\n");
}

TEST(Modem, ClosingThePortHangsUp) {
  SimHarness h(Modem());
  h.line("ATD1");
  h.line("#M01 T O");
  h.model.lineClosed(0);
  EXPECT_FALSE(h.model.state().online);
  EXPECT_FALSE(h.model.state().terminal);
  EXPECT_EQ(h.line("#T01 R"), "\r\nERROR\r\n");
}

TEST(Modem, CommandStateTakesTheConfiguredLinesExactly) {
  ModelConfig c = Modem();
  c.initCommands = {"AT&F E0"};
  SimHarness h(c);
  EXPECT_EQ(h.line("AT&F E0"), "\r\nOK\r\n");
  // Not the configured initialisation, or a dial prefix in another case.
  for (const std::string drift : {"ATZ", "at&f e0", "AT&F E0 ", "atd0123", "Atd0123", "XYZ"}) {
    SCOPED_TRACE(drift);
    EXPECT_EQ(h.line(drift), "\r\nERROR\r\n");
    EXPECT_TRUE(h.hasEvent("NOTE", "rejected " + drift));
  }
  EXPECT_EQ(h.model.state().rejected, 6);
  EXPECT_EQ(h.model.state().dials, 0);
  // A logger command offline is the tool's, just too early: no drift.
  EXPECT_EQ(h.line("#T01 R"), "\r\nERROR\r\n");
  EXPECT_TRUE(h.hasEvent("NOTE", "logger command while offline"));
  // Plus signs in command state are characters of a line.
  EXPECT_EQ(h.line("AT+++"), "\r\nERROR\r\n");
  EXPECT_EQ(h.model.state().hangups, 0);
  EXPECT_EQ(h.line("ATD0123"), "\r\nCONNECT\r\n");
  EXPECT_EQ(h.model.state().rejected, 7);
}

TEST(Modem, UnconfirmedHangupsRepeatedOfflineDrawNothing) {
  ModelConfig c = Modem();
  c.hangupReply = ModemReply::None;
  SimHarness h(c);
  h.line("ATZ");
  h.line("ATD0123");
  // Type 6: the escape and a line end, cycle after cycle.
  for (std::int64_t i = 0; i < 3; ++i) {
    EXPECT_EQ(h.line(kEscape, 100 * i), "");
  }
  EXPECT_EQ(h.model.state().hangups, 1);
  EXPECT_EQ(h.model.state().rejected, 0);
  // Types 1-5: the disconnect command and the escape, never a line end.
  SimHarness cdma(c);
  cdma.line("ATZ");
  cdma.line("ATD0123");
  for (std::int64_t i = 0; i < 3; ++i) {
    cdma.model.receive("ATH" + kEscape, 200 * i);
  }
  cdma.model.lineClosed(1000);
  EXPECT_EQ(cdma.takeAt(1000), "");
  EXPECT_EQ(cdma.model.state().hangups, 1);
  EXPECT_EQ(cdma.model.state().rejected, 0);
  EXPECT_EQ(cdma.model.state().commands.at(static_cast<std::size_t>(Cmd::Other)), 0);
}

}  // namespace
}  // namespace th::sim::test
