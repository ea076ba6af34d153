#pragma once
// Which logger command a received line is, with its id and argument. Only the
// exact forms the tool sends count: command words in their case, single
// blanks, nothing before or after. Anything else is `Cmd::Other`.
#include <string>
#include <string_view>

#include "tools/logger-sim/Commands.h"

namespace th::sim {

struct ParsedLine {
  Cmd cmd = Cmd::Other;
  bool hasId = false;  // the "#T"/"#M" forms carry the logger id
  std::string id;
  std::string arg;  // the time text of a clock setting, the path of a file command
};

ParsedLine ParseLoggerLine(std::string_view line);

std::string UpperAscii(std::string_view s);

}  // namespace th::sim
