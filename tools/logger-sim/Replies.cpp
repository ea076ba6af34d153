#include "tools/logger-sim/Replies.h"

namespace th::sim {

namespace {

bool IsModemCmd(Cmd cmd) {
  return cmd == Cmd::Init || cmd == Cmd::Dial || cmd == Cmd::Hangup;
}

}  // namespace

bool Replies::muted(Cmd cmd) const {
  return config_.muted.at(static_cast<std::size_t>(cmd)) ||
         (config_.muteLogger && !IsModemCmd(cmd));
}

std::int64_t Replies::delayFor(Cmd cmd) const {
  const std::int64_t d = config_.delayMs.at(static_cast<std::size_t>(cmd));
  return d >= 0 ? d : config_.replyDelayMs;
}

void Replies::reply(Cmd cmd, std::string_view text, std::int64_t now) {
  if (muted(cmd)) {
    journal_.note(now, std::string("muted: ") + std::string(CmdName(cmd)));
    return;
  }
  out_.pushReply(now + delayFor(cmd), std::string(text) + "\r\n");
}

void Replies::echo(const std::string& line, std::int64_t now) {
  if (config_.echo) {
    out_.pushReply(now, line + "\r\n");
  }
}

}  // namespace th::sim
