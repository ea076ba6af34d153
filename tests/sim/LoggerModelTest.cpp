// The logger's side of the protocol, in virtual time: every reply the tool
// tests for, byte for byte, and the misbehaviour the tests of the tool rely on.
#include <gtest/gtest.h>

#include "tests/sim/SimHarness.h"
#include "tools/logger-sim/DataGenerator.h"
#include "tools/logger-sim/Escape.h"

namespace th::sim::test {
namespace {

LoggerFiles SampleFiles() {
  LoggerFiles files;
  files.put("\\SL01\\SL010.TXT", "24-05-06 14:00:00,1.00\r\n24-05-06 14:10:00,2.00\r\n");
  files.put("\\SL01\\SL011.TXT", "24-05-06 14:00:00,9.00\r\n");
  files.put("\\PROG.TXT", "x");
  return files;
}

std::string OpenTerminal(SimHarness& h) {
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
  EXPECT_EQ(ReceivedLines(raw), (std::vector<std::string>{"Time Read 08-05-06 14:05:31",
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
  SimHarness h({}, SampleFiles());
  EXPECT_EQ(h.line("DIR"), "");
  EXPECT_EQ(h.line("FSIZE \\SL01\\SL010.TXT"), "");
  EXPECT_EQ(h.line("DEL \\SL01\\SL010.TXT"), "");
  EXPECT_EQ(h.model.files().all().size(), 3U);
  EXPECT_EQ(OpenTerminal(h), "Terminal mode ON\r\n");
  EXPECT_TRUE(h.model.state().terminal);
  EXPECT_EQ(h.line("#M01 T C"), "Function mode\r\n");
  EXPECT_FALSE(h.model.state().terminal);
  EXPECT_EQ(h.line("DIR"), "");
}

TEST(LoggerTerminal, ListingEndsWithAMarkerUnlessToldOtherwise) {
  SimHarness h({}, SampleFiles());
  OpenTerminal(h);
  EXPECT_EQ(h.line("DIR"),
            " Directory of \\\r\n[SL01]\r\nPROG.TXT              1\r\n   1 File(s)  1 bytes\r\n");
  EXPECT_EQ(h.line("CD sl01"), "");
  EXPECT_EQ(h.model.state().cwd, "\\SL01");
  const auto lines = ReceivedLines(h.line("DIR"));
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_EQ(lines.back(), "   2 File(s)  72 bytes");

  ModelConfig c;
  c.dirReply = DirReply::NoMarker;
  SimHarness n(c, SampleFiles());
  OpenTerminal(n);
  const auto last = ReceivedLines(n.line("DIR")).back();
  EXPECT_EQ(last.find_first_of("\\.])"), std::string::npos) << last;

  c.dirReply = DirReply::None;
  SimHarness none(c, SampleFiles());
  OpenTerminal(none);
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
    SimHarness h(c, SampleFiles());
    OpenTerminal(h);
    EXPECT_EQ(h.line("FSIZE \\SL01\\SL010.TXT"), expected);
  }
  SimHarness h({}, SampleFiles());
  OpenTerminal(h);
  EXPECT_EQ(h.line("FSIZE \\SL99\\SL990.TXT"), "FS:0\r\n");
}

TEST(LoggerFiles, ReadSendsTheFileBytesAndDeleteRemovesIt) {
  SimHarness h({}, SampleFiles());
  OpenTerminal(h);
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
  SimHarness h(c, SampleFiles());
  OpenTerminal(h);
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
  SimHarness h(c, SampleFiles());
  OpenTerminal(h);
  EXPECT_EQ(h.line("fread \\SL01\\SL010.TXT"), "24-05-06 14:00:00,1.00\r\n");
  EXPECT_TRUE(h.hasEvent("FILE", "\\SL01\\SL010.TXT 24 48"));
  EXPECT_EQ(h.line("FSIZE \\SL01\\SL010.TXT"), "FS:48\r\n");  // still responsive

  ModelConfig d;
  d.noCarrierOn = Cmd::Fread;
  SimHarness lost(d, SampleFiles());
  OpenTerminal(lost);
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

// The commands exactly as the tool writes them, each served.
TEST(LoggerStrictness, TakesTheToolsCommandsExactly) {
  SimHarness h({}, SampleFiles());
  EXPECT_EQ(h.line("#T01 R"), "Time Read 24-05-06 14:05:31\r\n");
  EXPECT_EQ(h.line("#T01 W 24 05 06 14 05"), "Time Set 24-05-06 14:05:00\r\n");
  EXPECT_EQ(h.line("#M01 T O"), "Terminal mode ON\r\n");
  EXPECT_NE(h.line("DIR").find(" File(s) "), std::string::npos);
  EXPECT_EQ(h.line("FSIZE \\SL01\\SL010.TXT"), "FS:48\r\n");
  EXPECT_EQ(h.line("fread \\SL01\\SL010.TXT").size(), 48U);
  EXPECT_EQ(h.line("CD \\"), "");
  EXPECT_EQ(h.line("DEL \\SL01\\SL010.TXT"), "");
  EXPECT_EQ(h.line("DEL \\SL01\\SL011.TXT"), "");
  EXPECT_EQ(h.line("#M01 T C"), "Function mode\r\n");
  EXPECT_EQ(h.model.state().deleted.size(), 2U);
  EXPECT_EQ(h.model.state().rejected, 0);
  for (const auto& e : h.events) {
    EXPECT_NE(e.kind + " " + e.text.substr(0, 9), "NOTE rejected") << e.text;
  }
}

// A drift in case, blanks or line ends is refused, noted and counted, and
// changes nothing on the logger.
TEST(LoggerStrictness, EverythingElseIsRejectedAndCounted) {
  const std::vector<std::string> nearMisses = {
      "#t01 R",
      "#T01 r",
      "#T01  R",
      "#T01 R ",
      " #T01 R",
      "#T01R",
      "#T01 W 24 5 06 14 05",
      "#T01 W 24 05 06 14 05 ",
      "#T01 W  24 05 06 14 05",
      "#T01 w 24 05 06 14 05",
      "#T01 W 24-05-06 14:05",
      "#m01 T C",
      "#M01 T c",
      "#M01 TC",
      "#M01  T C",
      "dir",
      "Dir",
      "DIR ",
      "DIR \\",
      "cd \\",
      "CD\\",
      "CD  \\",
      "CD",
      "fsize \\SL01\\SL010.TXT",
      "FSIZE  \\SL01\\SL010.TXT",
      "FSIZE \\SL01\\SL010.TXT ",
      "FSIZE",
      "FREAD \\SL01\\SL010.TXT",
      "Fread \\SL01\\SL010.TXT",
      "fread\\SL01\\SL010.TXT",
      "fread  \\SL01\\SL010.TXT",
      "del \\SL01\\SL010.TXT",
      "DEL  \\SL01\\SL010.TXT",
      "DEL\t\\SL01\\SL010.TXT",
      "DEL ",
      "",
      "+++",
  };
  SimHarness h({}, SampleFiles());
  h.line("#M01 T O");
  h.line("CD \\SL01");
  int rejected = 0;
  for (const auto& line : nearMisses) {
    SCOPED_TRACE(line);
    EXPECT_EQ(h.line(line), "");
    EXPECT_EQ(h.model.state().rejected, ++rejected);
    EXPECT_TRUE(h.hasEvent("NOTE", "rejected " + EscapeBytes(line)));
    EXPECT_EQ(h.model.state().rejectedLines.back(), EscapeBytes(line));
  }
  EXPECT_EQ(h.model.state().rejectedLines.size(), LoggerModel::kRejectedKept);
  EXPECT_EQ(h.model.files().all().size(), 3U);
  EXPECT_TRUE(h.model.state().terminal);
  EXPECT_EQ(h.model.state().cwd, "\\SL01");
  EXPECT_TRUE(h.model.state().clockSets.empty());
  // Two of them only carry a blank too many after the id.
  EXPECT_EQ(h.model.state().commands.at(static_cast<std::size_t>(Cmd::Other)), rejected - 2);

  // A line for another logger is not served either.
  EXPECT_EQ(h.line("#T02 R"), "");
  EXPECT_EQ(h.line("#M1 T C"), "");
  EXPECT_EQ(h.model.state().rejected, rejected + 2);
  EXPECT_TRUE(h.hasEvent("NOTE", "rejected #M1 T C"));
  EXPECT_TRUE(h.model.state().terminal);
}

TEST(LoggerStrictness, PathsIgnoreLetterCaseOnlyAndLineEndsAreCrLf) {
  SimHarness h({}, SampleFiles());
  h.line("#M01 T O");
  // Names as on a DOS file system: any letter case, backslashes only.
  EXPECT_EQ(h.line("FSIZE \\sl01\\Sl010.txt"), "FS:48\r\n");
  EXPECT_EQ(h.line("FSIZE /SL01/SL010.TXT"), "FS:0\r\n");
  EXPECT_EQ(h.line("FSIZE SL01\\SL011.TXT"), "FS:24\r\n");  // relative to the root
  EXPECT_EQ(h.model.state().rejected, 0);

  // A CR alone still ends the line, but the missing LF is a drift.
  h.model.receive("#T01 R\r#T01 R\r\n", 0);
  EXPECT_EQ(h.takeAt(0), "Time Read 24-05-06 14:05:31\r\nTime Read 24-05-06 14:05:31\r\n");
  EXPECT_TRUE(h.hasEvent("NOTE", "rejected line end: CR without LF after #T01 R"));
  h.model.receive("#T01\n R\r\n", 0);
  EXPECT_TRUE(h.hasEvent("NOTE", "rejected line end: LF without CR"));
  EXPECT_EQ(h.model.state().rejected, 2);
}

LoggerFiles FilesOf(const GeneratedFiles& g) {
  LoggerFiles files;
  for (int f = 0; f < g.files; ++f) {
    files.put(DataFilePath("01", f), BuildDataFile(g, f));
  }
  return files;
}

GeneratedFiles TenLines(int files) {
  GeneratedFiles g;
  g.plan.lines = 10;
  EXPECT_TRUE(ParseStamp("2024-05-06 14:00:00", g.plan.start));
  g.files = files;
  return g;
}

std::string Held(const SimHarness& h, int n) {
  const auto* f = h.model.files().find(DataFilePath("01", n));
  return f == nullptr ? "" : *f->data;
}

TEST(LoggerFaults, LateTailComesAfterItsPauseAndRepliesWait) {
  ModelConfig c;
  c.lateTail = LateTail{8, 500};
  SimHarness h(c, SampleFiles());
  OpenTerminal(h);
  h.model.receive("fread \\SL01\\SL010.TXT\r\n#T01 R\r\n", 1000);
  const std::string file = "24-05-06 14:00:00,1.00\r\n24-05-06 14:10:00,2.00\r\n";
  EXPECT_EQ(h.takeAt(1000), file.substr(0, 40));
  EXPECT_EQ(h.model.nextDue(1000), 1500);
  EXPECT_EQ(h.takeAt(1499), "");
  EXPECT_EQ(h.takeAt(1500), file.substr(40) + "Time Read 24-05-06 14:05:31\r\n");
  EXPECT_TRUE(h.hasEvent("FILE", "\\SL01\\SL010.TXT 48 48"));

  // A tail longer than the file: all of it comes late.
  c.lateTail = LateTail{1000, 300};
  SimHarness all(c, SampleFiles());
  OpenTerminal(all);
  EXPECT_EQ(all.line("fread \\SL01\\SL011.TXT"), "");
  EXPECT_EQ(all.takeAt(300), "24-05-06 14:00:00,9.00\r\n");
}

TEST(LoggerFaults, UnplugAfterPartOfTheFirstReadKeepsTheFiles) {
  ModelConfig c;
  c.unplugAfter = FreadStop{true, 50};
  SimHarness h(c, SampleFiles());
  OpenTerminal(h);
  h.model.receive("fread \\SL01\\SL010.TXT\r\n", 1000);
  EXPECT_EQ(h.takeAt(1000), "24-05-06 14:00:00,1.00\r\n");
  EXPECT_TRUE(h.hasEvent("FILE", "\\SL01\\SL010.TXT 24 48"));
  EXPECT_EQ(h.model.unplugDue(), 1000 + LoggerModel::kUnplugGraceMs);
  EXPECT_EQ(h.model.nextDue(1000), 1000 + LoggerModel::kUnplugGraceMs);
  h.model.receive("#T01 R\r\n", 1050);  // queued, then lost with the adapter
  h.model.unplugged(1100);
  EXPECT_FALSE(h.model.unplugDue().has_value());
  EXPECT_EQ(h.takeAt(1100), "");
  EXPECT_EQ(h.model.state().unplugs, 1);
  EXPECT_FALSE(h.model.state().plugged);
  EXPECT_EQ(h.model.files().all().size(), 3U);
  EXPECT_TRUE(h.model.state().terminal);  // a direct logger does not notice
  h.model.pluggedIn(2000, "/dev/pts/9");
  EXPECT_TRUE(h.hasEvent("PLUG", "/dev/pts/9"));
  EXPECT_TRUE(h.model.state().plugged);
  // Once only: the next read is whole.
  EXPECT_EQ(h.line("fread \\SL01\\SL010.TXT", 2100).size(), 48U);
  EXPECT_FALSE(h.model.unplugDue().has_value());

  // A modem behind the adapter loses DTR and hangs up.
  ModelConfig m;
  m.modem = true;
  m.unplugAfter = FreadStop{false, 0};
  SimHarness modem(m, SampleFiles());
  modem.line("ATD1");
  modem.line("#M01 T O");
  EXPECT_EQ(modem.line("fread \\SL01\\SL011.TXT"), "");
  EXPECT_EQ(modem.model.unplugDue(), LoggerModel::kUnplugGraceMs);
  modem.model.unplugged(LoggerModel::kUnplugGraceMs);
  EXPECT_FALSE(modem.model.state().online);
  EXPECT_FALSE(modem.model.state().terminal);
}

TEST(LoggerFaults, RecordAppendedAfterTheReadGoesToBothFilesAndIsTold) {
  ModelConfig c;
  c.generated = TenLines(2);
  c.appendDuringFetch = true;
  SimHarness h(c, FilesOf(*c.generated));
  OpenTerminal(h);
  const std::string first = Held(h, 0);
  const std::string second = Held(h, 1);
  EXPECT_EQ(h.line("fread \\SL01\\SL010.TXT", 100), first);
  // The record that would have come next, in each file.
  GeneratedFiles eleven = TenLines(2);
  eleven.plan.lines = 11;
  EXPECT_EQ(Held(h, 0), BuildDataFile(eleven, 0));
  EXPECT_EQ(Held(h, 1), BuildDataFile(eleven, 1));
  const auto& added = h.model.state().appended;
  ASSERT_EQ(added.size(), 2U);
  EXPECT_EQ(added[0].path, "\\SL01\\SL010.TXT");
  EXPECT_EQ(added[0].ms, 100);
  EXPECT_EQ(added[0].record, 11);
  EXPECT_EQ(added[0].line + "\r\n", Held(h, 0).substr(first.size()));
  EXPECT_EQ(added[1].line + "\r\n", Held(h, 1).substr(second.size()));
  EXPECT_EQ(added[0].line.substr(0, 17), "24-05-06 15:40:00");
  EXPECT_TRUE(h.hasEvent("APPEND", "\\SL01\\SL010.TXT 11"));
  // A fresh size check sees it; a delete takes it along.
  EXPECT_EQ(h.line("FSIZE \\SL01\\SL010.TXT", 150),
            "FS:" + std::to_string(Held(h, 0).size()) + "\r\n");
  // Reading the second file appends nothing.
  h.line("fread \\SL01\\SL011.TXT", 200);
  EXPECT_EQ(h.model.state().appended.size(), 2U);
  h.line("DEL \\SL01\\SL010.TXT", 300);
  ASSERT_EQ(h.model.state().deletions.size(), 1U);
  EXPECT_EQ(h.model.state().deletions[0].lines, 11U);
  EXPECT_EQ(h.model.state().deletions[0].ms, 300);
  const RecordCount& count = h.model.state().records.at("\\SL01\\SL010.TXT");
  EXPECT_EQ(count.initial, 10U);
  EXPECT_EQ(count.appended, 1U);
  EXPECT_EQ(count.deleted, 11U);
  ASSERT_EQ(h.model.state().reads.size(), 2U);
  EXPECT_EQ(h.model.state().reads[0].sent, first.size());
  EXPECT_EQ(h.model.state().reads[0].ms, 100);
}

TEST(LoggerFaults, RecordAppendedAtAMomentFollowsTheFilesLayout) {
  ModelConfig c;
  c.generated = TenLines(1);
  c.generated->noFinalNewline = true;
  c.appendAtMs = {5000, 1000};
  SimHarness h(c, FilesOf(*c.generated));
  const std::string before = Held(h, 0);
  ASSERT_NE(before.substr(before.size() - 2), "\r\n");
  EXPECT_EQ(h.model.nextDue(0), 1000);
  EXPECT_EQ(h.takeAt(999), "");
  EXPECT_EQ(Held(h, 0), before);
  h.takeAt(1000);
  ASSERT_EQ(h.model.state().appended.size(), 1U);
  // The line end goes between the records: nothing is glued, none trails.
  EXPECT_EQ(Held(h, 0), before + "\r\n" + h.model.state().appended[0].line);
  EXPECT_EQ(h.model.nextDue(1000), 5000);
  // A command after the moment sees the record.
  h.line("#M01 T O", 6000);
  h.line("CD \\", 6000);
  h.line("DEL \\SL01\\SL010.TXT", 6000);
  ASSERT_EQ(h.model.state().appended.size(), 2U);
  EXPECT_EQ(h.model.state().appended[1].ms, 5000);
  EXPECT_EQ(h.model.state().deletions.at(0).lines, 12U);
  // After a delete the logger starts the file anew.
  c.appendAtMs = {100};
  c.generated->noFinalNewline = false;
  SimHarness anew(c, FilesOf(*c.generated));
  anew.line("#M01 T O");
  anew.line("DEL \\SL01\\SL010.TXT");
  anew.takeAt(100);
  EXPECT_EQ(Held(anew, 0), anew.model.state().appended[0].line + "\r\n");
  EXPECT_EQ(anew.model.state().appended[0].record, 11);
}

}  // namespace
}  // namespace th::sim::test
