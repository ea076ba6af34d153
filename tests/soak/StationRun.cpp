#include "tests/soak/StationRun.h"

#include <algorithm>
#include <csignal>
#include <nlohmann/json.hpp>
#include <optional>

#include "tests/soak/FullDisk.h"

namespace th::test {

namespace fs = std::filesystem;

namespace {

// Where every logger of the soak starts its records.
const char* const kFirstStamp = "2024-05-06 14:00:00";

std::size_t CountLines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string LastLine(const std::string& text) {
  const std::size_t end = text.find_last_not_of("\r\n");
  if (end == std::string::npos) {
    return "";
  }
  const std::size_t begin = text.rfind('\n', end);
  return text.substr(begin == std::string::npos ? 0 : begin + 1, end + 1 - (begin + 1));
}

std::size_t Delta(std::size_t now, std::size_t before) {
  return now > before ? now - before : 0;
}

}  // namespace

bool JobResult::faulty() const {
  // More than 60 channels and a modem are ways a station is set up, no faults.
  return std::any_of(kinds.begin(), kinds.end(), [](const auto& k) {
    return k != "refetch" && k != "two-files" && k != "modem";
  });
}

StationRun::StationRun(StationPlan plan) : plan_(std::move(plan)), ledger_(CurrentYear()) {
  if (!plan_.settings.empty()) {
    station_.settings(plan_.settings);
  }
}

double StationRun::bound(const JobPlan& job) const {
  const int files = plan_.twoFiles ? 2 : 1;
  // Naming (the tool waits up to eleven seconds for it) and bringing the line
  // up: the wake-up, or the modem's initialisation, dial and hang-up.
  double seconds = 12 + (plan_.modem ? 6.2 + 40.1 + 20 : 5.1);
  // Clock read and set; terminal mode on, the listing, three size queries per
  // file, the delete's lines and terminal mode off.
  seconds += 2 * 15.3 + 4.3 + 8.3 + 10.2 * 3 * files + 3.3 + 2.0 * files + 4.7;
  // Each read: its bytes at the logger's rate, its pauses, 10 s of silence.
  const double lines = static_cast<double>(ledger_.held()) / files + job.newRecords + 2;
  const double bytes = lines * (20 + 9 * plan_.channels);
  seconds +=
      files * ((job.rate > 0 ? bytes / static_cast<double>(job.rate) : 1) + job.pausesSec + 12);
  // Every exchange's reply later, and a margin.
  return seconds + 30 * job.replyDelaySec + 20;
}

Options StationRun::loggerOptions(const JobPlan& job) const {
  Options o = plan_.logger;
  o.insert(o.end(), {"--generate", std::to_string(job.newRecords), "--first-record",
                     std::to_string(nextRecord_), "--seed", std::to_string(plan_.seed), "--start",
                     kFirstStamp});
  if (jobs_ > 0) {
    o.insert(o.end(), {"--files", station_.file("start").string()});
  }
  o.insert(o.end(), job.logger.begin(), job.logger.end());
  // The simulator outlives a tool that takes as long as it may.
  o.insert(o.end(), {"--timeout", std::to_string(static_cast<int>(bound(job)) + 60)});
  return o;
}

// The logger starts from what it held when the last job ended; the exports
// of the last run go, so that nothing stale is taken for new.
void StationRun::prepareFolders() {
  fs::remove_all(station_.file("start"));
  if (fs::exists(station_.file("held"))) {
    fs::copy(station_.file("held"), station_.file("start"), fs::copy_options::recursive);
  } else {
    fs::create_directories(station_.file("start"));
  }
  fs::remove_all(station_.file("held"));
  fs::remove_all(station_.file("exported"));
}

// Where the logger's record sequence stands after the job.
void StationRun::readState() {
  const nlohmann::json state = nlohmann::json::parse(station_.state());
  for (const auto& a : state.value("appended", nlohmann::json::array())) {
    nextRecord_ = std::max(nextRecord_, a.at("record").get<int>() + 1);
  }
}

JobResult StationRun::run(const JobPlan& job) {
  JobResult result;
  result.kinds = plan_.kinds;
  if (jobs_ > 0 && ledger_.held() > 0) {
    result.kinds.push_back("refetch");
  }
  result.kinds.insert(result.kinds.end(), job.kinds.begin(), job.kinds.end());
  result.options = plan_.settings;
  const Options logger = loggerOptions(job);
  result.options.insert(result.options.end(), logger.begin(), logger.end());
  result.bound = bound(job);
  try {
    prepareFolders();
    std::optional<FullDisk> disk;
    JobControl control;
    control.limit = Seconds(result.bound);
    if (job.diskFree) {
      disk.emplace(station_.file("data"), *job.diskFree, station_.file("LogFile.Log"));
      control.launcher = disk->launcher();
      result.fullDiskWay = disk->way();
    }
    if (job.signal != 0) {
      control.signal = job.signal;
      control.signalAfter = Seconds(job.signalAt.value_or(0));
    }
    station_.startLogger(logger);
    const int first = nextRecord_;
    const JobOutcome outcome = station_.runJob(control);
    nextRecord_ = first + job.newRecords;
    station_.stopLogger();
    disk.reset();
    result.seconds = outcome.seconds;
    result.hang = !outcome.toolEnded;
    result.crash = outcome.toolEnded && job.signal != SIGKILL && station_.tool()->exitCode() != 0;
    result.rejected = station_.rejected();
    readState();
  } catch (const std::exception& e) {
    result.error = e.what();
  }
  ++jobs_;
  if (!result.error.empty()) {
    return result;
  }
  ledger_.addJob(station_);
  const LedgerReport now = ledger_.check(station_);
  result.lost = Delta(now.lost, last_.lost);
  result.corrupted = Delta(now.corrupted, last_.corrupted);
  result.duplicated = Delta(now.duplicated, last_.duplicated);
  for (const auto& [kind, n] : now.damagedBy) {
    const auto before = last_.damagedBy.find(kind);
    const std::size_t more = Delta(n, before == last_.damagedBy.end() ? 0 : before->second);
    if (more > 0) {
      result.damagedBy[kind] = more;
    }
  }
  for (const auto& p : now.problems) {
    if (std::find(last_.problems.begin(), last_.problems.end(), p) == last_.problems.end()) {
      result.problems.push_back(p);
    }
  }
  last_ = now;
  const std::string log = station_.log();
  result.logEntries = Delta(CountLines(log), logLines_);
  result.lastLogEntry = result.logEntries > 0 ? LastLine(log) : "";
  logLines_ = CountLines(log);
  return result;
}

}  // namespace th::test
