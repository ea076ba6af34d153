#include <gtest/gtest.h>

#include <regex>

#include "tests/e2e_fetch/Station.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;
const std::string kFirst = "\\SL01\\SL010.TXT";
const std::string kSecond = "\\SL01\\SL011.TXT";

std::string Exported(const Station& s, const std::string& name) {
  return ReadWholeFile(s.file("exported") / "SL01" / name);
}

// One entry naming the device, what failed and the date and time.
void ExpectOneIncompleteEntry(const Station& s, const std::string& what) {
  const std::string log = s.log();
  EXPECT_TRUE(std::regex_match(log, std::regex("Demo station : File fetch incomplete, " + what +
                                               ", logger files kept -\\d{4}-\\d\\d-\\d\\d "
                                               "\\d\\d:\\d\\d:\\d\\d\r\n")))
      << log;
}

TEST(FetchEndToEnd, DirectDeviceWholeJob) {
  Station s;
  s.startLogger({"--generate", "200", "--error-tags", "--year08"});
  ASSERT_TRUE(s.runJob());
  EXPECT_EQ(s.tool()->exitCode(), 0);
  EXPECT_EQ(s.rejected(), 0);
  const std::string expected = ExpectedDataLines(Exported(s, "SL010.TXT"), CurrentYear());
  EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 200);
  EXPECT_EQ(s.dataFile("CR000.TXT"), expected);
  EXPECT_EQ(s.dataFile("CR001.TXT"), expected);
  EXPECT_EQ(s.loggerFiles(), Paths{});
  EXPECT_EQ(s.loggerDeleted(), Paths{kFirst});
  EXPECT_FALSE(fs::exists(s.file("LogFile.Log")));
  EXPECT_NE(s.state().find("\"terminal_mode\": false"), std::string::npos);

  const nlohmann::json record = OnlyJobRecord(s.dir());
  ExpectStationJob(record);
  const auto size = static_cast<std::int64_t>(Exported(s, "SL010.TXT").size());
  EXPECT_EQ(record["result"], "complete");
  EXPECT_EQ(record["reason"], "");
  EXPECT_EQ(record["clock_set"], true);
  EXPECT_EQ(record["fetch_complete"], true);
  ASSERT_EQ(record["files"].size(), 1u);
  const nlohmann::json& file = record["files"][0];
  EXPECT_EQ(file["path"], kFirst);
  EXPECT_EQ(file["announced_size"], size);
  EXPECT_EQ(file["bytes_received"], size);
  // Per file the fetch counts what it saved and what its journal skipped.
  EXPECT_TRUE(file["records_saved"].is_number_integer());
  EXPECT_EQ(file["records_skipped"], 0);
  EXPECT_EQ(file["deleted"], true);
  EXPECT_EQ(file["kept_because"], "");
  EXPECT_EQ(record["files_left_out"], 0);
  EXPECT_EQ(record["records_saved"], 200);
  EXPECT_EQ(record["data_files"], (Paths{s.file("data").string() + "/CR000.TXT",
                                         s.file("data").string() + "/CR001.TXT"}));
  EXPECT_EQ(record["data_files_left_out"], 0);
}

TEST(FetchEndToEnd, ModemDeviceWholeJobWithFilteredLines) {
  Station s;
  s.settings({"ModemSet.ModemType=H316k", "ModemSet.Command=ATZ", "ModemSet.CallCMD=ATD",
              "ModemSet.ModemNo=0123", "ModemSet.DiscntCMD=ATH"});
  const std::string content =
      "24-05-06 14:00:00,1.00,2.00\r\n"
      "24-05-06 14:10:00 SD card error\r\n"
      "no data here\r\n"
      "24-05-06 14:20:00,sd,3.00\r\n"
      "08-05-06 14:30:00,4.E2100,5.00\r\n"
      "24-05-06 14:40:00,\xb0\xff,6.00\r\n";
  WriteWholeFile(s.file("logger.txt"), content);
  s.startLogger({"--modem", "--file", kFirst + "=" + s.file("logger.txt").string()});
  ASSERT_TRUE(s.runJob());
  const std::string year = CurrentYear();
  EXPECT_EQ(s.dataFile("CR000.TXT"),
            "24-05-06 14:00:00,1.00,2.00\r\n"
            "24-05-06 14:20:00,sd,3.00\r\n" +
                year +
                "-05-06 14:30:00,4.00,5.00\r\n"
                "24-05-06 14:40:00,\xb0\xff,6.00\r\n");
  EXPECT_EQ(s.dataFile("CR001.TXT"), s.dataFile("CR000.TXT"));
  EXPECT_EQ(s.loggerFiles(), Paths{});
  EXPECT_FALSE(fs::exists(s.file("LogFile.Log")));
  EXPECT_NE(s.state().find("\"hangups\": 1"), std::string::npos);
  EXPECT_EQ(s.rejected(), 0);
}

TEST(FetchEndToEnd, MoreThanSixtyChannelsJoinsBothFiles) {
  Station s;
  s.settings({"ScheduleSet.SensorNoCheck=true"});
  s.startLogger({"--generate", "50", "--second-file"});
  ASSERT_TRUE(s.runJob());
  const std::string expected = JoinedDataLines(Exported(s, "SL010.TXT"), Exported(s, "SL011.TXT"));
  EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 50);
  EXPECT_EQ(s.dataFile("CR000.TXT"), expected);
  EXPECT_EQ(s.loggerFiles(), Paths{});
  EXPECT_EQ(s.loggerDeleted(), (Paths{kFirst, kSecond}));
  EXPECT_FALSE(fs::exists(s.file("LogFile.Log")));
}

TEST(FetchEndToEnd, LoggerThatStopsHalfwayKeepsItsFiles) {
  Station s;
  s.startLogger({"--generate", "50", "--fread-stop-after", "50%"});
  ASSERT_TRUE(s.runJob());
  // Nothing of a cut read is saved: the next job reads the file whole.
  EXPECT_EQ(s.dataFile("CR000.TXT"), "");
  EXPECT_EQ(s.loggerFiles(), Paths{kFirst});
  EXPECT_EQ(s.loggerDeleted(), Paths{});
  ExpectOneIncompleteEntry(s, "read of \\\\SL01\\\\SL010\\.TXT stopped at \\d+ of \\d+ bytes");
  EXPECT_NE(s.state().find("\"terminal_mode\": false"), std::string::npos);
}

TEST(FetchEndToEnd, UnwritableSaveFolderKeepsTheLoggerFiles) {
  Station s;
  const std::string folder = s.file("missing").string() + "/data";
  s.settings({"SaveFileSet.SavePath=" + folder});
  s.startLogger({"--generate", "20"});
  ASSERT_TRUE(s.runJob());
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(s.loggerFiles(), Paths{kFirst});
  EXPECT_EQ(s.loggerDeleted(), Paths{});
  ExpectOneIncompleteEntry(
      s, "data files not written to " + folder + ", fetch journal not written, File not found");
}

}  // namespace
}  // namespace th::test
