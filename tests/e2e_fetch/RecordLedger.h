#pragma once
// The check every fetch must pass, whatever went wrong, over one job or a run
// of jobs on the same station: each data record the logger ever held is in
// the data files exactly as often as it was generated, or still on the
// logger; and each line of the data files is one whole record, alone or
// joined with the record of the same time stamp from the second logger file.
//
// A data line that is no whole record is damaged, by its kind: cut (the start
// of a record), glued (a record with more before or after it), mis-joined (a
// first-file record with a tail that is not its partner's: another stamp, a
// stamp that repeats, or a partner cut at the wrong place), misplaced (a
// second-file record alone) or garbled (anything else). A record that is not
// saved whole and not held by the logger is corrupted when a damaged line
// carries its time stamp and lost when none does; a damaged line that
// carries no such record counts as one corrupted record of its own. A record
// is duplicated as often as it appears in the first data file (or, from the
// second logger file, there and in the unpaired file) beyond the times it
// was generated.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace th::test {

class StationFolder;

struct LedgerReport {
  std::size_t records = 0;       // data records the logger ever held
  std::size_t lost = 0;          // ... found nowhere
  std::size_t corrupted = 0;     // ... found only in damaged lines, and damaged lines of no record
  std::size_t duplicated = 0;    // saved more often than generated
  std::size_t damagedLines = 0;  // data-file lines that are no whole record...
  std::map<std::string, std::size_t> damagedBy;  // ... by kind: "cut", "glued", "mis-joined", ...
  std::vector<std::string> problems;             // the first hundred; describe() shows a few

  bool clean() const { return lost == 0 && corrupted == 0 && duplicated == 0 && damagedLines == 0; }
  std::string describe() const;
};

// The records of a station's logger over a run of jobs, each new logger run
// starting from what the one before held (and its save folder as it left it).
class RecordLedger {
 public:
  explicit RecordLedger(std::string year);

  // Takes in a job that ended: the records its logger had at start and did
  // not hold at the end of the job before (the exported files), the records
  // it appended (its state), and what it holds now (the held files).
  void addJob(const StationFolder& station);
  // The data files (FileName1 "CR000", FileName2 "CR001") against every
  // record so far.
  LedgerReport check(const StationFolder& station) const;

  // Records held at the end of the last job.
  std::size_t held() const;

 private:
  using Counts = std::map<std::string, std::size_t>;

  std::string year_;
  Counts ever_[2];  // by logger file: the first and the second data file
  Counts held_[2];
};

// The check of a single job on a fresh station.
LedgerReport CheckRecords(const StationFolder& station);

// A logger file's bytes as the data files show its lines: fault tags removed as
// they complete, a year "08" replaced by `year`, lines without "-" or with "SD"
// dropped; a last line without its end counts.
std::vector<std::string> DataRecords(const std::string& loggerFile, const std::string& year);

}  // namespace th::test
