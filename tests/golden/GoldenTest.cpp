// Whole jobs of the tool against the simulated logger, compared with their
// transcripts under data/: the same data files and LogFile.Log byte for byte,
// the same writes and line changes in the same order, the same status texts
// per panel, each within 50 ms of its recorded moment.
// TIDEHAUL_GOLDEN_RECORD=1 rewrites the transcripts from the code as it is.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/golden/GoldenCompare.h"
#include "tests/golden/GoldenRun.h"

namespace th::golden {
namespace {

constexpr std::int64_t kToleranceMs = 50;

std::vector<std::string> Modem(const std::string& type, const std::string& command = "ATZ",
                               const std::string& number = "0123") {
  return {"ModemSet.ModemType=" + type, "ModemSet.Command=" + command, "ModemSet.CallCMD=ATD",
          "ModemSet.ModemNo=" + number, "ModemSet.DiscntCMD=ATH"};
}

const std::vector<std::string> kModemLogger = {"--modem", "--generate", "20"};

GoldenJob Job(std::string name, std::string about, std::vector<std::string> settings,
              std::vector<std::string> logger) {
  GoldenJob job;
  job.name = std::move(name);
  job.about = std::move(about);
  job.settings = std::move(settings);
  job.logger = std::move(logger);
  return job;
}

GoldenJob Named(GoldenJob job, std::optional<std::int64_t> nameAt,
                std::optional<std::int64_t> closeAt) {
  job.nameAt = nameAt;
  job.closeAt = closeAt;
  return job;
}

const std::vector<GoldenJob>& Jobs() {
  static const std::vector<GoldenJob> jobs = {
      Job("direct", "a direct logger with 200 records", {}, {"--generate", "200"}),
      Job("modem-h316k", "H316k modem", Modem("H316k"), kModemLogger),
      Job("modem-jx070", "JX070 modem", Modem("JX070"), kModemLogger),
      Job("modem-n-tarsel", "N-Tarsel modem", Modem("N-Tarsel"), kModemLogger),
      Job("modem-bt-qm515", "B/T(QM515) modem", Modem("B/T(QM515)"), kModemLogger),
      Job("modem-etc", "etc modem", Modem("etc"), kModemLogger),
      Job("modem-twx-314", "TWX-314 modem", Modem("TWX-314", "AT", "*99#"), kModemLogger),
      Job("modem-no-carrier", "the dial gets NO CARRIER", Modem("H316k"),
          {"--modem", "--dial-reply", "no-carrier", "--generate", "20"}),
      Job("silent", "a logger that answers nothing", {}, {"--mute", "all", "--generate", "20"}),
      Job("no-clock-set-reply", "a logger that does not answer the clock setting", {},
          {"--mute", "time-set", "--generate", "20"}),
      Job("second-file", "more than 60 channels: a second file of 100 channels",
          {"ScheduleSet.SensorNoCheck=true"},
          {"--generate", "5", "--second-file", "--channels", "100"}),
      Job("unplug", "the adapter unplugged halfway through the read", {},
          {"--generate", "200", "--rate", "4000", "--unplug-after", "50%"}),
      Named(Job("close-request", "the window asked to close during the read", {},
                {"--generate", "200", "--rate", "4000"}),
            1500, 6500),
      Named(
          Job("no-message", "no control message: the tool closes itself", {}, {"--generate", "20"}),
          std::nullopt, std::nullopt),
      Job("echo", "a logger that echoes every command", {}, {"--echo", "--generate", "20"}),
      Job("late-tail", "the last bytes of every read come 3 s late", {},
          {"--generate", "20", "--late-tail", "10=3000"}),
      Job("read-stops-halfway", "a read that stops halfway", {},
          {"--generate", "20", "--fread-stop-after", "50%"}),
      Job("unusable-size", "a size reply that is no number", {},
          {"--generate", "20", "--size-reply", "nan"}),
  };
  return jobs;
}

std::string DataPath(const GoldenJob& job) {
  return std::string(TIDEHAUL_GOLDEN_DATA) + "/" + job.name + ".txt";
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

class Golden : public testing::TestWithParam<GoldenJob> {};

TEST_P(Golden, JobMatchesItsRecording) {
  const GoldenJob& job = GetParam();
  const std::vector<std::string> fresh = RunJob(job);
  const char* record = std::getenv("TIDEHAUL_GOLDEN_RECORD");
  if (record != nullptr && std::string(record) == "1") {
    std::ofstream out(DataPath(job), std::ios::binary | std::ios::trunc);
    for (const auto& line : fresh) {
      out << line << '\n';
    }
    ASSERT_TRUE(out.good()) << DataPath(job);
    return;
  }
  const std::vector<std::string> recorded = ReadLines(DataPath(job));
  ASSERT_FALSE(recorded.empty()) << "no recording at " << DataPath(job);
  const auto difference = FirstDifference(recorded, fresh, kToleranceMs);
  if (difference) {
    ADD_FAILURE() << job.name << " differs from " << DataPath(job) << " at " << *difference;
  }
}

INSTANTIATE_TEST_SUITE_P(Jobs, Golden, testing::ValuesIn(Jobs()),
                         [](const testing::TestParamInfo<GoldenJob>& info) {
                           std::string name;
                           for (const char c : info.param.name) {
                             name += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
                           }
                           return name;
                         });

// The comparison itself: moments within the tolerance pass, anything else is
// the first difference.
TEST(GoldenCompare, TellsTheFirstDifference) {
  const std::vector<std::string> recorded = {"# job",           "line @100 > A",  "panel0 @100 x",
                                             "line @200 close", "file a 1 bytes", "| z"};
  struct Case {
    std::vector<std::string> fresh;
    std::string difference;  // "" when the two agree
  };
  const std::vector<Case> cases = {
      {recorded, ""},
      {{"# job", "line @150 > A", "panel0 @50 x", "line @250 close", "file a 1 bytes", "| z"}, ""},
      {{"# job", "line @151 > A", "panel0 @100 x", "line @200 close", "file a 1 bytes", "| z"},
       "entry 1 of \"line\":\nrecorded line 2 @100: line > A\nnow      line 2 @151: line > A\n"},
      {{"# job", "line @100 > A", "line @200 close", "file a 1 bytes", "| y"},
       "entry 3 of the exact lines:\nrecorded line 6: | z\nnow      line 5: | y\n"},
      {{"# job", "line @100 > A", "panel0 @100 x", "file a 1 bytes", "| z"},
       "entry 2 of \"line\":\nrecorded line 4 @200: line close\nnow     : (nothing more)\n"},
      {{"# job", "line @100 > A", "line @200 close", "file a 1 bytes", "| z"},
       "entry 1 of \"panel0\":\nrecorded line 3 @100: panel0 x\nnow     : (nothing more)\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FirstDifference(recorded, c.fresh, 50).value_or(""), c.difference);
  }
}

}  // namespace
}  // namespace th::golden
