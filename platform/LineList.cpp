#include "platform/LineList.h"

#include <algorithm>

namespace th {

char* LineList::place(std::size_t size) {
  if (size > room_) {
    // A long line gets a block of its own, so the current block's tail stays usable.
    if (size > kBlockSize / 4) {
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
      return blocks_.back().get();
    }
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
    free_ = blocks_.back().get();
    room_ = kBlockSize;
  }
  char* at = free_;
  free_ += size;
  room_ -= size;
  return at;
}

void LineList::added() {
  longest_ = std::max(longest_, lines_.back().size());
  if (observer_ != nullptr) {
    observer_->linesAppended(*this, lines_.size() - 1);
  }
}

void LineList::append(std::string_view line) {
  if (line.empty()) {
    lines_.emplace_back();
  } else {
    char* at = place(line.size());
    std::copy(line.begin(), line.end(), at);
    lines_.emplace_back(at, line.size());
  }
  added();
}

void LineList::appendText(std::u16string_view line) {
  if (line.empty()) {
    lines_.emplace_back();
  } else {
    char* at = place(line.size());
    std::transform(line.begin(), line.end(), at,
                   [](char16_t c) { return static_cast<char>(c & 0xFF); });
    lines_.emplace_back(at, line.size());
  }
  added();
}

void LineList::clear() {
  lines_.clear();
  lines_.shrink_to_fit();
  blocks_.clear();
  blocks_.shrink_to_fit();
  free_ = nullptr;
  room_ = 0;
  longest_ = 0;
  if (observer_ != nullptr) {
    observer_->linesCleared(*this);
  }
}

}  // namespace th
