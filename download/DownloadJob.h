#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// The one job of a run: line up, clock, fetch, line down.
class DownloadJob {
 public:
  explicit DownloadJob(Tidehaul& unit) : u_(unit) {}

  // -1 runs nothing. repeatCnt becomes 11 on every way out, an exception included.
  void SchDownload(std::int32_t nNo);
  bool running() const { return running_; }

 private:
  Tidehaul& u_;
  bool running_ = false;
};

}  // namespace th
