#pragma once
// The fetch of one device against the fake logger in virtual time, and what
// its tests check again and again.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/fetch/FetchRig.h"

namespace th::test {

using Lines = std::vector<std::string>;
constexpr int kDev = FetchRig::kDevice;
inline const std::string kFirst = "\\SL01\\SL010.TXT";
inline const std::string kSecond = "\\SL01\\SL011.TXT";

inline std::size_t CountPrefix(const Lines& lines, const std::string& prefix) {
  return static_cast<std::size_t>(std::count_if(
      lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

class Fetch : public ::testing::Test {
 protected:
  Fetch() { f.logger.files[kFirst] = DataLines(30); }
  void Run() { f.rig.tool.fetch.fetch(f.settings(), report); }
  std::string Entry(const std::string& what) const {
    return "Station 4 : File fetch incomplete, " + what +
           ", logger files kept -2024-05-06 14:05:31\r\n";
  }
  // The delete was withheld, terminal mode was closed last, the logger keeps its files.
  void ExpectKeptAndClosed() {
    EXPECT_EQ(CountPrefix(f.logger.received, "DEL"), 0u);
    EXPECT_EQ(CountPrefix(f.logger.received, "CD"), 0u);
    ASSERT_FALSE(f.logger.received.empty());
    EXPECT_EQ(f.logger.received.back(), "#M01 T C");
    EXPECT_FALSE(f.logger.terminalMode);
    EXPECT_TRUE(f.logger.files.count(kFirst));
  }
  FetchRig f;
  JobReport report;
};

}  // namespace th::test
