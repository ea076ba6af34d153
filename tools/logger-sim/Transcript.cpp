#include "tools/logger-sim/Transcript.h"

namespace th::sim {

Transcript::~Transcript() {
  if (file_ != nullptr) {
    std::fclose(file_);
  }
}

bool Transcript::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void Transcript::write(std::int64_t ms, std::string_view kind, std::string_view text) {
  if (file_ == nullptr) {
    return;
  }
  std::string line = std::to_string(ms);
  line += ' ';
  line += kind;
  if (!text.empty()) {
    line += ' ';
    line += text;
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

}  // namespace th::sim
