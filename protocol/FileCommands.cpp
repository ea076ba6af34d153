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

DeleteTargets DeleteTargetsOf(const Text& loggerId, std::int32_t kind) {
  const Text& id = loggerId;
  switch (kind) {
    case 0:
      return {u"PROG.TXT", {}};
    case 1:
      return {u"\\SL" + id + u"\\SL" + id + u"0.TXT", u"SL" + id + u"\\SL" + id + u"1.TXT"};
    case 2:
      return {u"\\SL" + id + u"\\CR" + id + u"0.TXT", u"SL" + id + u"\\CR" + id + u"1.TXT"};
    case 3:
      return {u"Sensor.TXT", {}};
    default:
      return {};
  }
}

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

bool FileCommands::deleteFiles(const Text& loggerId, std::int32_t kind, std::int32_t progressMax,
                               bool secondFile) {
  in_.routeTo(Route::ReceiveLog);
  // A negative size is refused here, before anything is sent.
  view_.setProgressMax(progressMax);
  in_.resetCount();
  in_.clearLastLine();
  const DeleteTargets targets = DeleteTargetsOf(loggerId, kind);
  const bool result = !targets.first.empty();
  waiter_.wait(300);

  Text lastLine;
  const OnScopeExit finish([&] {
    view_.setProgressPosition(0);
    in_.clearLastLine();
    if (!result) {
      view_.showSent(lastLine + u" ERROR ");
    }
  });
  if (result) {
    terminal_.changeToRoot(false);
    waiter_.wait(500);
    terminal_.changeToRoot(false);
    waiter_.wait(500);
  }
  auto sendTwice = [&](const Text& line) {
    lastLine = line;
    WriteCommandLine(port_, line);
    view_.showSent(line + u" Try1");
    waiter_.wait(500);
    WriteCommandLine(port_, line);
    view_.showSent(line + u" Try2");
    waiter_.wait(500);
  };
  switch (kind) {
    case 0:
    case 3:
      lastLine = u"DEL " + targets.first;
      WriteCommandLine(port_, lastLine);
      view_.showSent(lastLine);
      break;
    case 1:
    case 2:
      sendTwice(u"DEL " + targets.first);
      if (secondFile && !targets.second.empty()) {
        sendTwice(u"DEL \\" + targets.second);
      }
      break;
    default:
      break;
  }
  return result;
}

}  // namespace th
