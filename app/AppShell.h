#pragma once
#include <cstdint>
#include <functional>

#include "app/JobOutcome.h"
#include "app/JobRecordFile.h"
#include "app/LastResort.h"
#include "app/SettingsFile.h"
#include "download/DownloadJob.h"
#include "link/ReceivePath.h"
#include "link/StopRequest.h"
#include "platform/ControlMessage.h"
#include "platform/EventLoop.h"
#include "platform/PlatformServices.h"
#include "platform/Text.h"
#include "platform/View.h"

namespace th {

// The digits "0" to "9" of `text`, in order.
Text DigitsOf(const Text& text);

// What the shell works with.
struct ShellParts {
  EventLoop& loop;
  View& view;
  const PlatformServices& clock;
  StopRequest& stop;
  SettingsFile& settings;
  ReceivePath& receivePath;
  DownloadJob& job;
  LastResort& lastResort;
  JobRecordFile& records;
};

// The spine of a run: the window's creation and first showing, the control
// message, the one-second wait timer that turns a device number into the
// job, the close request, and the job record at the end.
class AppShell {
 public:
  explicit AppShell(const ShellParts& parts) : p_(parts) {}

  static constexpr std::uint32_t kTimerInterval = 1000;
  // Ticks without a device number before the run ends by itself.
  static constexpr std::int32_t kTicksWithoutDevice = 10;

  // The window exists: failures of window events go to the last resort from
  // now on, and the wait timer starts.
  void onCreate();
  // The window shows for the first time: the year for the receive path, and
  // the settings file.
  void onFirstShow();
  // The control message: the digits among its first four characters become
  // the pending device number.
  void onControlMessage(const ControlMessage& message);
  // A tick of the wait timer: a pending device number runs the job; after the
  // job, or after eleven ticks without a number, the window closes.
  void onTimerTick();
  // The close request: waits and exchanges stop; the close always goes ahead.
  void onCloseRequest();
  // The manual start; ignored while a job runs, since a second job would
  // interleave its commands with the first's on the same port.
  void onStartButton();
  // Closes the main window: the close request, then the end of the message loop.
  void closeWindow();
  // The message loop has ended: the run's job record, once. Never raises.
  void onRunEnd();
  // A job ran, or the ticks without a device number ran out: the next tick
  // closes the window.
  bool runOver() const { return ticks_ > kTicksWithoutDevice; }
  // Hides the real window when the run closes it.
  void setWindowCloser(std::function<void()> closer) { closer_ = std::move(closer); }

 private:
  void startTimer();
  // The job for device `number` (none for a number without a record); the
  // run ends at the next tick, also when an error passes through.
  void runJob(std::int32_t number);

  ShellParts p_;
  // The timer's course through the run.
  TimerId timer_ = 0;
  bool timerRunning_ = false;
  // Ticks without a device number; above kTicksWithoutDevice the run is over
  // (a job sets it there when it ends).
  std::int32_t ticks_ = 0;
  bool closed_ = false;
  std::function<void()> closer_;
  // What the job record tells beside the job's own report.
  LocalDateTime start_;
  RunFacts facts_;
  std::int32_t device_ = -1;  // the device of the job that ran
  bool recorded_ = false;
};

}  // namespace th
