#pragma once
// Job record lines as the tool appends them, for the status tests, the fuzz
// seeds and the benchmark.
#include <cstdint>
#include <string>
#include <utility>

#include "tools/status/TimeText.h"

namespace th::status::test {

// 2026-12-10 15:00:00 at UTC+01:00.
inline constexpr std::int64_t kNow = 1796911200;

struct Job {
  explicit Job(std::int64_t end, int device = 3, std::string result = "complete",
               bool fetchComplete = true, std::int64_t saved = 200, std::string reason = "")
      : end(end),
        device(device),
        result(std::move(result)),
        fetchComplete(fetchComplete),
        saved(saved),
        reason(std::move(reason)) {}

  std::int64_t end;  // Unix seconds; the job took 20 s
  int device;        // -1: "device": null
  std::string result;
  bool fetchComplete;
  std::int64_t saved;
  std::string reason;
  std::string name = "Station 4";
};

// Unix seconds as local time at UTC+01:00, "2026-12-10T14:05:31+01:00".
inline std::string StationTime(std::int64_t unixSeconds) {
  std::string text = UtcIsoText(unixSeconds + 3600);
  text.pop_back();
  return text + "+01:00";
}

// The line with its "\n", keys in the writer's order.
inline std::string RecordLine(const Job& j) {
  const bool named = j.device >= 0;
  std::string line = "{\"format\":1,\"tool\":\"1.4.9\",\"start\":\"" + StationTime(j.end - 20) +
                     "\",\"end\":\"" + StationTime(j.end) + "\",\"device\":";
  line += named ? "{\"index\":" + std::to_string(j.device) + ",\"name\":\"" + j.name +
                      "\",\"logger_id\":\"01\"}"
                : "null";
  line += ",\"line\":";
  line += named ? "{\"port\":\"COM3\",\"baud\":\"9600\",\"modem_type\":\"Direct\"}" : "null";
  line += ",\"result\":\"" + j.result + "\",\"reason\":\"" + j.reason +
          "\",\"clock_set\":" + (j.result == "no_clock_answer" || !named ? "false" : "true") +
          ",\"fetch_complete\":" + (j.fetchComplete ? "true" : "false");
  if (j.saved > 0) {
    line +=
        ",\"files\":[{\"path\":\"\\\\SL01\\\\SL010.TXT\",\"announced_size\":8120,"
        "\"bytes_received\":8120,\"records_saved\":" +
        std::to_string(j.saved) +
        ",\"records_skipped\":0,\"deleted\":true,\"kept_because\":\"\"}],\"files_left_out\":0";
  } else {
    line += ",\"files\":[],\"files_left_out\":0";
  }
  line += ",\"records_saved\":" + std::to_string(j.saved) + ",\"data_files\":[";
  line += j.saved > 0 ? "\"/srv/station4/data/CR000.TXT\",\"/srv/station4/data/CR001.TXT\"" : "";
  line += "],\"data_files_left_out\":0}\n";
  return line;
}

}  // namespace th::status::test
