#include "tools/logger-sim/LoggerModel.h"

#include <cstdio>

#include "tools/logger-sim/DataGenerator.h"
#include "tools/logger-sim/Escape.h"
#include "tools/logger-sim/LineParser.h"

namespace th::sim {

namespace {

// A line that never ends must not eat the memory.
constexpr std::size_t kMaxLine = 65536;

bool terminalOnly(Cmd cmd) {
  return cmd == Cmd::Dir || cmd == Cmd::Cd || cmd == Cmd::Fsize || cmd == Cmd::Fread ||
         cmd == Cmd::Del;
}

bool isModemCmd(Cmd cmd) {
  return cmd == Cmd::Init || cmd == Cmd::Dial || cmd == Cmd::Hangup;
}

std::string_view modemText(ModemReply r) {
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

LoggerModel::LoggerModel(ModelConfig config, LoggerFiles files, EventSink sink, WallClock wall)
    : config_(std::move(config)),
      files_(std::move(files)),
      sink_(std::move(sink)),
      wall_(std::move(wall)),
      out_(sink_),
      rng_(config_.seed) {}

void LoggerModel::note(std::int64_t now, std::string_view text) {
  sink_(now, "NOTE", text);
}

bool LoggerModel::muted(Cmd cmd) const {
  return config_.muted.at(static_cast<std::size_t>(cmd)) ||
         (config_.muteLogger && !isModemCmd(cmd));
}

std::int64_t LoggerModel::delayFor(Cmd cmd) const {
  const std::int64_t d = config_.delayMs.at(static_cast<std::size_t>(cmd));
  return d >= 0 ? d : config_.replyDelayMs;
}

void LoggerModel::reply(Cmd cmd, std::string_view text, std::int64_t now) {
  if (muted(cmd)) {
    note(now, std::string("muted: ") + std::string(cmdName(cmd)));
    return;
  }
  out_.pushReply(now + delayFor(cmd), std::string(text) + "\r\n");
}

void LoggerModel::modemReply(Cmd cmd, ModemReply r, std::int64_t now) {
  if (r == ModemReply::None || muted(cmd)) {
    note(now, std::string("no answer: ") + std::string(cmdName(cmd)));
    return;
  }
  out_.pushReply(now + delayFor(cmd), "\r\n" + std::string(modemText(r)) + "\r\n");
}

std::string LoggerModel::tagged(std::string line) {
  if (!config_.errorTags) {
    return line;
  }
  const std::uint32_t tag = rng_();
  return insertTag(std::move(line), tag, rng_());
}

// The logger's clock as "yy-mm-dd hh:mm:ss" (or without the seconds' value).
std::string LoggerModel::clockText(bool seconds) const {
  const std::time_t t = wall_() + static_cast<std::time_t>(clockOffset_);
  std::tm tm{};
  localtime_r(&t, &tm);
  const int yy = config_.year08 ? 8 : (tm.tm_year + 1900) % 100;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d:%02d", yy, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, seconds ? tm.tm_sec : 0);
  return buf;
}

void LoggerModel::receive(std::string_view bytes, std::int64_t now) {
  if (bytes.empty()) {
    return;
  }
  sink_(now, "RX", escapeBytes(bytes));
  for (const char ch : bytes) {
    if (ch == '\n') {
      continue;
    }
    if (config_.modem && ch == '+') {
      if (++plusRun_ == 3) {
        plusRun_ = 0;
        line_.clear();
        hangup(now);
      } else {
        line_ += ch;
      }
      continue;
    }
    plusRun_ = 0;
    if (ch == '\r') {
      const std::string line = std::move(line_);
      line_.clear();
      handleLine(line, now);
      continue;
    }
    if (line_.size() >= kMaxLine) {
      note(now, "line too long: dropped");
      line_.clear();
    }
    line_ += ch;
  }
}

void LoggerModel::handleLine(const std::string& line, std::int64_t now) {
  if (config_.modem && !state_.online) {
    modemLine(line, now);
    return;
  }
  if (state_.lineLost) {
    note(now, "ignored (carrier lost): " + escapeBytes(line));
    return;
  }
  loggerLine(line, now);
}

void LoggerModel::modemLine(const std::string& line, std::int64_t now) {
  std::string text;
  for (const char ch : line) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 0x20 && b != 0x7f) {
      text += ch;
    }
  }
  if (text.empty()) {
    return;
  }
  const std::string up = upperAscii(text);
  Cmd cmd = Cmd::Other;
  for (const auto& prefix : config_.dialPrefixes) {
    if (up.rfind(upperAscii(prefix), 0) == 0) {
      cmd = Cmd::Dial;
      break;
    }
  }
  if (cmd == Cmd::Other && up.rfind("AT", 0) == 0) {
    cmd = Cmd::Init;
  }
  sink_(now, "CMD", std::string(cmdName(cmd)) + " " + escapeBytes(line));
  ++state_.commands.at(static_cast<std::size_t>(cmd));
  changed();
  if (config_.echo) {
    out_.pushReply(now, line + "\r\n");
  }
  if (config_.noCarrierOn == cmd) {
    modemReply(cmd, ModemReply::NoCarrier, now);
    return;
  }
  switch (cmd) {
    case Cmd::Dial:
      ++state_.dials;
      if (config_.dialReply == ModemReply::Connect) {
        state_.online = true;
        state_.lineLost = false;
      }
      modemReply(cmd, config_.dialReply, now);
      break;
    case Cmd::Init:
      modemReply(cmd, config_.initReply, now);
      break;
    default:
      modemReply(cmd, ModemReply::Error, now);
      break;
  }
}

void LoggerModel::hangup(std::int64_t now) {
  sink_(now, "CMD", "hangup +++");
  ++state_.commands.at(static_cast<std::size_t>(Cmd::Hangup));
  ++state_.hangups;
  state_.online = false;
  state_.terminal = false;
  state_.lineLost = false;
  changed();
  out_.clear();  // the carrier is gone: nothing queued reaches the tool
  modemReply(Cmd::Hangup, config_.hangupReply, now);
}

void LoggerModel::dropCarrier(Cmd cmd, std::int64_t now) {
  note(now, "carrier lost on " + std::string(cmdName(cmd)));
  out_.pushReply(now + delayFor(cmd), "\r\nNO CARRIER\r\n");
  state_.lineLost = true;
  if (config_.modem) {
    state_.online = false;
    state_.terminal = false;
  }
  changed();
}

void LoggerModel::loggerLine(const std::string& line, std::int64_t now) {
  const ParsedLine p = parseLoggerLine(line);
  sink_(now, "CMD", std::string(cmdName(p.cmd)) + " " + escapeBytes(line));
  ++state_.commands.at(static_cast<std::size_t>(p.cmd));
  changed();
  if (config_.echo) {
    out_.pushReply(now, line + "\r\n");
  }
  if (p.hasId && p.id != config_.id) {
    note(now, "ignored: id " + escapeBytes(p.id));
    return;
  }
  if (terminalOnly(p.cmd) && !state_.terminal) {
    note(now, "ignored: not in terminal mode");
    return;
  }
  if (config_.noCarrierOn == p.cmd && p.cmd != Cmd::Fread) {
    dropCarrier(p.cmd, now);
    return;
  }
  switch (p.cmd) {
    case Cmd::TimeRead:
      reply(p.cmd, tagged("Time Read " + clockText(true)), now);
      break;
    case Cmd::TimeSet:
      serveTimeSet(p.arg, now);
      break;
    case Cmd::TerminalOpen:
      state_.terminal = true;
      reply(p.cmd, "Terminal mode ON", now);
      break;
    case Cmd::TerminalClose:
      state_.terminal = false;
      reply(p.cmd, "Function mode", now);
      break;
    case Cmd::Dir:
      serveDir(now);
      break;
    case Cmd::Cd:
      serveCd(p.arg, now);
      break;
    case Cmd::Fsize:
      serveFsize(p.arg, now);
      break;
    case Cmd::Fread:
      serveFread(p.arg, now);
      break;
    case Cmd::Del:
      serveDel(p.arg, now);
      break;
    default:
      break;
  }
}

void LoggerModel::serveTimeSet(std::string_view arg, std::int64_t now) {
  state_.clockSets.emplace_back(arg);
  int yy = 0;
  int mo = 0;
  int dd = 0;
  int hh = 0;
  int mi = 0;
  char tail = 0;
  const std::string a(arg);
  if (std::sscanf(a.c_str(), "%2d %2d %2d %2d %2d%c", &yy, &mo, &dd, &hh, &mi, &tail) != 5 ||
      mo < 1 || mo > 12 || dd < 1 || dd > 31 || hh < 0 || hh > 23 || mi < 0 || mi > 59 || yy < 0) {
    note(now, "bad time: " + escapeBytes(arg));
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
  reply(Cmd::TimeSet, tagged("Time Set " + clockText(false)), now);
}

void LoggerModel::serveDir(std::int64_t now) {
  if (config_.dirReply == DirReply::None) {
    note(now, "no listing");
    return;
  }
  const LoggerFiles::Listing listing = files_.list(state_.cwd);
  std::string text = " Directory of " + files_.folderPath(state_.cwd) + "\r\n";
  for (const auto& folder : listing.folders) {
    text += "[" + folder + "]\r\n";
  }
  std::size_t total = 0;
  for (const auto* file : listing.files) {
    const std::string name = file->path.substr(file->path.rfind('\\') + 1);
    char buf[64];
    std::snprintf(buf, sizeof buf, " %10zu", file->data->size());
    text += name;
    text.append(name.size() < 12 ? 12 - name.size() : 0, ' ');
    text += buf;
    text += "\r\n";
    total += file->data->size();
  }
  const char* files = config_.dirReply == DirReply::NoMarker ? " Files  " : " File(s)  ";
  text += "   " + std::to_string(listing.files.size()) + files + std::to_string(total) + " bytes";
  reply(Cmd::Dir, text, now);
}

void LoggerModel::serveCd(std::string_view arg, std::int64_t now) {
  const std::string target = LoggerFiles::resolve(state_.cwd, arg);
  if (!files_.isFolder(target)) {
    note(now, "no such folder: " + escapeBytes(target));
    return;
  }
  state_.cwd = files_.folderPath(target);
  changed();
}

void LoggerModel::serveFsize(std::string_view arg, std::int64_t now) {
  const std::string path = LoggerFiles::resolve(state_.cwd, arg);
  const LoggerFiles::File* file = files_.find(path);
  std::size_t size = 0;
  if (file == nullptr) {
    note(now, "missing file: " + escapeBytes(path));
  } else {
    size = file->data->size();
  }
  const std::string n = std::to_string(size);
  switch (config_.sizeReply) {
    case SizeReply::None:
      note(now, "no size reply");
      return;
    case SizeReply::Nan:
      reply(Cmd::Fsize, "FS:" + n + "x", now);
      return;
    case SizeReply::Short:
      reply(Cmd::Fsize, "FS", now);
      return;
    case SizeReply::Negative:
      reply(Cmd::Fsize, "FS:-1", now);
      return;
    case SizeReply::Blank:
      reply(Cmd::Fsize, "FS: " + n, now);
      return;
    case SizeReply::Normal:
      break;
  }
  reply(Cmd::Fsize, "FS:" + n, now);
}

void LoggerModel::serveFread(std::string_view arg, std::int64_t now) {
  const std::string path = LoggerFiles::resolve(state_.cwd, arg);
  const LoggerFiles::File* file = files_.find(path);
  if (file == nullptr) {
    note(now, "missing file: " + escapeBytes(path));
    return;
  }
  if (muted(Cmd::Fread)) {
    note(now, "muted: fread");
    return;
  }
  const std::size_t size = file->data->size();
  std::size_t limit = size;
  if (config_.freadStop) {
    const std::uint64_t v = config_.freadStop->value;
    limit = config_.freadStop->percent
                ? static_cast<std::size_t>(size * std::min<std::uint64_t>(v, 100) / 100)
                : static_cast<std::size_t>(std::min<std::uint64_t>(v, size));
  }
  const bool drop = config_.noCarrierOn == Cmd::Fread;
  if (drop) {
    limit = std::min(limit, size / 2);
  }
  if (limit < size) {
    note(now, "file read stops after " + std::to_string(limit) + " of " + std::to_string(size) +
                  " bytes");
  }
  out_.pushFile(now + delayFor(Cmd::Fread), file->path, file->data, limit, config_.rate);
  if (drop) {
    dropCarrier(Cmd::Fread, now);
  }
}

void LoggerModel::serveDel(std::string_view arg, std::int64_t now) {
  const std::string path = LoggerFiles::resolve(state_.cwd, arg);
  const auto removed = files_.remove(path);
  if (!removed) {
    note(now, "missing file: " + escapeBytes(path));
    return;
  }
  state_.deleted.push_back(*removed);
  sink_(now, "DEL", escapeBytes(*removed));
  changed();
}

void LoggerModel::lineOpened(std::int64_t now) {
  ++state_.opens;
  sink_(now, "OPEN", "");
  changed();
}

void LoggerModel::lineClosed(std::int64_t now) {
  ++state_.closes;
  sink_(now, "CLOSE", "");
  out_.clear();
  line_.clear();
  plusRun_ = 0;
  state_.lineLost = false;
  if (config_.modem) {
    // A port closing drops DTR: the modem hangs up.
    state_.online = false;
    state_.terminal = false;
  }
  changed();
}

}  // namespace th::sim
