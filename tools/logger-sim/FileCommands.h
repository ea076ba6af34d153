#pragma once
// The logger's file commands in terminal mode: the listing, the current
// folder, a file's size, a file's bytes streamed, a file deleted; with the
// faults of each that the configuration asks for.
#include <cstdint>
#include <string_view>

#include "tools/logger-sim/Journal.h"
#include "tools/logger-sim/LineFaults.h"
#include "tools/logger-sim/LoggerFiles.h"
#include "tools/logger-sim/ModelConfig.h"
#include "tools/logger-sim/OutputQueue.h"
#include "tools/logger-sim/RecordWriter.h"
#include "tools/logger-sim/Replies.h"

namespace th::sim {

class FileCommands {
 public:
  FileCommands(const ModelConfig& config, LoggerFiles& files, Journal& journal, Replies& replies,
               RecordWriter& records, LineFaults& faults)
      : config_(config),
        files_(files),
        journal_(journal),
        replies_(replies),
        records_(records),
        faults_(faults) {}

  void dir(std::int64_t now);
  void cd(std::string_view arg, std::int64_t now);
  void fsize(std::string_view arg, std::int64_t now);
  // True when the carrier is to drop with this read: `dropHalf` asks for it
  // half-way, a fault of the line may ask for it elsewhere.
  bool fread(std::string_view arg, bool dropHalf, std::int64_t now);
  void del(std::string_view arg, std::int64_t now);
  // The last byte of a read left (or as many as it was to send).
  void readEnded(const FileEnd& end, std::int64_t now);

 private:
  bool isFirstDataFile(const std::string& path) const;

  const ModelConfig& config_;
  LoggerFiles& files_;
  Journal& journal_;
  Replies& replies_;
  RecordWriter& records_;
  LineFaults& faults_;
  std::uint64_t readTag_ = 0;
};

}  // namespace th::sim
