#pragma once
// What the receive path leaves for the exchanges, and where it files lines:
// the reading side of reception. The receive path (link/ReceivePath.h) is
// the only writer; exchanges read the last complete line, count the bytes of
// a file read and say where lines go.
#include <cstdint>

#include "platform/LineList.h"
#include "platform/Text.h"

namespace th {

// Where complete lines go.
enum class Route {
  ReceiveLog,  // every line
  Download1,   // data lines (with a "-") of the first logger file
  Download2,   // data lines of the second
  Nowhere,
};

class Reception {
 public:
  explicit Reception(Panes& panes) : panes_(panes) {}

  // The most recent complete line (tags cut, year put right), an empty one
  // included; kept until the next line completes or an exchange clears it.
  const Text& lastLine() const { return last_; }
  void clearLastLine() { last_.clear(); }
  // The last line, upper-cased (ASCII letters only), holds `upperToken`.
  bool lastLineHas(std::u16string_view upperToken) const;

  Route route() const { return route_; }
  void routeTo(Route route) { route_ = route; }
  // Empties the pane that `route` selects.
  void clearPane(Route route);

  // A file read begins: the byte count starts at 0 and a line equal to
  // `command` (an echo of it) counts as no file data.
  void beginRead(const Text& command);
  void endRead() { echo_.clear(); }
  void resetCount() { count_ = 0; }
  // Bytes of every arrival since the count was reset, line ends, echoes and
  // lines that are not kept included; wraps like the 32-bit counter it is.
  std::int32_t bytesCounted() const { return static_cast<std::int32_t>(count_); }
  // Bytes of the read command's echoes, with their CR LF, since the read began.
  std::int32_t echoBytes() const { return echoBytes_; }
  // Tick of the latest arrival.
  std::uint32_t lastArrival() const { return lastArrival_; }
  // A line outgrew the receive limit since the read began; its rest was dropped.
  bool lineCut() const { return lineCut_; }
  // Line feeds without a carriage return before them since the read began:
  // the lines they ended run together.
  std::int32_t bareLineFeeds() const { return bareLineFeeds_; }
  // What has come of a line whose end has not (tags cut already).
  const Text& partialLine() const { return partial_; }
  bool lineOpen() const { return !partial_.empty(); }

 private:
  friend class ReceivePath;

  LineList* pane(Route route) const;

  Panes& panes_;
  Text last_;
  Text partial_;  // the line being assembled; only a CR (or the fetch) ends it
  Route route_ = Route::ReceiveLog;
  std::uint32_t count_ = 0;  // unsigned: a count past 2^31 wraps, as the logger's did
  Text echo_;
  std::int32_t echoBytes_ = 0;
  std::uint32_t lastArrival_ = 0;
  bool lineCut_ = false;
  std::int32_t bareLineFeeds_ = 0;
};

}  // namespace th
