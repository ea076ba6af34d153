#include "protocol/FileCommands.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/ScopeExit.h"
#include "protocol/CommandLine.h"

namespace th {

namespace {

// Received share of the file in percent, rounded half to even.
int ProgressPercent(std::int32_t received, std::int32_t size) {
  const double percent = std::nearbyint(static_cast<double>(received) / size * 100.0);
  if (!(percent > std::numeric_limits<int>::min())) {
    return std::numeric_limits<int>::min();
  }
  if (!(percent < std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(percent);
}

bool ReadComplete(std::int32_t received, std::int32_t size) {
  return std::int64_t{received} + 5 > std::int64_t{size};
}

}  // namespace

bool FileCommands::readFile(const Text& path, std::int32_t size) {
  in_.clearLastLine();
  const Text command = u"fread " + path;
  // A logger that echoes its commands sends this line first; it is no file data.
  in_.beginRead(command);
  in_.clearPane(in_.route());
  const OnScopeExit noEcho([this] { in_.endRead(); });
  WriteCommandLine(port_, command);
  view_.showSent(command);
  std::int32_t steps = 0;
  const std::uint32_t start = waiter_.tick();
  bool cutShort = false;
  for (;;) {
    if (steps > size * 0.02 + 20 || stop_.endWaits) {
      break;
    }
    waiter_.wait(100);
    if (size == 0) {
      break;
    }
    // The limit above grows with the announced size; a logger that went
    // quiet or a device that went away must not keep the read waiting.
    const std::uint32_t now = waiter_.tick();
    const std::uint32_t quiet = std::min(now - start, now - in_.lastArrival());
    if (line_.lost || in_.lineCut() || quiet >= kSilenceLimitMs) {
      cutShort = true;
      break;
    }
    view_.setProgressPosition(ProgressPercent(in_.bytesCounted(), size));
    ++steps;
    view_.showWait(u"Fread " + path + u"-" + IntToText(steps / 10) + u"[sec]");
    if (ReadComplete(in_.bytesCounted(), size)) {
      break;
    }
  }
  return !cutShort && ReadComplete(in_.bytesCounted(), size);
}

void FileCommands::beginDelete(std::int32_t progressMax) {
  in_.routeTo(Route::ReceiveLog);
  // A negative size is refused here, before anything is sent.
  view_.setProgressMax(progressMax);
  in_.resetCount();
  in_.clearLastLine();
  waiter_.wait(300);
  terminal_.changeToRoot(false);
  waiter_.wait(500);
  terminal_.changeToRoot(false);
  waiter_.wait(500);
}

void FileCommands::deleteFile(const Text& path, int attempt) {
  const Text line = u"DEL " + path;
  WriteCommandLine(port_, line);
  view_.showSent(line + u" Try" + IntToText(attempt));
  waiter_.wait(500);
}

void FileCommands::endDelete() {
  view_.setProgressPosition(0);
  in_.clearLastLine();
}

}  // namespace th
