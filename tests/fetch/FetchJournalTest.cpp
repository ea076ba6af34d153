// The fetch journal: a file kept on the logger is not saved twice, a file that
// is no longer what the journal says is saved whole, and a save a killed run
// left unfinished is finished or undone.
#include <gtest/gtest.h>

#include <filesystem>

#include "download/FetchJournalText.h"
#include "platform/PlatformServices.h"
#include "tests/fetch/FetchFixture.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

const std::string kHeader = "Tidehaul fetch journal 1\r\n";

std::string Block(int lines, int firstMinute = 0) {
  return "file \\SL01\\SL010.TXT\r\nlogger 01\r\nlines " + std::to_string(lines) + "\r\nfirst " +
         DataLines(1, firstMinute).substr(0, 28) + "\r\nlast " +
         DataLines(1, firstMinute + 10 * (lines - 1)).substr(0, 28) + "\r\n";
}

class Journal : public Fetch {
 protected:
  fs::path JournalFile() const { return fs::path(f.dataDir()) / "A.fetch-journal"; }
  std::string JournalText() const { return ReadWholeFile(JournalFile()); }
  void Prepare(const std::string& a, const std::string& b, const std::string& journal) {
    fs::create_directory(f.dataDir());
    WriteWholeFile(fs::path(f.dataDir()) / "A.TXT", a);
    WriteWholeFile(fs::path(f.dataDir()) / "B.TXT", b);
    WriteWholeFile(JournalFile(), journal);
  }
};

TEST_F(Journal, AFileKeptOnTheLoggerIsNotSavedTwice) {
  // A record is logged during the fetch: the file is kept.
  f.logger.afterCommand = [&](const std::string& line) {
    if (line.rfind("fread", 0) == 0) {
      f.logger.files[kFirst] += DataLines(1, 300);
    }
  };
  Run();
  EXPECT_EQ(JournalText(), kHeader + Block(30));
  f.logger.afterCommand = nullptr;
  JobReport second;
  f.rig.tool.fetch.fetch(f.settings(), second);
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(31));
  EXPECT_EQ(f.dataFile("B.TXT"), DataLines(31));
  EXPECT_EQ(second.files[0].recordsSkipped, 30);
  EXPECT_EQ(second.files[0].recordsSaved, 1);
  EXPECT_EQ(second.recordsSaved, 1);
  EXPECT_TRUE(f.logger.files.empty());
  // Its file deleted, the entry went.
  EXPECT_EQ(JournalText(), kHeader);
}

TEST_F(Journal, AFileThatNoLongerStartsAsTheJournalSaysIsSavedWholeAndLogged) {
  struct Case {
    const char* what;
    std::string logger;
  };
  for (const Case& c :
       {Case{"a reset logger", DataLines(5, 2000)}, Case{"fewer lines than saved", DataLines(20)},
        Case{"another last line", DataLines(29) + DataLines(1, 999)}}) {
    SCOPED_TRACE(c.what);
    FetchRig g;
    fs::create_directory(g.dataDir());
    WriteWholeFile(fs::path(g.dataDir()) / "A.fetch-journal", kHeader + Block(30));
    g.logger.files[kFirst] = c.logger;
    JobReport report;
    g.rig.tool.fetch.fetch(g.settings(), report);
    EXPECT_EQ(g.dataFile("A.TXT"), c.logger);
    EXPECT_EQ(g.logFile(),
              "Station 4 : \\SL01\\SL010.TXT does not start as the fetch journal "
              "says, all its lines saved -2024-05-06 14:05:31\r\n");
    EXPECT_TRUE(report.fetchComplete);
  }
}

TEST_F(Journal, AnUnreadableJournalIsSetAsideAndEveryLineSaved) {
  fs::create_directory(f.dataDir());
  const std::string garbage = kHeader + "lines 30\r\n";
  WriteWholeFile(JournalFile(), garbage);
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_EQ(ReadWholeFile(fs::path(f.dataDir()) / "A.fetch-journal.unreadable"), garbage);
  EXPECT_EQ(f.logFile(), "Station 4 : Fetch journal " + JoinPath(f.dataDir(), "A.fetch-journal") +
                             " unreadable, set aside as " +
                             JoinPath(f.dataDir(), "A.fetch-journal.unreadable") +
                             "; every line read is saved -2024-05-06 "
                             "14:05:31\r\n");
  EXPECT_TRUE(f.logger.files.empty());
}

