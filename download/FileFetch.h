#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// Fetches the logger's current data files, saves them and deletes them on the logger.
class FileFetch {
 public:
  explicit FileFetch(Tidehaul& unit) : u_(unit) {}

  void LastDownLoad(std::int32_t nNo);

 private:
  [[maybe_unused]] Tidehaul& u_;
};

}  // namespace th
