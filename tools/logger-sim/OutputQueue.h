#pragma once
// What the simulator still has to send: replies that may not leave before a
// given moment and file streams paced at a rate, strictly one after another.
// The owner pulls the bytes that are due; nothing here touches a device.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "tools/logger-sim/EventSink.h"

namespace th::sim {

class OutputQueue {
 public:
  explicit OutputQueue(EventSink sink) : sink_(std::move(sink)) {}

  // A reply: sent whole, not before `notBefore`, after everything queued earlier.
  void pushReply(std::int64_t notBefore, std::string bytes);
  // The first `limit` bytes of a file; `ratePerSec` 0 means as fast as taken.
  void pushFile(std::int64_t notBefore, std::string path, std::shared_ptr<const std::string> data,
                std::size_t limit, std::int64_t ratePerSec);

  // Removes and returns at most `max` bytes that are due at `now`.
  std::string take(std::int64_t now, std::size_t max);
  // When more bytes become due; `now` or earlier when some are due already.
  std::optional<std::int64_t> nextDue(std::int64_t now) const;

  void clear();
  bool empty() const { return items_.empty(); }

 private:
  struct Item {
    std::int64_t notBefore = 0;
    bool isFile = false;
    std::string bytes;  // reply text
    std::string path;   // file
    std::shared_ptr<const std::string> data;
    std::size_t limit = 0;
    std::size_t sent = 0;
    std::int64_t rate = 0;
  };

  std::size_t dueBytes(const Item& item, std::int64_t now) const;
  void finish(std::int64_t now);

  EventSink sink_;
  std::deque<Item> items_;
  std::int64_t lastFinished_ = 0;
};

}  // namespace th::sim
