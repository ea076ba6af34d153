#pragma once
// Finds, for each line of download buffer 1, the line of download buffer 2
// that carries the rest of the same record: the one with the same time stamp
// (the first 17 characters). A logger that skipped or added a record in one of
// its two files must not shift every later pair.
#include <cstddef>
#include <string_view>
#include <vector>

namespace th {

class LineList;

struct TimeStampPairing {
  static constexpr std::size_t kStampLength = 17;
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Per buffer-1 line: the index of its buffer-2 partner, or kNone.
  std::vector<std::size_t> partnerOf;
  // Buffer-2 lines that no buffer-1 line took, in their order.
  std::vector<std::size_t> unpaired;
};

// Partners are sought in order: once line k of buffer 2 was taken, a later
// buffer-1 line takes only a line after k. Lines shorter than a time stamp
// have no partner.
TimeStampPairing PairByTimeStamp(const LineList& first, const LineList& second);

}  // namespace th
