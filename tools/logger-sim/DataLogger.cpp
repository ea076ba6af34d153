#include "tools/logger-sim/DataLogger.h"

#include <cstdio>

#include "tools/logger-sim/DataGenerator.h"
#include "tools/logger-sim/Escape.h"
#include "tools/logger-sim/LineParser.h"

namespace th::sim {

namespace {

bool TerminalOnly(Cmd cmd) {
  return cmd == Cmd::Dir || cmd == Cmd::Cd || cmd == Cmd::Fsize || cmd == Cmd::Fread ||
         cmd == Cmd::Del;
}

}  // namespace

DataLogger::DataLogger(const ModelConfig& config, Journal& journal, Replies& replies,
                       FileCommands& files, LineFaults& faults, WallClock wall,
                       CarrierDropped dropped)
    : config_(config),
      journal_(journal),
      replies_(replies),
      files_(files),
      faults_(faults),
      wall_(std::move(wall)),
      dropped_(std::move(dropped)),
      rng_(config.seed) {}

void DataLogger::line(const std::string& line, std::int64_t now) {
  if (journal_.state().lineLost) {
    journal_.note(now, "ignored (carrier lost): " + EscapeBytes(line));
    return;
  }
  const ParsedLine p = ParseLoggerLine(line);
  journal_.command(now, p.cmd, EscapeBytes(line));
  replies_.echo(line, now);
  if (p.cmd == Cmd::Other) {
    journal_.reject(now, EscapeBytes(line));
    return;
  }
  if (p.hasId && p.id != config_.id) {
    journal_.reject(now, EscapeBytes(line));
    journal_.note(now, "ignored: id " + EscapeBytes(p.id));
    return;
  }
  if (TerminalOnly(p.cmd) && !journal_.state().terminal) {
    journal_.note(now, "ignored: not in terminal mode");
    return;
  }
  const int nth = faults_.served(p.cmd);
  const bool drop = faults_.dropsCarrierOn(p.cmd, nth);
  if (drop && p.cmd != Cmd::Fread) {
    dropCarrier(p.cmd, now);
    return;
  }
  serve(p.cmd, p.arg, drop, now);
  faults_.answered(p.cmd, nth);
}

void DataLogger::serve(Cmd cmd, std::string_view arg, bool dropCarrierInRead, std::int64_t now) {
  switch (cmd) {
    case Cmd::TimeRead:
      replies_.reply(cmd, tagged("Time Read " + clockText(true)), now);
      break;
    case Cmd::TimeSet:
      setClock(arg, now);
      break;
    case Cmd::TerminalOpen:
      journal_.state().terminal = true;
      replies_.reply(cmd, "Terminal mode ON", now);
      break;
    case Cmd::TerminalClose:
      journal_.state().terminal = false;
      replies_.reply(cmd, "Function mode", now);
      break;
    case Cmd::Dir:
      files_.dir(now);
      break;
    case Cmd::Cd:
      files_.cd(arg, now);
      break;
    case Cmd::Fsize:
      files_.fsize(arg, now);
      break;
    case Cmd::Fread:
      if (files_.fread(arg, dropCarrierInRead, now)) {
        dropCarrier(cmd, now);
      }
      break;
    case Cmd::Del:
      files_.del(arg, now);
      break;
    default:
      break;
  }
}

void DataLogger::setClock(std::string_view arg, std::int64_t now) {
  journal_.state().clockSets.emplace_back(arg);
  int yy = 0;
  int mo = 0;
  int dd = 0;
  int hh = 0;
  int mi = 0;
  char tail = 0;
  const std::string a(arg);
  if (std::sscanf(a.c_str(), "%2d %2d %2d %2d %2d%c", &yy, &mo, &dd, &hh, &mi, &tail) != 5 ||
      mo < 1 || mo > 12 || dd < 1 || dd > 31 || hh < 0 || hh > 23 || mi < 0 || mi > 59 || yy < 0) {
    journal_.note(now, "bad time: " + EscapeBytes(arg));
    return;
  }
  std::tm tm{};
  tm.tm_year = 100 + yy;
  tm.tm_mon = mo - 1;
  tm.tm_mday = dd;
  tm.tm_hour = hh;
  tm.tm_min = mi;
  tm.tm_isdst = -1;
  const std::time_t target = mktime(&tm);
  clockOffset_ = static_cast<std::int64_t>(target) - static_cast<std::int64_t>(wall_());
  replies_.reply(Cmd::TimeSet, tagged("Time Set " + clockText(false)), now);
}

void DataLogger::dropCarrier(Cmd cmd, std::int64_t now) {
  journal_.note(now, "carrier lost on " + std::string(CmdName(cmd)));
  replies_.send(now + replies_.delayFor(cmd), "\r\nNO CARRIER\r\n");
  journal_.state().lineLost = true;
  dropped_();
  journal_.changed();
}

std::string DataLogger::tagged(std::string line) {
  if (!config_.errorTags) {
    return line;
  }
  const std::uint32_t tag = rng_();
  return InsertTag(std::move(line), tag, rng_());
}

// The logger's clock as "yy-mm-dd hh:mm:ss" (or without the seconds' value).
std::string DataLogger::clockText(bool seconds) const {
  const std::time_t t = wall_() + static_cast<std::time_t>(clockOffset_);
  std::tm tm{};
  localtime_r(&t, &tm);
  const int yy = config_.year08 ? 8 : (tm.tm_year + 1900) % 100;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d:%02d", yy, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, seconds ? tm.tm_sec : 0);
  return buf;
}

}  // namespace th::sim
