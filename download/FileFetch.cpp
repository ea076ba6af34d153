#include "download/FileFetch.h"

#include <algorithm>

#include "app/Tidehaul.h"
#include "protocol/CommandLine.h"

namespace th {

namespace {

Text ReadStopped(const Text& file, std::int64_t got, std::int32_t size) {
  return u"read of " + file + u" stopped at " + IntToText(got) + u" of " + IntToText(size) +
         u" bytes";
}

Text ErrorText(std::exception_ptr e) {
  try {
    std::rethrow_exception(std::move(e));
  } catch (const std::exception& x) {
    return u"error " + FromUtf8(x.what());
  } catch (...) {
    return u"error";
  }
}

Text ErrnoText(int error) {
  return error < 0 ? Text(u"no file name") : EInOutError::FromErrno(error).Message();
}

void KeepFirst(Text& failure, Text text) {
  if (failure.empty()) {
    failure = std::move(text);
  }
}

}  // namespace

void FileFetch::LastDownLoad(std::int32_t nNo) {
  RunState& rs = u_.rt.rs;
  if (!rs.Connect_flg) {
    return;
  }
  bool terminalOpened = false;
  Text failure;
  try {
    rs.RxTypeIndex = 0;
    // Set first: a write error inside the opening may leave the logger in terminal mode.
    terminalOpened = true;
    u_.terminal.PROGRAM_COMMAND_Terminal_Mode_Open(nNo);
    Outcome out;
    try {
      Transfer(nNo, out);
    } catch (...) {
      KeepFirst(out.failure, ErrorText(std::current_exception()));
      // Whatever was being assembled when the port failed is a cut line.
      u_.receive.DropPartialLine();
    }
    failure = SaveAndDelete(nNo, out);
  } catch (...) {
    failure = ErrorText(std::current_exception());
  }
  rs.RxTypeIndex = 0;
  if (!failure.empty()) {
    // A closed window ends every wait; say so rather than blame the logger.
    if (rs.delay_stop_flg) {
      failure = u"stopped, " + failure;
    }
    Log(nNo, u"File fetch incomplete, " + failure + u", logger files kept");
  }
  if (terminalOpened) {
    try {
      u_.terminal.PROGRAM_COMMAND_Terminal_Mode_Close(nNo);
    } catch (...) {
      // The line is gone; the job brings it down next.
    }
  }
}

void FileFetch::Transfer(std::int32_t nNo, Outcome& out) {
  RunState& rs = u_.rt.rs;
  Panes& panes = u_.rt.panes;
  const Text id = LoggerId(u_, nNo);
  const Text LastFileName = u"\\SL" + id + u"\\SL" + id + u"0.TXT";

  if (!u_.terminal.PROGRAM_COMMAND_DIR(nNo)) {
    out.failure = u"no listing";
    return;
  }
  if (!u_.terminal.PROGRAM_COMMAND_FSIZE(nNo, LastFileName)) {
    out.failure = u"no size reply for " + LastFileName;
    return;
  }
  // An unusable size still gets its one-step read, so nothing that arrives is lost.
  if (rs.FileSizeChk < 0) {
    out.failure = u"unusable size reply for " + LastFileName;
  }
  u_.waiter.delay(500);
  panes.mmoDown1.clear();
  out.firstFilled = true;
  rs.RxTypeIndex = 1;
  if (!ReadOne(nNo, LastFileName, out)) {
    return;
  }
  if (!u_.rt.device(nNo).ScheduleSet.SensorNoCheck.get()) {
    return;
  }

  const Text LastFileName1 = u"\\SL" + id + u"\\SL" + id + u"1.TXT";
  u_.waiter.delay(500);
  rs.FileSizeChk = 0;
  rs.RxTypeIndex = 0;
  const bool sized = u_.terminal.PROGRAM_COMMAND_FSIZE(nNo, LastFileName1);
  u_.waiter.delay(500);
  panes.mmoDown2.clear();
  out.secondFilled = true;
  rs.RxTypeIndex = 2;
  if (!sized) {
    KeepFirst(out.failure, u"no size reply for " + LastFileName1);
  } else if (rs.FileSizeChk < 0) {
    KeepFirst(out.failure, u"unusable size reply for " + LastFileName1);
  } else if (rs.FileSizeChk == 0) {
    out.read.push_back({LastFileName1, 0});
  } else {
    ReadOne(nNo, LastFileName1, out);
  }
}

bool FileFetch::ReadOne(std::int32_t nNo, const Text& path, Outcome& out) {
  RunState& rs = u_.rt.rs;
  const std::int32_t size = rs.FileSizeChk;
  u_.files.PROGRAM_COMMAND_ALLDownFREAD(nNo, path);
  // The read counts as complete with bytes still missing, and its count
  // includes echoes and prompts, so the file's last bytes may still be on
  // their way: let the line settle first, then judge by the file's own bytes.
  Settle(size);
  const std::int64_t got = FileBytes();
  bool complete = size >= 0 && got + 5 > size && !rs.LineLost && !rs.LineCut;
  if (complete && !rs.BuffTemp.empty() && got < size) {
    // A last line without its end, and bytes still missing: it may be cut.
    complete = false;
  }
  if (complete) {
    // What is still being assembled is the file's last line, sent without its end.
    u_.receive.FlushPartialLine();
  } else {
    u_.receive.DropPartialLine();
  }
  const LineList& pane = rs.RxTypeIndex == 2 ? u_.rt.panes.mmoDown2 : u_.rt.panes.mmoDown1;
  if (rs.LineCut) {
    KeepFirst(out.failure,
              u"line of more than " + IntToText(ReceivePath::kMaxLine) + u" characters in " + path);
    return false;
  }
  if (pane.longest() > LineList::kReadLimit) {
    KeepFirst(out.failure, u"line of " + IntToText(static_cast<std::int64_t>(pane.longest())) +
                               u" characters in " + path);
    return false;
  }
  if (!complete) {
    KeepFirst(out.failure, (rs.LineLost ? u"line lost, " : u"") + ReadStopped(path, got, size));
    return false;
  }
  out.read.push_back({path, size});
  return true;
}

std::int64_t FileFetch::FileBytes() const {
  const RunState& rs = u_.rt.rs;
  return std::int64_t{rs.FileSize} - rs.EchoSize;
}

void FileFetch::Settle(std::int32_t size) {
  const RunState& rs = u_.rt.rs;
  EventLoop& loop = u_.rt.loop;
  const std::uint32_t start = loop.tick();
  while (!rs.delay_stop_flg && !rs.LineLost) {
    const std::uint32_t now = loop.tick();
    const std::uint32_t spent = now - start;
    if (spent >= kSettleLimitMs) {
      return;
    }
    const std::uint32_t quiet = now - rs.LastRxTick;
    if (quiet >= kSettleQuietMs && FileBytes() >= size) {
      return;
    }
    // delay returns once more than the given time has passed; while bytes
    // are missing, wake up once per quiet period to look again.
    const std::uint32_t untilQuiet =
        quiet >= kSettleQuietMs ? kSettleQuietMs : kSettleQuietMs - quiet;
    u_.waiter.delay(static_cast<std::int32_t>(std::min(untilQuiet, kSettleLimitMs - spent)) - 1);
  }
}

Text FileFetch::SaveAndDelete(std::int32_t nNo, Outcome& out) {
  Panes& panes = u_.rt.panes;
  const SaveFile& save = u_.rt.device(nNo).SaveFileSet;
  const std::string savePath(save.SavePath.bytes());
  const std::string name1(save.FileName1.bytes());
  const std::string name2(save.FileName2.bytes());
  const std::string unpairedName = name1 + "_unpaired.TXT";
  // Only what this fetch received: lines an earlier job left in a pane were
  // saved by that job.
  const LineList noLines;
  DataFileWriter::SaveReport report;
  const bool first = u_.writer.FileSave(
      out.firstFilled ? panes.mmoDown1 : noLines, out.secondFilled ? panes.mmoDown2 : noLines, true,
      name1 + ".TXT", name2 + ".TXT", savePath, unpairedName, &report);
  if (!first) {
    KeepFirst(out.failure, u"data files not written to " + DecodeAnsi(savePath));
  } else {
    // The first data file holds every line, so the delete does not wait for
    // the second; the failure is still worth a line in the log.
    if (!report.secondWritten) {
      Log(nNo, u"Data file " + DecodeAnsi(savePath + "/" + name2 + ".TXT") + u" not written, " +
                   ErrnoText(report.secondError));
    }
    if (report.unpaired > 0 && !report.unpairedWritten) {
      KeepFirst(out.failure, u"lines without partner not written to " +
                                 DecodeAnsi(savePath + "/" + unpairedName) + u", " +
                                 ErrnoText(report.unpairedError));
    }
  }
  u_.waiter.delay(300);
  if (!out.failure.empty()) {
    return out.failure;
  }
  if (Text changed = SizesUnchanged(nNo, out.read); !changed.empty()) {
    return changed;
  }
  u_.files.PROGRAM_COMMAND_DELTEFILE(nNo, 1, out.read.size() > 1);
  return {};
}

Text FileFetch::SizesUnchanged(std::int32_t nNo, const std::vector<ReadFile>& read) {
  RunState& rs = u_.rt.rs;
  for (const ReadFile& file : read) {
    rs.RxTypeIndex = 0;
    if (!u_.terminal.PROGRAM_COMMAND_FSIZE(nNo, file.path)) {
      return u"no size reply for " + file.path + u" before the delete";
    }
    if (rs.FileSizeChk < 0) {
      return u"unusable size reply for " + file.path + u" before the delete";
    }
    if (rs.FileSizeChk != file.size) {
      return file.path + (rs.FileSizeChk > file.size ? u" grew from " : u" changed from ") +
             IntToText(file.size) + u" to " + IntToText(rs.FileSizeChk) + u" bytes";
    }
  }
  return {};
}

void FileFetch::Log(std::int32_t nNo, const Text& entry) {
  RunState& rs = u_.rt.rs;
  try {
    rs.LogMessage =
        u_.rt.device(nNo).DeviceSet.DeviceName.text() + u" : " + entry + u" -" + u_.log.NowText();
    u_.rt.view.setPanelText(3, rs.LogMessage);
    u_.log.SaveLog();
  } catch (...) {
    // Errors of the fetch stay silent; the entry is lost.
  }
}

}  // namespace th
