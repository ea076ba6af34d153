#pragma once
// Readers for the values of the simulator's options: each takes the text as
// given and fills its result only when all of it is valid.
#include <charconv>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/logger-sim/DataGenerator.h"
#include "tools/logger-sim/ModelConfig.h"

namespace th::sim {

template <typename T>
bool ParseInt(const std::string& s, T& out, T min, T max) {
  T v{};
  const auto* end = s.data() + s.size();
  const auto [ptr, ec] = std::from_chars(s.data(), end, v);
  if (ec != std::errc() || ptr != end || v < min || v > max) {
    return false;
  }
  out = v;
  return true;
}

// A positive number of seconds (fractions allowed).
bool ParseSeconds(const std::string& s, double& out);
// Milliseconds, 0 to a day.
bool ParseMs(const std::string& s, std::int64_t& out);
// "N" bytes or "N%" of a file.
bool ParseByteCount(const std::string& s, FreadStop& out);
// "F" or "F:N": data file F (0 or 1), its line N (from 1); no N is line 0.
bool ParseRecordRef(const std::string& s, std::optional<RecordRef>& out);
// "N" or "+N" or "-N" bytes, within a terabyte either way.
bool ParseSignedBytes(const std::string& s, std::int64_t& out);
// "TEXT" or "TEXT:K": TEXT and K (from 1) apart; `nth` keeps its value without ":K".
bool SplitNth(const std::string& s, std::string& head, int& nth);
// "N", "N%" of the file, or "size", "size+N", "size-N" from the size announced.
bool ParseReadPoint(const std::string& s, ReadPoint& out);
// "LEFT=RIGHT" split at the first "=".
bool SplitPair(const std::string& s, std::string& left, std::string& right);
std::vector<std::string> SplitComma(const std::string& s);

// One of the names in `names`.
template <typename E>
bool PickName(const std::string& s, const std::map<std::string, E>& names, E& out) {
  const auto it = names.find(s);
  if (it == names.end()) {
    return false;
  }
  out = it->second;
  return true;
}

}  // namespace th::sim
