#pragma once
// How the far end answers: each reply at its delay (per command or for all),
// not at all when muted, after an echo of the line when asked; and file
// streams behind them, in one queue, strictly in order.
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/logger-sim/Commands.h"
#include "tools/logger-sim/Journal.h"
#include "tools/logger-sim/ModelConfig.h"
#include "tools/logger-sim/OutputQueue.h"

namespace th::sim {

class Replies {
 public:
  Replies(const ModelConfig& config, OutputQueue& out, Journal& journal)
      : config_(config), out_(out), journal_(journal) {}

  bool muted(Cmd cmd) const;
  std::int64_t delayFor(Cmd cmd) const;

  // `text` and CR LF, at the command's delay; a muted command is only noted.
  void reply(Cmd cmd, std::string_view text, std::int64_t now);
  // The received line back, at once, when the far end echoes.
  void echo(const std::string& line, std::int64_t now);
  // Bytes as they are, not before `at`.
  void send(std::int64_t at, std::string bytes) { out_.pushReply(at, std::move(bytes)); }
  void sendFile(std::int64_t at, FileSend send) { out_.pushFile(at, std::move(send)); }
  // The line went: nothing queued reaches the tool.
  void dropQueued() { out_.clear(); }
  bool idle() const { return out_.empty(); }

 private:
  const ModelConfig& config_;
  OutputQueue& out_;
  Journal& journal_;
};

}  // namespace th::sim
