#include "download/AfterReadWatch.h"

#include <algorithm>

namespace th {

void AfterReadWatch::start() {
  if (!started_) {
    started_ = true;
    from_ = log_.count();
  }
}

void AfterReadWatch::expect(const Text& line) {
  expected_.push_back(TextToBytes(line));
}

Text AfterReadWatch::unexpected() const {
  if (!started_) {
    return {};
  }
  for (std::size_t i = from_; i < log_.count(); ++i) {
    const std::string_view line = log_.raw(i);
    if (std::find(expected_.begin(), expected_.end(), line) == expected_.end()) {
      return BytesToText(line);
    }
  }
  return in_.partialLine();
}

}  // namespace th
