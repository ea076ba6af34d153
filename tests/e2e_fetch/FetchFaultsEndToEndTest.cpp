// The whole job against a logger that misbehaves: whatever happens, every
// record the logger held ends up in a data file or stays on the logger, whole.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <regex>

#include "tests/e2e_fetch/RecordLedger.h"
#include "tests/e2e_fetch/Station.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;
const std::string kFirst = "\\SL01\\SL010.TXT";
const std::string kSecond = "\\SL01\\SL011.TXT";

// The job ended by itself, the tool's commands were all taken, nothing was
// lost or garbled.
void ExpectSound(Station& s) {
  EXPECT_EQ(s.tool()->exitCode(), 0);
  EXPECT_EQ(s.rejected(), 0);
  const LedgerReport ledger = CheckRecords(s);
  EXPECT_TRUE(ledger.clean()) << ledger.describe();
  EXPECT_GT(ledger.records, 0u);
}

std::string All(const Station& s, const std::string& name) {
  std::string out;
  for (const auto& line :
       DataRecords(ReadWholeFile(s.file("exported") / "SL01" / name), CurrentYear())) {
    out += line + "\r\n";
  }
  return out;
}

void ExpectLogMatches(const Station& s, const std::string& pattern) {
  EXPECT_TRUE(std::regex_match(
      s.log(),
      std::regex("Demo station : " + pattern + " -\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n")))
      << s.log();
}

TEST(FetchFaults, LastBytesThatComeLateAreSavedBeforeTheDelete) {
  Station s;
  s.startLogger({"--generate", "30", "--late-tail", "3=800"});
  ASSERT_TRUE(s.runJob());
  ExpectSound(s);
  EXPECT_EQ(s.dataFile("CR000.TXT"), All(s, "SL010.TXT"));
  EXPECT_EQ(s.loggerFiles(), Paths{});
}

TEST(FetchFaults, ALastLineWithoutItsEndIsSaved) {
  Station s;
  s.startLogger({"--generate", "30", "--no-final-newline"});
  ASSERT_TRUE(s.runJob());
  ExpectSound(s);
  EXPECT_EQ(s.dataFile("CR000.TXT"), All(s, "SL010.TXT"));
  EXPECT_EQ(s.loggerFiles(), Paths{});
}

TEST(FetchFaults, ARecordLoggedDuringTheFetchKeepsTheFile) {
  Station s;
  s.startLogger({"--generate", "30", "--append-during-fetch"});
  ASSERT_TRUE(s.runJob());
  ExpectSound(s);
  EXPECT_EQ(s.dataFile("CR000.TXT"), All(s, "SL010.TXT"));
  EXPECT_EQ(s.loggerFiles(), Paths{kFirst});
  ExpectLogMatches(s,
                   "File fetch incomplete, \\\\SL01\\\\SL010\\.TXT grew from \\d+ to \\d+ "
                   "bytes, logger files kept");
}

TEST(FetchFaults, AnAdapterUnpluggedMidReadKeepsTheFilesAndTheToolEnds) {
  Station s;
  s.startLogger({"--generate", "200", "--rate", "4000", "--unplug-after", "50%"});
  ASSERT_TRUE(s.runJob());
  ExpectSound(s);
  EXPECT_EQ(s.loggerFiles(), Paths{kFirst});
  EXPECT_EQ(s.loggerDeleted(), Paths{});
  ExpectLogMatches(s,
                   "File fetch incomplete, line lost, read of \\\\SL01\\\\SL010\\.TXT stopped "
                   "at \\d+ of \\d+ bytes, logger files kept");

  // The record gives the entry's words and the file's figures.
  const nlohmann::json record = OnlyJobRecord(s.dir());
  ExpectStationJob(record);
  const std::string reason = record["reason"];
  EXPECT_EQ(s.log().find(reason), 15u) << reason;  // after "Demo station : "
  EXPECT_EQ(record["result"], "incomplete");
  EXPECT_EQ(record["clock_set"], true);
  EXPECT_EQ(record["fetch_complete"], false);
  ASSERT_EQ(record["files"].size(), 1u);
  const nlohmann::json& file = record["files"][0];
  EXPECT_EQ(file["path"], kFirst);
  EXPECT_GT(file["bytes_received"], 0);
  EXPECT_LT(file["bytes_received"], file["announced_size"]);
  EXPECT_EQ(file["deleted"], false);
  // The file's own reason, within the job's.
  const std::string keptBecause = file["kept_because"];
  EXPECT_NE(keptBecause, "");
  EXPECT_NE(reason.find(keptBecause), std::string::npos) << keptBecause;
  const std::string saved = s.dataFile("CR000.TXT");
  EXPECT_EQ(record["records_saved"], std::count(saved.begin(), saved.end(), '\n'));
}

