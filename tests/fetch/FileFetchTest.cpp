#include <gtest/gtest.h>

#include <filesystem>

#include "tests/fetch/FetchRig.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
constexpr int kDev = FetchRig::kDevice;
const std::string kFirst = "\\SL01\\SL010.TXT";
const std::string kSecond = "\\SL01\\SL011.TXT";

std::size_t CountPrefix(const Lines& lines, const std::string& prefix) {
  return static_cast<std::size_t>(std::count_if(
      lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

class Fetch : public ::testing::Test {
 protected:
  Fetch() { f.logger.files[kFirst] = DataLines(30); }
  void Run() { f.rig.unit.fetch.LastDownLoad(kDev); }
  std::string Entry(const std::string& what) const {
    return "Station 4 : File fetch incomplete, " + what +
           ", logger files kept -2024-05-06 14:05:31\r\n";
  }
  // The delete was withheld, terminal mode was closed last, the logger keeps its files.
  void ExpectKeptAndClosed() {
    EXPECT_EQ(CountPrefix(f.logger.received, "DEL"), 0u);
    EXPECT_EQ(CountPrefix(f.logger.received, "CD"), 0u);
    ASSERT_FALSE(f.logger.received.empty());
    EXPECT_EQ(f.logger.received.back(), "#M01 T C");
    EXPECT_FALSE(f.logger.terminalMode);
    EXPECT_TRUE(f.logger.files.count(kFirst));
  }
  FetchRig f;
};

TEST_F(Fetch, CompleteFetchSavesDeletesAndClosesTerminalMode) {
  const std::string content = f.logger.files[kFirst];
  const std::string size = std::to_string(content.size());
  Run();
  EXPECT_EQ(f.writes(), (Lines{"0 #M01 T O\r\n", "302 DIR\r\n", "604 FSIZE \\SL01\\SL010.TXT\r\n",
                               "1306 fread \\SL01\\SL010.TXT\r\n", "2009 CD \\\r\n",
                               "2510 CD \\\r\n", "3011 DEL \\SL01\\SL010.TXT\r\n",
                               "3512 DEL \\SL01\\SL010.TXT\r\n", "4013 DEL \\SL01\\SL011.TXT\r\n",
                               "4514 DEL \\SL01\\SL011.TXT\r\n", "5015 #M01 T C\r\n"}));
  EXPECT_EQ(f.rig.now(), 5717u);
  EXPECT_EQ(f.dataFile("A.TXT"), content);
  EXPECT_EQ(f.dataFile("B.TXT"), content);
  EXPECT_TRUE(f.logger.files.empty());
  EXPECT_FALSE(f.logger.terminalMode);
  EXPECT_FALSE(fs::exists(f.rig.dir.path() / "LogFile.Log"));
  EXPECT_EQ(f.rig.view.progressMax(), static_cast<int>(content.size()));
  EXPECT_EQ(f.rig.rs.RxTypeIndex, 0);
  // The second file is named in the delete although it was never asked for.
  EXPECT_EQ(CountPrefix(f.logger.received, "FSIZE"), 1u);
}

TEST_F(Fetch, FilterAndTagsAndYearAreAppliedOnTheWay) {
  f.logger.files[kFirst] =
      "08-05-06 14:00:00,1E21.5\r\n24-05-06 14:10:00 SD fault\r\nno dash\r\n24-05-06 "
      "14:20:00,2\r\n";
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"), "24-05-06 14:00:00,1.5\r\n24-05-06 14:20:00,2\r\n");
  EXPECT_TRUE(f.logger.files.empty());
}

TEST_F(Fetch, LineDownBeforeTheFetchSendsNothing) {
  f.rig.rs.Connect_flg = false;
  Run();
  EXPECT_TRUE(f.lines().empty());
  EXPECT_FALSE(fs::exists(f.dataDir()));
}

TEST_F(Fetch, NoListing) {
  f.logger.mute.insert("dir");
  Run();
  EXPECT_EQ(f.logger.received, (Lines{"#M01 T O", "DIR", "DIR", "#M01 T C"}));
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile(), Entry("no listing"));
  const Lines& shown = f.rig.view.history(3);
  EXPECT_NE(std::find(shown.begin(), shown.end(),
                      Entry("no listing").substr(0, Entry("no listing").size() - 2)),
            shown.end());
  // The save still ran, with nothing to add.
  EXPECT_EQ(f.dataFile("A.TXT"), "");
}

TEST_F(Fetch, NoSizeReply) {
  f.logger.mute.insert("fsize");
  Run();
  EXPECT_EQ(CountPrefix(f.logger.received, "fread"), 0u);
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile(), Entry("no size reply for \\SL01\\SL010.TXT"));
}

TEST_F(Fetch, UnusableSizeStillReadsOneStepButKeepsTheFiles) {
  f.logger.sizeReply[kFirst] = "FS:870x";
  f.logger.bytesPer10Ms = 30;  // one line per 10 ms
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile(), Entry("unusable size reply for \\SL01\\SL010.TXT"));
  // What arrived within the read's one step was saved.
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(8));
}

