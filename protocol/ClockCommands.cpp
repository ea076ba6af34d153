#include "protocol/ClockCommands.h"

#include <cstdio>

#include "platform/ScopeExit.h"

namespace th {

Text LoggerClockText(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d %02d %02d %02d %02d", t.year % 100, t.month, t.day, t.hour,
                t.minute);
  return T(text);
}

bool ClockCommands::readClock(const Text& loggerId) {
  const Text command = u"#T" + loggerId + u" R";
  in_.clearLastLine();
  std::int32_t sent = 0;
  std::int32_t shown = 0;
  in_.routeTo(Route::ReceiveLog);
  in_.clearPane(Route::ReceiveLog);
  std::int32_t& steps = counter_.steps;
  steps = 0;
  for (;;) {
    if (steps > 50 || stop_.stopExchanges) {
      break;
    }
    // Sent at the first step and whenever the shown count catches up: every 3 s.
    if (sent == shown) {
      port_.write(command + u"\r\n");
      view_.showSent(command);
      ++sent;
    }
    waiter_.wait(300);
    ++steps;
    shown = steps / 10;
    view_.showWait(u"Time Reading-" + IntToText(shown) + u"[sec]");
    if (in_.lastLineHas(u"READ")) {
      break;
    }
  }
  const bool result = in_.lastLineHas(u"READ");
  in_.clearLastLine();
  return result;
}

bool ClockCommands::setClock(const Text& loggerId, const Text& deviceName) {
  bool result = true;
  in_.clearLastLine();
  const OnScopeExit clearAtEnd([this] { in_.clearLastLine(); });
  in_.routeTo(Route::ReceiveLog);
  in_.clearPane(Route::ReceiveLog);
  std::int32_t& steps = counter_.steps;
  for (;;) {
    if (steps > 50 || stop_.stopExchanges) {
      const Text entry = deviceName + u" : " + u"DataLogger no answer -" + log_.stamp();
      view_.showFailure(entry);
      log_.write(entry);
      result = false;
      break;
    }
    if (steps > 20) {
      const Text command = u"#T" + loggerId + u" W " + LoggerClockText(clock_.now());
      port_.write(command + u"\r\n");
      view_.showSent(command);
      result = true;
    }
    waiter_.wait(100);
    ++steps;
    view_.showWait(u"Time Setting-" + IntToText(steps / 10) + u"[sec]");
    if (Contains(in_.lastLine(), u"Set")) {
      break;
    }
  }
  return result;
}

}  // namespace th
