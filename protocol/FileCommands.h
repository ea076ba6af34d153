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

// The logger files a delete names, by the kind of files (1: the data files
// "\SL<id>\SL<id>0.TXT" and "SL<id>\SL<id>1.TXT"; 2: "CR" in place of the
// second "SL"; 0: "PROG.TXT"; 3: "Sensor.TXT"; any other: none).
struct DeleteTargets {
  Text first;
  Text second;  // without its leading backslash; empty when there is none
};
DeleteTargets DeleteTargetsOf(const Text& loggerId, std::int32_t kind);

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
  // Two root lines, then each named file twice, 500 ms apart; the second file
  // only when `secondFile` is set. The progress bar's maximum becomes
  // `progressMax`: a negative one raises EInvalidOperation before anything is
  // sent. False when the kind names no file.
  bool deleteFiles(const Text& loggerId, std::int32_t kind, std::int32_t progressMax,
                   bool secondFile = true);

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
