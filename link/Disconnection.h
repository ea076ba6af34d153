#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// Brings the line down for every communication type and closes the port.
class Disconnection {
 public:
  explicit Disconnection(Tidehaul& unit) : u_(unit) {}

  bool DISConnect(std::int32_t Index, bool ComportClose);

 private:
  Tidehaul& u_;
};

}  // namespace th
