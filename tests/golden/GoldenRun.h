#pragma once
// A whole job of the tool against the simulated logger, in virtual time, and
// what it leaves as transcript lines: "<kind> @<ms> <text>" for what happened
// at a moment, "<kind> <text>" for what is compared exactly.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace th::golden {

struct GoldenJob {
  std::string name;  // the transcript's file name, without ".txt"
  std::string about;
  std::vector<std::string> settings;          // fields of device 3 beyond a direct line on COM3
  std::vector<std::string> logger;            // the simulator's options
  std::optional<std::int64_t> nameAt = 1500;  // when the parent names device 3
  std::optional<std::int64_t> closeAt;        // when the window is asked to close
};

std::vector<std::string> RunJob(const GoldenJob& job);

}  // namespace th::golden
