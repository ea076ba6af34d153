#include "tools/logger-sim/LineParser.h"

namespace th::sim {

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& ch : out) {
    if (ch >= 'a' && ch <= 'z') {
      ch = static_cast<char>(ch - 'a' + 'A');
    }
  }
  return out;
}

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// "yy mm dd hh mm": five two-digit fields, single blanks between.
bool IsClockText(std::string_view t) {
  constexpr std::string_view kForm = "dd dd dd dd dd";
  if (t.size() != kForm.size()) {
    return false;
  }
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (kForm[i] == 'd' ? (t[i] < '0' || t[i] > '9') : t[i] != kForm[i]) {
      return false;
    }
  }
  return true;
}

ParsedLine WithId(Cmd cmd, std::string_view id, std::string_view arg = {}) {
  ParsedLine p;
  p.cmd = cmd;
  p.hasId = true;
  p.id = std::string(id);
  p.arg = std::string(arg);
  return p;
}

// "#T" id " R", "#T" id " W " time, "#M" id " T O", "#M" id " T C".
ParsedLine ParseHashForm(std::string_view line) {
  const std::string_view body = line.substr(2);
  if (line[1] == 'T') {
    constexpr std::string_view kSet = " W ";
    constexpr std::size_t kClock = 14;
    if (body.size() >= kSet.size() + kClock &&
        body.substr(body.size() - kClock - kSet.size(), kSet.size()) == kSet &&
        IsClockText(body.substr(body.size() - kClock))) {
      return WithId(Cmd::TimeSet, body.substr(0, body.size() - kClock - kSet.size()),
                    body.substr(body.size() - kClock));
    }
    if (EndsWith(body, " R")) {
      return WithId(Cmd::TimeRead, body.substr(0, body.size() - 2));
    }
    return {};
  }
  if (EndsWith(body, " T O")) {
    return WithId(Cmd::TerminalOpen, body.substr(0, body.size() - 4));
  }
  if (EndsWith(body, " T C")) {
    return WithId(Cmd::TerminalClose, body.substr(0, body.size() - 4));
  }
  return {};
}

// The word, one blank and a path with no blank at either end.
bool PathCommand(std::string_view line, std::string_view word, std::string& path) {
  if (!StartsWith(line, word) || line.size() <= word.size() + 1 || line[word.size()] != ' ') {
    return false;
  }
  const std::string_view p = line.substr(word.size() + 1);
  if (p.front() == ' ' || p.back() == ' ') {
    return false;
  }
  path = std::string(p);
  return true;
}

}  // namespace

ParsedLine ParseLoggerLine(std::string_view line) {
  if (line.size() >= 2 && line[0] == '#' && (line[1] == 'T' || line[1] == 'M')) {
    return ParseHashForm(line);
  }
  ParsedLine p;
  if (line == "DIR") {
    p.cmd = Cmd::Dir;
  } else if (PathCommand(line, "CD", p.arg)) {
    p.cmd = Cmd::Cd;
  } else if (PathCommand(line, "FSIZE", p.arg)) {
    p.cmd = Cmd::Fsize;
  } else if (PathCommand(line, "fread", p.arg)) {
    p.cmd = Cmd::Fread;
  } else if (PathCommand(line, "DEL", p.arg)) {
    p.cmd = Cmd::Del;
  } else {
    p.arg.clear();
  }
  return p;
}

}  // namespace th::sim
