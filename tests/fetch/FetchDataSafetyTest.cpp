// What a fetch must never do: delete on the logger what no data file holds,
// save a cut or glued record, or wait without end.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/PlatformServices.h"
#include "tests/fetch/FetchFixture.h"
#include "tests/support/SystemHelpers.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

std::string LastLine(int minute) {
  return DataLines(1, minute);
}

TEST_F(Fetch, LastBytesThatComeLateAreSavedBeforeTheDelete) {
  f.logger.lateTail[kFirst] = {3, 800};
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_TRUE(f.logger.files.empty());
  EXPECT_FALSE(fs::exists(f.rig.dir.path() / "LogFile.Log"));
}

TEST_F(Fetch, AnEchoCountedByTheReadDoesNotHideLateLastBytes) {
  // The echoed command makes the read's count reach the size early.
  f.logger.echo = true;
  f.logger.lateTail[kFirst] = {5, 700};
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_TRUE(f.logger.files.empty());
}

TEST_F(Fetch, LastBytesLaterThanTheSettleKeepTheFileAndNoCutLineIsSaved) {
  f.logger.lateTail[kFirst] = {3, 5000};
  Run();
  ExpectKeptAndClosed();
  // The size asked after the read is answered after the tail: it came too late.
  EXPECT_FALSE(fs::exists(f.dataDir()));
  EXPECT_EQ(f.logFile(), Entry("bytes after the read of \\SL01\\SL010.TXT: 0"));
}

TEST_F(Fetch, ALastLineWithoutItsEndIsFiledLikeAnyOther) {
  std::string content = DataLines(30);
  content.resize(content.size() - 2);
  f.logger.files[kFirst] = content;
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_TRUE(f.logger.files.empty());
}

TEST_F(Fetch, AnEchoCountedTowardsTheSizeDoesNotCostTheTail) {
  f.logger.echo = true;
  f.logger.bytesPer10Ms = 6;  // 600 bytes per second
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_TRUE(f.logger.files.empty());
}

TEST_F(Fetch, ARecordLoggedDuringTheFetchKeepsTheFile) {
  f.logger.onCommand = [&](const std::string& line) {
    if (line.rfind("fread", 0) == 0) {
      // After the read, before the delete.
      f.rig.loop.startTimer(500, false, [&] { f.logger.files[kFirst] += LastLine(300); });
    }
  };
  Run();
  EXPECT_EQ(CountPrefix(f.logger.received, "DEL"), 0u);
  EXPECT_EQ(f.logger.files[kFirst], DataLines(30) + LastLine(300));
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_EQ(f.logFile(), Entry("\\SL01\\SL010.TXT grew from 900 to 930 bytes"));
}

TEST_F(Fetch, ASecondJobSavesOnlyWhatItReceived) {
  Run();
  ASSERT_EQ(f.dataFile("A.TXT"), DataLines(30));
  f.logger.files[kFirst] = DataLines(3, 300);
  f.logger.mute.insert("dir");
  Run();
  // Buffer 1 still shows the first job's lines; they were saved once.
  EXPECT_EQ(f.rig.panes.download1.count(), 30u);
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_EQ(f.dataFile("B.TXT"), DataLines(30));
}

TEST_F(Fetch, AFullDiskLeavesNoCutLineAndKeepsTheFiles) {
  fs::create_directory(f.dataDir());
  WriteWholeFile(fs::path(f.dataDir()) / "A.TXT", DataLines(2, 600));
  f.rig.sys.limitedFolder = f.dataDir();
  f.rig.sys.spaceLeft = 400;
  Run();
  ExpectKeptAndClosed();
  // Cut back to what it held: the next job's first line cannot be glued to a cut one.
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(2, 600));
  EXPECT_EQ(f.logFile(), Entry("data files not written to " + f.dataDir()));
}

TEST_F(Fetch, AFifoInPlaceOfADataFileFailsAtOnceAndKeepsTheFiles) {
  if (!SystemHasFifos()) {
    GTEST_SKIP() << "no FIFOs on this system";
  }
  fs::create_directory(f.dataDir());
  ASSERT_TRUE(MakeFifo(JoinPath(f.dataDir(), "A.TXT")));
  Run();
  ExpectKeptAndClosed();
  EXPECT_EQ(f.logFile(), Entry("data files not written to " + f.dataDir()));
}

