#pragma once
// The simulator's command line (README.md lists every option).
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/logger-sim/DataGenerator.h"
#include "tools/logger-sim/ModelConfig.h"

namespace th::sim {

struct SimConfig {
  ModelConfig model;
  std::string link;
  std::string filesDir;
  std::vector<std::pair<std::string, std::string>> fileArgs;  // logger path, host file
  bool generate = false;
  bool secondFile = false;
  GeneratePlan gen;
  bool noFinalNewline = false;
  std::optional<RecordRef> missingRecord;  // line 0: a seeded one
  std::optional<RecordRef> byte26Record;   // line 0: a seeded one
  std::optional<RecordRef> repeatRecord;   // line 0: a seeded one
  bool lfOnly = false;
  std::string exportDir;
  std::string exportHeldDir;
  std::int64_t unplugGapMs = 1000;
  std::string transcript;
  std::string state;
  bool exitAfterHangup = false;
  double timeoutSec = 0;
  bool modemLines = false;         // in a session with the modem-line shim
  bool stretchLineSleeps = false;  // with modemLines: for CPU figures under Wine
};

struct ParseResult {
  std::optional<SimConfig> config;
  bool help = false;
  bool version = false;
  std::string error;  // set when neither config, help nor version
};

ParseResult ParseCommandLine(const std::vector<std::string>& args);
const char* UsageText();

}  // namespace th::sim
