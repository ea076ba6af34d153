#pragma once
// Realistic logger data files: one line per interval, "yy-mm-dd hh:mm:ss" and
// the channel values, CR LF ended. The same seed gives the same bytes on every
// platform (only the raw engine output of mt19937 is used).
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace th::sim {

struct GeneratePlan {
  int lines = 0;
  int channels = 3;
  std::uint32_t seed = 1;
  std::int64_t start = 0;  // seconds since 1970 of the first stamp, read as UTC fields
  int intervalSec = 600;
  bool longYear = false;
  bool year08 = false;
  bool errorTags = false;
  int first = 1;  // the number of the first record in the sequence (a logger that ran before)
};

// "YYYY-MM-DD hh:mm:ss" as seconds since 1970 (UTC fields, so no zone or DST).
bool ParseStamp(std::string_view text, std::int64_t& out);

// The records of one data file in order, each without its line end. Record i
// (from 1) carries the stamp start + (i - 1) * interval; file 1 has the stamps
// of file 0 and values of its own. The sequence begins at record `first`;
// records past `lines` continue it, so a logger can append the record that
// would have come next.
class RecordGenerator {
 public:
  RecordGenerator(const GeneratePlan& plan, int fileIndex);
  std::string next();
  // Records made so far (the number of the next one, counted from 0).
  int made() const { return made_; }

 private:
  GeneratePlan plan_;
  std::mt19937 values_;
  std::mt19937 tags_;
  int made_ = 0;
};

// `fileIndex` 0 is the first data file, 1 the second (other values, same stamps).
std::string GenerateFile(const GeneratePlan& what, int fileIndex);

// A record of a generated file: `line` counts from 1.
struct RecordRef {
  int file = 0;
  int line = 0;
};

// The generated data files and the faults they carry.
struct GeneratedFiles {
  GeneratePlan plan;
  int files = 1;                      // 2: also the second file
  bool noFinalNewline = false;        // line ends stand between records, none after the last
  bool lfOnly = false;                // lines end with LF alone
  std::optional<RecordRef> missing;   // left out of its file
  std::optional<RecordRef> byte26;    // carries a byte 26 inside
  std::optional<RecordRef> repeated;  // followed by a record with the same stamp
  std::uint32_t byte26Pick = 0;       // where inside the line

  std::string_view lineEnd() const { return lfOnly ? "\n" : "\r\n"; }
};

// A generated data file as the logger holds it, its faults applied, written
// after `held` (what the logger held in that file already).
std::string BuildDataFile(const GeneratedFiles& g, int fileIndex, std::string held = {});
// `data` with `record` written after it the way the file's records are laid
// out: each record ends with `lineEnd`, or with `noFinalNewline` the line ends
// stand between the records (one is put after a last line that has none).
std::string AppendRecord(std::string data, std::string_view record, bool noFinalNewline,
                         std::string_view lineEnd = "\r\n");
// The record that follows record `line` of a file with `--repeat-stamp`: its
// time stamp, values of its own.
std::string RepeatedRecord(const GeneratePlan& plan, int fileIndex, int line);
// `line` with a byte 26 inside it: after the time stamp when the line is long
// enough, never first or last.
std::string InsertByte26(std::string line, std::uint32_t pick);

// The error tags, and one of them inserted at a position chosen by `pick`.
inline constexpr std::string_view kErrorTags[] = {"E00", "E21", "E32", "E40", "E62"};
std::string InsertTag(std::string line, std::uint32_t pickTag, std::uint32_t pickPos);

}  // namespace th::sim
