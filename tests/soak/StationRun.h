#pragma once
// Jobs in a row on one station: the same simulated logger (each job's
// simulator starts from the files the one before left, and the logger goes on
// measuring where it stood) and the same save folder, with a ledger after
// every job.
#include <cstddef>
#include <map>
#include <string>

#include "tests/e2e_fetch/RecordLedger.h"
#include "tests/e2e_fetch/Station.h"
#include "tests/soak/FaultDraw.h"

namespace th::test {

// What one job found: what the ledger counts now less what it counted
// after the job before on the same station.
struct JobResult {
  Options kinds;  // the station's and the job's fault kinds, and "refetch"
  Options options;
  bool hang = false;
  bool crash = false;  // ended by itself, but not with exit code 0
  double bound = 0;    // seconds the tool was given
  double seconds = 0;  // seconds it took
  int rejected = 0;    // command lines the logger did not take
  std::size_t lost = 0;
  std::size_t corrupted = 0;
  std::size_t duplicated = 0;
  std::map<std::string, std::size_t> damagedBy;  // new damaged lines, by kind
  std::size_t logEntries = 0;                    // new lines in LogFile.Log
  std::string lastLogEntry;
  std::vector<std::string> problems;
  std::string error;        // the job could not be run
  std::string fullDiskWay;  // how the disk was filled, when it was

  bool faulty() const;
  bool found() const { return hang || crash || rejected > 0 || lost + corrupted + duplicated > 0; }
};

class StationRun {
 public:
  explicit StationRun(StationPlan plan);
  JobResult run(const JobPlan& job);

 private:
  // The seconds a healthy tool may take for this job: the give-up limits of
  // its exchanges, its reads at the logger's rate with their pauses, and a
  // silence allowance per read.
  double bound(const JobPlan& job) const;
  Options loggerOptions(const JobPlan& job) const;
  void prepareFolders();
  void readState();

  StationPlan plan_;
  Station station_;
  RecordLedger ledger_;
  LedgerReport last_;
  int jobs_ = 0;
  int nextRecord_ = 1;
  std::size_t logLines_ = 0;
};

}  // namespace th::test