TEST_F(Fetch, ReadThatStopsHalfwaySavesWhatCameAndKeepsTheFiles) {
  f.logger.stopAfter[kFirst] = 460;
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(15));
  EXPECT_EQ(f.dataFile("B.TXT"), DataLines(15));
  EXPECT_EQ(f.logFile(), Entry("read of \\SL01\\SL010.TXT stopped at 460 of 900 bytes"));
}

TEST_F(Fetch, UnwritableSaveFolderKeepsTheFiles) {
  FetchRig::Set(f.device().SaveFileSet.SavePath, f.rig.dir.str() + "/missing/data");
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile(), Entry("data files not written to " + f.rig.dir.str() + "/missing/data"));
}

TEST_F(Fetch, SecondDataFileUnwritableKeepsTheFiles) {
  fs::create_directories(fs::path(f.dataDir()) / "B.TXT");
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
}

TEST_F(Fetch, EmptyLoggerFileIsCompleteAndDeleted) {
  f.logger.files[kFirst] = "";
  Run();
  EXPECT_EQ(CountPrefix(f.logger.received, "DEL"), 4u);
  EXPECT_EQ(f.rig.view.progressMax(), 0);
  EXPECT_FALSE(fs::exists(f.rig.dir.path() / "LogFile.Log"));
}

TEST_F(Fetch, PortErrorEndsTheFetchSavesWhatCameAndLogs) {
  f.logger.onCommand = [&](const std::string& line) {
    if (line == "DIR") {
      f.rig.loop.startTimer(100, false, [&] { f.port.Close(); });
    }
  };
  EXPECT_NO_THROW(Run());
  EXPECT_EQ(CountPrefix(f.logger.received, "DEL"), 0u);
  EXPECT_TRUE(f.logger.files.count(kFirst));
  EXPECT_EQ(f.logFile().find("Station 4 : File fetch incomplete, error "), 0u);
  EXPECT_EQ(f.dataFile("A.TXT"), "");
}

TEST_F(Fetch, StopRequestKeepsTheFilesAndSaysSo) {
  f.logger.bytesPer10Ms = 5;
  f.logger.onCommand = [&](const std::string& line) {
    if (line.rfind("fread", 0) == 0) {
      f.rig.loop.startTimer(300, false, [&] { f.rig.rs.delay_stop_flg = true; });
    }
  };
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile().find("Station 4 : File fetch incomplete, stopped, read of"), 0u);
  EXPECT_FALSE(f.dataFile("A.TXT").empty());
}

TEST_F(Fetch, UnwritableLogStaysSilent) {
  fs::create_directory(f.rig.dir.path() / "LogFile.Log");
  f.logger.mute.insert("dir");
  EXPECT_NO_THROW(Run());
  ExpectKeptAndClosed();
}

