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

}  // namespace

bool TerminalCommands::PROGRAM_COMMAND_Terminal_Mode_Open(std::int32_t index) {
  RunState& rs = u_.rt.rs;
  View& view = u_.rt.view;
  const std::int32_t nRxTypeTemp = rs.RxTypeIndex;
  rs.RxTypeIndex = 0;
  u_.receive.RxTypeMemoClear(rs.RxTypeIndex);
  rs.Buff.clear();
  const OnScopeExit restore([&] {
    rs.RxTypeIndex = nRxTypeTemp;
    rs.Buff.clear();
  });

  const Text nSendMessage = u"#M" + LoggerId(u_, index) + u" T O";
  WriteCommandLine(u_, nSendMessage);
  view.setPanelText(2, nSendMessage);
  rs.Time_Out = 0;
  bool n2ndRepeat = false;
  for (;;) {
    if (rs.Time_Out > 20 && !n2ndRepeat) {
      WriteCommandLine(u_, nSendMessage);
      view.setPanelText(2, nSendMessage);
      n2ndRepeat = true;
    }
    if (rs.Time_Out > 40 || rs.delay_stop_flg) {
      return true;
    }
    u_.waiter.delay(100);
    ++rs.Time_Out;
    view.setPanelText(1, StepText(u"Terminal Opening-", rs.Time_Out, u"[100msec]"));
    if (Contains(AsciiUpper(rs.Buff), u"MINAL")) {
      break;
    }
  }
  u_.waiter.delay(200);
  return true;
}

bool TerminalCommands::PROGRAM_COMMAND_Terminal_Mode_Close(std::int32_t index) {
  RunState& rs = u_.rt.rs;
  View& view = u_.rt.view;
  rs.RxTypeIndex = 0;
  u_.receive.RxTypeMemoClear(rs.RxTypeIndex);
  rs.Buff.clear();

  const Text nSendMessage = u"#M" + LoggerId(u_, index) + u" T C";
  WriteCommandLine(u_, nSendMessage);
  view.setPanelText(2, nSendMessage);
  rs.Time_Out = 0;
  bool n2ndRepeat = false;
  for (;;) {
    if (rs.Time_Out > 10 && !n2ndRepeat) {
      WriteCommandLine(u_, nSendMessage);
      n2ndRepeat = true;
    }
    if (rs.Time_Out > 20 || rs.delay_stop_flg) {
      return true;
    }
    u_.waiter.delay(200);
    ++rs.Time_Out;
    view.setPanelText(1, StepText(u"Terminal Closing-", rs.Time_Out, u"[200msec]"));
    if (Contains(AsciiUpper(rs.Buff), u"UNC")) {
      break;
    }
  }
  u_.waiter.delay(500);
  rs.Buff.clear();
  return true;
}

bool TerminalCommands::PROGRAM_COMMAND_DIR(std::int32_t index) {
  (void)index;
  RunState& rs = u_.rt.rs;
  View& view = u_.rt.view;
  rs.RxTypeIndex = 0;
  rs.Buff.clear();
  const OnScopeExit clear([&] { rs.Buff.clear(); });

  const Text nSendMessage = u"DIR";
  WriteCommandLine(u_, nSendMessage);
  view.setPanelText(2, nSendMessage);
  rs.Time_Out = 0;
  bool n2ndRepeat = false;
  for (;;) {
    if (rs.Time_Out > 40 && !n2ndRepeat) {
      WriteCommandLine(u_, nSendMessage);
      view.setPanelText(2, nSendMessage);
      n2ndRepeat = true;
    }
    if (rs.Time_Out > 80 || rs.delay_stop_flg) {
      break;
    }
    u_.waiter.delay(100);
    ++rs.Time_Out;
    view.setPanelText(1, StepText(u"Dir-", rs.Time_Out, u"[100msec]"));
    if (LooksLikeListing(rs.Buff)) {
      break;
    }
  }
  u_.waiter.delay(200);
  // The line that is last after the pause decides, not the one that ended the wait.
  return LooksLikeListing(rs.Buff);
}

bool TerminalCommands::PROGRAM_COMMAND_ROOT(std::int32_t index, bool DIR) {
  const Text line = u"CD \\\r\n";
  u_.rt.port.WriteStr(line);
  u_.rt.view.setPanelText(2, line);
  if (DIR) {
    PROGRAM_COMMAND_DIR(index);
  }
  return true;
}

bool TerminalCommands::PROGRAM_COMMAND_FSIZE(std::int32_t index, const Text& FNAME) {
  (void)index;
  RunState& rs = u_.rt.rs;
  View& view = u_.rt.view;
  rs.FileSizeChk = -1;
  rs.RxTypeIndex = 0;
  rs.Buff.clear();
  const OnScopeExit clear([&] { rs.Buff.clear(); });

  const Text nSendMessage = u"FSIZE " + FNAME;
  WriteCommandLine(u_, nSendMessage);
  view.setPanelText(2, nSendMessage);
  rs.Time_Out = 0;
  bool n2ndRepeat = false;
  for (;;) {
    if (rs.Time_Out > 20 && !n2ndRepeat) {
      WriteCommandLine(u_, nSendMessage);
      view.setPanelText(2, nSendMessage);
      n2ndRepeat = true;
    }
    if (rs.Time_Out > 50 || rs.delay_stop_flg) {
      break;
    }
    u_.waiter.delay(200);
    ++rs.Time_Out;
    // The text names 100 ms although a step lasts 200 ms; the panel shows it so.
    view.setPanelText(1, StepText(u"fsize-", rs.Time_Out, u"[100msec]"));
    if (rs.Buff.size() >= 2) {
      break;
    }
  }
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
