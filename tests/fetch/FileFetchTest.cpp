#include <gtest/gtest.h>

#include <filesystem>

#include "platform/PlatformServices.h"
#include "tests/fetch/FetchFixture.h"
#include "tests/support/SystemHelpers.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

TEST_F(Fetch, CompleteFetchSavesDeletesAndClosesTerminalMode) {
  const std::string content = f.logger.files[kFirst];
  const std::string size = std::to_string(content.size());
  Run();
  // The read's last bytes come at 1381; the line settles 300 ms later, the
  // save waits 300 ms, then the root lines; the size is asked again right
  // before the delete, which names only the file that was read, and once
  // more after it: the file is gone, so no second DEL.
  EXPECT_EQ(f.writes(),
            (Lines{"0 #M01 T O\r\n", "302 DIR\r\n", "604 FSIZE \\SL01\\SL010.TXT\r\n",
                   "1306 fread \\SL01\\SL010.TXT\r\n", "2278 CD \\\r\n", "2779 CD \\\r\n",
                   "3280 FSIZE \\SL01\\SL010.TXT\r\n", "3481 DEL \\SL01\\SL010.TXT\r\n",
                   "3982 FSIZE \\SL01\\SL010.TXT\r\n", "4183 #M01 T C\r\n"}));
  EXPECT_EQ(f.rig.now(), 4885u);
  EXPECT_EQ(f.dataFile("A.TXT"), content);
  EXPECT_EQ(f.dataFile("B.TXT"), content);
  EXPECT_TRUE(f.logger.files.empty());
  EXPECT_FALSE(f.logger.terminalMode);
  EXPECT_FALSE(fs::exists(f.rig.dir.path() / "LogFile.Log"));
  EXPECT_EQ(f.rig.view.progressMax(), static_cast<int>(content.size()));
  EXPECT_EQ(f.rig.tool.reception.route(), Route::ReceiveLog);
  // The second file is neither asked for nor deleted.
  EXPECT_EQ(CountPrefix(f.logger.received, "FSIZE \\SL01\\SL011"), 0u);
  EXPECT_EQ(CountPrefix(f.logger.received, "DEL \\SL01\\SL011"), 0u);
}

TEST_F(Fetch, TheReportSaysWhatWasFetchedSavedAndDeleted) {
  Run();
  EXPECT_TRUE(report.fetchRan);
  EXPECT_TRUE(report.fetchComplete);
  EXPECT_EQ(report.failure, u"");
  EXPECT_EQ(report.recordsSaved, 30);
  EXPECT_EQ(report.dataFiles,
            (Lines{JoinPath(f.dataDir(), "A.TXT"), JoinPath(f.dataDir(), "B.TXT")}));
  ASSERT_EQ(report.files.size(), 1u);
  EXPECT_EQ(report.files[0].path, u"\\SL01\\SL010.TXT");
  EXPECT_EQ(report.files[0].announcedSize, 900);
  EXPECT_EQ(report.files[0].bytesReceived, 900);
  EXPECT_EQ(report.files[0].recordsSaved, 30);
  EXPECT_EQ(report.files[0].recordsSkipped, 0);
  EXPECT_TRUE(report.files[0].deleted);

  // A fetch that keeps the files says why, per file and for the job.
  FetchRig g;
  g.logger.files[kFirst] = DataLines(30);
  g.logger.mute.insert("fread");
  JobReport kept;
  g.rig.tool.fetch.fetch(g.settings(), kept);
  EXPECT_FALSE(kept.fetchComplete);
  ASSERT_EQ(kept.files.size(), 1u);
  EXPECT_FALSE(kept.files[0].deleted);
  EXPECT_EQ(kept.files[0].bytesReceived, 0);
  EXPECT_EQ(kept.files[0].keptBecause, u"read of \\SL01\\SL010.TXT stopped at 0 of 900 bytes");
  EXPECT_EQ("Station 4 : " + ToUtf8(kept.failure) + " -2024-05-06 14:05:31\r\n", g.logFile());
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
  f.rig.tool.line.up = false;
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
  // Nothing to save: the data files are left alone.
  EXPECT_FALSE(fs::exists(f.dataDir()));
}

