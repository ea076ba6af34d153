#include "tools/logger-sim/LineParser.h"

namespace th::sim {

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (char& ch : out) {
    if (ch >= 'a' && ch <= 'z') {
      ch = static_cast<char>(ch - 'a' + 'A');
    }
  }
  return out;
}

namespace {

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
    s.remove_prefix(1);
  }
  return s;
}

// "#T" id " R" / " W time", "#M" id " T O" / " T C".
ParsedLine parseHashForm(std::string_view line) {
  ParsedLine p;
  const char kind = static_cast<char>(upperAscii(line.substr(1, 1))[0]);
  std::string_view rest = line.substr(2);
  const std::size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) {
    return p;
  }
  p.hasId = true;
  p.id = std::string(rest.substr(0, blank));
  const std::string op = upperAscii(trimRight(rest.substr(blank)));
  if (kind == 'T' && op == " R") {
    p.cmd = Cmd::TimeRead;
  } else if (kind == 'T' && op.rfind(" W ", 0) == 0) {
    p.cmd = Cmd::TimeSet;
    p.arg = std::string(trimLeft(trimRight(rest.substr(blank + 2))));
  } else if (kind == 'M' && op == " T O") {
    p.cmd = Cmd::TerminalOpen;
  } else if (kind == 'M' && op == " T C") {
    p.cmd = Cmd::TerminalClose;
  } else {
    p.hasId = false;
    p.id.clear();
  }
  return p;
}

}  // namespace

ParsedLine parseLoggerLine(std::string_view line) {
  const std::string_view t = trimRight(line);
  const std::string up = upperAscii(t);
  if (up.size() >= 2 && up[0] == '#' && (up[1] == 'T' || up[1] == 'M')) {
    return parseHashForm(t);
  }
  ParsedLine p;
  const std::size_t blank = up.find(' ');
  std::string word = up.substr(0, blank);
  std::string_view arg = blank == std::string::npos ? std::string_view() : t.substr(blank + 1);
  if (word.rfind("CD\\", 0) == 0) {  // "CD\" without a blank, as DOS takes it
    arg = t.substr(2);
    word = "CD";
  }
  p.arg = std::string(trimLeft(arg));
  if (word == "DIR") {
    p.cmd = Cmd::Dir;
  } else if (word == "CD") {
    p.cmd = Cmd::Cd;
  } else if (word == "FSIZE") {
    p.cmd = Cmd::Fsize;
  } else if (word == "FREAD") {
    p.cmd = Cmd::Fread;
  } else if (word == "DEL") {
    p.cmd = Cmd::Del;
  } else {
    p.arg.clear();
  }
  return p;
}

}  // namespace th::sim
