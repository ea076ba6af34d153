#pragma once
// Turns arriving bytes into lines, shows each line and files it into the pane
// the exchanges chose: the writing side of reception (link/Reception.h).
#include <cstddef>

#include "link/LineStatus.h"
#include "link/Reception.h"
#include "link/Waiter.h"
#include "platform/Port.h"
#include "platform/View.h"

namespace th {

class ReceivePath {
 public:
  // A line under assembly stops growing here (the rest is dropped and noted):
  // a line that never ends must not eat the memory.
  static constexpr std::size_t kMaxLine = std::size_t{1} << 20;
  // The view shows at most this much of a line.
  static constexpr std::size_t kShownLimit = 4096;

  ReceivePath(Port& port, const Waiter& clock, View& view, Reception& reception, LineStatus& line)
      : port_(port), clock_(clock), view_(view), in_(reception), line_(line) {}

  // The port's arrival notification: reads up to `count` bytes.
  void onArrival(int count);
  // The port's hang-up notification.
  void onHangup() { line_.lost = true; }
  // One completed line: a "CARRIER" in it means the line dropped; shown, then
  // filed where the route says (data panes keep only lines with a "-").
  void handleLine(const Text& line);
  // Files the line still under assembly as a complete line: the last line of
  // a file that ends without CR.
  void flushPartialLine() { fileLine(takePartialLine()); }
  // Drops the line under assembly: the rest of it will never come.
  void dropPartialLine() { in_.partial_.clear(); }
  // Takes the line under assembly out, so that what comes next starts a line
  // of its own; fileLine files it later once it is known to be complete.
  Text takePartialLine();
  // Completes `line` as if its CR had come now (the year put right), and
  // handles it. An empty line does nothing.
  void fileLine(Text line);

  // Two digits of the current year, for the year patch.
  void setYear(const Text& year) { year_ = year; }
  const Text& year() const { return year_; }
  // A lower limit on the line under assembly, so that tests and the fuzzer
  // reach it without feeding a megabyte per case.
  void setMaxLine(std::size_t maxLine) { maxLine_ = maxLine; }

 private:
  // The line under assembly becomes the last complete line.
  void completeLine();
  // Counts the line feeds of `bytes` that no CR came right before.
  void noteBareLineFeeds(std::u16string_view bytes);

  Port& port_;
  const Waiter& clock_;
  View& view_;
  Reception& in_;
  LineStatus& line_;
  Text year_;
  std::size_t maxLine_ = kMaxLine;
  Text received_;          // kept between notifications so a read allocates nothing
  char16_t previous_ = 0;  // the last byte of the previous notification
};

}  // namespace th
