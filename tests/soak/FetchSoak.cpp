// Whole jobs with the real binaries against a logger whose faults are drawn at
// random, several in a row on one station, with a ledger after every job that
// counts the records lost, corrupted and duplicated, and the jobs whose tool
// did not end by itself within what the job's own limits allow (hangs).
//
//   fetch_soak N [SEED] [--fault KIND] [--chain LENGTH]
//   fetch_soak --faults
//
// --fault KIND gives the first job of every station that fault alone (a
// second job then fetches what it kept); --faults lists the kinds. Exit
// status 1 when anything was found, 2 for a bad command line.
#include <csignal>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <string>

#include "tests/soak/FaultDraw.h"
#include "tests/soak/StationRun.h"

namespace th::test {
namespace {

struct Args {
  int jobs = 0;
  std::uint32_t seed = 0;
  std::string only;
  int chain = 0;  // 0: drawn
};

struct Tally {
  int jobs = 0;
  int faulty = 0;
  int withFindings = 0;
  int hangs = 0;
  int crashes = 0;
  int rejected = 0;
  std::size_t lost = 0;
  std::size_t corrupted = 0;
  std::size_t duplicated = 0;
  std::map<std::string, std::size_t> damagedBy;

  void add(const JobResult& r) {
    ++jobs;
    faulty += r.faulty() ? 1 : 0;
    withFindings += r.found() || !r.error.empty() ? 1 : 0;
    hangs += r.hang || !r.error.empty() ? 1 : 0;
    crashes += r.crash ? 1 : 0;
    rejected += r.rejected;
    lost += r.lost;
    corrupted += r.corrupted;
    duplicated += r.duplicated;
    for (const auto& [kind, n] : r.damagedBy) {
      damagedBy[kind] += n;
    }
  }
};

std::string Joined(const Options& options, const char* between = " ") {
  std::string text;
  for (const auto& o : options) {
    text += (text.empty() ? "" : between) + o;
  }
  return text;
}

// As a shell takes it back.
std::string Quoted(const Options& options) {
  std::string text;
  for (const auto& o : options) {
    const bool plain = o.find_first_of(" '\\\"$*?;&|<>()") == std::string::npos && !o.empty();
    text += (text.empty() ? "" : " ") + (plain ? o : "'" + o + "'");
  }
  return text;
}

std::string Verdict(const JobResult& r) {
  if (!r.error.empty()) {
    return "ERROR " + r.error;
  }
  std::string text;
  const auto part = [&text](const std::string& p) { text += (text.empty() ? "" : ", ") + p; };
  if (r.hang) {
    part("HANG (still running after " + std::to_string(static_cast<int>(r.bound)) + " s)");
  }
  if (r.crash) {
    part("CRASH (exit status not 0)");
  }
  if (r.lost > 0) {
    part(std::to_string(r.lost) + " lost");
  }
  if (r.corrupted > 0 || !r.damagedBy.empty()) {
    std::string how;
    for (const auto& [kind, n] : r.damagedBy) {
      how += (how.empty() ? "" : " ") + kind + (n > 1 ? " x" + std::to_string(n) : "");
    }
    part(std::to_string(r.corrupted) + " corrupted (damaged lines: " + how + ")");
  }
  if (r.duplicated > 0) {
    part(std::to_string(r.duplicated) + " duplicated");
  }
  if (r.rejected > 0) {
    part(std::to_string(r.rejected) + " command lines rejected");
  }
  return text.empty() ? "ok" : text;
}

void PrintKinds(const std::map<std::string, Tally>& byKind) {
  std::cout << "\nBy fault kind (a job counts under each of its kinds; \"refetch\": the logger "
               "kept files from the job before):\n"
            << std::left << std::setw(24) << "kind" << std::right << std::setw(6) << "jobs"
            << std::setw(10) << "findings" << std::setw(7) << "lost" << std::setw(11) << "corrupted"
            << std::setw(12) << "duplicated" << std::setw(7) << "hangs\n";
  for (const auto& [kind, t] : byKind) {
    std::cout << std::left << std::setw(24) << kind << std::right << std::setw(6) << t.jobs
              << std::setw(10) << t.withFindings << std::setw(7) << t.lost << std::setw(11)
              << t.corrupted << std::setw(12) << t.duplicated << std::setw(6) << t.hangs << "\n";
  }
}

int Soak(const Args& args) {
  std::cout << "seed " << args.seed << (args.only.empty() ? "" : ", fault " + args.only)
            << std::endl;
  FaultDraw draw(args.seed, args.only);
  Tally all;
  std::map<std::string, Tally> byKind;
  std::set<std::string> diskWays;
  int n = 0;
  for (int stations = 1; n < args.jobs; ++stations) {
    StationPlan plan = draw.station();
    const int length = args.chain > 0 ? args.chain : draw.chainLength();
    StationRun run(plan);
    for (int k = 0; k < length && n < args.jobs; ++k) {
      ++n;
      const JobResult r = run.run(draw.job(plan, k));
      all.add(r);
      for (const auto& kind : r.kinds.empty() ? Options{"(none)"} : r.kinds) {
        byKind[kind].add(r);
      }
      if (!r.fullDiskWay.empty()) {
        diskWays.insert(r.fullDiskWay);
      }
      std::cout << "job " << n << " (station " << stations << ", job " << k + 1 << " of " << length
                << ", " << std::fixed << std::setprecision(1) << r.seconds << " s): " << Verdict(r)
                << " [" << Joined(r.kinds, ", ") << "]";
      if (r.logEntries > 0) {
        std::cout << " log: " << r.logEntries << " new, last \"" << r.lastLogEntry << "\"";
      }
      std::cout << "\n  " << Quoted(r.options) << "\n";
      for (std::size_t i = 0; i < r.problems.size() && i < 5; ++i) {
        std::cout << "    " << r.problems[i] << "\n";
      }
      std::cout << std::flush;
    }
  }
  PrintKinds(byKind);
  std::cout << "\n";
  for (const auto& way : diskWays) {
    std::cout << "full disk by " << way << "\n";
  }
  if (!all.damagedBy.empty()) {
    std::cout << "damaged lines by kind:";
    for (const auto& [kind, count] : all.damagedBy) {
      std::cout << " " << kind << " " << count;
    }
    std::cout << "\n";
  }
  std::cout << all.crashes << " crashes, " << all.rejected << " command lines rejected\n";
  std::cout << all.jobs << " jobs, " << all.faulty << " with faults, " << all.lost
            << " records lost, " << all.corrupted << " corrupted, " << all.duplicated
            << " duplicated, " << all.hangs << " hangs" << std::endl;
  const bool found = all.lost + all.corrupted + all.duplicated > 0 || all.hangs > 0 ||
                     all.crashes > 0 || all.rejected > 0;
  return found ? 1 : 0;
}

bool ParseArgs(int argc, char** argv, Args& args) {
  std::vector<std::string> plain;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--fault" || a == "--chain") && i + 1 < argc) {
      const std::string v = argv[++i];
      if (a == "--fault") {
        args.only = v;
        if (!FaultDraw::known(v)) {
          std::cerr << "fetch_soak: no fault kind " << v << " (see --faults)\n";
          return false;
        }
      } else if ((args.chain = std::atoi(v.c_str())) <= 0) {
        return false;
      }
    } else {
      plain.push_back(a);
    }
  }
  if (plain.empty() || plain.size() > 2 || (args.jobs = std::atoi(plain[0].c_str())) <= 0) {
    return false;
  }
  args.seed = plain.size() == 2
                  ? static_cast<std::uint32_t>(std::strtoul(plain[1].c_str(), nullptr, 10))
                  : std::random_device{}();
  return true;
}

}  // namespace
}  // namespace th::test

int main(int argc, char** argv) {
  using th::test::FaultDraw;
  if (argc == 2 && std::string(argv[1]) == "--faults") {
    for (const auto& kind : FaultDraw::kinds()) {
      std::cout << kind << "\n";
    }
    return 0;
  }
  th::test::Args args;
  if (!th::test::ParseArgs(argc, argv, args)) {
    std::cerr << "usage: fetch_soak N [SEED] [--fault KIND] [--chain LENGTH] | --faults\n";
    return 2;
  }
  // A file size limit (the full disk where mounting is not allowed) must fail
  // the write, not end the tool.
  std::signal(SIGXFSZ, SIG_IGN);
  return th::test::Soak(args);
}
