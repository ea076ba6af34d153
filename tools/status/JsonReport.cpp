#include <nlohmann/json.hpp>

#include "tools/status/Reports.h"
#include "tools/status/TimeText.h"

namespace th::status {

namespace {

using Json = nlohmann::ordered_json;

const char* StateWord(StationReport::State state) {
  switch (state) {
    case StationReport::State::Read:
      return "read";
    case StationReport::State::NoRecords:
      return "no_records";
    case StationReport::State::Unreadable:
      break;
  }
  return "unreadable";
}

Json Job(const JobSummary& job) {
  Json j = Json::object();
  j["end"] = job.endText;
  j["end_unix"] = job.end;
  j["result"] = JobResultName(job.result);
  j["reason"] = job.reason;
  return j;
}

Json Device(const DeviceStatus& d, std::int64_t now, const AgeLimits& limits) {
  Json j = Json::object();
  j["device"] = d.device == kStationWide ? Json(nullptr) : Json(d.device);
  j["name"] = d.name;
  j["logger_id"] = d.loggerId;
  if (limits.any()) {
    j["status"] = CheckStateName(RowState(d, now, limits));
  }
  j["last_job"] = Job(d.lastJob);
  if (d.lastCompleteFetch) {
    Json fetch = Job(*d.lastCompleteFetch);
    fetch["age_seconds"] = now - d.lastCompleteFetch->end;
    j["last_complete_fetch"] = fetch;
  } else {
    j["last_complete_fetch"] = nullptr;
  }
  j["failures_in_a_row"] = d.failuresInARow;
  j["failures_at_least"] = d.failuresAtLeast;
  j["records_saved_24h"] = d.recordsSaved24h;
  j["records_saved_at_least"] = d.savedAtLeast;
  return j;
}

}  // namespace

std::string JsonText(const std::vector<StationReport>& stations, std::int64_t now,
                     const AgeLimits& limits) {
  Json root = Json::object();
  root["now"] = UtcIsoText(now);
  root["now_unix"] = now;
  if (limits.any()) {
    root["status"] = CheckStateName(OverallState(stations, now, limits));
  }
  Json list = Json::array();
  for (const StationReport& s : stations) {
    Json station = Json::object();
    station["folder"] = s.folder;
    station["state"] = StateWord(s.state);
    station["problem"] = s.problem;
    if (limits.any() && s.state != StationReport::State::Read) {
      station["status"] = CheckStateName(CheckState::Unknown);
    }
    station["records_read"] = s.recordsRead;
    station["lines_skipped"] = s.linesSkipped;
    station["read_limit_reached"] = s.readLimitReached;
    Json devices = Json::array();
    for (const DeviceStatus& d : s.rows) {
      devices.push_back(Device(d, now, limits));
    }
    station["devices"] = std::move(devices);
    list.push_back(std::move(station));
  }
  root["stations"] = std::move(list);
  return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace th::status
