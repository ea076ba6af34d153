// The status tool's reading of a station's job record files: the input is the
// bytes of Jobs.1.jsonl and Jobs.jsonl (split where the input's last bytes
// say), read backwards in chunks of a size the input picks. The oracle splits
// the same bytes into lines front to back, reads each with nlohmann's JSON
// parser into a tree (the record reader must agree line by line), and works
// out each device's row plainly over the whole history; every row the tool
// shows must equal it, and a device may only be missing when the tool stopped
// early because nothing older could change its rows.
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tools/fuzz/support/Check.h"
#include "tools/fuzz/support/Input.h"
#include "tools/fuzz/targets/Targets.h"
#include "tools/status/StationScan.h"
#include "tools/status/TimeText.h"

namespace th::fuzz {

namespace {

// The reference reading of one line: nlohmann's JSON into a tree, then the
// record's rules on the tree.
namespace reference {

using Json = nlohmann::json;
using status::JobRecord;
using status::JobResult;
using status::kMaxLineBytes;
using status::kStationWide;
using status::LineKind;
using status::ParseIsoTime;

const Json* Member(const Json& object, const char* key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

bool Text(const Json& object, const char* key, std::string& out) {
  const Json* v = Member(object, key);
  if (v == nullptr || !v->is_string()) {
    return false;
  }
  out = v->get_ref<const std::string&>();
  return true;
}

bool Flag(const Json& object, const char* key, bool& out) {
  const Json* v = Member(object, key);
  if (v == nullptr || !v->is_boolean()) {
    return false;
  }
  out = v->get<bool>();
  return true;
}

// A whole number from `min` on (JSON numbers without a fraction or exponent).
bool Count(const Json& object, const char* key, std::int64_t min, std::int64_t& out) {
  const Json* v = Member(object, key);
  if (v == nullptr || !(v->is_number_integer())) {
    return false;
  }
  if (v->is_number_unsigned()) {
    const auto u = v->get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(INT64_MAX)) {
      return false;
    }
    out = static_cast<std::int64_t>(u);
  } else {
    out = v->get<std::int64_t>();
  }
  return out >= min;
}

bool Time(const Json& object, const char* key, std::int64_t& out, std::string* text) {
  std::string s;
  if (!Text(object, key, s)) {
    return false;
  }
  const auto t = ParseIsoTime(s);
  if (!t) {
    return false;
  }
  out = *t;
  if (text != nullptr) {
    *text = std::move(s);
  }
  return true;
}

bool Result(const Json& object, JobResult& out) {
  std::string s;
  if (!Text(object, "result", s)) {
    return false;
  }
  for (const JobResult r : status::kJobResults) {
    if (s == status::JobResultName(r)) {
      out = r;
      return true;
    }
  }
  return false;
}

// {"index":3,"name":"Station 4","logger_id":"01"} or null.
bool Device(const Json& object, JobRecord& r) {
  const Json* d = Member(object, "device");
  if (d == nullptr) {
    return false;
  }
  if (d->is_null()) {
    r.device = kStationWide;
    return true;
  }
  std::int64_t index = 0;
  if (!d->is_object() || !Count(*d, "index", 0, index) || index > 254 ||
      !Text(*d, "name", r.deviceName) || !Text(*d, "logger_id", r.loggerId)) {
    return false;
  }
  r.device = static_cast<int>(index);
  return true;
}

// The parts the status does not show must still be there, of their kind.
bool RestOfForm(const Json& object, const JobRecord& r) {
  // A job that named no device ran no line and no fetch.
  if (r.device == kStationWide &&
      ((r.result != JobResult::SettingsError && r.result != JobResult::NoDevice &&
        r.result != JobResult::Stopped) ||
       r.fetchComplete)) {
    return false;
  }
  const Json* line = Member(object, "line");
  const Json* files = Member(object, "files");
  const Json* dataFiles = Member(object, "data_files");
  bool clockSet = false;
  std::int64_t count = 0;
  return line != nullptr && (line->is_object() || (line->is_null() && r.device == kStationWide)) &&
         files != nullptr && files->is_array() && dataFiles != nullptr && dataFiles->is_array() &&
         Flag(object, "clock_set", clockSet) && Count(object, "files_left_out", 0, count) &&
         Count(object, "data_files_left_out", 0, count);
}

LineKind ReferenceParse(std::string_view line, JobRecord& record) {
  // nlohmann's reader takes a NUL byte as the end of its input, so a record
  // followed by NULs (a file's zero-filled end after a power cut) would pass;
  // JSON has no NUL outside a string's escapes, so such a line is none.
  if (line.size() > kMaxLineBytes || line.find('\0') != std::string_view::npos) {
    return LineKind::NotARecord;
  }
  const Json j = Json::parse(line.begin(), line.end(), nullptr, false);
  if (!j.is_object()) {
    return LineKind::NotARecord;
  }
  std::int64_t format = 0;
  if (!Count(j, "format", 1, format)) {
    return LineKind::NotARecord;
  }
  if (format > 1) {
    return LineKind::LaterFormat;
  }
  JobRecord r;
  if (!Time(j, "start", r.start, nullptr) || !Time(j, "end", r.end, &r.endText) || !Device(j, r) ||
      !Result(j, r.result) || !Text(j, "reason", r.reason) ||
      !Flag(j, "fetch_complete", r.fetchComplete) ||
      !Count(j, "records_saved", 0, r.recordsSaved) || !RestOfForm(j, r)) {
    return LineKind::NotARecord;
  }
  record = std::move(r);
  return LineKind::Record;
}

}  // namespace reference

using status::DeviceStatus;
using status::JobRecord;
using status::kStationWide;

constexpr std::int64_t kNow = 1796911200;  // 2026-12-10 15:00 at UTC+01:00

struct Lines {
  std::vector<JobRecord> records;  // oldest first
  std::int64_t skipped = 0;
};

void AddLines(std::string_view bytes, Lines& lines) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    const std::string_view line = bytes.substr(start, end - start);
    JobRecord r;
    const status::LineKind kind = status::ParseJobRecord(line, r);
    JobRecord expected;
    const status::LineKind expectedKind = reference::ReferenceParse(line, expected);
    Expect(kind == expectedKind, "a line is read as another kind than JSON into a tree gives");
    if (kind == status::LineKind::Record) {
      Expect(r.start == expected.start && r.end == expected.end && r.endText == expected.endText &&
                 r.device == expected.device && r.deviceName == expected.deviceName &&
                 r.loggerId == expected.loggerId && r.result == expected.result &&
                 r.reason == expected.reason && r.fetchComplete == expected.fetchComplete &&
                 r.recordsSaved == expected.recordsSaved,
             "a record is read with other values than JSON into a tree gives");
      lines.records.push_back(std::move(r));
    } else {
      ++lines.skipped;
    }
    start = end + 1;
  }
}

