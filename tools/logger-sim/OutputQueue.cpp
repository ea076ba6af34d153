#include "tools/logger-sim/OutputQueue.h"

#include <algorithm>

#include "tools/logger-sim/Escape.h"

namespace th::sim {

void OutputQueue::pushReply(std::int64_t notBefore, std::string bytes) {
  if (bytes.empty()) {
    return;
  }
  Item item;
  item.notBefore = notBefore;
  item.bytes = std::move(bytes);
  item.limit = item.bytes.size();
  items_.push_back(std::move(item));
}

void OutputQueue::pushFile(std::int64_t notBefore, std::string path,
                           std::shared_ptr<const std::string> data, std::size_t limit,
                           std::int64_t ratePerSec) {
  Item item;
  item.notBefore = notBefore;
  item.isFile = true;
  item.path = std::move(path);
  item.limit = std::min(limit, data->size());
  item.data = std::move(data);
  item.rate = std::max<std::int64_t>(ratePerSec, 0);
  items_.push_back(std::move(item));
}

// Bytes of the head item that may have left by `now` (counted from its start).
std::size_t OutputQueue::dueBytes(const Item& item, std::int64_t now) const {
  if (!item.isFile || item.rate == 0) {
    return item.limit;
  }
  const std::int64_t start = std::max(item.notBefore, lastFinished_);
  if (now < start) {
    return 0;
  }
  // Byte k is due at start + k * 1000 / rate.
  const auto due = static_cast<std::size_t>((now - start) * item.rate / 1000 + 1);
  return std::min(due, item.limit);
}

void OutputQueue::finish(std::int64_t now) {
  Item& item = items_.front();
  if (item.isFile) {
    sink_(now, "FILE",
          escapeBytes(item.path) + " " + std::to_string(item.sent) + " " +
              std::to_string(item.data->size()));
  }
  lastFinished_ = now;
  items_.pop_front();
}

std::string OutputQueue::take(std::int64_t now, std::size_t max) {
  std::string out;
  while (!items_.empty() && out.size() < max) {
    Item& item = items_.front();
    if (now < item.notBefore) {
      break;
    }
    const std::size_t due = dueBytes(item, now);
    const std::size_t n = std::min(due - std::min(due, item.sent), max - out.size());
    if (n > 0) {
      if (item.isFile) {
        out.append(*item.data, item.sent, n);
      } else {
        out.append(item.bytes, item.sent, n);
        sink_(now, "TX", escapeBytes(std::string_view(item.bytes).substr(item.sent, n)));
      }
      item.sent += n;
    }
    if (item.sent < item.limit) {
      break;
    }
    finish(now);
  }
  return out;
}

std::optional<std::int64_t> OutputQueue::nextDue(std::int64_t now) const {
  if (items_.empty()) {
    return std::nullopt;
  }
  const Item& item = items_.front();
  if (now < item.notBefore) {
    return item.notBefore;
  }
  if (dueBytes(item, now) > item.sent || item.sent >= item.limit) {
    return now;
  }
  // Wake for chunks of about 10 ms of the rate, not for every byte.
  const std::int64_t start = std::max(item.notBefore, lastFinished_);
  const auto chunk = static_cast<std::size_t>(std::max<std::int64_t>(1, item.rate / 100));
  const std::size_t target = std::min(item.sent + chunk, item.limit);
  // The smallest t with (t - start) * rate / 1000 + 1 >= target.
  const auto k = static_cast<std::int64_t>(target - 1);
  return start + (k * 1000 + item.rate - 1) / item.rate;
}

void OutputQueue::clear() {
  items_.clear();
}

}  // namespace th::sim
