#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// Brings the line to the logger up for every communication type.
class Connection {
 public:
  explicit Connection(Tidehaul& unit) : u_(unit) {}

  bool Connect(std::int32_t Index, bool ComportClose);

 private:
  Tidehaul& u_;
};

}  // namespace th
