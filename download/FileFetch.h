#pragma once
#include <cstdint>

#include "platform/Text.h"

namespace th {

class Tidehaul;

// Fetches the logger's current data files, saves them and deletes them on the logger.
class FileFetch {
 public:
  explicit FileFetch(Tidehaul& unit) : u_(unit) {}

  // On a line that is up: terminal mode on, listing, size, read (a second file
  // for more than 60 channels), save, delete, terminal mode off. The delete runs
  // only after a complete fetch; otherwise the logger keeps its files and the
  // event log gets one entry. Terminal mode is switched off whenever it was
  // switched on. Nothing raises out of it.
  void LastDownLoad(std::int32_t nNo);

 private:
  // Listing, sizes and reads; returns what kept them from being complete, or
  // an empty text. Raises what the port raises.
  Text Transfer(std::int32_t nNo, bool& secondFilled);
  // Saves what arrived whatever happened before, then deletes on the logger
  // when nothing failed. Returns the failure, or an empty text after the delete.
  Text SaveAndDelete(std::int32_t nNo, Text failure, bool secondFilled);
  void LogIncomplete(std::int32_t nNo, const Text& failure);

  Tidehaul& u_;
};

}  // namespace th