TEST(FetchFaults, ASilentLoggerOrClockLeavesItsRecord) {
  const struct {
    const char* mute;
    const char* result;
    const char* reason;
  } kRuns[] = {{"all", "no_connection", "Logger did not answer the wake-up"},
               {"time-set", "no_clock_answer", "DataLogger no answer"}};
  for (const auto& run : kRuns) {
    SCOPED_TRACE(run.mute);
    Station s;
    s.startLogger({"--generate", "20", "--mute", run.mute});
    ASSERT_TRUE(s.runJob());
    const nlohmann::json record = OnlyJobRecord(s.dir());
    ExpectStationJob(record);
    EXPECT_EQ(record["result"], run.result);
    EXPECT_EQ(record["reason"], run.reason);
    EXPECT_EQ(record["clock_set"], false);
    const bool fetched = record["result"] == "no_clock_answer";
    // The logger set its clock unanswered; the fetch still ran.
    EXPECT_EQ(record["fetch_complete"], fetched);
    EXPECT_EQ(record["files"].size(), fetched ? 1u : 0u);
    EXPECT_EQ(record["records_saved"], fetched ? 20 : 0);
    EXPECT_EQ(record["data_files"].size(), fetched ? 2u : 0u);
  }
}

TEST(FetchFaults, ASecondFileTheDeviceDoesNotExpectIsNotDeleted) {
  Station s;
  s.startLogger({"--generate", "20", "--second-file"});
  ASSERT_TRUE(s.runJob());
  ExpectSound(s);
  EXPECT_EQ(s.loggerFiles(), Paths{kSecond});
  EXPECT_EQ(s.loggerDeleted(), Paths{kFirst});
}

TEST(FetchFaults, WideRecordsJoinByTimeStampAcrossAMissingRecord) {
  Station s;
  s.settings({"ScheduleSet.SensorNoCheck=true"});
  // Lines of about 760 characters, over 1024 only once joined; record 5 is
  // missing from the second file, record 9 from the first.
  s.startLogger({"--generate", "30", "--second-file", "--channels", "100", "--missing-record",
                 "1:5", "--missing-record", "0:9"});
  ASSERT_TRUE(s.runJob());
  ExpectSound(s);
  const std::string data = s.dataFile("CR000.TXT");
  EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), 29);
  // The partner of the missing first-file record stays whole, in its own file.
  const std::string unpaired = s.dataFile("CR000_unpaired.TXT");
  EXPECT_EQ(std::count(unpaired.begin(), unpaired.end(), '\n'), 1);
  EXPECT_EQ(s.loggerFiles(), Paths{});
}

TEST(FetchFaults, AByte26InsideTheDataSurvivesTheNextJob) {
  Station s;
  s.startLogger({"--generate", "20", "--byte26", "0:20"});
  ASSERT_TRUE(s.runJob());
  ExpectSound(s);
  const std::string first = s.dataFile("CR000.TXT");
  ASSERT_NE(first.find('\x1a'), std::string::npos);
  s.startLogger({"--generate", "5", "--start", "2024-05-07 00:00:00", "--seed", "2"});
  ASSERT_TRUE(s.runJob());
  EXPECT_EQ(s.rejected(), 0);
  EXPECT_EQ(s.dataFile("CR000.TXT"), first + All(s, "SL010.TXT"));
}

