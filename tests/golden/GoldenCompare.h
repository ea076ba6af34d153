#pragma once
// Compares a fresh transcript with the recorded one. Lines "<kind> @<ms> ..."
// are compared in order within their kind (writes and line changes share the
// kind "line"), text exactly and moment within a tolerance; every other line
// exactly and in order.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace th::golden {

// The first difference, readably; none when the two agree.
std::optional<std::string> FirstDifference(const std::vector<std::string>& recorded,
                                           const std::vector<std::string>& fresh,
                                           std::int64_t toleranceMs);

}  // namespace th::golden
