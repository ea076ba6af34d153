// What the status prints: the table, the monitoring plugin's first line for
// each state, and the Prometheus exposition with its labels escaped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/status/RecordLines.h"
#include "tools/status/AgeCheck.h"
#include "tools/status/Reports.h"

namespace th::status::test {
namespace {

constexpr std::int64_t kHour = 3600;

DeviceStatus Row(int device, const char* name, std::int64_t completeAge, std::int64_t failures) {
  DeviceStatus d;
  d.device = device;
  d.name = name;
  d.lastJob = {kNow - 620, kNow - 600, StationTime(kNow - 600),
               failures == 0 ? JobResult::Complete : JobResult::NoConnection,
               failures == 0 ? "" : "Unable to open com port (Error: 2)"};
  if (completeAge >= 0) {
    d.lastCompleteFetch = JobSummary{kNow - completeAge - 20, kNow - completeAge,
                                     StationTime(kNow - completeAge), JobResult::Complete, ""};
  }
  d.failuresInARow = failures;
  d.recordsSaved24h = 200;
  return d;
}

StationReport Station(const char* folder, std::vector<DeviceStatus> rows) {
  StationReport s;
  s.folder = folder;
  s.rows = std::move(rows);
  return s;
}

StationReport Unreadable(const char* folder) {
  StationReport s;
  s.folder = folder;
  s.state = StationReport::State::Unreadable;
  s.problem = "cannot read the folder: Permission denied";
  return s;
}

// Local time of the test: UTC.
std::string Utc(std::int64_t t) {
  std::string text = UtcIsoText(t).substr(0, 16);
  text[10] = ' ';
  return text;
}

TEST(StatusReport, Table) {
  StationReport s = Station("/srv/station4", {Row(3, "Station 4", 600, 0), Row(5, "Pump", -1, 2)});
  s.rows[1].failuresAtLeast = true;
  s.rows[1].lastJob.reason = "line\x1b[2Jend";  // no terminal control from a record
  s.linesSkipped = 2;
  const std::string table =
      TableText({s, Unreadable("/srv/station9")}, kNow, Utc, AgeLimits{kHour, 2 * kHour});
  EXPECT_EQ(
      table,
      "STATE     STATION        DEVICE  NAME       LAST JOB          RESULT         "
      "LAST COMPLETE FETCH  AGE  FAILS  SAVED 24H  REASON\n"
      "OK        /srv/station4  3       Station 4  2026-12-10 13:50  complete       "
      "2026-12-10 13:50     10m  0      200\n"
      "CRITICAL  /srv/station4  5       Pump       2026-12-10 13:50  no_connection  "
      "none                 -    2+     200        line?[2Jend\n"
      "UNKNOWN   /srv/station9  -                  -                 -              "
      "-                    -    -      -          cannot read the folder: Permission denied\n"
      "/srv/station4: 2 lines skipped (cut, or not a job record of a format this program "
      "knows)\n");
}

TEST(StatusReport, PluginSummaryForEachState) {
  const AgeLimits limits{kHour, 6 * kHour};
  const struct {
    std::vector<StationReport> stations;
    CheckState state;
    const char* line;
  } cases[] = {
      {{Station("/srv/a", {Row(3, "A", 600, 0)}), Station("/srv/b", {Row(1, "B", 1800, 1)})},
       CheckState::Ok,
       "TIDEHAUL OK - 2 of 2 stations delivered within 1h00m | stations=2 warning=0 critical=0 "
       "unknown=0"},
      {{Station("/srv/a", {Row(3, "A", 2 * kHour, 2)}), Station("/srv/b", {Row(1, "B", 600, 0)})},
       CheckState::Warning,
       "TIDEHAUL WARNING - 1 of 2 stations behind: /srv/a #3 A (last complete fetch 2h00m ago) | "
       "stations=2 warning=1 critical=0 unknown=0"},
      {{Station("/srv/a", {Row(3, "A", 2 * kHour, 2), Row(4, "", -1, 9)}), Unreadable("/srv/c")},
       CheckState::Critical,
       "TIDEHAUL CRITICAL - 2 of 3 stations behind: /srv/a #4 (no complete fetch), /srv/a #3 A "
       "(last complete fetch 2h00m ago); 1 unknown: /srv/c (cannot read the folder: Permission "
       "denied) | stations=3 warning=1 critical=1 unknown=1"},
      {{Station("/srv/a", {Row(3, "A", 600, 0)}), Unreadable("/srv/c")},
       CheckState::Unknown,
       "TIDEHAUL UNKNOWN - 1 of 2 stations unknown: /srv/c (cannot read the folder: Permission "
       "denied) | stations=2 warning=0 critical=0 unknown=1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OverallState(c.stations, kNow, limits), c.state);
    EXPECT_EQ(CheckSummary(c.stations, kNow, limits), c.line);
  }
  // Only one limit: a device without a complete fetch is at that level.
  const std::vector<StationReport> none = {Station("/srv/a", {Row(3, "A", -1, 1)})};
  EXPECT_EQ(OverallState(none, kNow, AgeLimits{kHour, {}}), CheckState::Warning);
  EXPECT_EQ(OverallState(none, kNow, AgeLimits{{}, kHour}), CheckState::Critical);
  // Older means older: exactly the limit is still in time.
  const std::vector<StationReport> exact = {Station("/srv/a", {Row(3, "A", kHour, 1)})};
  EXPECT_EQ(OverallState(exact, kNow, AgeLimits{kHour, {}}), CheckState::Ok);
}

TEST(StatusReport, PrometheusLabelsAreEscaped) {
  StationReport s = Station("/srv/a \"b\"\\c\nd\xff", {Row(3, "Q\"", 600, 0)});
  const std::string text = PrometheusText({s}, kNow);
  const std::string labels = R"(station="/srv/a \"b\"\\c\nd)"
                             "\xEF\xBF\xBD"
                             R"(",device="3",name="Q\"")";
  EXPECT_NE(text.find("tidehaul_last_job_timestamp_seconds{" + labels + "} 1796910600\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("tidehaul_last_job_result{" + labels + ",result=\"complete\"} 1\n"),
            std::string::npos);
  EXPECT_NE(text.find("tidehaul_last_job_result{" + labels + ",result=\"no_device\"} 0\n"),
            std::string::npos);
}

}  // namespace
}  // namespace th::status::test