TEST_F(Fetch, TerminalModeWithoutAnswerStillFetches) {
  f.logger.mute.insert("open");
  f.logger.mute.insert("close");
  Run();
  EXPECT_TRUE(f.logger.files.empty());
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
}

class WideFetch : public Fetch {
 protected:
  WideFetch() {
    f.device().ScheduleSet.SensorNoCheck.set(true);
    f.logger.files[kSecond] = DataLines(30, 0, ",7.00,8.00");
  }
  static std::string Joined(int count) { return DataLines(count, 0, ",1.25,-3.50,7.00,8.00"); }
};

TEST_F(WideFetch, ReadsBothFilesJoinsThemByPositionAndDeletesBoth) {
  Run();
  const Lines& got = f.logger.received;
  EXPECT_EQ(got, (Lines{"#M01 T O", "DIR", "FSIZE " + kFirst, "fread " + kFirst, "FSIZE " + kSecond,
                        "fread " + kSecond, "CD \\", "CD \\", "DEL " + kFirst, "DEL " + kFirst,
                        "DEL " + kSecond, "DEL " + kSecond, "#M01 T C"}));
  EXPECT_EQ(f.dataFile("A.TXT"), Joined(30));
  EXPECT_EQ(f.dataFile("B.TXT"), Joined(30));
  EXPECT_TRUE(f.logger.files.empty());
  EXPECT_EQ(f.rig.panes.mmoDown2.count(), 30u);
  EXPECT_FALSE(fs::exists(f.rig.dir.path() / "LogFile.Log"));
}

TEST_F(WideFetch, LongerSecondFileKeepsItsExtraLinesWhole) {
  f.logger.files[kSecond] = DataLines(32, 0, ",7.00,8.00");
  Run();
  const std::string extra = DataLines(32, 0, ",7.00,8.00").substr(870);
  EXPECT_EQ(f.dataFile("A.TXT"), Joined(30) + extra);
}

TEST_F(WideFetch, SecondSizeZeroReadsNothingMoreAndDeletes) {
  f.logger.files[kSecond] = "";
  Run();
  EXPECT_EQ(CountPrefix(f.logger.received, "fread"), 1u);
  EXPECT_EQ(f.rig.panes.mmoDown2.count(), 0u);
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_EQ(CountPrefix(f.logger.received, "DEL"), 4u);
}

TEST_F(WideFetch, SecondSizeWithoutReplyKeepsTheFiles) {
  f.logger.onCommand = [&](const std::string& line) {
    if (line == "FSIZE " + kSecond) {
      f.logger.mute.insert("fsize");
    }
  };
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_EQ(f.logFile(), Entry("no size reply for \\SL01\\SL011.TXT"));
}

TEST_F(WideFetch, SecondSizeUnusableKeepsTheFilesAndStillClosesTerminalMode) {
  f.logger.sizeReply[kSecond] = "FS";
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(CountPrefix(f.logger.received, "fread"), 1u);
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_EQ(f.logFile(), Entry("unusable size reply for \\SL01\\SL011.TXT"));
}

TEST_F(WideFetch, SecondReadThatStopsSavesTheJoinSoFar) {
  f.logger.stopAfter[kSecond] = 300;
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.dataFile("A.TXT"), Joined(10) + DataLines(30).substr(300));
  EXPECT_EQ(f.logFile(), Entry("read of \\SL01\\SL011.TXT stopped at 300 of 870 bytes"));
}

TEST_F(WideFetch, FirstReadGivingUpSkipsTheSecondFileAndJoinsNothingStale) {
  f.rig.panes.mmoDown2.append("24-05-06 14:00:00,stale");
  f.logger.stopAfter[kFirst] = 150;
  Run();
  EXPECT_EQ(CountPrefix(f.logger.received, "FSIZE"), 1u);
  EXPECT_EQ(f.rig.panes.mmoDown2.count(), 1u);  // not emptied
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(5));
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile(), Entry("read of \\SL01\\SL010.TXT stopped at 150 of 900 bytes"));
}

}  // namespace
}  // namespace th::test
