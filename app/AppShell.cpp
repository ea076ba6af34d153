#include "app/AppShell.h"

#include <utility>

#include "app/Tidehaul.h"

namespace th {

Text FindNumber(const Text& Target) {
  Text digits;
  for (const char16_t c : Target) {
    if (c >= u'0' && c <= u'9') {
      digits.push_back(c);
    }
  }
  return digits;
}

void AppShell::startTimer() {
  timer_ = u_.rt.loop.startTimer(kTimerInterval, false, [this] {
    timerRunning_ = false;
    tmrSchDownTimer();
  });
  timerRunning_ = true;
}

void AppShell::FormCreate() {
  u_.rt.loop.setExceptionHandler(
      [this](std::exception_ptr e) { u_.log.AppException(std::move(e)); });
  startTimer();
}

void AppShell::FormShow() {
  RunState& rs = u_.rt.rs;
  const int year = u_.rt.sys.now().year % 100;
  rs.NowYear =
      Text{static_cast<char16_t>(u'0' + year / 10), static_cast<char16_t>(u'0' + year % 10)};
  rs.repeatCnt = 0;
  rs.IndexNo = -1;
  u_.settings.SettingOpen();
}

void AppShell::WMCopyData(const ControlMessage& Data) {
  try {
    // The text ends at the first zero unit or with the data, never beyond it;
    // a lone trailing byte is no unit.
    Text nMsg;
    if (Data.data != nullptr) {
      for (std::uint32_t i = 0; i + 1 < Data.size; i += 2) {
        const auto unit = static_cast<char16_t>(Data.data[i] | (Data.data[i + 1] << 8));
        if (unit == 0) {
          break;
        }
        nMsg.push_back(unit);
        if (nMsg.size() == 4) {
          break;  // only the first four characters count
        }
      }
    }
    u_.rt.view.setMsgText(FindNumber(nMsg));
  } catch (...) {
    // The sender gets 0 whatever happened.
  }
}

void AppShell::tmrSchDownTimer() {
  RunState& rs = u_.rt.rs;
  try {
    if (timerRunning_) {
      u_.rt.loop.stopTimer(timer_);
      timerRunning_ = false;
    }
    // A job started by hand is still running and this tick runs inside one of
    // its waits: a second job would interleave its commands on the same port.
    if (u_.job.running()) {
      startTimer();
      return;
    }
    rs.IndexNo = TextToIntDef(u_.rt.view.msgText(), -1);
    // A number without a record counts like an empty label.
    if (!IsDeviceNumber(rs.IndexNo)) {
      rs.IndexNo = -1;
    }
    if (rs.IndexNo == -1) {
      rs.repeatCnt = rs.repeatCnt + 1;
    } else {
      u_.settings.Init(rs.IndexNo);
      u_.job.SchDownload(rs.IndexNo);
    }
    if (rs.repeatCnt > 10) {
      rs.delay_stop_flg = true;
      CloseMainWindow();
    }
    u_.rt.view.setPanelText(0, u"Waiting-" + IntToText(rs.repeatCnt) + u"[Sec]");
    startTimer();
  } catch (...) {
    // A failed tick ends the program silently; the timer stays stopped.
    u_.rt.loop.quit();
  }
}

void AppShell::Stop_flg() {
  u_.rt.rs.delay_stop_flg = true;
  u_.rt.rs.Stop_Flag = true;
}

void AppShell::FormCloseQuery(bool& CanClose) {
  Stop_flg();
  CanClose = true;
}

void AppShell::CloseMainWindow() {
  bool CanClose = true;
  FormCloseQuery(CanClose);
  if (!CanClose) {
    return;
  }
  if (!closed_) {
    closed_ = true;
    if (closer_) {
      closer_();
    }
  }
  u_.rt.loop.quit();
}

void AppShell::SpeedButton3Click() {
  if (u_.job.running()) {
    return;
  }
  u_.job.SchDownload(TextToIntDef(u_.rt.view.msgText(), -1));
}

}  // namespace th
