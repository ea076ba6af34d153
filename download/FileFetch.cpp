#include "download/FileFetch.h"

#include "app/Tidehaul.h"
#include "protocol/CommandLine.h"

namespace th {

namespace {

Text ReadStopped(const RunState& rs, const Text& file) {
  return u"read of " + file + u" stopped at " + IntToText(rs.FileSize) + u" of " +
         IntToText(rs.FileSizeChk) + u" bytes";
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
    bool secondFilled = false;
    try {
      failure = Transfer(nNo, secondFilled);
    } catch (...) {
      failure = ErrorText(std::current_exception());
    }
    failure = SaveAndDelete(nNo, failure, secondFilled);
  } catch (...) {
    failure = ErrorText(std::current_exception());
  }
  if (!failure.empty()) {
    // A closed window ends every wait; say so rather than blame the logger.
    if (rs.delay_stop_flg) {
      failure = u"stopped, " + failure;
    }
    LogIncomplete(nNo, failure);
  }
  if (terminalOpened) {
    try {
      u_.terminal.PROGRAM_COMMAND_Terminal_Mode_Close(nNo);
    } catch (...) {
      // The line is gone; the job brings it down next.
    }
  }
}

Text FileFetch::Transfer(std::int32_t nNo, bool& secondFilled) {
  RunState& rs = u_.rt.rs;
  Panes& panes = u_.rt.panes;
  const Text id = LoggerId(u_, nNo);
  const Text LastFileName = u"\\SL" + id + u"\\SL" + id + u"0.TXT";

  Text failure;
  bool firstResult = false;
  if (!u_.terminal.PROGRAM_COMMAND_DIR(nNo)) {
    failure = u"no listing";
  } else if (!u_.terminal.PROGRAM_COMMAND_FSIZE(nNo, LastFileName)) {
    failure = u"no size reply for " + LastFileName;
  } else {
    // An unusable size still gets its one-step read, so nothing that arrives is lost.
    if (rs.FileSizeChk < 0) {
      failure = u"unusable size reply for " + LastFileName;
    }
    u_.waiter.delay(500);
    panes.mmoDown1.clear();
    rs.RxTypeIndex = 1;
    firstResult = u_.files.PROGRAM_COMMAND_ALLDownFREAD(nNo, LastFileName);
    if (!firstResult) {
      failure = ReadStopped(rs, LastFileName);
    }
  }
  if (!firstResult || !u_.rt.device(nNo).ScheduleSet.SensorNoCheck.get()) {
    return failure;
  }

  const Text LastFileName1 = u"\\SL" + id + u"\\SL" + id + u"1.TXT";
  u_.waiter.delay(500);
  rs.FileSizeChk = 0;
  rs.RxTypeIndex = 0;
  const bool sized = u_.terminal.PROGRAM_COMMAND_FSIZE(nNo, LastFileName1);
  u_.waiter.delay(500);
  panes.mmoDown2.clear();
  secondFilled = true;
  rs.RxTypeIndex = 2;
  Text second;
  if (!sized) {
    second = u"no size reply for " + LastFileName1;
  } else if (rs.FileSizeChk < 0) {
    second = u"unusable size reply for " + LastFileName1;
  } else if (rs.FileSizeChk > 0 && !u_.files.PROGRAM_COMMAND_ALLDownFREAD(nNo, LastFileName1)) {
    second = ReadStopped(rs, LastFileName1);
  }
  return failure.empty() ? second : failure;
}

Text FileFetch::SaveAndDelete(std::int32_t nNo, Text failure, bool secondFilled) {
  Panes& panes = u_.rt.panes;
  const SaveFile& save = u_.rt.device(nNo).SaveFileSet;
  const std::string savePath(save.SavePath.bytes());
  // Buffer 2 is joined only when this fetch filled it: lines of an earlier
  // fetch would be glued to the wrong records.
  const LineList noLines;
  bool bothWritten = false;
  u_.writer.FileSave(panes.mmoDown1, secondFilled ? panes.mmoDown2 : noLines, true,
                     std::string(save.FileName1.bytes()) + ".TXT",
                     std::string(save.FileName2.bytes()) + ".TXT", savePath, &bothWritten);
  if (!bothWritten && failure.empty()) {
    failure = u"data files not written to " + DecodeAnsi(savePath);
  }
  u_.waiter.delay(300);
  if (!failure.empty()) {
    return failure;
  }
  u_.files.PROGRAM_COMMAND_DELTEFILE(nNo, 1);
  return {};
}

void FileFetch::LogIncomplete(std::int32_t nNo, const Text& failure) {
  RunState& rs = u_.rt.rs;
  try {
    rs.LogMessage = u_.rt.device(nNo).DeviceSet.DeviceName.text() + u" : File fetch incomplete, " +
                    failure + u", logger files kept -" + u_.log.NowText();
    u_.rt.view.setPanelText(3, rs.LogMessage);
    u_.log.SaveLog();
  } catch (...) {
    // Errors of the fetch stay silent; the entry is lost.
  }
}

}  // namespace th
