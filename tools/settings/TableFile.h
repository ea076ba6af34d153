#pragma once
// The settings file on disk, per operating system: regular files only (a FIFO
// or device in the file's place is refused without blocking or being opened),
// and writes that a reader never sees half done.
#include <cstdint>
#include <string>

#include "app/Setup.h"

namespace th::settings {

struct TableRead {
  enum class Outcome { Read, Missing, NotRegular, WrongSize, Failed };
  Outcome outcome = Outcome::Failed;
  std::int64_t size = 0;  // the file's size, for WrongSize
  std::string why;        // the system's words, for Failed
};

// Reads the whole table from `path` into `table`.
TableRead ReadTableFile(const std::string& path, DeviceTable& table);

// Replaces the file's content with the table, or creates the file: a
// temporary file beside it renamed over it. Throws std::runtime_error with the
// message to show.
void WriteTableAtomically(const std::string& path, const DeviceTable& table);

}  // namespace th::settings