// The row of `device` over the whole history, or nothing when it has no record.
std::optional<DeviceStatus> Reference(const std::vector<JobRecord>& records, int device) {
  std::optional<DeviceStatus> row;
  bool named = false;
  bool windowOpen = true;
  // Newest first, as a person would read the file from its end.
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    const JobRecord& r = *it;
    const bool mine = r.device == device;
    const bool counts = mine || r.device == kStationWide;
    if (r.end <= kNow - status::kSavedWindowSeconds) {
      windowOpen = false;
    }
    if (!counts) {
      continue;
    }
    if (!row) {
      row.emplace();
      row->device = device;
      row->lastJob = {r.start, r.end, r.endText, r.result, r.reason};
    }
    if (mine && !named) {
      named = true;
      row->name = r.deviceName;
      row->loggerId = r.loggerId;
    }
    if (mine && !row->lastCompleteFetch && r.fetchComplete) {
      row->lastCompleteFetch = status::JobSummary{r.start, r.end, r.endText, r.result, r.reason};
    }
    if (mine && device != kStationWide && windowOpen) {
      row->recordsSaved24h += r.recordsSaved;
    }
  }
  // Failures: every job of the device or of the station after its last complete one.
  std::int64_t failures = 0;
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    if (it->device == device && it->result == status::JobResult::Complete) {
      break;
    }
    failures += it->device == device || it->device == kStationWide ? 1 : 0;
  }
  if (row) {
    row->failuresInARow = failures;
  }
  return row;
}

bool SameJob(const status::JobSummary& a, const status::JobSummary& b) {
  return a.start == b.start && a.end == b.end && a.endText == b.endText && a.result == b.result &&
         a.reason == b.reason;
}

void Compare(const DeviceStatus& shown, const DeviceStatus& expected) {
  Expect(SameJob(shown.lastJob, expected.lastJob), "a row shows another last job");
  Expect(shown.lastCompleteFetch.has_value() == expected.lastCompleteFetch.has_value() &&
             (!shown.lastCompleteFetch ||
              SameJob(*shown.lastCompleteFetch, *expected.lastCompleteFetch)),
         "a row shows another last complete fetch");
  Expect(shown.failuresInARow == expected.failuresInARow, "a row counts other failures");
  Expect(shown.recordsSaved24h == expected.recordsSaved24h, "a row sums other records saved");
  Expect(shown.device == kStationWide ||
             (shown.name == expected.name && shown.loggerId == expected.loggerId),
         "a row shows another name");
}

}  // namespace

int JobRecordsTarget(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const auto chunk = static_cast<std::size_t>(in.takeBack<std::uint8_t>()) + 1;
  const std::string_view bytes = in.rest();
  const std::size_t split = bytes.empty() ? 0 : in.takeBack<std::uint16_t>() % (bytes.size() + 1);
  const std::string_view older = bytes.substr(0, split);
  const std::string_view newer = bytes.substr(split);

  status::MemorySource newest(newer);
  status::MemorySource previous(older);
  status::StationReport report;
  status::ScanLimits limits;
  limits.chunk = chunk;
  status::ScanSources({&newest, &previous}, kNow, limits, report);

  Lines lines;
  AddLines(older, lines);
  AddLines(newer, lines);
  Expect(report.state != status::StationReport::State::Unreadable, "memory could not be read");
  Expect(report.recordsRead <= static_cast<std::int64_t>(lines.records.size()),
         "more records read than there are");
  Expect(report.linesSkipped <= lines.skipped, "more lines skipped than there are bad ones");

  std::map<int, bool> devices;
  for (const JobRecord& r : lines.records) {
    devices[r.device] = true;
  }
  const bool wholeHistory = report.recordsRead == static_cast<std::int64_t>(lines.records.size()) &&
                            report.linesSkipped == lines.skipped;
  std::size_t named = 0;
  for (const auto& [device, unused] : devices) {
    named += device == kStationWide ? 0 : 1;
  }
  if (named == 0) {
    Expect(report.rows.size() == (devices.empty() ? 0U : 1U), "a station alone is not one row");
    if (!report.rows.empty()) {
      Compare(report.rows[0], *Reference(lines.records, kStationWide));
    }
    return 0;
  }
  for (const DeviceStatus& row : report.rows) {
    Expect(row.device != kStationWide, "a station-wide row beside device rows");
    const auto expected = Reference(lines.records, row.device);
    Expect(expected.has_value(), "a row for a device without records");
    Compare(row, *expected);
  }
  Expect(!wholeHistory || report.rows.size() == named, "a device is missing after reading all");
  return 0;
}

}  // namespace th::fuzz
