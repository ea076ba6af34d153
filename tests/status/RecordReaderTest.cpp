// The record reader: one line into a record or not, times and durations, and
// the lines of a file read backwards in chunks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/status/RecordLines.h"
#include "tools/status/JobRecord.h"
#include "tools/status/LineTail.h"
#include "tools/status/TimeText.h"

namespace th::status::test {
namespace {

// The writer's own sample line.
const std::string kSample =
    R"({"format":1,"tool":"1.4.9","start":"2026-12-10T14:05:31+01:00","end":"2026-12-10T14:05:52+01:00",)"
    R"("device":{"index":3,"name":"Station 4","logger_id":"01"},"line":{"port":"COM3","baud":"9600","modem_type":"Direct"},)"
    R"("result":"complete","reason":"","clock_set":true,"fetch_complete":true,"files":[{"path":"\\SL01\\SL010.TXT",)"
    R"("announced_size":8120,"bytes_received":8120,"records_saved":200,"records_skipped":0,"deleted":true,"kept_because":""}],)"
    R"("files_left_out":0,"records_saved":200,"data_files":["/srv/station4/data/CR000.TXT","/srv/station4/data/CR001.TXT"],)"
    R"("data_files_left_out":0})";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(JobRecord, TheSampleLine) {
  JobRecord r;
  ASSERT_EQ(ParseJobRecord(kSample, r), LineKind::Record);
  EXPECT_EQ(r.start, 1796907931);
  EXPECT_EQ(r.end, 1796907952);
  EXPECT_EQ(r.endText, "2026-12-10T14:05:52+01:00");
  EXPECT_EQ(r.device, 3);
  EXPECT_EQ(r.deviceName, "Station 4");
  EXPECT_EQ(r.loggerId, "01");
  EXPECT_EQ(r.result, JobResult::Complete);
  EXPECT_TRUE(r.fetchComplete);
  EXPECT_EQ(r.recordsSaved, 200);
}

TEST(JobRecord, EveryResultAndTheStationAsAWhole) {
  for (const JobResult result : kJobResults) {
    // Without a device only a job that never named one, or was stopped first.
    const bool stationWide = result == JobResult::SettingsError || result == JobResult::NoDevice ||
                             result == JobResult::Stopped;
    for (const int device : {3, kStationWide}) {
      Job job(kNow - 600, device, std::string(JobResultName(result)), false, 0, "why");
      std::string line = RecordLine(job);
      line.pop_back();
      JobRecord r;
      if (device == kStationWide && !stationWide) {
        EXPECT_EQ(ParseJobRecord(line, r), LineKind::NotARecord) << line;
        continue;
      }
      ASSERT_EQ(ParseJobRecord(line, r), LineKind::Record) << line;
      EXPECT_EQ(r.result, result);
      EXPECT_EQ(r.device, device);
      EXPECT_EQ(r.reason, "why");
    }
  }
}

TEST(JobRecord, LinesThatAreNotRecords) {
  std::vector<std::string> lines = {
      "",
      "garbage",
      "[]",
      "{}",
      "null",
      kSample + "x",
      kSample + kSample,
      Replaced(kSample, R"("format":1)", R"("format":0)"),
      Replaced(kSample, R"("format":1)", R"("format":"1")"),
      Replaced(kSample, R"("format":1)", R"("format":1.5)"),
      Replaced(kSample, R"("index":3)", R"("index":255)"),
      Replaced(kSample, R"("index":3)", R"("index":-1)"),
      Replaced(kSample, R"("index":3)", R"("index":"3")"),
      Replaced(kSample, R"("result":"complete")", R"("result":"done")"),
      Replaced(kSample, R"("records_saved":200,"data)", R"("records_saved":-1,"data)"),
      Replaced(kSample, R"("fetch_complete":true)", R"("fetch_complete":1)"),
      Replaced(kSample, "2026-12-10T14:05:52+01:00", "2026-02-30T14:05:52+01:00"),
      Replaced(kSample, "2026-12-10T14:05:52+01:00", "2026-12-10 14:05:52+01:00"),
      Replaced(kSample, "2026-12-10T14:05:52+01:00", "2026-12-10T14:05:52"),
      Replaced(kSample, "2026-12-10T14:05:52+01:00", "2026-12-10T24:05:52+01:00"),
      Replaced(kSample, R"("line":{"port":"COM3","baud":"9600","modem_type":"Direct"})",
               R"("line":null)"),
      // Not valid UTF-8 in a text.
      Replaced(kSample, "Station 4", "Station \xC3"),
      "{" + std::string(kMaxLineBytes, ' ') + "}",
  };
  // Cut anywhere: what a power cut during the append leaves.
  for (std::size_t n = 1; n < kSample.size(); n += 7) {
    lines.push_back(kSample.substr(0, n));
  }
  // Without any one of the keys.
  for (const char* key : {"format", "start", "end", "device", "line", "result", "reason",
                          "clock_set", "fetch_complete", "files", "files_left_out", "records_saved",
                          "data_files", "data_files_left_out"}) {
    const std::string quoted = std::string("\"") + key + "\":";
    std::string line = kSample;
    // Renaming the key is as good as leaving it out; the last is the record's own.
    line[line.rfind(quoted) + 1] = 'X';
    lines.push_back(line);
  }
  for (const std::string& line : lines) {
    JobRecord r;
    EXPECT_EQ(ParseJobRecord(line, r), LineKind::NotARecord) << line;
  }
}

TEST(JobRecord, AnyJsonSpellingOfTheSameRecord) {
  const struct {
    std::string line;
    const char* name;
  } cases[] = {
      {" \t" + kSample + " \r", "Station 4"},
      {"\xEF\xBB\xBF" + kSample, "Station 4"},
      {Replaced(kSample, "Station 4", R"(St\u00e4tion \ud83c\udf0a \"4\"\/\\)"),
       "St\xC3\xA4tion \xF0\x9F\x8C\x8A \"4\"/\\"},
      // Keys in another order, a key twice (the last counts), keys of later writers.
      {R"({"extra":[{"a":[[],{}]},-0.5e+3,null,true],"device":{"logger_id":"01","name":"x","index":3,)"
       R"("name":"Station 4"},)" +
           kSample.substr(1),
       "Station 4"},
  };
  for (const auto& c : cases) {
    JobRecord r;
    ASSERT_EQ(ParseJobRecord(c.line, r), LineKind::Record) << c.line;
    EXPECT_EQ(r.deviceName, c.name);
    EXPECT_EQ(r.recordsSaved, 200);
  }
  for (const std::string& bad : {
           Replaced(kSample, "Station 4", R"(Station \x4)"),
           Replaced(kSample, "Station 4", R"(Station \ud83c)"),
           Replaced(kSample, "Station 4", R"(Station \udf0a\ud83c)"),
           Replaced(kSample, "Station 4", "Station\t4"),
           Replaced(kSample, "Station 4", "Station \xED\xA0\x80"),
           Replaced(kSample, "Station 4", "Station \xC0\xB4"),
           Replaced(kSample, R"("format":1)", R"("format":01)"),
           Replaced(kSample, R"("files_left_out":0)", R"("files_left_out":0,)"),
           Replaced(kSample, R"("records_saved":200,"data)", R"("records_saved":200,,"data)"),
           Replaced(kSample, R"("index":3)", R"("index":3.)"),
           Replaced(kSample, R"("index":3)", R"("index":99999999999999999999)"),
           R"({"extra":[1 2],)" + kSample.substr(1),
           R"({"extra":{"a"},)" + kSample.substr(1),
           R"({"extra":[}],)" + kSample.substr(1),
           R"({"extra":tru,)" + kSample.substr(1),
       }) {
    JobRecord r;
    EXPECT_EQ(ParseJobRecord(bad, r), LineKind::NotARecord) << bad;
  }
}

TEST(JobRecord, LaterFormatsAreSkippedAsSuch) {
  JobRecord r;
  EXPECT_EQ(ParseJobRecord(Replaced(kSample, R"("format":1)", R"("format":2)"), r),
            LineKind::LaterFormat);
  // A later format may have other keys: only the number matters.
  EXPECT_EQ(ParseJobRecord(R"({"format":7,"when":0})", r), LineKind::LaterFormat);
}

TEST(TimeText, IsoTimes) {
  const struct {
    const char* text;
    std::int64_t unix;
  } cases[] = {
      {"1970-01-01T00:00:00Z", 0},
      {"1970-01-01T01:00:00+01:00", 0},
      {"1969-12-31T18:30:00-05:30", 0},
      {"2026-12-10T14:05:31+01:00", 1796907931},
      {"2028-02-29T00:00:00+00:00", 1835395200},
      {"2000-03-01T00:00:00Z", 951868800},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseIsoTime(c.text), c.unix) << c.text;
    EXPECT_EQ(ParseIsoTime(UtcIsoText(c.unix)), c.unix) << c.text;
  }
  for (const char* bad : {"2027-02-29T00:00:00Z", "2026-13-01T00:00:00Z", "2026-12-10T14:05:60Z",
                          "2026-12-10T14:05:31+24:00", "2026-12-10T14:05:31+0100",
                          "2026-12-10T14:05:31.5Z", "2026-12-1OT14:05:31Z", ""}) {
    EXPECT_FALSE(ParseIsoTime(bad)) << bad;
  }
}

TEST(TimeText, DurationsAndAges) {
  const struct {
    const char* text;
    std::int64_t seconds;
  } durations[] = {{"30s", 30}, {"90m", 5400}, {"6h", 21600}, {"2d", 172800}, {"1h30m", 5400}};
  for (const auto& d : durations) {
    EXPECT_EQ(ParseDuration(d.text), d.seconds) << d.text;
  }
  for (const char* bad : {"", "0s", "6", "h", "6x", "-6h", "6h ", "1.5h", "99999999999999d"}) {
    EXPECT_FALSE(ParseDuration(bad)) << bad;
  }
  const struct {
    std::int64_t seconds;
    const char* text;
  } ages[] = {{0, "0s"},       {59, "59s"},       {60, "1m"},
              {7500, "2h05m"}, {273600, "3d04h"}, {-300, "-5m"}};
  for (const auto& a : ages) {
    EXPECT_EQ(AgeText(a.seconds), a.text);
  }
}

// The lines of `text` as a plain forward split would give them, newest first.
std::vector<std::string> BackwardLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.insert(lines.begin(), text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

TEST(LineTail, EveryChunkSizeGivesTheLinesNewestFirst) {
  const std::string longLine(40, 'x');
  const std::vector<std::string> texts = {
      "",
      "\n",
      "a",
      "a\n",
      "a\nb",
      "a\nb\n",
      "\n\n",
      "one\n\ntwo\n",
      longLine + "\nshort\n" + longLine,
      "cut at the end\nno newline",
  };
  for (const std::string& text : texts) {
    for (std::size_t chunk = 1; chunk <= text.size() + 1; ++chunk) {
      MemorySource source(text);
      std::int64_t budget = 1 << 20;
      LineTail tail(source, chunk, 16, budget);
      std::vector<std::string> lines;
      std::string_view line;
      LineTail::Step step;
      while ((step = tail.previous(line)) != LineTail::Step::Start) {
        ASSERT_TRUE(step == LineTail::Step::Line || step == LineTail::Step::LongLine);
        lines.push_back(step == LineTail::Step::Line ? std::string(line) : "LONG");
      }
      std::vector<std::string> expected = BackwardLines(text);
      for (std::string& e : expected) {
        e = e.size() > 16 ? "LONG" : e;
      }
      EXPECT_EQ(lines, expected) << "chunk " << chunk << " of \"" << text << "\"";
      EXPECT_EQ(budget, (1 << 20) - static_cast<std::int64_t>(text.size()));
    }
  }
}

TEST(LineTail, StopsWhenTheBudgetIsSpent) {
  const std::string text = "first\nsecond\nthird\n";
  MemorySource source(text);
  std::int64_t budget = 8;
  LineTail tail(source, 4, 16, budget);
  std::string_view line;
  ASSERT_EQ(tail.previous(line), LineTail::Step::Line);
  EXPECT_EQ(line, "third");
  EXPECT_EQ(tail.previous(line), LineTail::Step::Budget);
  EXPECT_EQ(budget, 0);
}

}  // namespace
}  // namespace th::status::test
