#include "protocol/TerminalCommands.h"

#include "app/Tidehaul.h"
#include "protocol/CommandLine.h"

namespace th {

namespace {

Text StepText(const char16_t* label, std::int32_t steps, const char16_t* unit) {
  return Text(label) + IntToText(steps) + unit;
}

bool LooksLikeListing(const Text& line) {
  return line.find_first_of(u"\\.])") != Text::npos;
}

// How a command waits for its reply: in steps of `stepMs`, the line sent once
// more after `resendAfter` steps, giving up after `giveUpAfter` steps.
struct ReplyWait {
  std::int32_t resendAfter;
  std::int32_t giveUpAfter;
  std::int32_t stepMs;
  const char16_t* label;
  const char16_t* unit;
  bool showResend;  // the resent line shows on panel 2 as well
};

// Sends `line` and waits; true when `replied` held after a step, false when the
// steps ran out or the stop flag was set. Time_Out counts the steps.
template <typename Replied>
bool SendAndWait(Tidehaul& u, const Text& line, const ReplyWait& w, Replied replied) {
  RunState& rs = u.rt.rs;
  View& view = u.rt.view;
  WriteCommandLine(u, line);
  view.setPanelText(2, line);
  rs.Time_Out = 0;
  bool n2ndRepeat = false;
  for (;;) {
    if (rs.Time_Out > w.resendAfter && !n2ndRepeat) {
      WriteCommandLine(u, line);
      if (w.showResend) {
        view.setPanelText(2, line);
      }
      n2ndRepeat = true;
    }
    if (rs.Time_Out > w.giveUpAfter || rs.delay_stop_flg) {
      return false;
    }
    u.waiter.delay(w.stepMs);
    ++rs.Time_Out;
    view.setPanelText(1, StepText(w.label, rs.Time_Out, w.unit));
    if (replied()) {
      return true;
    }
  }
}

}  // namespace

bool TerminalCommands::PROGRAM_COMMAND_Terminal_Mode_Open(std::int32_t index) {
  RunState& rs = u_.rt.rs;
  const std::int32_t nRxTypeTemp = rs.RxTypeIndex;
  rs.RxTypeIndex = 0;
  u_.receive.RxTypeMemoClear(rs.RxTypeIndex);
  rs.Buff.clear();
  const OnScopeExit restore([&] {
    rs.RxTypeIndex = nRxTypeTemp;
    rs.Buff.clear();
  });

  const Text nSendMessage = u"#M" + LoggerId(u_, index) + u" T O";
  const ReplyWait wait{20, 40, 100, u"Terminal Opening-", u"[100msec]", true};
  if (!SendAndWait(u_, nSendMessage, wait,
                   [&] { return Contains(AsciiUpper(rs.Buff), u"MINAL"); })) {
    return true;
  }
  u_.waiter.delay(200);
  return true;
}

bool TerminalCommands::PROGRAM_COMMAND_Terminal_Mode_Close(std::int32_t index) {
  RunState& rs = u_.rt.rs;
  rs.RxTypeIndex = 0;
  u_.receive.RxTypeMemoClear(rs.RxTypeIndex);
  rs.Buff.clear();

  const Text nSendMessage = u"#M" + LoggerId(u_, index) + u" T C";
  // The resent close line does not show on panel 2.
  const ReplyWait wait{10, 20, 200, u"Terminal Closing-", u"[200msec]", false};
  if (!SendAndWait(u_, nSendMessage, wait, [&] { return Contains(AsciiUpper(rs.Buff), u"UNC"); })) {
    return true;
  }
  u_.waiter.delay(500);
  rs.Buff.clear();
  return true;
}

bool TerminalCommands::PROGRAM_COMMAND_DIR(std::int32_t index) {
  (void)index;
  RunState& rs = u_.rt.rs;
  rs.RxTypeIndex = 0;
  rs.Buff.clear();
  const OnScopeExit clear([&] { rs.Buff.clear(); });

  const ReplyWait wait{40, 80, 100, u"Dir-", u"[100msec]", true};
  SendAndWait(u_, u"DIR", wait, [&] { return LooksLikeListing(rs.Buff); });
  u_.waiter.delay(200);
  // The line that is last after the pause decides, not the one that ended the wait.
  return LooksLikeListing(rs.Buff);
}

bool TerminalCommands::PROGRAM_COMMAND_ROOT(std::int32_t index, bool DIR) {
  const Text line = u"CD \\\r\n";
  u_.rt.port.write(line);
  u_.rt.view.setPanelText(2, line);
  if (DIR) {
    PROGRAM_COMMAND_DIR(index);
  }
  return true;
}

bool TerminalCommands::PROGRAM_COMMAND_FSIZE(std::int32_t index, const Text& FNAME) {
  (void)index;
  RunState& rs = u_.rt.rs;
  rs.FileSizeChk = -1;
  rs.RxTypeIndex = 0;
  rs.Buff.clear();
  const OnScopeExit clear([&] { rs.Buff.clear(); });

  // The text names 100 ms although a step lasts 200 ms; the panel shows it so.
  const ReplyWait wait{20, 50, 200, u"fsize-", u"[100msec]", true};
  SendAndWait(u_, u"FSIZE " + FNAME, wait, [&] { return rs.Buff.size() >= 2; });
  if (rs.Buff.size() < 2) {
    return false;
  }
  StringCount(rs.Buff);
  return true;
}

void TerminalCommands::StringCount(const Text& Msg) {
  RunState& rs = u_.rt.rs;
  const Text sizeText = Msg.size() > 3 ? Msg.substr(3) : Text();
  std::int32_t size = -1;
  // Blanks may lead the digits but nothing may follow them.
  const bool trailingBlank =
      !sizeText.empty() && (sizeText.back() == u' ' || sizeText.back() == u'\t');
  if (trailingBlank || !TryTextToInt(sizeText, size)) {
    size = -1;
  }
  rs.FileSizeChk = size;
}

}  // namespace th
