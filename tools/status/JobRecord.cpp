#include "tools/status/JobRecord.h"

#include <optional>

#include "tools/status/JsonLine.h"
#include "tools/status/TimeText.h"

namespace th::status {

namespace {

constexpr std::int64_t kFormat = 1;

// The record's own words for the results, in the order of JobResult.
constexpr std::array<std::string_view, kJobResults.size()> kResultNames = {
    "complete", "no_clock_answer", "incomplete", "no_connection",
    "stopped",  "settings_error",  "no_device",
};

// One member's value as read; a key given twice keeps its last value, as
// JSON readers commonly do.
struct Value {
  JsonLine::Kind kind = JsonLine::Kind::Bad;  // Bad: not there
  bool integer = false;
  std::int64_t number = 0;
  bool flag = false;
  std::string text;

  bool read(JsonLine& in) {
    kind = in.next();
    switch (kind) {
      case JsonLine::Kind::Null:
        return in.readNull();
      case JsonLine::Kind::Bool:
        return in.readBool(flag);
      case JsonLine::Kind::Number:
        return in.readNumber(integer, number);
      case JsonLine::Kind::String:
        return in.readString(text);
      default:
        return in.skipValue();
    }
  }
  bool is(JsonLine::Kind k) const { return kind == k; }
  // A whole number from `min` on.
  std::optional<std::int64_t> count(std::int64_t min) const {
    return is(JsonLine::Kind::Number) && integer && number >= min
               ? std::optional<std::int64_t>(number)
               : std::nullopt;
  }
};

struct Device {
  JsonLine::Kind kind = JsonLine::Kind::Bad;
  Value index, name, loggerId;

  bool read(JsonLine& in) {
    kind = in.next();
    if (kind != JsonLine::Kind::Object) {
      return Value().read(in);
    }
    index = name = loggerId = Value();
    in.beginObject();
    std::string key;
    bool end = false;
    while (in.member(key, end)) {
      if (end) {
        return true;
      }
      Value scratch;
      Value& v = key == "index"       ? index
                 : key == "name"      ? name
                 : key == "logger_id" ? loggerId
                                      : scratch;
      if (!v.read(in)) {
        return false;
      }
    }
    return false;
  }
};

struct Members {
  Value format, start, end, line, result, reason, clockSet, fetchComplete, files, filesLeftOut,
      recordsSaved, dataFiles, dataFilesLeftOut;
  Device device;

  Value* find(const std::string& key) {
    static const std::array<std::pair<std::string_view, Value Members::*>, 13> kKeys = {{
        {"format", &Members::format},
        {"start", &Members::start},
        {"end", &Members::end},
        {"line", &Members::line},
        {"result", &Members::result},
        {"reason", &Members::reason},
        {"clock_set", &Members::clockSet},
        {"fetch_complete", &Members::fetchComplete},
        {"files", &Members::files},
        {"files_left_out", &Members::filesLeftOut},
        {"records_saved", &Members::recordsSaved},
        {"data_files", &Members::dataFiles},
        {"data_files_left_out", &Members::dataFilesLeftOut},
    }};
    for (const auto& [name, member] : kKeys) {
      if (key == name) {
        return &(this->*member);
      }
    }
    return nullptr;
  }
};

// The whole line as one object; false when it is not JSON.
bool ReadMembers(std::string_view line, Members& m) {
  JsonLine in(line);
  if (!in.beginObject()) {
    return false;
  }
  std::string key;
  bool end = false;
  while (in.member(key, end)) {
    if (end) {
      return in.atEnd();
    }
    Value scratch;
    if (key == "device") {
      if (!m.device.read(in)) {
        return false;
      }
    } else if (Value* v = m.find(key); !(v != nullptr ? v : &scratch)->read(in)) {
      return false;
    }
  }
  return false;
}

bool Time(const Value& v, std::int64_t& out) {
  if (!v.is(JsonLine::Kind::String)) {
    return false;
  }
  const auto t = ParseIsoTime(v.text);
  out = t.value_or(0);
  return t.has_value();
}

bool Result(const Value& v, JobResult& out) {
  for (std::size_t i = 0; v.is(JsonLine::Kind::String) && i < kResultNames.size(); ++i) {
    if (v.text == kResultNames[i]) {
      out = kJobResults[i];
      return true;
    }
  }
  return false;
}

bool DeviceOf(const Device& d, JobRecord& r) {
  if (d.kind == JsonLine::Kind::Null) {
    r.device = kStationWide;
    return true;
  }
  const auto index = d.index.count(0);
  if (d.kind != JsonLine::Kind::Object || !index || *index > 254 ||
      !d.name.is(JsonLine::Kind::String) || !d.loggerId.is(JsonLine::Kind::String)) {
    return false;
  }
  r.device = static_cast<int>(*index);
  r.deviceName = d.name.text;
  r.loggerId = d.loggerId.text;
  return true;
}

// The parts the status does not show must still be there, of their kind.
bool RestOfForm(const Members& m, const JobRecord& r) {
  // A job that named no device ran no line and no fetch.
  if (r.device == kStationWide &&
      ((r.result != JobResult::SettingsError && r.result != JobResult::NoDevice &&
        r.result != JobResult::Stopped) ||
       r.fetchComplete)) {
    return false;
  }
  using K = JsonLine::Kind;
  return (m.line.is(K::Object) || (m.line.is(K::Null) && r.device == kStationWide)) &&
         m.files.is(K::Array) && m.dataFiles.is(K::Array) && m.clockSet.is(K::Bool) &&
         m.filesLeftOut.count(0) && m.dataFilesLeftOut.count(0);
}

}  // namespace

std::string_view JobResultName(JobResult result) {
  return kResultNames[static_cast<std::size_t>(result)];
}

LineKind ParseJobRecord(std::string_view line, JobRecord& record) {
  Members m;
  if (line.size() > kMaxLineBytes || !ReadMembers(line, m)) {
    return LineKind::NotARecord;
  }
  const auto format = m.format.count(1);
  if (!format) {
    return LineKind::NotARecord;
  }
  if (*format > kFormat) {
    return LineKind::LaterFormat;
  }
  JobRecord r;
  const auto saved = m.recordsSaved.count(0);
  if (!Time(m.start, r.start) || !Time(m.end, r.end) || !DeviceOf(m.device, r) ||
      !Result(m.result, r.result) || !m.reason.is(JsonLine::Kind::String) ||
      !m.fetchComplete.is(JsonLine::Kind::Bool) || !saved) {
    return LineKind::NotARecord;
  }
  r.endText = m.end.text;
  r.reason = m.reason.text;
  r.fetchComplete = m.fetchComplete.flag;
  r.recordsSaved = *saved;
  if (!RestOfForm(m, r)) {
    return LineKind::NotARecord;
  }
  record = std::move(r);
  return LineKind::Record;
}

}  // namespace th::status
