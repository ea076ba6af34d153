#include "tools/logger-sim/Modem.h"

#include <algorithm>
#include <string_view>

#include "tools/logger-sim/Escape.h"
#include "tools/logger-sim/LineParser.h"

namespace th::sim {

namespace {

std::string_view ModemText(ModemReply r) {
  switch (r) {
    case ModemReply::Ok:
      return "OK";
    case ModemReply::Connect:
      return "CONNECT";
    case ModemReply::NoCarrier:
      return "NO CARRIER";
    case ModemReply::Error:
      return "ERROR";
    case ModemReply::None:
      break;
  }
  return {};
}

}  // namespace

void Modem::answer(Cmd cmd, ModemReply r, std::int64_t now) {
  if (r == ModemReply::None || replies_.muted(cmd)) {
    journal_.note(now, std::string("no answer: ") + std::string(CmdName(cmd)));
    return;
  }
  replies_.send(now + replies_.delayFor(cmd), "\r\n" + std::string(ModemText(r)) + "\r\n");
}

bool Modem::commandLine(const std::string& line, std::int64_t now) {
  // A hang-up the modem did not confirm is sent again while it is offline
  // already: there the escape is no command, and the line around it is.
  static constexpr std::string_view kEscape = "\x1d+++\x1b";
  std::string text = line;
  bool escapes = false;
  for (std::size_t at; (at = text.find(kEscape)) != std::string::npos;) {
    text.erase(at, kEscape.size());
    escapes = true;
  }
  if (escapes) {
    journal_.note(now, "escape sequence while offline: ignored");
  }
  if (text.empty()) {
    return false;  // a modem takes an empty line as nothing
  }
  Cmd cmd = Cmd::Other;
  for (const auto& prefix : config_.dialPrefixes) {
    if (text.compare(0, prefix.size(), prefix) == 0) {
      cmd = Cmd::Dial;
      break;
    }
  }
  if (cmd == Cmd::Other) {
    const auto& inits = config_.initCommands;
    if (inits.empty() ? text.compare(0, 2, "AT") == 0
                      : std::find(inits.begin(), inits.end(), text) != inits.end()) {
      cmd = Cmd::Init;
    }
  }
  journal_.command(now, cmd, EscapeBytes(line));
  replies_.echo(line, now);
  if (cmd == Cmd::Other) {
    if (ParseLoggerLine(text).cmd == Cmd::Other) {
      journal_.reject(now, EscapeBytes(text));
    } else {
      journal_.note(now, "logger command while offline");
    }
  }
  const int nth = faults_.served(cmd);
  if (faults_.dropsCarrierOn(cmd, nth)) {
    answer(cmd, ModemReply::NoCarrier, now);
    return false;
  }
  bool connected = false;
  switch (cmd) {
    case Cmd::Dial: {
      ++journal_.state().dials;
      if (config_.dialReply == ModemReply::Connect) {
        journal_.state().online = true;
        connected = true;
      }
      std::int64_t answerAt = now;
      for (int ring = 0; ring < config_.rings && !replies_.muted(cmd);
           ++ring, answerAt += kRingPeriodMs) {
        replies_.send(answerAt + replies_.delayFor(cmd), "\r\nRING\r\n");
      }
      answer(cmd, config_.dialReply, answerAt);
      break;
    }
    case Cmd::Init:
      answer(cmd, config_.initReply, now);
      break;
    default:
      answer(cmd, ModemReply::Error, now);
      break;
  }
  faults_.answered(cmd, nth);
  return connected;
}

void Modem::hangup(std::int64_t now) {
  journal_.command(now, Cmd::Hangup, "+++");
  ++journal_.state().hangups;
  journal_.state().online = false;
  replies_.dropQueued();
  answer(Cmd::Hangup, config_.hangupReply, now);
}

void Modem::dtrDropped(std::int64_t now) {
  journal_.event(now, "CMD", "hangup DTR");
  ++journal_.state().hangups;
  journal_.state().online = false;
  replies_.dropQueued();
  replies_.send(now, "\r\nNO CARRIER\r\n");
  journal_.changed();
}

}  // namespace th::sim
