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
#include <vector>

#include "tools/logger-sim/EventSink.h"

namespace th::sim {

// One file read to stream.
struct FileSend {
  // From byte `at` of the file on (when below `limit`), the rest starts `ms`
  // after the bytes before it.
  struct Pause {
    std::size_t at = 0;
    std::int64_t ms = 0;
  };
  // Bytes that are not the file's, sent before byte `at` of it (at `limit`
  // too when the read is whole).
  struct Insert {
    std::size_t at = 0;
    std::string bytes;
  };

  std::string path;
  std::shared_ptr<const std::string> data;
  std::size_t limit = 0;  // bytes of the file sent in all
  std::int64_t rate = 0;  // bytes per second of the file's bytes, 0: as fast as taken
  std::vector<Pause> pauses;
  std::vector<Insert> inserts;
  std::uint64_t tag = 0;  // handed back when the read ends
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
    std::string bytes;                        // reply text, or bytes inserted into a read
    std::shared_ptr<const std::string> data;  // a part of a file
    std::size_t begin = 0;  // first byte of this part; `sent` counts from the file's start
    std::size_t limit = 0;
    std::size_t sent = 0;
    std::int64_t rate = 0;
    std::optional<FileEnd> ends;  // a file read ends with this item
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
