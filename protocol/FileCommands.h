#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// Reading a logger file into a download buffer, and deleting the fetched files.
class FileCommands {
 public:
  explicit FileCommands(Tidehaul& unit) : u_(unit) {}

 private:
  [[maybe_unused]] Tidehaul& u_;
};

}  // namespace th
