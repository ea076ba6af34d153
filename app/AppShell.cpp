#include "app/AppShell.h"

#include <utility>

#include "app/JobRecord.h"
#include "app/Setup.h"
#include "platform/ScopeExit.h"

namespace th {

Text DigitsOf(const Text& text) {
  Text digits;
  for (const char16_t c : text) {
    if (c >= u'0' && c <= u'9') {
      digits.push_back(c);
    }
  }
  return digits;
}

void AppShell::startTimer() {
  timer_ = p_.loop.startTimer(kTimerInterval, false, [this] {
    timerRunning_ = false;
    onTimerTick();
  });
  timerRunning_ = true;
}

void AppShell::onCreate() {
  start_ = p_.clock.now();
  p_.loop.setExceptionHandler([this](std::exception_ptr e) { p_.lastResort.handle(std::move(e)); });
  startTimer();
}

void AppShell::onFirstShow() {
  const int year = p_.clock.now().year % 100;
  p_.receivePath.setYear(
      Text{static_cast<char16_t>(u'0' + year / 10), static_cast<char16_t>(u'0' + year % 10)});
  ticks_ = 0;
  try {
    p_.settings.load();
  } catch (const std::exception& e) {
    // The last resort logs it and ends the run; the record says why too.
    facts_.settingsError = FromUtf8(e.what());
    throw;
  }
}

void AppShell::onControlMessage(const ControlMessage& message) {
  try {
    // The text ends at the first zero unit or with the data, never beyond it;
    // a lone trailing byte is no unit.
    Text text;
    if (message.data != nullptr) {
      for (std::uint32_t i = 0; i + 1 < message.size; i += 2) {
        const auto unit = static_cast<char16_t>(message.data[i] | (message.data[i + 1] << 8));
        if (unit == 0) {
          break;
        }
        text.push_back(unit);
        if (text.size() == 4) {
          break;  // only the first four characters count
        }
      }
    }
    p_.view.setPendingDevice(DigitsOf(text));
  } catch (...) {
    // The sender gets 0 whatever happened.
  }
}

void AppShell::runJob(std::int32_t number) {
  const OnScopeExit over([this] { ticks_ = kTicksWithoutDevice + 1; });
  // A number without a record has no settings to run on.
  if (IsDeviceNumber(number)) {
    device_ = number;
    p_.job.run(p_.settings.job(number));
  } else if (number != -1) {
    facts_.unknownDevice = number;
  }
}

void AppShell::onTimerTick() {
  try {
    if (timerRunning_) {
      p_.loop.stopTimer(timer_);
      timerRunning_ = false;
    }
    // A job started by hand is still running and this tick runs inside one of
    // its waits: a second job would interleave its commands on the same port.
    if (p_.job.running()) {
      startTimer();
      return;
    }
    std::int32_t number = TextToIntDef(p_.view.pendingDevice(), -1);
    // A number without a record counts like an empty label.
    if (!IsDeviceNumber(number)) {
      if (number != -1) {
        facts_.unknownDevice = number;
      }
      number = -1;
    }
    if (number == -1) {
      ++ticks_;
    } else {
      p_.view.showDevice(p_.settings.display(number));
      runJob(number);
    }
    if (ticks_ > kTicksWithoutDevice) {
      p_.stop.endWaits = true;
      closeWindow();
    }
    p_.view.showStage(u"Waiting-" + IntToText(ticks_) + u"[Sec]");
    startTimer();
  } catch (...) {
    // A failed tick ends the program silently; the timer stays stopped.
    p_.loop.quit();
  }
}

void AppShell::onCloseRequest() {
  // The run's own close after its job or its eleventh tick is no request.
  if (!runOver()) {
    facts_.closeRequested = true;
  }
  p_.stop.endWaits = true;
  p_.stop.stopExchanges = true;
}

void AppShell::closeWindow() {
  onCloseRequest();
  if (!closed_) {
    closed_ = true;
    if (closer_) {
      closer_();
    }
  }
  p_.loop.quit();
}

void AppShell::onStartButton() {
  if (p_.job.running()) {
    return;
  }
  runJob(TextToIntDef(p_.view.pendingDevice(), -1));
}

void AppShell::onRunEnd() {
  if (recorded_) {
    return;
  }
  recorded_ = true;
  try {
    const JobReport& job = p_.job.report();
    JobRecord record;
    record.start = start_;
    record.end = p_.clock.now();
    record.outcome = OutcomeOf(facts_, job);
    record.job = job;
    Text who = u"Tidehaul";
    if (job.ran && IsDeviceNumber(device_)) {
      const DeviceDisplay d = p_.settings.display(device_);
      record.device = RecordedDevice{device_, d.name, d.loggerId, d.port, d.baudRate, d.modemType};
      who = d.name;
    }
    p_.records.append(JobRecordLine(record, TIDEHAUL_VERSION), who);
  } catch (...) {
    // Out of memory at the very end: the run ends without its record.
  }
}

}  // namespace th
