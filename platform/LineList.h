#pragma once
// A text pane's content: an ordered list of lines, appended one at a time or
// emptied as a whole. The core owns it (the download panes are the only store of
// fetched data until it is written); the window only displays it. Lines come off
// the serial line, one byte per character, so they are kept as bytes.
#include <cstddef>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/Text.h"

namespace th {

class LineList;

// The window's view of a pane; notified after every change.
class LineListObserver {
 public:
  virtual ~LineListObserver() = default;
  virtual void linesAppended(const LineList& list, std::size_t first) = 0;
  virtual void linesCleared(const LineList& list) = 0;
};

class LineList {
 public:
  // Reading a line yields at most its first 4096 characters.
  static constexpr std::size_t kReadLimit = 4096;

  void append(std::string_view line);
  // Characters above 255 keep their low byte.
  void appendText(std::u16string_view line);
  void clear();

  std::size_t count() const { return lines_.size(); }
  // The line as stored, whole (for display). It stays where it is until the
  // list is cleared: later appends do not move it.
  std::string_view raw(std::size_t i) const { return lines_[i]; }
  // The line as the logic reads it: at most kReadLimit bytes.
  std::string_view line(std::size_t i) const { return lines_[i].substr(0, kReadLimit); }
  Text lineText(std::size_t i) const { return BytesToText(line(i)); }
  // Length of the longest line since the list was last emptied.
  std::size_t longest() const { return longest_; }

  void setObserver(LineListObserver* observer) { observer_ = observer; }

 private:
  // Room for `size` bytes that never moves.
  char* place(std::size_t size);
  void added();

  // A fetch appends a few hundred thousand short lines: packing them into
  // large blocks costs their bytes plus one view each, instead of a heap block
  // and a string object per line.
  static constexpr std::size_t kBlockSize = std::size_t{256} * 1024;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  // unused tail of the current block
  std::size_t room_ = 0;
  std::deque<std::string_view> lines_;
  std::size_t longest_ = 0;
  LineListObserver* observer_ = nullptr;
};

// The three panes: receive log, download buffer 1 and download buffer 2.
struct Panes {
  LineList receiveLog;
  LineList download1;
  LineList download2;
};

}  // namespace th