TEST_F(Fetch, NoSizeReply) {
  f.logger.mute.insert("fsize");
  Run();
  EXPECT_EQ(CountPrefix(f.logger.received, "fread"), 0u);
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile(), Entry("no size reply for \\SL01\\SL010.TXT"));
}

TEST_F(Fetch, UnusableSizeReadsNothingAndKeepsTheFiles) {
  f.logger.sizeReply[kFirst] = "FS:870x";
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(CountPrefix(f.logger.received, "fread"), 0u);
  EXPECT_EQ(f.logFile(), Entry("unusable size reply for \\SL01\\SL010.TXT"));
  EXPECT_FALSE(fs::exists(f.dataDir()));
}

TEST_F(Fetch, ReadThatStopsHalfwaySavesNothingAndKeepsTheFiles) {
  f.logger.stopAfter[kFirst] = 460;
  Run();
  ExpectKeptAndClosed();
  // The next fetch reads the file again: what came now would be saved twice.
  EXPECT_FALSE(fs::exists(f.dataDir()));
  EXPECT_EQ(f.logFile(), Entry("read of \\SL01\\SL010.TXT stopped at 460 of 900 bytes"));
}

TEST_F(Fetch, UnwritableSaveFolderKeepsTheFiles) {
  const std::string folder = f.rig.dir.str() + "/missing/data";
  FetchRig::Set(f.device().SaveFileSet.SavePath, folder);
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile(), Entry("data files not written to " + folder +
                               ", fetch journal not written, " + MissingFolderMessage()));
}

TEST_F(Fetch, SecondDataFileUnwritableIsLoggedButDoesNotHoldTheDelete) {
  fs::create_directories(fs::path(f.dataDir()) / "B.TXT");
  Run();
  // The first data file holds every line.
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_TRUE(f.logger.files.empty());
  EXPECT_EQ(f.logFile(), "Station 4 : Data file " + JoinPath(f.dataDir(), "B.TXT") +
                             " not written, " + FolderInPlaceMessage() +
                             " -2024-05-06 14:05:31\r\n");
}

TEST_F(Fetch, EmptyLoggerFileIsCompleteAndLeftAlone) {
  f.logger.files[kFirst] = "";
  Run();
  // Deleting it would only open a window for a record logged meanwhile.
  EXPECT_EQ(CountPrefix(f.logger.received, "DEL"), 0u);
  EXPECT_TRUE(report.fetchComplete);
  EXPECT_EQ(f.dataFile("A.TXT"), "");
  EXPECT_FALSE(fs::exists(f.rig.dir.path() / "LogFile.Log"));
}

TEST_F(Fetch, PortErrorEndsTheFetchSavesWhatCameAndLogs) {
  f.logger.onCommand = [&](const std::string& line) {
    if (line == "DIR") {
      f.rig.loop.startTimer(100, false, [&] { f.port.close(); });
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
      f.rig.loop.startTimer(300, false, [&] { f.rig.tool.stop.endWaits = true; });
    }
  };
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile().find("Station 4 : File fetch incomplete, stopped, read of"), 0u);
  EXPECT_FALSE(fs::exists(f.dataDir()));
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
  static std::string Joined(int count, int firstMinute = 0) {
    return DataLines(count, firstMinute, ",1.25,-3.50,7.00,8.00");
  }
};

TEST_F(WideFetch, ReadsBothFilesJoinsThemAndDeletesBoth) {
  Run();
  const Lines& got = f.logger.received;
  EXPECT_EQ(got, (Lines{"#M01 T O", "DIR", "FSIZE " + kFirst, "fread " + kFirst, "FSIZE " + kSecond,
                        "fread " + kSecond, "CD \\", "CD \\", "FSIZE " + kFirst, "DEL " + kFirst,
                        "FSIZE " + kFirst, "FSIZE " + kSecond, "DEL " + kSecond, "FSIZE " + kSecond,
                        "#M01 T C"}));
  EXPECT_EQ(f.dataFile("A.TXT"), Joined(30));
  EXPECT_EQ(f.dataFile("B.TXT"), Joined(30));
  EXPECT_TRUE(f.logger.files.empty());
  EXPECT_EQ(f.rig.panes.download2.count(), 30u);
  EXPECT_FALSE(fs::exists(f.rig.dir.path() / "LogFile.Log"));
}