TEST(FetchFaults, AnEchoingSlowLoggerLosesNoTail) {
  Station s;
  s.startLogger({"--generate", "40", "--echo", "--rate", "600"});
  ASSERT_TRUE(s.runJob());
  ExpectSound(s);
  EXPECT_EQ(s.dataFile("CR000.TXT"), All(s, "SL010.TXT"));
  EXPECT_EQ(s.loggerFiles(), Paths{});
}

TEST(FetchFaults, AnUnwritableSecondDataFileDoesNotHoldTheDelete) {
  Station s;
  fs::create_directory(s.file("data") / "CR001.TXT");
  s.startLogger({"--generate", "20"});
  ASSERT_TRUE(s.runJob());
  ExpectSound(s);
  EXPECT_EQ(s.dataFile("CR000.TXT"), All(s, "SL010.TXT"));
  EXPECT_EQ(s.loggerFiles(), Paths{});
  ExpectLogMatches(s, "Data file " + s.file("data").string() +
                          "/CR001\\.TXT not written, I/O "
                          "error 21");
}

TEST(FetchFaults, LinesEndedByLineFeedsAloneKeepTheFile) {
  Station s;
  std::string content;
  for (int i = 0; i < 200; ++i) {
    content += "24-05-06 14:" + std::to_string(10 + i % 50) + ":00,1.25,-3.50\n";
  }
  WriteWholeFile(s.file("logger.txt"), content + "\r\n");
  s.startLogger({"--file", kFirst + "=" + s.file("logger.txt").string()});
  ASSERT_TRUE(s.runJob());
  EXPECT_EQ(s.rejected(), 0);
  EXPECT_EQ(s.dataFile("CR000.TXT"), "");
  EXPECT_EQ(s.loggerFiles(), Paths{kFirst});
  ExpectLogMatches(s,
                   "File fetch incomplete, line feed without carriage return in "
                   "\\\\SL01\\\\SL010\\.TXT, logger files kept");
}

// A data folder on a disk of its own, small enough to fill.
class SmallDisk {
 public:
  SmallDisk(const fs::path& folder, const std::string& size) : folder_(folder) {
    mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) {
      ::umount2(folder_.c_str(), MNT_DETACH);
    }
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mounted() const { return mounted_; }

 private:
  fs::path folder_;
  bool mounted_ = false;
};

TEST(FetchFaults, AFullDiskLeavesNoCutLineForTheNextJob) {
  Station s;
  SmallDisk disk(s.file("data"), "64k");
  if (!disk.mounted()) {
    GTEST_SKIP() << "this machine does not let the test mount a small disk";
  }
  // What earlier jobs saved, then a filler that leaves about 3 KB free.
  const std::string before = "24-05-05 23:50:00,1.00,2.00\r\n";
  WriteWholeFile(s.file("data") / "CR000.TXT", before);
  WriteWholeFile(s.file("data") / "filler", std::string(61 * 1024, 'f'));
  s.startLogger({"--generate", "300"});
  ASSERT_TRUE(s.runJob());
  EXPECT_EQ(s.dataFile("CR000.TXT"), before);
  EXPECT_EQ(s.loggerFiles(), Paths{kFirst});
  ExpectLogMatches(s, "File fetch incomplete, data files not written to " +
                          s.file("data").string() +
                          ", fetch journal not written, I/O error 28, logger files kept");

  // Room again: the next job fetches the same records, each line whole.
  fs::remove(s.file("data") / "filler");
  fs::remove(s.file("LogFile.Log"));
  s.startLogger({"--files", (s.file("held")).string()});
  ASSERT_TRUE(s.runJob());
  EXPECT_EQ(s.rejected(), 0);
  EXPECT_EQ(s.dataFile("CR000.TXT"), before + All(s, "SL010.TXT"));
  EXPECT_EQ(s.loggerFiles(), Paths{});
}

}  // namespace
}  // namespace th::test
