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

void OutputQueue::pushFile(std::int64_t notBefore, FileSend send) {
  Item item;
  item.notBefore = notBefore;
  item.isFile = true;
  item.path = std::move(send.path);
  item.limit = std::min(send.limit, send.data->size());
  item.data = std::move(send.data);
  item.rate = std::max<std::int64_t>(send.rate, 0);
  item.tag = send.tag;
  if (send.pauseAt < item.limit) {
    // The same read in two parts; the second waits for its pause.
    Item tail = item;
    item.limit = send.pauseAt;
    item.lastPart = false;
    tail.notBefore = 0;
    tail.gapMs = std::max<std::int64_t>(send.pauseMs, 0);
    tail.begin = send.pauseAt;
    tail.sent = send.pauseAt;
    items_.push_back(std::move(item));
    items_.push_back(std::move(tail));
    return;
  }
  items_.push_back(std::move(item));
}

std::int64_t OutputQueue::startOf(const Item& item) const {
  return std::max(item.notBefore, lastFinished_ + item.gapMs);
}

// How far into the head item the bytes may have left by `now`.
std::size_t OutputQueue::dueBytes(const Item& item, std::int64_t now) const {
  if (!item.isFile || item.rate == 0) {
    return item.limit;
  }
  const std::int64_t start = startOf(item);
  if (now < start) {
    return item.begin;
  }
  // Byte begin + k is due at start + k * 1000 / rate.
  const auto due = item.begin + static_cast<std::size_t>((now - start) * item.rate / 1000 + 1);
  return std::min(due, item.limit);
}

void OutputQueue::finish(std::int64_t now) {
  const Item item = std::move(items_.front());
  items_.pop_front();
  lastFinished_ = now;
  if (!item.isFile || !item.lastPart) {
    return;
  }
  sink_(now, "FILE",
        escapeBytes(item.path) + " " + std::to_string(item.sent) + " " +
            std::to_string(item.data->size()));
  if (ended_) {
    ended_(FileEnd{item.path, item.sent, item.data->size(), item.tag}, now);
  }
}

std::string OutputQueue::take(std::int64_t now, std::size_t max) {
  std::string out;
  while (!items_.empty() && out.size() < max) {
    Item& item = items_.front();
    if (now < startOf(item)) {
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
  const std::int64_t start = startOf(item);
  if (now < start) {
    return start;
  }
  if (dueBytes(item, now) > item.sent || item.sent >= item.limit) {
    return now;
  }
  // Wake for chunks of about 10 ms of the rate, not for every byte.
  const auto chunk = static_cast<std::size_t>(std::max<std::int64_t>(1, item.rate / 100));
  const std::size_t target = std::min(item.sent + chunk, item.limit);
  // The smallest t with (t - start) * rate / 1000 + 1 >= target - begin.
  const auto k = static_cast<std::int64_t>(target - item.begin - 1);
  return start + (k * 1000 + item.rate - 1) / item.rate;
}

void OutputQueue::clear() {
  items_.clear();
}

}  // namespace th::sim
