#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// Terminal mode and the directory commands: listing, root, size.
class TerminalCommands {
 public:
  explicit TerminalCommands(Tidehaul& unit) : u_(unit) {}

 private:
  [[maybe_unused]] Tidehaul& u_;
};

}  // namespace th
