#include "protocol/TerminalCommands.h"

#include "platform/ScopeExit.h"
#include "protocol/CommandLine.h"

namespace th {

namespace {

bool LooksLikeListing(const Text& line) {
  return line.find_first_of(u"\\.])") != Text::npos;
}

}  // namespace

// In steps of `stepMs`, the line sent once more after `resendAfter` steps,
// giving up after `giveUpAfter` steps; the wait shows as label, count, unit.
struct TerminalCommands::ReplyWait {
  std::int32_t resendAfter;
  std::int32_t giveUpAfter;
  std::int32_t stepMs;
  const char16_t* label;
  const char16_t* unit;
  bool showResend;  // the resent line shows as sent as well
};

template <typename Replied>
bool TerminalCommands::sendAndWait(const Text& line, const ReplyWait& wait, Replied replied) {
  WriteCommandLine(port_, line);
  view_.showSent(line);
  std::int32_t steps = 0;
  bool resent = false;
  for (;;) {
    if (steps > wait.resendAfter && !resent) {
      WriteCommandLine(port_, line);
      if (wait.showResend) {
        view_.showSent(line);
      }
      resent = true;
    }
    if (steps > wait.giveUpAfter || stop_.endWaits) {
      return false;
    }
    waiter_.wait(wait.stepMs);
    ++steps;
    view_.showWait(Text(wait.label) + IntToText(steps) + wait.unit);
    if (replied()) {
      return true;
    }
  }
}

void TerminalCommands::openTerminal(const Text& loggerId) {
  const Route before = in_.route();
  in_.routeTo(Route::ReceiveLog);
  in_.clearPane(Route::ReceiveLog);
  in_.clearLastLine();
  const OnScopeExit restore([&] {
    in_.routeTo(before);
    in_.clearLastLine();
  });
  const ReplyWait wait{20, 40, 100, u"Terminal Opening-", u"[100msec]", true};
  if (sendAndWait(u"#M" + loggerId + u" T O", wait, [&] { return in_.lastLineHas(u"MINAL"); })) {
    waiter_.wait(200);
  }
}

void TerminalCommands::closeTerminal(const Text& loggerId) {
  in_.routeTo(Route::ReceiveLog);
  in_.clearPane(Route::ReceiveLog);
  in_.clearLastLine();
  // The resent close line does not show as sent.
  const ReplyWait wait{10, 20, 200, u"Terminal Closing-", u"[200msec]", false};
  if (sendAndWait(u"#M" + loggerId + u" T C", wait, [&] { return in_.lastLineHas(u"UNC"); })) {
    waiter_.wait(500);
    in_.clearLastLine();
  }
}

bool TerminalCommands::listDirectory() {
  in_.routeTo(Route::ReceiveLog);
  in_.clearLastLine();
  const OnScopeExit clear([this] { in_.clearLastLine(); });
  const ReplyWait wait{40, 80, 100, u"Dir-", u"[100msec]", true};
  sendAndWait(u"DIR", wait, [&] { return LooksLikeListing(in_.lastLine()); });
  waiter_.wait(200);
  // The line that is last after the pause decides, not the one that ended the wait.
  return LooksLikeListing(in_.lastLine());
}

void TerminalCommands::changeToRoot(bool list) {
  const Text line = u"CD \\\r\n";
  port_.write(line);
  view_.showSent(line);
  if (list) {
    listDirectory();
  }
}

SizeReply TerminalCommands::askSize(const Text& path) {
  in_.routeTo(Route::ReceiveLog);
  in_.clearLastLine();
  const OnScopeExit clear([this] { in_.clearLastLine(); });
  // The text names 100 ms although a step lasts 200 ms; the panel shows it so.
  const ReplyWait wait{20, 50, 200, u"fsize-", u"[100msec]", true};
  const Text command = u"FSIZE " + path;
  // A logger that echoes its commands sends the command back first: no reply.
  auto replied = [&] { return in_.lastLine().size() >= 2 && in_.lastLine() != command; };
  sendAndWait(command, wait, replied);
  if (!replied()) {
    return {};
  }
  return {true, ParseSizeReply(in_.lastLine()), in_.lastLine()};
}

std::int32_t ParseSizeReply(const Text& line) {
  const Text sizeText = line.size() > 3 ? line.substr(3) : Text();
  std::int32_t size = -1;
  const bool trailingBlank =
      !sizeText.empty() && (sizeText.back() == u' ' || sizeText.back() == u'\t');
  if (trailingBlank || !TryTextToInt(sizeText, size)) {
    return -1;
  }
  return size;
}

}  // namespace th
