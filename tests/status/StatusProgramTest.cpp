// tidehaul-status run as cron and monitoring systems run it: its command
// line, the plugin convention's first line and exit status for each state,
// JSON for scripts and the Prometheus file replaced whole. On Linux and, as
// tidehaul-status.exe, under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/status/Program.h"
#include "tests/status/RecordLines.h"
#include "tests/support/TestPlatform.h"

namespace th::status::test {
namespace {

namespace fs = std::filesystem;
constexpr std::int64_t kHour = 3600;

class StatusProgram : public ::testing::Test {
 protected:
  // A station folder whose last complete fetch ended `age` seconds before now.
  std::string Station(const std::string& name, std::int64_t age) {
    const fs::path folder = dir.path() / name;
    fs::create_directories(folder);
    th::test::WriteWholeFile(
        folder / "Jobs.jsonl",
        RecordLine(Job(kNow - age)) +
            RecordLine(Job(kNow - age / 2 - 60, 3, "no_connection", false, 0, "no answer")));
    return folder.string();
  }

  th::test::TempDir dir;
};

TEST_F(StatusProgram, HelpVersionAndBadCommandLines) {
  const ProgramRun help = RunStatusProgram({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("usage: tidehaul-status ", 0), 0U) << help.out;
  const ProgramRun version = RunStatusProgram({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, std::string("tidehaul-status ") + TIDEHAUL_VERSION + "\n");
  const struct {
    std::vector<std::string> args;
    const char* problem;
  } bad[] = {
      {{}, "no DIR given"},
      {{"--bogus", "d"}, "unknown option --bogus"},
      {{"d", "--max-age"}, "--max-age needs a value"},
      {{"--max-age", "6", "d"}, "--max-age needs a duration such as 30s, 90m, 6h or 2d, not \"6\""},
      {{"--warn-age=0s", "d"}, "--warn-age needs a duration"},
      {{"--warn-age", "2d", "--max-age", "6h", "d"}, "--warn-age is longer than --max-age"},
      {{"--prometheus=", "d"}, "--prometheus needs a FILE"},
  };
  for (const auto& b : bad) {
    const ProgramRun run = RunStatusProgram(b.args);
    EXPECT_EQ(run.code, 2) << b.problem;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(std::string("tidehaul-status: ") + b.problem, 0), 0U) << run.err;
    EXPECT_NE(run.err.find("usage: "), std::string::npos);
  }
  const ProgramRun badNow = RunStatusProgram({"d"}, "yesterday");
  EXPECT_EQ(badNow.code, 2);
}

TEST_F(StatusProgram, PluginStatesAndExitCodes) {
  const std::string fresh = Station("fresh", 600);
  const std::string late = Station("late", 2 * kHour);
  const std::string lost = Station("lost", 7 * kHour);
  const std::string missing = (dir.path() / "missing").string();
  const struct {
    std::vector<std::string> folders;
    int code;
    std::string first;
  } cases[] = {
      {{fresh},
       0,
       "TIDEHAUL OK - 1 of 1 stations delivered within 1h00m | stations=1 warning=0 critical=0 "
       "unknown=0"},
      {{fresh, late},
       1,
       "TIDEHAUL WARNING - 1 of 2 stations behind: " + late +
           " #3 Station 4 (last complete fetch 2h00m ago) | stations=2 warning=1 critical=0 "
           "unknown=0"},
      {{late, lost},
       2,
       "TIDEHAUL CRITICAL - 2 of 2 stations behind: " + lost +
           " #3 Station 4 (last complete fetch 7h00m ago), " + late +
           " #3 Station 4 (last complete fetch 2h00m ago) | stations=2 warning=1 critical=1 "
           "unknown=0"},
      {{fresh, missing},
       3,
       "TIDEHAUL UNKNOWN - 1 of 2 stations unknown: " + missing + " (cannot read the folder: "},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--warn-age", "1h", "--max-age=6h"};
    args.insert(args.end(), c.folders.begin(), c.folders.end());
    const ProgramRun run = RunStatusProgram(args);
    EXPECT_EQ(run.code, c.code) << run.out;
    EXPECT_EQ(run.out.substr(0, std::min(run.out.find('\n'), c.first.size())), c.first);
    // The table follows, one row per station.
    EXPECT_NE(run.out.find("\nSTATE "), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
  }
  // Without an age: a table, and status 1 only for a folder that cannot be read.
  EXPECT_EQ(RunStatusProgram({fresh, lost}).code, 0);
  const ProgramRun table = RunStatusProgram({fresh, missing});
  EXPECT_EQ(table.code, 1);
  EXPECT_EQ(table.out.rfind("STATION ", 0), 0U) << table.out;
}

TEST_F(StatusProgram, JsonAndPrometheusFile) {
  const std::string late = Station("late", 2 * kHour);
  const ProgramRun json = RunStatusProgram({"--json", "--max-age", "90m", late});
  EXPECT_EQ(json.code, 2);
  const auto j = nlohmann::json::parse(json.out);
  EXPECT_EQ(j["status"], "CRITICAL");
  const auto& device = j["stations"][0]["devices"][0];
  EXPECT_EQ(device["device"], 3);
  EXPECT_EQ(device["last_job"]["result"], "no_connection");
  EXPECT_EQ(device["last_complete_fetch"]["age_seconds"], 2 * kHour);
  EXPECT_EQ(device["failures_in_a_row"], 1);

  // Alone, --prometheus prints nothing: cron mails nothing.
  const fs::path prom = dir.path() / "tidehaul.prom";
  th::test::WriteWholeFile(prom, "old");
  const ProgramRun quiet = RunStatusProgram({"--prometheus", prom.string(), late});
  EXPECT_EQ(quiet.code, 0);
  EXPECT_EQ(quiet.out, "");
  const std::string text = th::test::ReadWholeFile(prom);
  EXPECT_NE(text.find("\ntidehaul_failures_in_a_row{station=\""), std::string::npos) << text;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
      << "a temporary file was left";
  const ProgramRun failed =
      RunStatusProgram({"--prometheus", (dir.path() / "none" / "x.prom").string(), late});
  EXPECT_EQ(failed.code, 1);
  EXPECT_EQ(failed.err.rfind("tidehaul-status: cannot create ", 0), 0U) << failed.err;
}

}  // namespace
}  // namespace th::status::test