TEST_F(Journal, ASaveAKilledRunFinishedIsKeptAndTheSecondFileCompleted) {
  // The run was killed after the first data file had its lines, the second
  // half of them; the logger wrote a record since.
  const std::string old = "24-05-05 23:50:00,0\r\n";
  const std::string lines = DataLines(30);
  Prepare(old + lines, old + lines.substr(0, 100),
          kHeader + "saving 21 921 A.TXT\r\nsaving 21 921 B.TXT\r\nafter\r\n" + Block(30));
  f.logger.files[kFirst] = lines + DataLines(1, 300);
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"), old + DataLines(31));
  EXPECT_EQ(f.dataFile("B.TXT"), old + DataLines(31));
  EXPECT_EQ(f.logFile(), "Station 4 : Data file " + JoinPath(f.dataDir(), "B.TXT") +
                             " cut back to 21 bytes, an append an earlier run left "
                             "unfinished -2024-05-06 14:05:31\r\nStation 4 : Data file " +
                             JoinPath(f.dataDir(), "B.TXT") +
                             " completed from the first data file -2024-05-06 14:05:31\r\n");
  EXPECT_EQ(report.files[0].recordsSkipped, 30);
}

TEST_F(Journal, ASaveAKilledRunLeftHalfDoneIsUndone) {
  const std::string old = "24-05-05 23:50:00,0\r\n";
  const std::string lines = DataLines(30);
  Prepare(old + lines.substr(0, 450), old,
          kHeader + "saving 21 921 A.TXT\r\nsaving 21 921 B.TXT\r\nafter\r\n" + Block(30));
  f.logger.files[kFirst] = lines;
  Run();
  // No cut line, and nothing twice.
  EXPECT_EQ(f.dataFile("A.TXT"), old + lines);
  EXPECT_EQ(f.dataFile("B.TXT"), old + lines);
  EXPECT_EQ(f.logFile(), "Station 4 : Data file " + JoinPath(f.dataDir(), "A.TXT") +
                             " cut back to 21 bytes, an append an earlier run left "
                             "unfinished -2024-05-06 14:05:31\r\n");
  EXPECT_EQ(report.files[0].recordsSkipped, 0);
}

TEST(JournalText, ReadsWhatItWritesAndNothingElse) {
  JournalContent content;
  content.entries = {{"01", "\\SL01\\SL010.TXT", 3, "24-1 a", "24-3 c "}};
  content.saving = {{"A b.TXT", 5, 90}};
  content.entriesAfter = {{"01", "\\SL01\\SL010.TXT", 4, "24-1 a", "24-4"},
                          {"", "\\SL\\SL1.TXT", 1, "x", "x"}};
  JournalContent read;
  ASSERT_TRUE(ParseJournal(FormatJournal(content), read));
  EXPECT_EQ(read, content);

  const std::string entry = "file \\A\r\nlogger 01\r\nlines 2\r\nfirst a\r\nlast b\r\n";
  const std::vector<std::string> bad = {
      std::string(),
      "tidehaul fetch journal 1\r\n",
      kHeader + "file \\A\r\n",
      kHeader + entry.substr(0, entry.size() - 2),  // cut
      kHeader + "logger 01\r\nfile \\A\r\nlines 2\r\nfirst a\r\nlast b\r\n",
      kHeader + "file \\A\r\nlogger 01\r\nlines 0\r\nfirst a\r\nlast b\r\n",
      kHeader + "file \\A\r\nlogger 01\r\nlines -2\r\nfirst a\r\nlast b\r\n",
      kHeader + "file \\A\r\nlogger 01\r\nlines 2x\r\nfirst a\r\nlast b\r\n",
      kHeader + entry + "saving 1 2 A.TXT\r\n",   // no after
      kHeader + entry + "after\r\n",              // after without a save
      kHeader + "saving 9 2 A.TXT\r\nafter\r\n",  // after before before
      kHeader + "saving 1 2\r\nafter\r\n",        // no name
      kHeader + entry + "saving 1 2 A.TXT\r\n" + entry + "after\r\n",
      kHeader + entry + "lines 2\r\n",
      kHeader + "other 1\r\n",
      kHeader + "\r\n",
      kHeader + entry + "\n"};
  for (const std::string& text : bad) {
    JournalContent ignored;
    EXPECT_FALSE(ParseJournal(text, ignored)) << text;
  }
}

}  // namespace
}  // namespace th::test
