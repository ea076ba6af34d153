#include "protocol/FileCommands.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/Tidehaul.h"
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

bool ReadComplete(const RunState& rs) {
  return std::int64_t{rs.FileSize} + 5 > std::int64_t{rs.FileSizeChk};
}

}  // namespace

bool FileCommands::PROGRAM_COMMAND_ALLDownFREAD(std::int32_t index, const Text& FNAME) {
  (void)index;
  RunState& rs = u_.rt.rs;
  View& view = u_.rt.view;
  rs.Buff.clear();
  rs.FileSize = 0;
  rs.LineCut = false;
  u_.receive.RxTypeMemoClear(rs.RxTypeIndex);

  const Text nSendMessage = u"fread " + FNAME;
  // A logger that echoes its commands sends this line first; it is no file data.
  rs.ReadEcho = nSendMessage;
  rs.EchoSize = 0;
  const OnScopeExit noEcho([&] { rs.ReadEcho.clear(); });
  WriteCommandLine(u_, nSendMessage);
  view.setPanelText(2, nSendMessage);
  rs.Time_Out = 0;
  EventLoop& loop = u_.rt.loop;
  const std::uint32_t start = loop.tick();
  bool cutShort = false;
  for (;;) {
    if (rs.Time_Out > rs.FileSizeChk * 0.02 + 20 || rs.delay_stop_flg) {
      break;
    }
    u_.waiter.delay(100);
    if (rs.FileSizeChk == 0) {
      break;
    }
    // The limit above grows with the announced size; a logger that went
    // quiet or a device that went away must not keep the read waiting.
    const std::uint32_t now = loop.tick();
    const std::uint32_t quiet = std::min(now - start, now - rs.LastRxTick);
    if (rs.LineLost || rs.LineCut || quiet >= kSilenceLimitMs) {
      cutShort = true;
      break;
    }
    view.setProgressPosition(ProgressPercent(rs.FileSize, rs.FileSizeChk));
    ++rs.Time_Out;
    view.setPanelText(1, u"Fread " + FNAME + u"-" + IntToText(rs.Time_Out / 10) + u"[sec]");
    if (ReadComplete(rs)) {
      break;
    }
  }
  const bool result = !cutShort && ReadComplete(rs);
  rs.Result = result;
  return result;
}

bool FileCommands::PROGRAM_COMMAND_DELTEFILE(std::int32_t index, std::int32_t Flag,
                                             bool secondFile) {
  RunState& rs = u_.rt.rs;
  View& view = u_.rt.view;
  rs.RxTypeIndex = 0;
  // A negative size is refused here, before anything is sent.
  view.setProgressMax(rs.FileSizeChk);
  rs.FileSize = 0;
  rs.Buff.clear();
  const bool result = FileNamesearch(index, Flag);
  u_.waiter.delay(300);

  Text lastLine;
  const OnScopeExit finish([&] {
    view.setProgressPosition(0);
    rs.Buff.clear();
    if (!result) {
      view.setPanelText(2, lastLine + u" ERROR ");
    }
  });
  if (result) {
    u_.terminal.PROGRAM_COMMAND_ROOT(index, false);
    u_.waiter.delay(500);
    u_.terminal.PROGRAM_COMMAND_ROOT(index, false);
    u_.waiter.delay(500);
  }
  auto sendTwice = [&](const Text& line) {
    lastLine = line;
    WriteCommandLine(u_, line);
    view.setPanelText(2, line + u" Try1");
    u_.waiter.delay(500);
    WriteCommandLine(u_, line);
    view.setPanelText(2, line + u" Try2");
    u_.waiter.delay(500);
  };
  switch (Flag) {
    case 0:
    case 3:
      lastLine = u"DEL " + rs.FileNamesearch;
      WriteCommandLine(u_, lastLine);
      view.setPanelText(2, lastLine);
      break;
    case 1:
    case 2:
      sendTwice(u"DEL " + rs.FileNamesearch);
      if (secondFile && !rs.FileNamesearch1.empty()) {
        sendTwice(u"DEL \\" + rs.FileNamesearch1);
      }
      break;
    default:
      break;
  }
  return result;
}

bool FileCommands::FileNamesearch(std::int32_t Index, std::int32_t Flag) {
  RunState& rs = u_.rt.rs;
  rs.FileNamesearch.clear();
  rs.FileNamesearch1.clear();
  const Text id = LoggerId(u_, Index);
  switch (Flag) {
    case 0:
      rs.FileNamesearch = u"PROG.TXT";
      break;
    case 1:
      rs.FileNamesearch = u"\\SL" + id + u"\\SL" + id + u"0.TXT";
      rs.FileNamesearch1 = u"SL" + id + u"\\SL" + id + u"1.TXT";
      break;
    case 2:
      rs.FileNamesearch = u"\\SL" + id + u"\\CR" + id + u"0.TXT";
      rs.FileNamesearch1 = u"SL" + id + u"\\CR" + id + u"1.TXT";
      break;
    case 3:
      rs.FileNamesearch = u"Sensor.TXT";
      break;
    default:
      break;
  }
  return !rs.FileNamesearch.empty();
}

}  // namespace th
