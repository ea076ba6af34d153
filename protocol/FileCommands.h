#pragma once
#include <cstdint>

#include "platform/Text.h"

namespace th {

class Tidehaul;

// Reading a logger file into a download buffer, and deleting the fetched files.
class FileCommands {
 public:
  explicit FileCommands(Tidehaul& unit) : u_(unit) {}

  // A read also ends after this long without a byte.
  static constexpr std::uint32_t kSilenceLimitMs = 10000;

  // Sends "fread" and counts the arriving bytes against FileSizeChk; the
  // receive path files the lines into the pane RxTypeIndex selects (1 or 2).
  // True once at most 4 bytes are missing; gives up after 20 + 0.02 x size
  // steps, after 10 s of silence, at once when the device hangs up, and when a
  // line outgrew the receive limit. False in each of these cases.
  bool PROGRAM_COMMAND_ALLDownFREAD(std::int32_t index, const Text& FNAME);
  // Two root lines, then each named file twice, 500 ms apart; the second file
  // only when `secondFile` is set. Raises EInvalidOperation before sending
  // anything when FileSizeChk is negative.
  bool PROGRAM_COMMAND_DELTEFILE(std::int32_t index, std::int32_t Flag, bool secondFile = true);
  // Fills FileNamesearch and FileNamesearch1 for the flag; true when a name was found.
  bool FileNamesearch(std::int32_t Index, std::int32_t Flag);

 private:
  Tidehaul& u_;
};

}  // namespace th
