#pragma once
// The logger's file commands in terminal mode: the listing, the current
// folder, a file's size, a file's bytes streamed, a file deleted; with the
// faults of each that the configuration asks for.
#include <cstdint>
#include <string_view>

#include "tools/logger-sim/Journal.h"
#include "tools/logger-sim/LoggerFiles.h"
#include "tools/logger-sim/ModelConfig.h"
#include "tools/logger-sim/OutputQueue.h"
#include "tools/logger-sim/RecordWriter.h"
#include "tools/logger-sim/Replies.h"
#include "tools/logger-sim/UnplugPlan.h"

namespace th::sim {

class FileCommands {
 public:
  FileCommands(const ModelConfig& config, LoggerFiles& files, Journal& journal, Replies& replies,
               RecordWriter& records, UnplugPlan& unplug)
      : config_(config),
        files_(files),
        journal_(journal),
        replies_(replies),
        records_(records),
        unplug_(unplug) {}

  void dir(std::int64_t now);
  void cd(std::string_view arg, std::int64_t now);
  void fsize(std::string_view arg, std::int64_t now);
  // True when the carrier is to drop with this read (it goes half-way).
  bool fread(std::string_view arg, std::int64_t now);
  void del(std::string_view arg, std::int64_t now);
  // The last byte of a read left (or as many as it was to send).
  void readEnded(const FileEnd& end, std::int64_t now);

 private:
  const ModelConfig& config_;
  LoggerFiles& files_;
  Journal& journal_;
  Replies& replies_;
  RecordWriter& records_;
  UnplugPlan& unplug_;
  std::uint64_t readTag_ = 0;
};

}  // namespace th::sim
