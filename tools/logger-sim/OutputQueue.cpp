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

// The read becomes a run of items: parts of the file split where a pause or
// an insert stands, and the inserted bytes between them. Only the first waits
// for `notBefore`; each later one follows the one before it, after its pause.
void OutputQueue::pushFile(std::int64_t notBefore, FileSend send) {
  const std::size_t size = send.data->size();
  const std::size_t limit = std::min(send.limit, size);
  // Pauses before inserts at the same byte.
  std::vector<std::pair<std::size_t, int>> cuts;  // byte, kind (0 pause, 1 insert) and index
  for (std::size_t i = 0; i < send.pauses.size(); ++i) {
    if (send.pauses[i].at < limit) {
      cuts.emplace_back(send.pauses[i].at, static_cast<int>(2 * i));
    }
  }
  for (std::size_t i = 0; i < send.inserts.size(); ++i) {
    const std::size_t at = send.inserts[i].at;
    if (at < limit || (at == limit && limit == size)) {
      cuts.emplace_back(at, static_cast<int>(2 * i + 1));
    }
  }
  std::stable_sort(cuts.begin(), cuts.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second % 2 < b.second % 2;
  });

  const std::size_t first = items_.size();
  std::size_t at = 0;
  std::int64_t gap = 0;
  const auto add = [&](Item item) {
    item.notBefore = items_.size() == first ? notBefore : 0;
    item.gapMs = gap;
    gap = 0;
    items_.push_back(std::move(item));
  };
  const auto part = [&](std::size_t end) {
    Item item;
    item.isFile = true;
    item.data = send.data;
    item.begin = at;
    item.sent = at;
    item.limit = end;
    item.rate = std::max<std::int64_t>(send.rate, 0);
    add(std::move(item));
    at = end;
  };
  for (const auto& [byte, which] : cuts) {
    const auto index = static_cast<std::size_t>(which / 2);
    if (which % 2 == 0) {
      if (byte > at || items_.size() == first) {
        part(byte);  // possibly empty: the pause counts from when the read starts
      }
      gap += std::max<std::int64_t>(send.pauses[index].ms, 0);
      continue;
    }
    if (byte > at) {
      part(byte);
    }
    if (!send.inserts[index].bytes.empty()) {
      Item item;
      item.bytes = std::move(send.inserts[index].bytes);
      item.limit = item.bytes.size();
      add(std::move(item));
    }
  }
  if (at < limit || items_.size() == first) {
    part(limit);
  }
  items_.back().ends = FileEnd{std::move(send.path), limit, size, send.tag};
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
  if (!item.ends) {
    return;
  }
  const FileEnd& end = *item.ends;
  sink_(now, "FILE",
        EscapeBytes(end.path) + " " + std::to_string(end.sent) + " " + std::to_string(end.size));
  if (ended_) {
    ended_(end, now);
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
        sink_(now, "TX", EscapeBytes(std::string_view(item.bytes).substr(item.sent, n)));
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
