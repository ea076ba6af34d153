#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/ControlMessage.h"
#include "platform/EventLoop.h"
#include "platform/Text.h"

namespace th {

class Tidehaul;

// The digits "0" to "9" of Target, in order.
Text FindNumber(const Text& Target);

// The spine of a run: window creation and first showing, the control message,
// the one-second wait timer that turns a device number into the job, and the
// close request.
class AppShell {
 public:
  explicit AppShell(Tidehaul& unit) : u_(unit) {}

  void FormCreate();
  void FormShow();
  void WMCopyData(const ControlMessage& Data);
  void tmrSchDownTimer();
  void FormCloseQuery(bool& CanClose);
  void Stop_flg();
  // Manual start; ignored while a job runs, since a second job would interleave
  // its commands with the first's on the same port.
  void SpeedButton3Click();

  // Closes the main window: the close request, then the end of the message loop.
  void CloseMainWindow();
  // Called when the window closes, to hide the real window.
  void SetWindowCloser(std::function<void()> closer) { closer_ = std::move(closer); }

  static constexpr std::uint32_t kTimerInterval = 1000;

 private:
  void startTimer();

  Tidehaul& u_;
  TimerId timer_ = 0;
  bool timerRunning_ = false;
  bool closed_ = false;
  std::function<void()> closer_;
};

}  // namespace th
