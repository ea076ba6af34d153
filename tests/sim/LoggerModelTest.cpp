// The logger's side of the protocol, in virtual time: every reply the tool
// tests for, byte for byte, and the misbehaviour the tests of the tool rely on.
#include <gtest/gtest.h>

#include "tests/sim/SimHarness.h"

namespace th::sim::test {
namespace {

LoggerFiles sampleFiles() {
  LoggerFiles files;
  files.put("\\SL01\\SL010.TXT", "24-05-06 14:00:00,1.00\r\n24-05-06 14:10:00,2.00\r\n");
  files.put("\\SL01\\SL011.TXT", "24-05-06 14:00:00,9.00\r\n");
  files.put("\\PROG.TXT", "x");
  return files;
}

std::string openTerminal(SimHarness& h) {
  return h.line("#M01 T O");
}

TEST(LoggerClock, ReadAndSetAnswerWithTheTokensAndYearPositions) {
  SimHarness h({});
  // Year at characters 11-12 of the read reply and 10-11 of the set reply.
  EXPECT_EQ(h.line("#T01 R"), "Time Read 24-05-06 14:05:31\r\n");
  EXPECT_EQ(h.line("#T01 W 25 12 31 23 59"), "Time Set 25-12-31 23:59:00\r\n");
  EXPECT_EQ(h.model.state().clockSets, std::vector<std::string>{"25 12 31 23 59"});
  // The clock now runs from the time that was set.
  EXPECT_EQ(h.line("#T01 R"), "Time Read 25-12-31 23:59:00\r\n");
}

TEST(LoggerClock, OtherIdsAndBadTimesGetNoAnswer) {
  SimHarness h({});
  EXPECT_EQ(h.line("#T1 R"), "");
  EXPECT_EQ(h.line("#T02 W 24 05 06 14 05"), "");
  EXPECT_TRUE(h.hasEvent("NOTE", "ignored: id 02"));
  EXPECT_EQ(h.line("#T01 W 24 13 06 14 05"), "");   // month 13
  EXPECT_EQ(h.model.state().clockSets.size(), 1U);  // recorded although refused

  ModelConfig empty;
  empty.id = "";
  SimHarness e(empty);
  EXPECT_EQ(e.line("#T R"), "Time Read 24-05-06 14:05:31\r\n");
}

TEST(LoggerClock, Year08AndErrorTagsSurviveTheToolsLineAssembly) {
  ModelConfig c;
  c.year08 = true;
  c.errorTags = true;
  SimHarness h(c);
  std::string raw = h.line("#T01 R");
  raw += h.line("#T01 W 24 05 06 14 05");
  EXPECT_NE(raw.find('E'), std::string::npos);  // a tag is really in there
  EXPECT_EQ(receivedLines(raw), (std::vector<std::string>{"Time Read 08-05-06 14:05:31",
                                                          "Time Set 08-05-06 14:05:00"}));
}

TEST(LoggerClock, MutedSetStillSetsTheClock) {
  ModelConfig c;
  c.muted.at(static_cast<std::size_t>(Cmd::TimeSet)) = true;
  SimHarness h(c);
  EXPECT_EQ(h.line("#T01 W 30 01 02 03 04"), "");
  EXPECT_EQ(h.line("#T01 R"), "Time Read 30-01-02 03:04:00\r\n");
}

TEST(LoggerTerminal, FileCommandsNeedTerminalMode) {
  SimHarness h({}, sampleFiles());
  EXPECT_EQ(h.line("DIR"), "");
  EXPECT_EQ(h.line("FSIZE \\SL01\\SL010.TXT"), "");
  EXPECT_EQ(h.line("DEL \\SL01\\SL010.TXT"), "");
  EXPECT_EQ(h.model.files().all().size(), 3U);
  EXPECT_EQ(openTerminal(h), "Terminal mode ON\r\n");
  EXPECT_TRUE(h.model.state().terminal);
  EXPECT_EQ(h.line("#M01 T C"), "Function mode\r\n");
  EXPECT_FALSE(h.model.state().terminal);
  EXPECT_EQ(h.line("DIR"), "");
}

TEST(LoggerTerminal, ListingEndsWithAMarkerUnlessToldOtherwise) {
  SimHarness h({}, sampleFiles());
  openTerminal(h);
  EXPECT_EQ(h.line("DIR"),
            " Directory of \\\r\n[SL01]\r\nPROG.TXT              1\r\n   1 File(s)  1 bytes\r\n");
  EXPECT_EQ(h.line("CD sl01"), "");
  EXPECT_EQ(h.model.state().cwd, "\\SL01");
  const auto lines = receivedLines(h.line("DIR"));
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines.back(), "   2 File(s)  72 bytes");

  ModelConfig c;
  c.dirReply = DirReply::NoMarker;
  SimHarness n(c, sampleFiles());
  openTerminal(n);
  const auto last = receivedLines(n.line("DIR")).back();
  EXPECT_EQ(last.find_first_of("\\.])"), std::string::npos) << last;

