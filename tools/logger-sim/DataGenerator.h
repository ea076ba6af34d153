#pragma once
// Realistic logger data files: one line per interval, "yy-mm-dd hh:mm:ss" and
// the channel values, CR LF ended. The same seed gives the same bytes on every
// platform (only the raw engine output of mt19937 is used).
#include <cstdint>
#include <string>
#include <string_view>

namespace th::sim {

struct GenerateSpec {
  int lines = 0;
  int channels = 3;
  std::uint32_t seed = 1;
  std::int64_t start = 0;  // seconds since 1970 of the first stamp, read as UTC fields
  int intervalSec = 600;
  bool longYear = false;
  bool year08 = false;
  bool errorTags = false;
};

// "YYYY-MM-DD hh:mm:ss" as seconds since 1970 (UTC fields, so no zone or DST).
bool parseStamp(std::string_view text, std::int64_t& out);

// `fileIndex` 0 is the first data file, 1 the second (other values, same stamps).
std::string generateFile(const GenerateSpec& what, int fileIndex);

// The error tags, and one of them inserted at a position chosen by `pick`.
inline constexpr std::string_view kErrorTags[] = {"E00", "E21", "E32", "E40", "E62"};
std::string insertTag(std::string line, std::uint32_t pickTag, std::uint32_t pickPos);

}  // namespace th::sim