TEST_F(Fetch, AFullDiskOnTheSecondDataFileRollsItBackAndStillDeletes) {
  f.rig.sys.limitedFolder = f.dataDir();
  f.rig.sys.spaceLeft = 900 + 400;
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"), DataLines(30));
  EXPECT_EQ(f.dataFile("B.TXT"), "");
  EXPECT_TRUE(f.logger.files.empty());
  EXPECT_EQ(f.logFile().find("Station 4 : Data file " + JoinPath(f.dataDir(), "B.TXT") +
                             " not written, I/O error " + std::to_string(DiskFullError()) + " -"),
            0u);
}

TEST_F(Fetch, AReadEndsAfterTenSecondsOfSilence) {
  // A size no logger could send in time: the limit of the read alone would be
  // about 50 days.
  f.logger.sizeReply[kFirst] = "FS:2147483647";
  Run();
  ExpectKeptAndClosed();
  EXPECT_FALSE(fs::exists(f.dataDir()));
  EXPECT_EQ(f.logFile(), Entry("read of \\SL01\\SL010.TXT stopped at 900 of 2147483647 bytes"));
  EXPECT_LT(f.rig.now(), 17000u);
}

TEST_F(Fetch, AHangUpEndsTheReadAtOnceAndDropsTheCutLine) {
  f.logger.bytesPer10Ms = 10;
  f.logger.onCommand = [&](const std::string& line) {
    if (line.rfind("fread", 0) == 0) {
      f.port.hangUp(30 + 10 * 46);  // after 460 bytes: 15 lines and a third
    }
  };
  Run();
  // fread went out at 1306, the device went away at 1796 and the read's next
  // step at 1806 saw it; then only the save, its 300 ms and terminal mode's close.
  ASSERT_GE(f.writes().size(), 5u);
  EXPECT_EQ(f.writes()[4], "2112 #M01 T C\r\n");
  EXPECT_FALSE(fs::exists(f.dataDir()));
  EXPECT_TRUE(f.logger.files.count(kFirst));
  EXPECT_EQ(CountPrefix(f.logger.received, "DEL"), 0u);
  EXPECT_EQ(f.logFile(), Entry("line lost, read of \\SL01\\SL010.TXT stopped at 460 of 900 bytes"));
}

TEST_F(Fetch, ALineLongerThanAPaneHandsOverKeepsTheFilesAndIsNotSavedCut) {
  f.logger.files[kFirst] = DataLines(2) + "24-" + std::string(5597, '5') + "\r\n";
  Run();
  ExpectKeptAndClosed();
  EXPECT_FALSE(fs::exists(f.dataDir()));
  EXPECT_EQ(f.logFile(), Entry("line of 5600 characters in \\SL01\\SL010.TXT"));
}

TEST_F(Fetch, ALineThatNeverEndsStopsGrowingAndKeepsTheFiles) {
  const std::size_t endless = ReceivePath::kMaxLine + 5000;
  f.logger.files[kFirst] = DataLines(2) + "24-" + std::string(endless, '7');
  f.logger.bytesPer10Ms = std::size_t{64} * 1024;
  Run();
  ExpectKeptAndClosed();
  EXPECT_FALSE(fs::exists(f.dataDir()));
  EXPECT_LE(f.rig.tool.reception.partialLine().size(), ReceivePath::kMaxLine);
  EXPECT_EQ(f.logFile(), Entry("line of more than 1048576 characters in \\SL01\\SL010.TXT"));
}

TEST_F(Fetch, AByte26InsideTheDataIsDataAndSurvivesTheNextJob) {
  f.logger.files[kFirst] =
      "24-05-06 00:00:00,1\x1a"
      "5\r\n";
  Run();
  f.logger.files[kFirst] = DataLines(1, 10);
  Run();
  EXPECT_EQ(f.dataFile("A.TXT"),
            "24-05-06 00:00:00,1\x1a"
            "5\r\n" +
                DataLines(1, 10));
}

}  // namespace
}  // namespace th::test