TEST_F(WideFetch, LongerSecondFileKeepsItsExtraLinesWholeInAFileOfTheirOwn) {
  f.logger.files[kSecond] = DataLines(32, 0, ",7.00,8.00");
  Run();
  const std::string extra = DataLines(32, 0, ",7.00,8.00").substr(870);
  EXPECT_EQ(f.dataFile("A.TXT"), Joined(30));
  EXPECT_EQ(f.dataFile("A_unpaired.TXT"), extra);
  EXPECT_TRUE(f.logger.files.empty());
}

TEST_F(WideFetch, ARecordMissingFromOneFileShiftsNoOtherRecord) {
  std::string second = DataLines(30, 0, ",7.00,8.00");
  second.erase(std::size_t{29} * 5, 29);  // the record of 00:50 is missing from the second file
  f.logger.files[kSecond] = second;
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"), Joined(5) + DataLines(1, 50) + Joined(24, 60));
  EXPECT_FALSE(fs::exists(fs::path(f.dataDir()) / "A_unpaired.TXT"));
}

TEST_F(WideFetch, UnwritableFileOfUnpairedLinesHoldsTheDelete) {
  f.logger.files[kSecond] = DataLines(31, 0, ",7.00,8.00");
  fs::create_directories(fs::path(f.dataDir()) / "A_unpaired.TXT");
  Run();
  ExpectKeptAndClosed();
  // They go first: the first data file waits for them.
  EXPECT_FALSE(fs::exists(fs::path(f.dataDir()) / "A.TXT"));
  EXPECT_EQ(f.logFile(),
            Entry("lines without partner not written to " +
                  JoinPath(f.dataDir(), "A_unpaired.TXT") + ", " + FolderInPlaceMessage()));
}

TEST_F(WideFetch, SecondSizeZeroReadsNothingMoreAndDeletesTheFirst) {
  f.logger.files[kSecond] = "";
  Run();
  EXPECT_EQ(CountPrefix(f.logger.received, "fread"), 1u);
  EXPECT_EQ(f.rig.panes.download2.count(), 0u);
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_EQ(f.logger.deleted, Lines{kFirst});
}

TEST_F(WideFetch, SecondSizeWithoutReplyKeepsTheFiles) {
  f.logger.onCommand = [&](const std::string& line) {
    if (line == "FSIZE " + kSecond) {
      f.logger.mute.insert("fsize");
    }
  };
  Run();
  ExpectKeptAndClosed();
  // Saved alone, the records of the first file would lose their channels above 60.
  EXPECT_FALSE(fs::exists(f.dataDir()));
  EXPECT_EQ(f.logFile(), Entry("no size reply for \\SL01\\SL011.TXT"));
}

TEST_F(WideFetch, SecondSizeUnusableKeepsTheFilesAndStillClosesTerminalMode) {
  f.logger.sizeReply[kSecond] = "FS";
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(CountPrefix(f.logger.received, "fread"), 1u);
  EXPECT_FALSE(fs::exists(f.dataDir()));
  EXPECT_EQ(f.logFile(), Entry("unusable size reply for \\SL01\\SL011.TXT"));
}

TEST_F(WideFetch, SecondReadThatStopsSavesNothing) {
  f.logger.stopAfter[kSecond] = 300;
  Run();
  ExpectKeptAndClosed();
  EXPECT_FALSE(fs::exists(f.dataDir()));
  EXPECT_EQ(f.logFile(), Entry("read of \\SL01\\SL011.TXT stopped at 300 of 870 bytes"));
}

TEST_F(WideFetch, FirstReadGivingUpSkipsTheSecondFileAndJoinsNothingStale) {
  f.rig.panes.download2.append("24-05-06 14:00:00,stale");
  f.logger.stopAfter[kFirst] = 150;
  Run();
  EXPECT_EQ(CountPrefix(f.logger.received, "FSIZE \\SL01\\SL011"), 0u);
  EXPECT_EQ(f.rig.panes.download2.count(), 1u);  // not emptied
  EXPECT_FALSE(fs::exists(f.dataDir()));
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile(), Entry("read of \\SL01\\SL010.TXT stopped at 150 of 900 bytes"));
}

}  // namespace
}  // namespace th::test
