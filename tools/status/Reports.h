#pragma once
// The three ways the status is shown: a table for people, JSON for scripts,
// and the Prometheus text exposition format for a node exporter's text file
// collector.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/status/AgeCheck.h"
#include "tools/status/StationScan.h"

namespace th::status {

// Unix seconds as the local time of this system, "2026-12-10 14:05".
using LocalTimeText = std::function<std::string(std::int64_t)>;

// One row per station device (with a STATE column when limits are given),
// then a note for each folder whose lines were skipped or whose reading
// stopped at its limit.
std::string TableText(const std::vector<StationReport>& stations, std::int64_t now,
                      const LocalTimeText& localTime, const AgeLimits& limits);

// The same for scripts (with a "status" per row and for the whole when
// limits are given).
std::string JsonText(const std::vector<StationReport>& stations, std::int64_t now,
                     const AgeLimits& limits);

// Gauges per station device, labelled station, device and name.
std::string PrometheusText(const std::vector<StationReport>& stations, std::int64_t now);

}  // namespace th::status
