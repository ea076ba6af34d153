#pragma once
// The fuzz targets. Each takes one input, runs the code under test on it and
// checks the result against its oracle (Fail() on a disagreement). libFuzzer
// calls one of them per program; the replay test of the normal suite runs the
// kept inputs through all of them.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace th::fuzz {

using TargetFunction = int (*)(const std::uint8_t* data, std::size_t size);

int SettingsFileTarget(const std::uint8_t* data, std::size_t size);
int ReceivePathTarget(const std::uint8_t* data, std::size_t size);
int TerminalRepliesTarget(const std::uint8_t* data, std::size_t size);
int ControlFrameTarget(const std::uint8_t* data, std::size_t size);
int CopyDataTarget(const std::uint8_t* data, std::size_t size);
int DataFileWriterTarget(const std::uint8_t* data, std::size_t size);
int SettingsSetTarget(const std::uint8_t* data, std::size_t size);
int LoggerCommandsTarget(const std::uint8_t* data, std::size_t size);
int JobRecordsTarget(const std::uint8_t* data, std::size_t size);

struct Target {
  const char* name;  // the folder of its corpus, dictionary and kept findings
  TargetFunction run;
};

const std::vector<Target>& AllTargets();

}  // namespace th::fuzz
