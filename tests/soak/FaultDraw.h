#pragma once
// The faults the soak draws. A station (its device settings and the logger's
// lasting ways) is drawn once for a run of jobs on it; each job then draws
// its own faults: wrong sizes, late and paused reads, bytes that are not the
// file's, records written at chosen moments, stamps repeated or missing, the
// line failing, a full disk, the tool killed. Every fault has a kind, by
// which the report counts and by which one kind can be run alone.
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace th::test {

using Options = std::vector<std::string>;

struct StationPlan {
  Options settings;       // device fields
  Options logger;         // simulator options for every job
  Options kinds;          // the station's own fault kinds (e.g. "lf-only")
  bool twoFiles = false;  // more than 60 channels: a second logger file
  bool modem = false;
  int channels = 3;
  std::uint32_t seed = 1;
};

struct JobPlan {
  Options kinds;                        // the fault kinds drawn
  Options logger;                       // simulator options for them
  int newRecords = 0;                   // records the logger measured since the job before
  std::optional<double> signalAt;       // seconds after naming...
  int signal = 0;                       // ... the tool gets this signal
  std::optional<std::size_t> diskFree;  // the data folder's disk has this many bytes left
  // What the tool may take: the limits of the exchanges are summed from here.
  std::int64_t rate = 0;     // bytes per second of file reads, 0: full speed
  double pausesSec = 0;      // pauses inside one read
  double replyDelaySec = 0;  // every reply this much later
};

class FaultDraw {
 public:
  // `only`: every first job of a station has this kind alone; "" draws the mix.
  FaultDraw(std::uint32_t seed, std::string only);

  StationPlan station();
  // The job `index` (from 0) of a run on `station`.
  JobPlan job(const StationPlan& station, int index);
  // How many jobs run on the next station.
  int chainLength();

  // Every kind there is, and whether a name is one.
  static const Options& kinds();
  static bool known(const std::string& kind);

 private:
  void addKind(JobPlan& job, const StationPlan& station, const std::string& kind);
  int range(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
  std::string pick(const Options& from);

  std::mt19937 rng_;
  std::string only_;
};

}  // namespace th::test
