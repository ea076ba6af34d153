#pragma once
// The check every fetch must pass, whatever went wrong: each data record the
// logger ever held is in a data file, in the file of unpaired lines, or still
// on the logger; and each line of those files is one whole record, alone or
// joined with the record of the same time stamp from the second logger file.
#include <cstddef>
#include <string>
#include <vector>

namespace th::test {

class Station;

struct LedgerReport {
  std::size_t records = 0;            // data records the logger ever held
  std::size_t lost = 0;               // ... found nowhere
  std::size_t corrupted = 0;          // data-file lines that are no whole record
  std::vector<std::string> problems;  // the first few, for a failure message

  bool clean() const { return lost == 0 && corrupted == 0; }
  std::string describe() const;
};

// Reads the simulator's exported and held files and its state, and the
// station's data files (FileName1 "CR000", FileName2 "CR001").
LedgerReport CheckRecords(const Station& station);

// A logger file's bytes as the data files show its lines: fault tags removed as
// they complete, a year "08" replaced by `year`, lines without "-" or with "SD"
// dropped; a last line without its end counts.
std::vector<std::string> DataRecords(const std::string& loggerFile, const std::string& year);

}  // namespace th::test
