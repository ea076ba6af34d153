#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "tests/fetch/FetchRig.h"

namespace th::test {
namespace {

using Lines = std::vector<std::string>;
constexpr std::uint64_t Step(std::uint64_t ms) {
  return ms + 1;
}
const Text kFile = u"\\SL01\\SL010.TXT";
const std::string kPath = "\\SL01\\SL010.TXT";

class FileRead : public ::testing::Test {
 protected:
  FileRead() { f.rig.tool.reception.routeTo(Route::Download1); }
  bool Read(std::int32_t size) { return f.rig.tool.files.readFile(kFile, size); }
  FetchRig f;
};

TEST_F(FileRead, CompleteFileEndsOnTheFirstStepAtMostFourBytesShort) {
  const std::string content = DataLines(40);
  f.logger.files[kPath] = content;
  f.logger.stopAfter[kPath] = content.size() - 4;
  f.rig.panes.download1.append("stale");
  f.logger.bytesPer10Ms = 100000;
  EXPECT_TRUE(Read(static_cast<std::int32_t>(content.size())));
  EXPECT_EQ(f.writes(), Lines{"0 fread \\SL01\\SL010.TXT\r\n"});
  EXPECT_EQ(f.rig.view.history(2), Lines{"fread \\SL01\\SL010.TXT"});
  EXPECT_EQ(f.rig.view.history(1), Lines{"Fread \\SL01\\SL010.TXT-0[sec]"});
  EXPECT_EQ(f.rig.now(), Step(100));
  EXPECT_EQ(f.rig.view.progressPosition(), 100);
  EXPECT_EQ(f.rig.tool.reception.bytesCounted(), static_cast<std::int32_t>(content.size() - 4));
  // The last line lacks its CR: it stays under assembly, outside the buffer.
  EXPECT_EQ(f.rig.panes.download1.count(), 39u);
  EXPECT_EQ(f.rig.panes.download1.raw(0), "24-05-06 00:00:00,1.25,-3.50");
}

TEST_F(FileRead, FiveBytesShortGivesUpAfterTwentyPlusTwoPercentSteps) {
  f.logger.files[kPath] = std::string(1000, 'x');
  f.logger.stopAfter[kPath] = 995;
  EXPECT_FALSE(Read(1000));
  // 1000 x 0.02 + 20 = 40: the step that starts with 41 ends it.
  EXPECT_EQ(f.rig.now(), 41 * Step(100));
  EXPECT_EQ(f.rig.view.history(1).size(), 41u);
  EXPECT_EQ(f.rig.view.history(1).back(), "Fread \\SL01\\SL010.TXT-4[sec]");
  EXPECT_EQ(f.rig.view.progressPosition(), 100);  // 99.5 rounds to the even 100
  EXPECT_EQ(f.lines().size(), 1u);                // never repeated
}

TEST_F(FileRead, SilenceOfTenSecondsEndsAReadWhoseLimitIsDays) {
  f.logger.files[kPath] = DataLines(10);
  EXPECT_FALSE(Read(100000000));
  // The bytes came 30 ms after the command; the step that first sees ten
  // seconds of silence after them ends the read.
  EXPECT_EQ(f.rig.now(), 100 * Step(100));
  EXPECT_EQ(f.rig.tool.reception.bytesCounted(), 300);
  EXPECT_EQ(f.rig.panes.download1.count(), 10u);
}

TEST_F(FileRead, AHangUpEndsTheReadAtTheNextStep) {
  f.logger.files[kPath] = DataLines(10);
  f.port.hangUp(250);
  EXPECT_FALSE(Read(1000));
  EXPECT_EQ(f.rig.now(), 3 * Step(100));
}

TEST_F(FileRead, ProgressRoundsHalvesToEven) {
  f.logger.mute.insert("fread");
  f.port.deliver("a", 50);    // 1 of 8: 12.5 -> 12
  f.port.deliver("bc", 150);  // 3 of 8: 37.5 -> 38
  f.port.deliver("d", 250);   // 4 of 8: 50, and complete (4 + 5 > 8)
  std::vector<int> positions;
  for (const std::uint32_t at : {140u, 240u}) {
    f.rig.loop.startTimer(at, false, [&] { positions.push_back(f.rig.view.progressPosition()); });
  }
  EXPECT_TRUE(Read(8));
  EXPECT_EQ(f.rig.now(), 3 * Step(100));
  positions.push_back(f.rig.view.progressPosition());
  EXPECT_EQ(positions, (std::vector<int>{12, 38, 50}));
}

TEST_F(FileRead, SizeZeroOrUnusableEndsAfterOneStepTrue) {
  for (const std::int32_t size : {0, -1}) {
    FetchRig g;
    g.rig.tool.reception.routeTo(Route::Download1);
    g.logger.files[kPath] = DataLines(3);
    g.logger.bytesPer10Ms = 29;
    EXPECT_TRUE(g.rig.tool.files.readFile(kFile, size)) << size;
    EXPECT_EQ(g.rig.now(), Step(100)) << size;
    // Only what arrived within that one step is kept.
    EXPECT_EQ(g.rig.panes.download1.count(), 3u) << size;
  }
}

TEST_F(FileRead, LinesWithoutDashAreNotKeptButCount) {
  f.logger.files[kPath] = "12.5\r\n13.5\r\n";
  EXPECT_TRUE(Read(12));
  EXPECT_EQ(f.rig.panes.download1.count(), 0u);
  EXPECT_EQ(f.rig.tool.reception.bytesCounted(), 12);
}

TEST_F(FileRead, BufferTwoWhenRoutedThere) {
  f.rig.tool.reception.routeTo(Route::Download2);
  f.rig.panes.download2.append("stale");
  f.logger.files[kPath] = DataLines(2);
  EXPECT_TRUE(Read(58));
  EXPECT_EQ(f.rig.panes.download2.count(), 2u);
  EXPECT_EQ(f.rig.panes.download1.count(), 0u);
}

TEST_F(FileRead, StopFlagEndsTheReadAtItsNextTest) {
  f.logger.files[kPath] = std::string(1000, 'x');
  f.logger.bytesPer10Ms = 10;
  f.rig.loop.startTimer(250, false, [&] { f.rig.tool.stop.endWaits = true; });
  EXPECT_FALSE(Read(1000));
  // The wait in progress returns at once; the step still counts.
  EXPECT_LT(f.rig.now(), 3 * Step(100));
  EXPECT_EQ(f.rig.view.history(1).size(), 3u);
}

class Delete : public ::testing::Test {
 protected:
  // Bytes that came before the delete, counted as a read counts them.
  void Arrived(std::size_t bytes) {
    f.port.deliver(std::string(bytes, 'x'));
    f.rig.loop.processPendingMessages();
  }
  FileCommands& files() { return f.rig.tool.files; }
  FetchRig f;
};

TEST_F(Delete, TwoRootLinesThenEachDeleteLineWithItsTryAndFiveHundredMs) {
  Arrived(77);
  f.rig.tool.reception.routeTo(Route::Download1);
  f.rig.view.setProgressPosition(64);
  files().beginDelete(5310);
  files().deleteFile(kFile, 1);
  files().deleteFile(kFile, 2);
  files().endDelete();
  const auto t = [](std::uint64_t ms) { return std::to_string(ms) + " "; };
  const std::uint64_t root = Step(300);
  const std::uint64_t del = root + 2 * Step(500);
  EXPECT_EQ(f.writes(), (Lines{t(root) + "CD \\\r\n", t(root + Step(500)) + "CD \\\r\n",
                               t(del) + "DEL \\SL01\\SL010.TXT\r\n",
                               t(del + Step(500)) + "DEL \\SL01\\SL010.TXT\r\n"}));
  EXPECT_EQ(f.rig.view.history(2), (Lines{"CD \\\r\n", "CD \\\r\n", "DEL \\SL01\\SL010.TXT Try1",
                                          "DEL \\SL01\\SL010.TXT Try2"}));
  EXPECT_EQ(f.rig.now(), del + 2 * Step(500));
  EXPECT_EQ(f.rig.view.progressMax(), 5310);
  EXPECT_EQ(f.rig.view.progressPosition(), 0);
  EXPECT_EQ(f.rig.tool.reception.bytesCounted(), 0);
  EXPECT_EQ(f.rig.tool.reception.route(), Route::ReceiveLog);
  EXPECT_EQ(f.logger.deleted, (Lines{kPath, kPath}));
}

TEST_F(Delete, NegativeSizeRaisesBeforeSendingAnything) {
  Arrived(5);
  EXPECT_THROW(files().beginDelete(-1), EInvalidOperation);
  EXPECT_TRUE(f.lines().empty());
  EXPECT_EQ(f.rig.view.progressMax(), 100);
  EXPECT_EQ(f.rig.tool.reception.bytesCounted(), 5);
  EXPECT_EQ(f.rig.now(), 0u);
}

}  // namespace
}  // namespace th::test
