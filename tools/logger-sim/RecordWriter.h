#pragma once
// The logger measuring while it runs: with generated files it writes the
// record that comes next into each data file (both, when there is a second),
// at given moments or when the fetch reaches a given point. A deleted file is
// started anew.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/logger-sim/DataGenerator.h"
#include "tools/logger-sim/Journal.h"
#include "tools/logger-sim/LoggerFiles.h"
#include "tools/logger-sim/ModelConfig.h"

namespace th::sim {

class RecordWriter {
 public:
  // Counts the records the files hold at start and, for generated files,
  // notes the records the file faults concern.
  RecordWriter(const ModelConfig& config, LoggerFiles& files, Journal& journal);

  // Writes the records whose moment (--append-at) has come.
  void runTimers(std::int64_t now);
  std::optional<std::int64_t> nextDue() const;
  // One more record in each data file; nothing without generated files.
  void write(std::int64_t now);
  // The fetch reached a moment (--append-on): a record when it is one asked for.
  void reached(Moment moment, std::int64_t now);

 private:
  const ModelConfig& config_;
  LoggerFiles& files_;
  Journal& journal_;
  std::vector<RecordGenerator> generators_;  // the next record of each data file
  std::vector<std::int64_t> appendAtMs_;     // sorted
  std::size_t nextAppendAt_ = 0;
  std::array<int, 4> reached_{};  // how often each moment came
};

}  // namespace th::sim
