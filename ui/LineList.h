#pragma once
// A text pane's content: an ordered list of lines, appended one at a time or
// emptied as a whole. The core owns it (the download panes are the only store of
// fetched data until it is written); the window only displays it. Lines come off
// the serial line, one byte per character, so they are kept as bytes.
#include <cstddef>
#include <string>
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

  void append(std::string line);
  // Characters above 255 keep their low byte.
  void appendText(const Text& line) { append(TextToBytes(line)); }
  void clear();

  std::size_t count() const { return lines_.size(); }
  // The line as stored, whole (for display).
  const std::string& raw(std::size_t i) const { return lines_[i]; }
  // The line as the logic reads it: at most kReadLimit bytes.
  std::string_view line(std::size_t i) const;
  Text lineText(std::size_t i) const { return BytesToText(line(i)); }

  void setObserver(LineListObserver* observer) { observer_ = observer; }

 private:
  std::vector<std::string> lines_;
  LineListObserver* observer_ = nullptr;
};

// The three panes: receive log, download buffer 1 and download buffer 2.
struct Panes {
  LineList mmoRxTemp;
  LineList mmoDown1;
  LineList mmoDown2;
};

}  // namespace th
