#include "tools/status/JobRecord.h"

#include <nlohmann/json.hpp>

#include "tools/status/TimeText.h"

namespace th::status {

namespace {

using Json = nlohmann::json;

constexpr std::int64_t kFormat = 1;

// The record's own words for the results, in the order of JobResult.
constexpr std::array<std::string_view, kJobResults.size()> kResultNames = {
    "complete", "no_clock_answer", "incomplete", "no_connection",
    "stopped",  "settings_error",  "no_device",
};

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
  for (std::size_t i = 0; i < kResultNames.size(); ++i) {
    if (s == kResultNames[i]) {
      out = kJobResults[i];
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

}  // namespace

std::string_view JobResultName(JobResult result) {
  return kResultNames[static_cast<std::size_t>(result)];
}

LineKind ParseJobRecord(std::string_view line, JobRecord& record) {
  if (line.size() > kMaxLineBytes) {
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
  if (format > kFormat) {
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

}  // namespace th::status
