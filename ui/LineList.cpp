#include "ui/LineList.h"

namespace th {

void LineList::append(std::string line) {
  lines_.push_back(std::move(line));
  if (observer_ != nullptr) observer_->linesAppended(*this, lines_.size() - 1);
}

void LineList::clear() {
  lines_.clear();
  lines_.shrink_to_fit();
  if (observer_ != nullptr) observer_->linesCleared(*this);
}

std::string_view LineList::line(std::size_t i) const {
  std::string_view s = lines_[i];
  return s.substr(0, kReadLimit);
}

}  // namespace th
