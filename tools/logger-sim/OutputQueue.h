#pragma once
// What the simulator still has to send: replies that may not leave before a
// given moment and file streams paced at a rate, strictly one after another.
// The owner pulls the bytes that are due; nothing here touches a device.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tools/logger-sim/EventSink.h"

namespace th::sim {

// One file read to stream.
struct FileSend {
  std::string path;
  std::shared_ptr<const std::string> data;
  std::size_t limit = 0;     // bytes of the file sent in all
  std::int64_t rate = 0;     // bytes per second, 0: as fast as taken
  std::size_t pauseAt = 0;   // from this byte on (when below `limit`)...
  std::int64_t pauseMs = 0;  // ...the rest starts this much after the bytes before it
  std::uint64_t tag = 0;     // handed back when the read ends
};

// A file read that ended: its last byte was taken.
struct FileEnd {
  std::string path;
  std::size_t sent = 0;
  std::size_t size = 0;
  std::uint64_t tag = 0;
};

class OutputQueue {
 public:
  using FileEnded = std::function<void(const FileEnd&, std::int64_t now)>;

  OutputQueue(EventSink sink, FileEnded ended) : sink_(std::move(sink)), ended_(std::move(ended)) {}

  // A reply: sent whole, not before `notBefore`, after everything queued earlier.
  void pushReply(std::int64_t notBefore, std::string bytes);
  // A file read, not before `notBefore`, after everything queued earlier.
  void pushFile(std::int64_t notBefore, FileSend send);

  // Removes and returns at most `max` bytes that are due at `now`.
  std::string take(std::int64_t now, std::size_t max);
  // When more bytes become due; `now` or earlier when some are due already.
  std::optional<std::int64_t> nextDue(std::int64_t now) const;

  void clear();
  bool empty() const { return items_.empty(); }

 private:
  struct Item {
    std::int64_t notBefore = 0;
    std::int64_t gapMs = 0;  // after the end of the item before it
    bool isFile = false;
    std::string bytes;  // reply text
    std::string path;   // file
    std::shared_ptr<const std::string> data;
    std::size_t begin = 0;  // first byte of this part; `sent` counts from the file's start
    std::size_t limit = 0;
    std::size_t sent = 0;
    std::int64_t rate = 0;
    bool lastPart = true;  // a file read ends with this part
    std::uint64_t tag = 0;
  };

  std::int64_t startOf(const Item& item) const;
  std::size_t dueBytes(const Item& item, std::int64_t now) const;
  void finish(std::int64_t now);

  EventSink sink_;
  FileEnded ended_;
  std::deque<Item> items_;
  std::int64_t lastFinished_ = 0;
};

}  // namespace th::sim
