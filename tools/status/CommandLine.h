#pragma once
// tidehaul-status's command line.
#include <string>
#include <vector>

#include "tools/status/AgeCheck.h"

namespace th::status {

extern const char* const kUsage;

struct StatusOptions {
  bool json = false;
  AgeLimits limits;
  std::string prometheusFile;        // "" for none
  std::vector<std::string> folders;  // each once, without trailing separators
};

struct CommandLine {
  enum class Action { Run, Help, Version, Bad };
  Action action = Action::Bad;
  StatusOptions options;
  std::string problem;  // for Bad
};

// The arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace th::status
