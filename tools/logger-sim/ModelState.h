#pragma once
// What the simulated logger and its modem have done so far, for the state
// file and for tests.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "tools/logger-sim/Commands.h"

namespace th::sim {

// A record the logger wrote into a data file while it ran.
struct AppendedRecord {
  std::string path;
  std::int64_t ms = 0;
  int record = 0;    // its number in the generated sequence, from 1
  std::string line;  // without its line end
};

// A file read that ended (completely or not).
struct ReadDone {
  std::string path;
  std::int64_t ms = 0;
  std::size_t sent = 0;
  std::size_t size = 0;
};

struct Deletion {
  std::string path;
  std::int64_t ms = 0;
  std::size_t size = 0;
  std::size_t lines = 0;
};

// Records of one file over the run: initial + appended = held + deleted.
struct RecordCount {
  std::string path;
  std::size_t initial = 0;
  std::size_t appended = 0;
  std::size_t deleted = 0;
};

struct ModelState {
  bool online = false;  // modem connected (always false for a direct logger)
  bool terminal = false;
  bool lineLost = false;  // a dropped carrier: the logger ignores the line
  bool plugged = true;    // false while the adapter is unplugged
  std::string cwd = "\\";
  std::vector<std::string> deleted;
  std::vector<std::string> clockSets;
  int opens = 0;
  int closes = 0;
  int dials = 0;
  int hangups = 0;
  int unplugs = 0;
  int rejected = 0;
  std::deque<std::string> rejectedLines;  // the latest, escaped
  std::array<int, kCmdCount> commands{};
  std::vector<AppendedRecord> appended;
  std::vector<ReadDone> reads;
  std::vector<Deletion> deletions;
  std::map<std::string, RecordCount> records;  // by upper-case path
  std::string missingLine;                     // the generated record left out
  std::string byte26Line;                      // the generated record with a byte 26
  std::string repeatedLine;                    // the record that repeats a time stamp
};

}  // namespace th::sim
