#pragma once
#include <cstdint>

#include "link/Reception.h"
#include "link/StopRequest.h"
#include "link/Waiter.h"
#include "platform/Port.h"
#include "platform/Text.h"
#include "platform/View.h"

namespace th {

// The size in a size reply: the characters from the fourth on, a decimal
// number (blanks may lead it, nothing may follow it); -1 when they are not one.
std::int32_t ParseSizeReply(const Text& line);

// What the size query brought.
struct SizeReply {
  bool replied = false;    // a line of two or more characters came (not the command's echo)
  std::int32_t size = -1;  // -1 without a reply or with an unusable one
  Text line;               // the reply line
};

// Terminal mode and the directory commands: listing, root, size. Each writes
// its command, waits in fixed steps and tests the last complete line; all but
// the root command send their line a second time, once, when the reply is late.
class TerminalCommands {
 public:
  TerminalCommands(Port& port, Waiter& waiter, Reception& reception, View& view,
                   const StopRequest& stop)
      : port_(port), waiter_(waiter), in_(reception), view_(view), stop_(stop) {}

  // Both always succeed: a logger that does not answer is tolerated.
  void openTerminal(const Text& loggerId);
  void closeTerminal(const Text& loggerId);
  // True when the last line after the final pause looks like a listing line.
  bool listDirectory();
  // "CD \"; lists the root afterwards when `list`.
  void changeToRoot(bool list);
  SizeReply askSize(const Text& path);

 private:
  // How a command waits for its reply.
  struct ReplyWait;
  // Sends `line` and waits; true when `replied` held after a step.
  template <typename Replied>
  bool sendAndWait(const Text& line, const ReplyWait& wait, Replied replied);

  Port& port_;
  Waiter& waiter_;
  Reception& in_;
  View& view_;
  const StopRequest& stop_;
};

}  // namespace th
