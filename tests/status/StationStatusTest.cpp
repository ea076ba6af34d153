// A station folder's rows from job record files on disk, written as the tool
// writes them: each result kind, the station as a whole, cut and garbage
// lines, the older generation only when needed, and big files read from
// their end only.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/status/RecordLines.h"
#include "tests/support/SystemHelpers.h"
#include "tests/support/TestPlatform.h"
#include "tools/status/StationScan.h"

namespace th::status::test {
namespace {

constexpr std::int64_t kHour = 3600;

class StationStatus : public ::testing::Test {
 protected:
  void Write(const char* name, const std::vector<Job>& jobs, const std::string& before = "") {
    std::string text = before;
    for (const Job& j : jobs) {
      text += RecordLine(j);
    }
    th::test::WriteWholeFile(dir.path() / name, text);
  }
  StationReport Scan() { return ScanStation(dir.str(), kNow); }

  th::test::TempDir dir;
};

TEST_F(StationStatus, EachResultKind) {
  const struct {
    const char* result;
    int device;
    bool fetchComplete;
    std::int64_t saved;
    std::int64_t failures;
    std::int64_t completeAt;  // the last complete fetch's end
  } cases[] = {
      {"complete", 3, true, 50, 0, kNow - kHour},
      {"no_clock_answer", 3, true, 50, 1, kNow - kHour},
      {"no_clock_answer", 3, false, 0, 1, kNow - 5 * kHour},
      {"incomplete", 3, false, 30, 1, kNow - 5 * kHour},
      {"no_connection", 3, false, 0, 1, kNow - 5 * kHour},
      {"stopped", 3, false, 0, 1, kNow - 5 * kHour},
      {"settings_error", kStationWide, false, 0, 1, kNow - 5 * kHour},
      {"no_device", kStationWide, false, 0, 1, kNow - 5 * kHour},
  };
  for (const auto& c : cases) {
    Job last{kNow - kHour, c.device, c.result, c.fetchComplete, c.saved, "why"};
    last.reason = c.failures == 0 ? "" : "why";
    Write(kRecordFile, {Job{kNow - 5 * kHour}, last});
    const StationReport s = Scan();
    ASSERT_EQ(s.state, StationReport::State::Read) << c.result;
    ASSERT_EQ(s.rows.size(), 1U) << c.result;
    const DeviceStatus& row = s.rows[0];
    EXPECT_EQ(row.device, 3);
    EXPECT_EQ(row.name, "Station 4");
    EXPECT_EQ(JobResultName(row.lastJob.result), c.result);
    EXPECT_EQ(row.lastJob.end, kNow - kHour);
    EXPECT_EQ(row.lastJob.reason, last.reason);
    EXPECT_EQ(row.failuresInARow, c.failures) << c.result;
    ASSERT_TRUE(row.lastCompleteFetch);
    EXPECT_EQ(row.lastCompleteFetch->end, c.completeAt) << c.result;
    EXPECT_EQ(row.recordsSaved24h, 200 + c.saved) << c.result;
    EXPECT_FALSE(row.failuresAtLeast);
    EXPECT_EQ(s.linesSkipped, 0);
  }
}

TEST_F(StationStatus, RecordsWithoutADeviceCountForEveryDeviceOfTheStation) {
  Write(kRecordFile, {Job{kNow - 3 * kHour, 3}, Job{kNow - 5 * kHour / 2, 5, "complete", true, 10},
                      Job{kNow - 2 * kHour, kStationWide, "no_device", false, 0},
                      Job{kNow - kHour, 3, "no_connection", false, 0},
                      Job{kNow - 1800, kStationWide, "settings_error", false, 0, "short"}});
  const StationReport s = Scan();
  ASSERT_EQ(s.rows.size(), 2U);
  for (const DeviceStatus& row : s.rows) {
    EXPECT_EQ(row.lastJob.result, JobResult::SettingsError);
    EXPECT_EQ(row.lastJob.reason, "short");
  }
  EXPECT_EQ(s.rows[0].device, 3);
  EXPECT_EQ(s.rows[0].failuresInARow, 3);
  EXPECT_EQ(s.rows[0].lastCompleteFetch->end, kNow - 3 * kHour);
  EXPECT_EQ(s.rows[1].device, 5);
  EXPECT_EQ(s.rows[1].failuresInARow, 2);
  EXPECT_EQ(s.rows[1].recordsSaved24h, 10);

  // No device named in any record: one row for the station.
  Write(kRecordFile, {Job{kNow - 2 * kHour, kStationWide, "settings_error", false, 0},
                      Job{kNow - kHour, kStationWide, "no_device", false, 0}});
  const StationReport alone = Scan();
  ASSERT_EQ(alone.rows.size(), 1U);
  EXPECT_EQ(alone.rows[0].device, kStationWide);
  EXPECT_EQ(alone.rows[0].lastJob.result, JobResult::NoDevice);
  EXPECT_EQ(alone.rows[0].failuresInARow, 2);
  EXPECT_FALSE(alone.rows[0].failuresAtLeast);
  EXPECT_FALSE(alone.rows[0].lastCompleteFetch);
}

TEST_F(StationStatus, CutAndGarbageLinesAreSkippedAndCounted) {
  const std::string cut = RecordLine(Job{kNow - 5 * kHour / 2}).substr(0, 123) + "\n";
  Write(kRecordFile,
        {Job{kNow - 2 * kHour, 3, "incomplete", false, 7}, Job{kNow - kHour, 3, "complete"}},
        RecordLine(Job{kNow - 3 * kHour}) + cut + "not json\n{\"format\":1}\n");
  // The last line cut by a power cut, not yet followed by another.
  std::ofstream(dir.path() / kRecordFile, std::ios::app | std::ios::binary)
      << RecordLine(Job{kNow - 60}).substr(0, 77);
  const StationReport s = Scan();
  EXPECT_EQ(s.linesSkipped, 4);
  EXPECT_EQ(s.recordsRead, 3);
  ASSERT_EQ(s.rows.size(), 1U);
  EXPECT_EQ(s.rows[0].lastJob.end, kNow - kHour);
  EXPECT_EQ(s.rows[0].failuresInARow, 0);
  EXPECT_EQ(s.rows[0].recordsSaved24h, 407);
}

TEST_F(StationStatus, TheOlderGenerationOnlyWhenNeeded) {
  const std::string garbage = "garbage\n";
  // Jobs.jsonl holds all that is needed: Jobs.1.jsonl is not read.
  Write(kOlderRecordFile, {}, garbage);
  Write(kRecordFile, {Job{kNow - 30 * kHour}, Job{kNow - kHour}});
  StationReport s = Scan();
  EXPECT_EQ(s.linesSkipped, 0);
  EXPECT_EQ(s.rows[0].recordsSaved24h, 200);

  // The last complete job lies in Jobs.1.jsonl: read back to it, no further.
  Write(kOlderRecordFile, {Job{kNow - 30 * kHour}}, garbage);
  Write(kRecordFile, {Job{kNow - 2 * kHour, 3, "no_connection", false, 0},
                      Job{kNow - kHour, 3, "stopped", false, 0}});
  s = Scan();
  EXPECT_EQ(s.linesSkipped, 0);
  EXPECT_EQ(s.recordsRead, 3);
  EXPECT_EQ(s.rows[0].failuresInARow, 2);
  EXPECT_EQ(s.rows[0].lastCompleteFetch->end, kNow - 30 * kHour);
}

TEST_F(StationStatus, AFileUnderBothNamesIsReadOnce) {
  // What a rotation between the two opens looks like: one file, two names.
  Write(kRecordFile, {Job(kNow - 2 * kHour, 3, "no_connection", false, 0),
                      Job(kNow - kHour, 3, "no_connection", false, 0)});
  std::filesystem::create_hard_link(dir.path() / kRecordFile, dir.path() / kOlderRecordFile);
  const StationReport s = Scan();
  EXPECT_EQ(s.recordsRead, 2);
  ASSERT_EQ(s.rows.size(), 1U);
  EXPECT_EQ(s.rows[0].failuresInARow, 2);
}

TEST_F(StationStatus, BigFilesAreReadFromTheirEndOnly) {
  // A gigabyte of nothing, not even a line end, before the records: read, it
  // would be one line too long to be a record.
  const auto path = dir.path() / kRecordFile;
  Write(kRecordFile, {});
  std::filesystem::resize_file(path, std::int64_t{1} << 30);
  std::ofstream(path, std::ios::app | std::ios::binary)
      << "\n"
      << RecordLine(Job{kNow - 25 * kHour}) << RecordLine(Job{kNow - kHour});
  StationReport s = Scan();
  EXPECT_EQ(s.linesSkipped, 0);
  EXPECT_EQ(s.recordsRead, 2);
  EXPECT_FALSE(s.readLimitReached);

  // Never a complete job: reading stops at what the tool's two generations
  // could hold, and the counts say they may be higher.
  std::string failures;
  const std::string line = RecordLine(Job{kNow - kHour, 3, "no_connection", false, 0});
  while (failures.size() < (3U << 20)) {
    failures += line;
  }
  th::test::WriteWholeFile(path, failures);
  s = Scan();
  EXPECT_TRUE(s.readLimitReached);
  ASSERT_EQ(s.rows.size(), 1U);
  EXPECT_TRUE(s.rows[0].failuresAtLeast);
  EXPECT_TRUE(s.rows[0].savedAtLeast);
  EXPECT_EQ(s.rows[0].failuresInARow, s.recordsRead);
  EXPECT_LE(s.recordsRead * static_cast<std::int64_t>(line.size()), ScanLimits{}.budget);
  EXPECT_GT(s.recordsRead * static_cast<std::int64_t>(line.size()), ScanLimits{}.budget / 2);
}

TEST_F(StationStatus, FoldersThatCannotBeRead) {
  const std::string missing = (dir.path() / "missing").string();
  EXPECT_EQ(ScanStation(missing, kNow).state, StationReport::State::Unreadable);
  th::test::WriteWholeFile(dir.path() / "file", "");
  const StationReport notFolder = ScanStation((dir.path() / "file").string(), kNow);
  EXPECT_EQ(notFolder.state, StationReport::State::Unreadable);
  EXPECT_EQ(notFolder.problem, "not a folder");

  StationReport s = Scan();
  EXPECT_EQ(s.state, StationReport::State::NoRecords);
  EXPECT_EQ(s.problem, "no job records yet (no Jobs.jsonl)");

  std::filesystem::create_directory(dir.path() / kRecordFile);
  s = Scan();
  EXPECT_EQ(s.state, StationReport::State::Unreadable);
  EXPECT_EQ(s.problem, "Jobs.jsonl is not a regular file");
  std::filesystem::remove(dir.path() / kRecordFile);

  if (th::test::SystemHasFifos()) {
    // A FIFO would block a plain open until a writer comes.
    ASSERT_TRUE(th::test::MakeFifo((dir.path() / kRecordFile).string()));
    s = Scan();
    EXPECT_EQ(s.state, StationReport::State::Unreadable);
    EXPECT_EQ(s.problem, "Jobs.jsonl is not a regular file");
  }
}

}  // namespace
}  // namespace th::status::test
