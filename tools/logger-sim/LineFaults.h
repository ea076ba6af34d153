#pragma once
// When the line fails: the USB adapter pulled during a read or once a
// command was answered, the carrier dropped on a command or during a read.
// It counts the commands served and the reads started, so that a fault can
// hit the nth of them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "tools/logger-sim/Commands.h"
#include "tools/logger-sim/ModelConfig.h"

namespace th::sim {

class LineFaults {
 public:
  // How long an unplug waits after the last byte it follows, so the tool has it.
  static constexpr std::int64_t kGraceMs = 100;

  explicit LineFaults(const ModelConfig& config) : config_(config) {}

  // A command is served: the how-manieth of its kind it is (from 1).
  int served(Cmd cmd) { return ++seen_.at(static_cast<std::size_t>(cmd)); }
  // The carrier drops instead of the answer to this command.
  bool dropsCarrierOn(Cmd cmd, int nth) const;
  // The command was answered (its answer queued): an unplug may follow it.
  void answered(Cmd cmd, int nth);
  // Nothing is queued for the tool (any more) at `now`.
  void outputIdle(std::int64_t now);

  // Where a read that starts now is cut, and by what.
  struct ReadFate {
    std::optional<std::size_t> unplugAt;   // the adapter goes after this many bytes
    std::optional<std::size_t> carrierAt;  // the carrier drops after this many bytes
  };
  ReadFate readStarts(std::size_t size, std::uint64_t tag);
  void readEnded(std::uint64_t tag, std::int64_t now);

  std::optional<std::int64_t> unplugDue() const { return due_; }
  // The adapter went: once in a run.
  void unplugged() {
    due_.reset();
    done_ = true;
    afterOutput_ = false;
    readTag_.reset();
  }

 private:
  const ModelConfig& config_;
  std::array<int, kCmdCount> seen_{};
  int reads_ = 0;
  bool done_ = false;
  bool afterOutput_ = false;              // unplug once the answer has left
  std::optional<std::uint64_t> readTag_;  // unplug once this read has ended
  std::optional<std::int64_t> due_;
};

}  // namespace th::sim
