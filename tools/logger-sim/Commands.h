#pragma once
// The commands the simulator tells apart, by the names the command line and
// the transcript use.
#include <optional>
#include <string_view>

namespace th::sim {

enum class Cmd {
  Init,
  Dial,
  Hangup,
  TimeRead,
  TimeSet,
  TerminalOpen,
  TerminalClose,
  Dir,
  Cd,
  Fsize,
  Fread,
  Del,
  Other,
};

inline constexpr int kCmdCount = static_cast<int>(Cmd::Other) + 1;

std::string_view CmdName(Cmd cmd);
std::optional<Cmd> CmdFromName(std::string_view name);

}  // namespace th::sim
