#include "download/TimeStampPairing.h"

#include <unordered_map>

#include "platform/LineList.h"

namespace th {

namespace {

// Per stamp: how often it occurs in a pane, and where it occurred last.
struct StampUse {
  std::size_t count = 0;
  std::size_t at = 0;
};
using StampUses = std::unordered_map<std::string_view, StampUse>;

StampUses UsesOf(const LineList& lines, std::size_t end) {
  StampUses uses;
  for (std::size_t i = 0; i < end; ++i) {
    const std::string_view stamp = TimeStampOf(lines.line(i));
    if (!stamp.empty()) {
      StampUse& use = uses[stamp];
      ++use.count;
      use.at = i;
    }
  }
  return uses;
}

}  // namespace

PaneSpan PaneSpan::all(const LineList& lines) {
  return {lines, 0, lines.count()};
}

std::string_view TimeStampOf(std::string_view line) {
  const std::size_t separator = line.find(TimeStampPairing::kFieldSeparator);
  return separator == std::string_view::npos ? std::string_view() : line.substr(0, separator);
}

TimeStampPairing PairByTimeStamp(const PaneSpan& first, const PaneSpan& second) {
  TimeStampPairing pairing;
  pairing.partnerOf.assign(first.size(), TimeStampPairing::kNone);
  std::vector<bool> taken(second.size(), false);
  if (second.size() > 0) {
    const StampUses uses1 = UsesOf(first.lines, first.end);
    const StampUses uses2 = UsesOf(second.lines, second.end);
    std::size_t next = second.begin;  // the earliest buffer-2 line a partner may still be
    for (std::size_t i = first.begin; i < first.end; ++i) {
      const std::string_view stamp = TimeStampOf(first.lines.line(i));
      const auto found = uses2.find(stamp);
      if (stamp.empty() || found == uses2.end() || found->second.count != 1 ||
          uses1.at(stamp).count != 1) {
        continue;
      }
      const std::size_t k = found->second.at;
      if (k < next) {
        continue;
      }
      pairing.partnerOf[i - first.begin] = k;
      taken[k - second.begin] = true;
      next = k + 1;
    }
  }
  for (std::size_t k = second.begin; k < second.end; ++k) {
    if (!taken[k - second.begin]) {
      pairing.unpaired.push_back(k);
    }
  }
  return pairing;
}

}  // namespace th
