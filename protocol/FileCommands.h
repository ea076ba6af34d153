#pragma once
#include <cstdint>

#include "link/LineStatus.h"
#include "link/Reception.h"
#include "link/StopRequest.h"
#include "link/Waiter.h"
#include "platform/Port.h"
#include "platform/Text.h"
#include "platform/View.h"
#include "protocol/TerminalCommands.h"

namespace th {

// Reading a logger file into a download pane, and deleting the fetched files.
class FileCommands {
 public:
  FileCommands(Port& port, Waiter& waiter, Reception& reception, View& view,
               const StopRequest& stop, const LineStatus& line, TerminalCommands& terminal)
      : port_(port),
        waiter_(waiter),
        in_(reception),
        view_(view),
        stop_(stop),
        line_(line),
        terminal_(terminal) {}

  // A read also ends after this long without a byte.
  static constexpr std::uint32_t kSilenceLimitMs = 10000;

  // Sends "fread" and counts the arriving bytes against the announced `size`;
  // the receive path files the lines into the pane the route selects. True
  // once at most 4 bytes are missing; gives up after 20 + 0.02 x size steps,
  // after 10 s of silence, at once when the device hangs up, and when a line
  // outgrew the receive limit, false in each of these cases.
  bool readFile(const Text& path, std::int32_t size);
  // Readies the deletes: the progress bar's maximum becomes `progressMax` (a
  // negative one raises EInvalidOperation before anything is sent), then,
  // after 300 ms, two root lines 500 ms apart.
  void beginDelete(std::int32_t progressMax);
  // "DEL " + path, shown with " Try" + attempt, then 500 ms.
  void deleteFile(const Text& path, int attempt);
  // The progress bar back at 0.
  void endDelete();

 private:
  Port& port_;
  Waiter& waiter_;
  Reception& in_;
  View& view_;
  const StopRequest& stop_;
  const LineStatus& line_;
  TerminalCommands& terminal_;
};

}  // namespace th
