#pragma once
// The transcript file: one "<ms> <KIND> <text>" line per event, flushed at
// once so that a test can read it while the simulator runs.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace th::sim {

class Transcript {
 public:
  Transcript() = default;
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  // False when the file cannot be created.
  bool open(const std::string& path);
  void write(std::int64_t ms, std::string_view kind, std::string_view text);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace th::sim
