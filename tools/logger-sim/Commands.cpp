#include "tools/logger-sim/Commands.h"

#include <array>

namespace th::sim {

namespace {
constexpr std::array<std::string_view, kCmdCount> kNames = {
    "init", "dial", "hangup", "time-read", "time-set", "terminal-open", "terminal-close",
    "dir",  "cd",   "fsize",  "fread",     "del",      "other",
};
}  // namespace

std::string_view CmdName(Cmd cmd) {
  return kNames.at(static_cast<std::size_t>(cmd));
}

std::optional<Cmd> CmdFromName(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (kNames[i] == name) {
      return static_cast<Cmd>(i);
    }
  }
  return std::nullopt;
}

}  // namespace th::sim
