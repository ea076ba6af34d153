#pragma once
#include <cstdint>

#include "platform/Text.h"

namespace th {

class Tidehaul;

// Terminal mode and the directory commands: listing, root, size. Each writes
// its command, waits in fixed steps and tests the last complete line; all but
// the root command send their line a second time, once, when the reply is late.
class TerminalCommands {
 public:
  explicit TerminalCommands(Tidehaul& unit) : u_(unit) {}

  // Always true: a logger that does not answer is tolerated.
  bool PROGRAM_COMMAND_Terminal_Mode_Open(std::int32_t index);
  bool PROGRAM_COMMAND_Terminal_Mode_Close(std::int32_t index);
  // True when the last line after the final pause looks like a listing line.
  bool PROGRAM_COMMAND_DIR(std::int32_t index);
  // Always true; lists the root afterwards when DIR is set.
  bool PROGRAM_COMMAND_ROOT(std::int32_t index, bool DIR);
  // True when a reply line came; the size (or -1) is left in FileSizeChk.
  bool PROGRAM_COMMAND_FSIZE(std::int32_t index, const Text& FNAME);
  // Size reply: characters from the fourth on, a decimal number; else -1.
  void StringCount(const Text& Msg);

 private:
  Tidehaul& u_;
};

}  // namespace th
