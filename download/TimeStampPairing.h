#pragma once
// Finds, for each line of download buffer 1, the line of download buffer 2
// that carries the rest of the same record: the one with the same time stamp,
// the text before the first field separator (two- and four-digit years
// alike). A logger that skipped or added a record in one of its two files
// must not shift every later pair, and a stamp that two records share is not
// joined by guess.
#include <cstddef>
#include <string_view>
#include <vector>

namespace th {

class LineList;

// The lines of a pane a save takes: those before `begin` were saved by an
// earlier job, those from `end` on are not taken.
struct PaneSpan {
  const LineList& lines;
  std::size_t begin;
  std::size_t end;

  static PaneSpan all(const LineList& lines);
  std::size_t size() const { return end - begin; }
};

struct TimeStampPairing {
  static constexpr char kFieldSeparator = ',';
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Per taken buffer-1 line (index less the span's begin): the index of its
  // buffer-2 partner in the pane, or kNone.
  std::vector<std::size_t> partnerOf;
  // Taken buffer-2 lines that no buffer-1 line took, in their order.
  std::vector<std::size_t> unpaired;
};

// The time stamp of a line: the text before the first field separator; empty
// when the line has none (such a line has no partner).
std::string_view TimeStampOf(std::string_view line);

// Partners are sought in order: once line k of buffer 2 was taken, a later
// buffer-1 line takes only a line after k. A stamp found more than once in
// either pane (taken lines or not) pairs nothing.
TimeStampPairing PairByTimeStamp(const PaneSpan& first, const PaneSpan& second);

}  // namespace th
