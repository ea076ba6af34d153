// The job record's line and the result it gives a run.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/JobRecord.h"
#include "app/JsonText.h"

namespace th::test {
namespace {

std::string Json(std::u16string_view text, std::size_t max = 100) {
  std::string out;
  AppendJsonString(out, text, max);
  return out;
}

TEST(JobRecordLine, StringsAreEscapedAndCutAtWholeCharacters) {
  const std::pair<std::u16string, std::string> kCases[] = {
      {u"a\"b\\c/d", R"("a\"b\\c/d")"},
      {u"\x01\t\n\x1f\x7f", "\"\\u0001\\u0009\\u000a\\u001f\x7f\""},
      {u"Z\u00e4hler \u20ac \U0001F600", "\"Z\xc3\xa4hler \xe2\x82\xac \xf0\x9f\x98\x80\""},
      {u"\xd800x\xdc00", "\"\xef\xbf\xbdx\xef\xbf\xbd\""},  // lone surrogates
  };
  for (const auto& [text, json] : kCases) {
    EXPECT_EQ(Json(text), json);
    EXPECT_TRUE(nlohmann::json::accept(json)) << json;
  }
  // Cut before an escape, a two-byte and a four-byte character that would not fit.
  EXPECT_EQ(Json(u"ab\n", 7), "\"ab\"");
  EXPECT_EQ(Json(u"ab\u00e4", 3), "\"ab\"");
  EXPECT_EQ(Json(u"a\U0001F600", 4), "\"a\"");
}

TEST(JobRecordLine, TimesCarryTheirUtcOffset) {
  EXPECT_EQ(IsoLocalTime({2026, 12, 10, 14, 5, 31, 60}), "2026-12-10T14:05:31+01:00");
  EXPECT_EQ(IsoLocalTime({2026, 1, 2, 3, 4, 5, -330}), "2026-01-02T03:04:05-05:30");
  EXPECT_EQ(IsoLocalTime({2026, 1, 2, 3, 4, 5, 0}), "2026-01-02T03:04:05+00:00");
}

JobRecord CompleteJob() {
  JobRecord r;
  r.start = {2026, 12, 10, 14, 5, 31, 60};
  r.end = {2026, 12, 10, 14, 5, 52, 60};
  r.device = RecordedDevice{3, u"Station 4", u"01", u"COM3", u"9600", u"Direct"};
  r.outcome = {JobResult::Complete, {}};
  r.job.clockSet = r.job.fetchComplete = true;
  r.job.files.push_back({u"\\SL01\\SL010.TXT", 8120, 8120, 200, 0, true, {}});
  r.job.recordsSaved = 200;
  r.job.dataFiles = {"/srv/station4/data/CR000.TXT", "/srv/station4/data/CR001.TXT"};
  return r;
}

TEST(JobRecordLine, KeysInTheirOrder) {
  EXPECT_EQ(JobRecordLine(CompleteJob(), "1.4.9"),
            R"({"format":1,"tool":"1.4.9","start":"2026-12-10T14:05:31+01:00",)"
            R"("end":"2026-12-10T14:05:52+01:00",)"
            R"("device":{"index":3,"name":"Station 4","logger_id":"01"},)"
            R"("line":{"port":"COM3","baud":"9600","modem_type":"Direct"},)"
            R"("result":"complete","reason":"","clock_set":true,"fetch_complete":true,)"
            R"("files":[{"path":"\\SL01\\SL010.TXT","announced_size":8120,"bytes_received":8120,)"
            R"("records_saved":200,"records_skipped":0,"deleted":true,"kept_because":""}],)"
            R"("files_left_out":0,"records_saved":200,)"
            R"("data_files":["/srv/station4/data/CR000.TXT","/srv/station4/data/CR001.TXT"],)"
            R"("data_files_left_out":0})"
            "\n");
  JobRecord none;
  none.outcome = {JobResult::NoDevice, u"No device named"};
  EXPECT_NE(JobRecordLine(none, "1.4.9").find(R"("device":null,"line":null,"result":"no_device")"),
            std::string::npos);
}

TEST(JobRecordLine, LongListsAreCountedAndLongTextsCutToTheBound) {
  JobRecord r = CompleteJob();
  const Text controls(100, u'\x01');  // six bytes each in JSON
  r.device->name = r.device->modemType = controls;
  r.outcome = {JobResult::Incomplete, Text(3000, u'r')};
  r.job.files.assign(7, FileReport{controls, -1, 0, 0, 0, false, Text(900, u'k')});
  r.job.dataFiles.assign(9, std::string(600, 'd'));
  const std::string line = JobRecordLine(r, "1.4.9");
  EXPECT_LE(line.size(), kMaxRecordBytes);
  ASSERT_EQ(line.back(), '\n');
  const auto json = nlohmann::json::parse(line);
  EXPECT_EQ(json["files"].size(), 4u);
  EXPECT_EQ(json["files_left_out"], 3);
  EXPECT_EQ(json["data_files"].size(), 4u);
  EXPECT_EQ(json["data_files_left_out"], 5);
  EXPECT_EQ(json["reason"].get<std::string>().size(), kMaxReasonBytes);
  // Cut from their ends: what is left is the texts' beginning.
  EXPECT_EQ(json["files"][3]["kept_because"].get<std::string>().find_first_not_of('k'),
            std::string::npos);
  EXPECT_EQ(json["result"], "incomplete");
}

// A job that got as far as `stage`: 0 nothing, 1 line up, 2 clock set, 3 fetched.
JobReport Job(int stage, const char16_t* failure = u"", const char16_t* error = u"") {
  JobReport j;
  j.ran = true;
  j.connected = stage >= 1;
  j.clockSet = stage >= 2;
  j.fetchRan = stage >= 3 || (stage == 1 && *error == 0);
  j.fetchComplete = stage >= 3 && *failure == 0;
  j.failure = failure;
  j.error = error;
  return j;
}

RunFacts Facts(bool closeRequested, const char16_t* settingsError = u"", int unknownDevice = -1) {
  return {closeRequested, settingsError, unknownDevice};
}

TEST(JobOutcome, FirstThingThatWentWrongInTheJobsOrder) {
  const Text kKept = u"File fetch incomplete, no listing, logger files kept";
  JobReport stopped = Job(3, kKept.c_str());
  stopped.stopped = true;
  // Named rather than {} in the table: GCC 12 at -O3 takes the strings of a
  // braced empty member for uninitialised.
  const RunFacts kNoFacts;
  const JobReport kNoJob;
  const struct {
    RunFacts run;
    JobReport job;
    JobResult result;
    std::u16string reason;
  } kCases[] = {
      {kNoFacts, Job(3), JobResult::Complete, u""},
      {kNoFacts, Job(3, kKept.c_str()), JobResult::Incomplete, kKept},
      {kNoFacts, Job(3, u"", u"Write failed"), JobResult::Incomplete,
       u"Line not brought down, Write failed"},
      {kNoFacts, Job(1), JobResult::NoClockAnswer, u"DataLogger no answer"},
      {kNoFacts, Job(1, u"", u"I/O error 5"), JobResult::NoClockAnswer, u"I/O error 5"},
      {kNoFacts, Job(0, u"Logger did not answer the wake-up"), JobResult::NoConnection,
       u"Logger did not answer the wake-up"},
      {kNoFacts, Job(0, u"", u"Unable to open com port (Error: 2)"), JobResult::NoConnection,
       u"Unable to open com port (Error: 2)"},
      {kNoFacts, stopped, JobResult::Stopped, kKept},
      {Facts(true), Job(0, u"Logger did not answer the wake-up"), JobResult::Stopped,
       u"Stopped by a close request"},
      {Facts(true), kNoJob, JobResult::Stopped, u"Stopped by a close request"},
      {Facts(false, u"Read beyond end of file"), kNoJob, JobResult::SettingsError,
       u"Read beyond end of file"},
      {kNoFacts, kNoJob, JobResult::NoDevice, u"No device named"},
      {Facts(false, u"", 300), kNoJob, JobResult::NoDevice, u"Device 300 has no record"},
  };
  for (const auto& c : kCases) {
    const Outcome o = OutcomeOf(c.run, c.job);
    EXPECT_EQ(JobResultName(o.result), JobResultName(c.result)) << ToUtf8(c.reason);
    EXPECT_EQ(ToUtf8(o.reason), ToUtf8(c.reason));
  }
}

}  // namespace
}  // namespace th::test
