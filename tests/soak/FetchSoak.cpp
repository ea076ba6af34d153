// Whole jobs with the real binaries against a logger whose faults are drawn at
// random, checking after every job that no record was lost or garbled and
// that the tool ended by itself.
//
//   fetch_soak N [SEED]
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "tests/e2e_fetch/RecordLedger.h"
#include "tests/e2e_fetch/Station.h"

namespace th::test {
namespace {

using Options = std::vector<std::string>;

struct Job {
  Options settings;  // device fields
  Options logger;    // simulator options
  bool faulty = false;
};

class FaultDraw {
 public:
  explicit FaultDraw(std::uint32_t seed) : rng_(seed) {}

  Job next() {
    Job job;
    const int lines = range(10, 80);
    job.logger = {"--generate", std::to_string(lines), "--seed", std::to_string(range(1, 1000000))};
    auto fault = [&](double chance, const Options& options) {
      if (chance_(rng_) < chance) {
        job.logger.insert(job.logger.end(), options.begin(), options.end());
        job.faulty = true;
      }
    };
    if (chance_(rng_) < 0.25) {
      // A logger with more than 60 channels: two files, wide records.
      job.settings.push_back("ScheduleSet.SensorNoCheck=true");
      job.logger.insert(job.logger.end(), {"--second-file", "--channels", "100"});
      fault(0.3, {"--missing-record", range(0, 1) == 0 ? "0" : "1"});
    } else {
      fault(0.15, {"--second-file"});  // a second file the device does not expect
    }
    if (chance_(rng_) < 0.2) {
      job.settings.insert(job.settings.end(), {"ModemSet.ModemType=H316k", "ModemSet.Command=ATZ",
                                               "ModemSet.CallCMD=ATD", "ModemSet.ModemNo=0123",
                                               "ModemSet.DiscntCMD=ATH"});
      job.logger.push_back("--modem");
    }
    fault(0.15,
          {"--late-tail", std::to_string(range(1, 6)) + "=" + std::to_string(range(100, 1500))});
    fault(0.1, {"--no-final-newline"});
    fault(0.1, {"--append-during-fetch"});
    fault(0.08, {"--unplug-after", std::to_string(range(10, 90)) + "%"});
    fault(0.1, {"--byte26", "0"});
    fault(0.1, {"--echo"});
    fault(0.1, {"--rate", std::to_string(range(600, 4000))});
    fault(0.08, {"--fread-stop-after", std::to_string(range(30, 95)) + "%"});
    fault(0.1, {"--error-tags"});
    fault(0.1, {"--year08"});
    fault(0.06, {"--size-reply", pick({"none", "nan", "short", "negative", "blank"})});
    fault(0.05, {"--dir-reply", pick({"none", "no-marker"})});
    fault(0.1, {"--reply-delay", std::to_string(range(50, 400))});
    return job;
  }

 private:
  int range(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  std::string pick(const std::vector<std::string>& from) {
    return from[static_cast<std::size_t>(range(0, static_cast<int>(from.size()) - 1))];
  }

  std::mt19937 rng_;
  std::uniform_real_distribution<double> chance_{0.0, 1.0};
};

std::string Joined(const Options& options) {
  std::string text;
  for (const auto& o : options) {
    text += (text.empty() ? "" : " ") + o;
  }
  return text;
}

int Soak(int jobs, std::uint32_t seed) {
  std::cout << "seed " << seed << std::endl;
  FaultDraw draw(seed);
  int faulty = 0;
  int hangs = 0;
  std::size_t lost = 0;
  std::size_t corrupted = 0;
  for (int n = 1; n <= jobs; ++n) {
    const Job job = draw.next();
    faulty += job.faulty ? 1 : 0;
    std::string verdict = "ok";
    try {
      Station s;
      if (!job.settings.empty()) {
        s.settings(job.settings);
      }
      s.startLogger(job.logger);
      if (!s.runJob()) {
        ++hangs;
        verdict = "HANG";
      } else {
        const LedgerReport report = CheckRecords(s);
        lost += report.lost;
        corrupted += report.corrupted;
        if (!report.clean()) {
          verdict = "FAULT " + report.describe();
        } else if (s.rejected() != 0) {
          verdict = "REJECTED commands";
          ++corrupted;
        }
      }
    } catch (const std::exception& e) {
      ++hangs;
      verdict = std::string("ERROR ") + e.what();
    }
    std::cout << "job " << n << ": " << verdict << " (" << Joined(job.settings)
              << (job.settings.empty() ? "" : "; ") << Joined(job.logger) << ")" << std::endl;
  }
  std::cout << jobs << " jobs, " << faulty << " with faults, " << lost << " records lost, "
            << corrupted << " corrupted, " << hangs << " hangs" << std::endl;
  return lost == 0 && corrupted == 0 && hangs == 0 ? 0 : 1;
}

}  // namespace
}  // namespace th::test

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: fetch_soak N [SEED]\n";
    return 2;
  }
  const int jobs = std::atoi(argv[1]);
  const auto seed = argc == 3 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10))
                              : std::random_device{}();
  if (jobs <= 0) {
    std::cerr << "fetch_soak: N must be a positive number of jobs\n";
    return 2;
  }
  return th::test::Soak(jobs, seed);
}
