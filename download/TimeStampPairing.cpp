#include "download/TimeStampPairing.h"

#include <deque>
#include <unordered_map>

#include "platform/LineList.h"

namespace th {

TimeStampPairing PairByTimeStamp(const LineList& first, const LineList& second) {
  using Stamp = std::string_view;
  constexpr std::size_t kStamp = TimeStampPairing::kStampLength;
  TimeStampPairing pairing;
  pairing.partnerOf.assign(first.count(), TimeStampPairing::kNone);

  // Buffer-2 lines by stamp, each queue in line order.
  std::unordered_map<Stamp, std::deque<std::size_t>> byStamp;
  for (std::size_t k = 0; k < second.count(); ++k) {
    const std::string_view line = second.line(k);
    if (line.size() >= kStamp) {
      byStamp[line.substr(0, kStamp)].push_back(k);
    }
  }

  std::vector<bool> taken(second.count(), false);
  std::size_t next = 0;  // the earliest buffer-2 line a partner may still be
  for (std::size_t i = 0; i < first.count(); ++i) {
    const std::string_view line = first.line(i);
    if (line.size() < kStamp) {
      continue;
    }
    const auto found = byStamp.find(line.substr(0, kStamp));
    if (found == byStamp.end()) {
      continue;
    }
    std::deque<std::size_t>& candidates = found->second;
    while (!candidates.empty() && candidates.front() < next) {
      candidates.pop_front();
    }
    if (candidates.empty()) {
      continue;
    }
    const std::size_t k = candidates.front();
    candidates.pop_front();
    pairing.partnerOf[i] = k;
    taken[k] = true;
    next = k + 1;
  }

  for (std::size_t k = 0; k < second.count(); ++k) {
    if (!taken[k]) {
      pairing.unpaired.push_back(k);
    }
  }
  return pairing;
}

}  // namespace th
