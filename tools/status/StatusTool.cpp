#include "tools/status/StatusTool.h"

#include <array>
#include <chrono>
#include <ctime>

#include "tools/status/CommandLine.h"
#include "tools/status/SystemSide.h"
#include "tools/status/TimeText.h"

namespace th::status {

namespace {

std::string SystemLocalTime(std::int64_t unixSeconds) {
  const auto t = static_cast<std::time_t>(unixSeconds);
  // One thread: the shared result of localtime is not shared with anyone.
  const std::tm* local = std::localtime(&t);
  if (local == nullptr) {
    return UtcIsoText(unixSeconds);
  }
  std::array<char, 64> buf{};
  std::strftime(buf.data(), buf.size(), "%Y-%m-%d %H:%M", local);
  return buf.data();
}

}  // namespace

bool SystemClock(const char* nowOverride, StatusClock& clock) {
  clock.localTime = SystemLocalTime;
  if (nowOverride != nullptr && *nowOverride != '\0') {
    const auto t = ParseIsoTime(nowOverride);
    clock.now = t.value_or(0);
    return t.has_value();
  }
  clock.now = std::chrono::duration_cast<std::chrono::seconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
  return true;
}

int RunStatusTool(const std::vector<std::string>& args, const StatusClock& clock, std::ostream& out,
                  std::ostream& err) {
  const CommandLine c = ParseCommandLine(args);
  switch (c.action) {
    case CommandLine::Action::Help:
      out << kUsage;
      return 0;
    case CommandLine::Action::Version:
      out << "tidehaul-status " << TIDEHAUL_VERSION << "\n";
      return 0;
    case CommandLine::Action::Bad:
      err << "tidehaul-status: " << c.problem << "\n" << kUsage;
      return 2;
    case CommandLine::Action::Run:
      break;
  }
  const StatusOptions& o = c.options;
  std::vector<StationReport> stations;
  stations.reserve(o.folders.size());
  for (const std::string& folder : o.folders) {
    stations.push_back(ScanStation(folder, clock.now));
  }

  int status = 0;
  if (o.limits.any()) {
    status = CheckExitCode(OverallState(stations, clock.now, o.limits));
  } else {
    for (const StationReport& s : stations) {
      status = s.state == StationReport::State::Read ? status : 1;
    }
  }
  const bool quiet = !o.prometheusFile.empty() && !o.json && !o.limits.any();
  if (!quiet) {
    if (o.json) {
      out << JsonText(stations, clock.now, o.limits);
    } else {
      if (o.limits.any()) {
        out << CheckSummary(stations, clock.now, o.limits) << "\n";
      }
      out << TableText(stations, clock.now, clock.localTime, o.limits);
    }
  }
  if (!o.prometheusFile.empty()) {
    if (const std::string problem =
            WriteFileAtomically(o.prometheusFile, PrometheusText(stations, clock.now));
        !problem.empty()) {
      err << "tidehaul-status: " << problem << "\n";
      const int failed = o.limits.any() ? CheckExitCode(CheckState::Unknown) : 1;
      // A CRITICAL stays CRITICAL.
      status = status == CheckExitCode(CheckState::Critical) ? status : failed;
    }
  }
  out.flush();
  return status;
}

}  // namespace th::status
