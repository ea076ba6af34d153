#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// Appends download buffer 1 to the device's two data files.
class DataFileWriter {
 public:
  explicit DataFileWriter(Tidehaul& unit) : u_(unit) {}

 private:
  [[maybe_unused]] Tidehaul& u_;
};

}  // namespace th
