#include "tools/status/LineTail.h"

#include <algorithm>
#include <cstring>

namespace th::status {

bool MemorySource::readAt(std::int64_t offset, char* out, std::size_t count, std::string& why) {
  if (offset < 0 || static_cast<std::uint64_t>(offset) > bytes_.size() ||
      count > bytes_.size() - static_cast<std::size_t>(offset)) {
    why = "read beyond the end";
    return false;
  }
  std::memcpy(out, bytes_.data() + offset, count);
  return true;
}

LineTail::LineTail(RecordSource& source, std::size_t chunk, std::size_t maxLine,
                   std::int64_t& budget)
    : source_(source),
      chunk_(std::max<std::size_t>(chunk, 1)),
      maxLine_(maxLine),
      budget_(budget),
      buf_(chunk_ + maxLine_ + 1),
      heldStart_(source.size()),
      lineEnd_(source.size()),
      bufEnd_(buf_.size()) {}

bool LineTail::readBack(Step& failure) {
  if (budget_ <= 0) {
    failure = Step::Budget;
    return false;
  }
  const auto held = static_cast<std::size_t>(lineEnd_ - heldStart_);
  const auto count = static_cast<std::size_t>(
      std::min<std::int64_t>({static_cast<std::int64_t>(chunk_), heldStart_, budget_}));
  // The chunk goes right before the held bytes; when there is no room left
  // there, the held bytes (one line's part at most) move to the buffer's end.
  if (bufEnd_ - held < count) {
    std::memmove(buf_.data() + buf_.size() - held, buf_.data() + bufEnd_ - held, held);
    bufEnd_ = buf_.size();
  }
  const std::int64_t from = heldStart_ - static_cast<std::int64_t>(count);
  if (!source_.readAt(from, buf_.data() + bufEnd_ - held - count, count, why_)) {
    failure = Step::Failed;
    return false;
  }
  budget_ -= static_cast<std::int64_t>(count);
  heldStart_ = from;
  return true;
}

LineTail::Step LineTail::previous(std::string_view& line) {
  if (lineEnd_ < 0) {
    return Step::Start;
  }
  Step failure = Step::Failed;
  if (!started_) {
    started_ = true;
    if (lineEnd_ == 0) {
      lineEnd_ = -1;
      return Step::Start;
    }
    if (!readBack(failure)) {
      return failure;
    }
    // The last line's "\n" ends it; it does not begin another.
    if (buf_[bufEnd_ - 1] == '\n') {
      --lineEnd_;
      --bufEnd_;
    }
  }
  bool longLine = false;
  for (;;) {
    const auto held = static_cast<std::size_t>(lineEnd_ - heldStart_);
    const char* base = buf_.data() + bufEnd_ - held;
    // The bytes at the end already searched hold no line end.
    const char* newline = nullptr;
    for (const char* p = base + held - searched_; p != base;) {
      if (*--p == '\n') {
        newline = p;
        break;
      }
    }
    if (newline != nullptr || heldStart_ == 0) {
      const char* start = newline != nullptr ? newline + 1 : base;
      const auto length = static_cast<std::size_t>(base + held - start);
      line = std::string_view(start, length);
      if (newline != nullptr) {
        lineEnd_ -= static_cast<std::int64_t>(length) + 1;
        bufEnd_ -= length + 1;
      } else {
        lineEnd_ = -1;
      }
      searched_ = 0;
      return longLine || length > maxLine_ ? Step::LongLine : Step::Line;
    }
    searched_ = held;
    if (held > maxLine_) {
      // Too long to be a record: drop what is held and look for its start.
      longLine = true;
      lineEnd_ = heldStart_;
      bufEnd_ = buf_.size();
      searched_ = 0;
    }
    if (!readBack(failure)) {
      return failure;
    }
  }
}

}  // namespace th::status
