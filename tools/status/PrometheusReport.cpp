#include <functional>

#include "tools/status/Printable.h"
#include "tools/status/Reports.h"

namespace th::status {

namespace {

// A label value: backslash, double quote and line feed escaped, UTF-8 valid.
std::string LabelValue(std::string_view text) {
  std::string out;
  for (const char c : ValidUtf8(text)) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string StationLabels(const StationReport& s) {
  return "station=\"" + LabelValue(s.folder) + "\"";
}

std::string DeviceLabels(const StationReport& s, const DeviceStatus& d) {
  const std::string device = d.device == kStationWide ? "" : std::to_string(d.device);
  return StationLabels(s) + ",device=\"" + device + "\",name=\"" + LabelValue(d.name) + "\"";
}

class Exposition {
 public:
  // One metric family: its HELP and TYPE lines, then its samples.
  void family(const char* name, const char* help) {
    text_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
  }
  void sample(const char* name, const std::string& labels, std::int64_t value) {
    text_ += std::string(name) + "{" + labels + "} " + std::to_string(value) + "\n";
  }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

using DeviceValue = std::function<std::int64_t(const DeviceStatus&)>;

void DeviceFamily(Exposition& e, const std::vector<StationReport>& stations, const char* name,
                  const char* help, const DeviceValue& value) {
  e.family(name, help);
  for (const StationReport& s : stations) {
    for (const DeviceStatus& d : s.rows) {
      e.sample(name, DeviceLabels(s, d), value(d));
    }
  }
}

}  // namespace

std::string PrometheusText(const std::vector<StationReport>& stations, std::int64_t now) {
  Exposition e;
  e.family("tidehaul_status_timestamp_seconds",
           "When tidehaul-status made these figures (Unix time).");
  e.text() += "tidehaul_status_timestamp_seconds " + std::to_string(now) + "\n";

  e.family("tidehaul_station_up",
           "1 when the station folder's job records were read, 0 when the folder or its record "
           "files could not be read or hold no job record.");
  for (const StationReport& s : stations) {
    e.sample("tidehaul_station_up", StationLabels(s),
             s.state == StationReport::State::Read ? 1 : 0);
  }
  e.family("tidehaul_station_lines_skipped",
           "Lines of the station's job record files read that were cut or not a job record.");
  for (const StationReport& s : stations) {
    e.sample("tidehaul_station_lines_skipped", StationLabels(s), s.linesSkipped);
  }

  DeviceFamily(e, stations, "tidehaul_last_job_timestamp_seconds",
               "When the device's last job ended (Unix time).",
               [](const DeviceStatus& d) { return d.lastJob.end; });
  DeviceFamily(e, stations, "tidehaul_last_complete_fetch_timestamp_seconds",
               "When the device's last complete fetch ended (Unix time); 0 when the records "
               "read hold none.",
               [](const DeviceStatus& d) {
                 return d.lastCompleteFetch ? d.lastCompleteFetch->end : std::int64_t{0};
               });

  const char* result = "tidehaul_last_job_result";
  e.family(result, "1 for the result of the device's last job, 0 for the others.");
  for (const StationReport& s : stations) {
    for (const DeviceStatus& d : s.rows) {
      for (const JobResult r : kJobResults) {
        e.sample(result, DeviceLabels(s, d) + ",result=\"" + std::string(JobResultName(r)) + "\"",
                 d.lastJob.result == r ? 1 : 0);
      }
    }
  }

  DeviceFamily(e, stations, "tidehaul_failures_in_a_row",
               "Jobs of the device whose result was not complete, since the last that was.",
               [](const DeviceStatus& d) { return d.failuresInARow; });
  DeviceFamily(e, stations, "tidehaul_records_saved_24h",
               "Data lines the device's jobs saved in the last 24 hours.",
               [](const DeviceStatus& d) { return d.recordsSaved24h; });
  return std::move(e.text());
}

}  // namespace th::status