  c.dirReply = DirReply::None;
  SimHarness none(c, sampleFiles());
  openTerminal(none);
  EXPECT_EQ(none.line("DIR"), "");
}

TEST(LoggerTerminal, SizeRepliesCarryTheSizeFromTheFourthCharacter) {
  const std::pair<SizeReply, std::string> cases[] = {
      {SizeReply::Normal, "FS:48\r\n"},   {SizeReply::Blank, "FS: 48\r\n"},
      {SizeReply::Nan, "FS:48x\r\n"},     {SizeReply::Short, "FS\r\n"},
      {SizeReply::Negative, "FS:-1\r\n"}, {SizeReply::None, ""},
  };
  for (const auto& [mode, expected] : cases) {
    ModelConfig c;
    c.sizeReply = mode;
    SimHarness h(c, sampleFiles());
    openTerminal(h);
    EXPECT_EQ(h.line("FSIZE \\SL01\\SL010.TXT"), expected);
  }
  SimHarness h({}, sampleFiles());
  openTerminal(h);
  EXPECT_EQ(h.line("FSIZE \\SL99\\SL990.TXT"), "FS:0\r\n");
}

TEST(LoggerFiles, ReadSendsTheFileBytesAndDeleteRemovesIt) {
  SimHarness h({}, sampleFiles());
  openTerminal(h);
  EXPECT_EQ(h.line("fread \\SL01\\SL010.TXT"),
            "24-05-06 14:00:00,1.00\r\n24-05-06 14:10:00,2.00\r\n");
  EXPECT_TRUE(h.hasEvent("FILE", "\\SL01\\SL010.TXT 48 48"));
  // The second delete line names the path without its leading backslash after "DEL \".
  h.line("CD \\");
  h.line("DEL \\SL01\\SL010.TXT");
  h.line("DEL \\SL01\\SL010.TXT");  // the tool sends each twice
  h.line("DEL \\sl01\\sl011.txt");
  ASSERT_EQ(h.model.files().all().size(), 1U);
  EXPECT_EQ(h.model.files().all()[0]->path, "\\PROG.TXT");
  EXPECT_EQ(h.model.state().deleted,
            (std::vector<std::string>{"\\SL01\\SL010.TXT", "\\SL01\\SL011.TXT"}));
  EXPECT_TRUE(h.hasEvent("NOTE", "missing file: \\SL01\\SL010.TXT"));
}

TEST(LoggerFiles, ReadAtARateAndARepliesQueuedBehindIt) {
  ModelConfig c;
  c.rate = 100;  // bytes per second
  SimHarness h(c, sampleFiles());
  openTerminal(h);
  h.model.receive("fread \\SL01\\SL010.TXT\r\n", 1000);
  h.model.receive("#T01 R\r\n", 1000);
  EXPECT_EQ(h.takeAt(1000).size(), 1U);  // byte 0 is due at once
  EXPECT_EQ(h.takeAt(1100).size(), 10U);
  const auto due = h.model.nextDue(1100);
  ASSERT_TRUE(due.has_value());
  EXPECT_GT(*due, 1100);
  EXPECT_LE(*due, 1110);
  // The rest of the file by 1470, and only then the clock reply.
  EXPECT_EQ(h.takeAt(1470),
            ":00:00,1.00\r\n24-05-06 14:10:00,2.00\r\nTime Read 24-05-06 14:05:31\r\n");
  EXPECT_FALSE(h.model.nextDue(1470).has_value());
}

TEST(LoggerFiles, ReadStopsHalfwayOrLosesTheCarrier) {
  ModelConfig c;
  c.freadStop = FreadStop{true, 50};
  SimHarness h(c, sampleFiles());
  openTerminal(h);
  EXPECT_EQ(h.line("fread \\SL01\\SL010.TXT"), "24-05-06 14:00:00,1.00\r\n");
  EXPECT_TRUE(h.hasEvent("FILE", "\\SL01\\SL010.TXT 24 48"));
  EXPECT_EQ(h.line("FSIZE \\SL01\\SL010.TXT"), "FS:48\r\n");  // still responsive

  ModelConfig d;
  d.noCarrierOn = Cmd::Fread;
  SimHarness lost(d, sampleFiles());
  openTerminal(lost);
  EXPECT_EQ(lost.line("fread \\SL01\\SL010.TXT"), "24-05-06 14:00:00,1.00\r\n\r\nNO CARRIER\r\n");
  EXPECT_EQ(lost.line("#T01 R"), "");  // the line is gone until the port closes
  lost.model.lineClosed(10);
  EXPECT_EQ(lost.line("#T01 R", 20), "Time Read 24-05-06 14:05:31\r\n");
}

TEST(LoggerMisbehaviour, DelaysMutesAndEcho) {
  ModelConfig c;
  c.replyDelayMs = 700;
  c.delayMs.at(static_cast<std::size_t>(Cmd::TerminalOpen)) = 50;
  c.muteLogger = true;
  c.muted.fill(false);
  SimHarness silent(c);
  EXPECT_EQ(silent.line("#T01 R"), "");
  EXPECT_EQ(silent.takeAt(5000), "");

  c.muteLogger = false;
  c.echo = true;
  SimHarness h(c);
  EXPECT_EQ(h.line("#T01 R", 100), "#T01 R\r\n");  // the echo is immediate
  EXPECT_EQ(h.takeAt(799), "");
  EXPECT_EQ(h.takeAt(800), "Time Read 24-05-06 14:05:31\r\n");
  h.model.receive("#M01 T O\r\n", 1000);
  EXPECT_EQ(h.takeAt(1049), "#M01 T O\r\n");
  EXPECT_EQ(h.takeAt(1050), "Terminal mode ON\r\n");
}

TEST(LoggerInput, LinesAssembleAcrossChunksAndIgnoreLf) {
  SimHarness h({});
  h.model.receive("#T0", 0);
  h.model.receive("1\n R", 0);
  EXPECT_EQ(h.takeAt(0), "");
  h.model.receive("\r", 0);
  EXPECT_EQ(h.takeAt(0), "Time Read 24-05-06 14:05:31\r\n");
  // A closed port forgets the unfinished line.
  h.model.receive("#T01", 0);
  h.model.lineClosed(0);
  h.model.receive(" R\r", 0);
  EXPECT_EQ(h.takeAt(0), "");
  EXPECT_TRUE(h.hasEvent("CMD", "other  R"));
}

}  // namespace
}  // namespace th::sim::test
