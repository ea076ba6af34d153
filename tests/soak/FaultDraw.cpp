#include "tests/soak/FaultDraw.h"

#include <algorithm>
#include <csignal>

namespace th::test {

namespace {

// Kinds of the station, drawn for a whole run of jobs.
const Options kStationKinds = {"two-files", "unexpected-second-file", "modem", "long-year",
                               "lf-only"};

// Kinds of a job.
const Options kJobKinds = {
    "size-short",  "size-long",   "size-zero",  "size-huge",    "size-crlf",    "late-tail",
    "pause",       "prompt",      "header",     "noise-before", "noise-inside", "append-size",
    "append-read", "append-cd",   "append-del", "append-time",  "repeat-stamp", "missing-stamp",
    "unplug",      "carrier",     "full-disk",  "sigterm",      "sigkill",      "echo",
    "slow",        "reply-delay", "error-tags", "year08",       "byte26",       "no-final-newline",
    "read-stop",   "size-odd",    "dir-odd",
};

bool IsStationKind(const std::string& kind) {
  return std::find(kStationKinds.begin(), kStationKinds.end(), kind) != kStationKinds.end();
}

// Whether a job kind can be drawn on this station.
bool Fits(const std::string& kind, const StationPlan& station) {
  if (kind == "missing-stamp") {
    return station.twoFiles;
  }
  if (kind == "year08") {
    // The tool replaces a two-digit "08" only.
    return std::find(station.kinds.begin(), station.kinds.end(), "long-year") ==
           station.kinds.end();
  }
  return true;
}

void Add(Options& to, const Options& more) {
  to.insert(to.end(), more.begin(), more.end());
}

}  // namespace

FaultDraw::FaultDraw(std::uint32_t seed, std::string only) : rng_(seed), only_(std::move(only)) {}

const Options& FaultDraw::kinds() {
  static const Options all = [] {
    Options k = kStationKinds;
    Add(k, kJobKinds);
    return k;
  }();
  return all;
}

bool FaultDraw::known(const std::string& kind) {
  const Options& all = kinds();
  return std::find(all.begin(), all.end(), kind) != all.end();
}

std::string FaultDraw::pick(const Options& from) {
  return from[static_cast<std::size_t>(range(0, static_cast<int>(from.size()) - 1))];
}

int FaultDraw::chainLength() {
  if (!only_.empty()) {
    return 2;  // the job with the fault, then one that fetches what it kept
  }
  const int roll = range(1, 100);
  return roll <= 30 ? 1 : roll <= 60 ? 2 : roll <= 85 ? 3 : 4;
}

StationPlan FaultDraw::station() {
  StationPlan s;
  s.seed = static_cast<std::uint32_t>(range(1, 1000000));
  const auto wanted = [&](const std::string& kind, double p) {
    return only_.empty() ? chance(p) : only_ == kind;
  };
  if (wanted("two-files", 0.25) || only_ == "missing-stamp" || only_ == "repeat-stamp") {
    // A logger with more than 60 channels: two files, wide records.
    s.twoFiles = true;
    s.channels = 100;
    s.settings.push_back("ScheduleSet.SensorNoCheck=true");
    Add(s.logger, {"--second-file", "--channels", "100"});
    s.kinds.push_back("two-files");
  } else if (wanted("unexpected-second-file", 0.08)) {
    Add(s.logger, {"--second-file"});  // a second file the device does not expect
    s.kinds.push_back("unexpected-second-file");
  }
  if (wanted("modem", 0.15)) {
    s.modem = true;
    Add(s.settings, {"ModemSet.ModemType=H316k", "ModemSet.Command=ATZ", "ModemSet.CallCMD=ATD",
                     "ModemSet.ModemNo=0123", "ModemSet.DiscntCMD=ATH"});
    s.logger.push_back("--modem");
    s.kinds.push_back("modem");
  }
  if (wanted("long-year", 0.1)) {
    s.logger.push_back("--long-year");
    s.kinds.push_back("long-year");
  }
  if (wanted("lf-only", 0.06)) {
    s.logger.push_back("--lf-only");
    s.kinds.push_back("lf-only");
  }
  return s;
}

JobPlan FaultDraw::job(const StationPlan& station, int index) {
  JobPlan job;
  job.newRecords = index == 0 ? range(10, 80) : range(5, 40);
  if (!only_.empty()) {
    if (index == 0 && !IsStationKind(only_)) {
      addKind(job, station, only_);
    }
    return job;
  }
  const int roll = range(1, 100);
  const int count = roll <= 30 ? 0 : roll <= 75 ? 1 : roll <= 95 ? 2 : 3;
  Options open;
  for (const auto& kind : kJobKinds) {
    if (Fits(kind, station)) {
      open.push_back(kind);
    }
  }
  for (int i = 0; i < count && !open.empty(); ++i) {
    const std::string kind = pick(open);
    open.erase(std::find(open.begin(), open.end(), kind));
    addKind(job, station, kind);
  }
  return job;
}

void FaultDraw::addKind(JobPlan& job, const StationPlan& station, const std::string& kind) {
  job.kinds.push_back(kind);
  Options& o = job.logger;
  const auto ms = [&](int low, int high) { return std::to_string(range(low, high)); };
  const auto pause = [&](const std::string& at, int low, int high) {
    const int t = range(low, high);
    job.pausesSec += t / 1000.0;
    Add(o, {"--read-pause", at + "=" + std::to_string(t)});
  };
  const auto lateTail = [&](int bytes, int low, int high) {
    const int t = range(low, high);
    job.pausesSec += t / 1000.0;
    Add(o, {"--late-tail", std::to_string(range(1, bytes)) + "=" + std::to_string(t)});
  };
  const int reads = station.twoFiles ? 2 : 1;
  if (kind == "size-short") {
    const int mode = range(0, 2);
    const int by = mode == 0 ? range(1, 4) : mode == 1 ? range(5, 300) : range(300, 3000);
    Add(o, {"--size-offset", "-" + std::to_string(by)});
    if (chance(0.7)) {
      pause(chance(0.5) ? "size" : "size+" + ms(1, 30), 300, 1500);
    } else if (chance(0.5)) {
      lateTail(40, 300, 1500);
    }
  } else if (kind == "size-long") {
    Add(o, {"--size-offset", chance(0.5) ? ms(1, 4) : ms(5, 500)});
  } else if (kind == "size-zero") {
    Add(o, {"--size-reply", "zero"});
    if (chance(0.6)) {
      pause(ms(10, 90) + "%", 400, 1500);
    }
  } else if (kind == "size-huge") {
    Add(o, {"--size-reply", "huge"});
  } else if (kind == "size-crlf") {
    o.push_back("--size-crlf-as-one");
    if (chance(0.6)) {
      lateTail(40, 300, 1500);
    }
  } else if (kind == "late-tail") {
    lateTail(80, 100, 2500);
  } else if (kind == "pause") {
    const int where = range(0, 3);
    pause(where == 0   ? ms(10, 90) + "%"
          : where == 1 ? std::string("size")
          : where == 2 ? "size+" + ms(1, 30)
                       : "size-" + ms(1, 30),
          300, 3000);
  } else if (kind == "prompt") {
    Add(o, {"--read-prefix", "prompt"});
  } else if (kind == "header") {
    Add(o, {"--read-prefix", "header"});
  } else if (kind == "noise-before") {
    Add(o, {"--read-prefix", "noise:" + ms(1, 12)});
  } else if (kind == "noise-inside") {
    Add(o, {"--read-noise", ms(5, 95) + "%=" + ms(1, 8)});
    if (chance(0.4)) {
      o.push_back("--read-noise-cr");
    }
  } else if (kind.rfind("append-", 0) == 0 && kind != "append-time") {
    const std::string moment = kind.substr(7);
    Add(o, {"--append-on", moment == "cd" ? "cd:" + ms(1, 2) : moment});
  } else if (kind == "append-time") {
    Add(o, {"--append-at", ms(1000, 15000)});
  } else if (kind == "repeat-stamp") {
    Add(o, {"--repeat-stamp", station.twoFiles && chance(0.6) ? "1" : "0"});
  } else if (kind == "missing-stamp") {
    Add(o, {"--missing-record", "1"});
  } else if (kind == "unplug" || kind == "carrier") {
    const bool unplug = kind == "unplug";
    if (chance(0.5)) {
      Options cmds = {"time-read", "time-set", "terminal-open", "dir",           "fsize",
                      "fread",     "cd",       "del",           "terminal-close"};
      if (station.modem) {
        Add(cmds, {"init", "dial"});
      }
      const std::string cmd = pick(cmds);
      const int most = cmd == "del"                    ? 2 * reads
                       : cmd == "cd" || cmd == "fsize" ? 2
                       : cmd == "fread"                ? reads
                                                       : 1;
      Add(o,
          {unplug ? "--unplug-on" : "--no-carrier-on", cmd + ":" + std::to_string(range(1, most))});
    } else {
      Add(o, {unplug ? "--unplug-after" : "--no-carrier-after",
              ms(5, 95) + "%:" + std::to_string(range(1, reads))});
    }
  } else if (kind == "full-disk") {
    static const std::size_t kFree[] = {0, 300, 2000, 8000};
    job.diskFree = kFree[range(0, 3)];
  } else if (kind == "sigterm" || kind == "sigkill") {
    job.signal = kind == "sigterm" ? SIGTERM : SIGKILL;
    // Within the job: it takes about 9 s on a direct line, a few more by modem;
    // half the time while the file is read, saved and deleted (4 to 7 s after
    // the naming on a direct line), where a kill hurts most.
    const int modem = station.modem ? 1500 : 0;
    job.signalAt =
        (chance(0.5) ? range(3500, 7500) + modem : range(200, 8500 + 2 * modem)) / 1000.0;
  } else if (kind == "echo") {
    o.push_back("--echo");
  } else if (kind == "slow") {
    const int rate = range(600, 4000);
    job.rate = rate;
    Add(o, {"--rate", std::to_string(rate)});
  } else if (kind == "reply-delay") {
    const int delay = range(50, 400);
    job.replyDelaySec = delay / 1000.0;
    Add(o, {"--reply-delay", std::to_string(delay)});
  } else if (kind == "error-tags") {
    o.push_back("--error-tags");
  } else if (kind == "year08") {
    o.push_back("--year08");
  } else if (kind == "byte26") {
    Add(o, {"--byte26", "0"});
  } else if (kind == "no-final-newline") {
    o.push_back("--no-final-newline");
  } else if (kind == "read-stop") {
    Add(o, {"--fread-stop-after", ms(30, 95) + "%"});
  } else if (kind == "size-odd") {
    Add(o, {"--size-reply", pick({"none", "nan", "short", "negative", "blank"})});
  } else if (kind == "dir-odd") {
    Add(o, {"--dir-reply", pick({"none", "no-marker"})});
  }
}

}  // namespace th::test
