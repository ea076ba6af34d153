#include "tools/logger-sim/LoggerModel.h"

#include <algorithm>
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
      out_(sink_, [this](const FileEnd& end, std::int64_t now) { fileEnded(end, now); }),
      rng_(config_.seed) {
  for (const auto* file : files_.all()) {
    countOf(file->path).initial = file->lines;
  }
  if (config_.generated) {
    // The generators go on where the generated files end, for appended records.
    const GeneratedFiles& g = *config_.generated;
    for (int f = 0; f < g.files; ++f) {
      RecordGenerator& records = generators_.emplace_back(g.plan, f);
      for (int line = 1; line <= g.plan.lines; ++line) {
        const std::string record = records.next();
        if (g.missing && g.missing->file == f && g.missing->line == line) {
          state_.missingLine = record;
        }
        if (g.byte26 && g.byte26->file == f && g.byte26->line == line) {
          state_.byte26Line = insertByte26(record, g.byte26Pick);
        }
      }
    }
  }
  std::sort(config_.appendAtMs.begin(), config_.appendAtMs.end());
  unplugPending_ = config_.unplugAfter.has_value();
}

void LoggerModel::note(std::int64_t now, std::string_view text) {
  sink_(now, "NOTE", text);
}

void LoggerModel::reject(std::int64_t now, const std::string& what) {
  ++state_.rejected;
  state_.rejectedLines.push_back(what);
  if (state_.rejectedLines.size() > kRejectedKept) {
    state_.rejectedLines.pop_front();
  }
  note(now, "rejected " + what);
  changed();
}

RecordCount& LoggerModel::countOf(const std::string& path) {
  RecordCount& count = state_.records[upperAscii(path)];
  if (count.path.empty()) {
    count.path = path;
  }
  return count;
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

void LoggerModel::runTimers(std::int64_t now) {
  while (nextAppendAt_ < config_.appendAtMs.size() && config_.appendAtMs[nextAppendAt_] <= now) {
    writeNewRecord(config_.appendAtMs[nextAppendAt_++]);
  }
}

std::string LoggerModel::take(std::int64_t now, std::size_t max) {
  runTimers(now);
  return out_.take(now, max);
}

std::optional<std::int64_t> LoggerModel::nextDue(std::int64_t now) const {
  std::optional<std::int64_t> due = out_.nextDue(now);
  const auto consider = [&due](std::int64_t t) {
    if (!due || t < *due) {
      due = t;
    }
  };
  if (nextAppendAt_ < config_.appendAtMs.size()) {
    consider(config_.appendAtMs[nextAppendAt_]);
  }
  if (unplugAt_) {
    consider(*unplugAt_);
  }
  return due;
}

void LoggerModel::receive(std::string_view bytes, std::int64_t now) {
  if (bytes.empty()) {
    return;
  }
  runTimers(now);
  sink_(now, "RX", escapeBytes(bytes));
  for (const char ch : bytes) {
    if (swallowEsc_) {
      swallowEsc_ = false;
      if (ch == '\x1b') {
        continue;
      }
    }
    if (expectLf_) {
      expectLf_ = false;
      if (ch == '\n') {
        continue;
      }
      reject(now, "line end: CR without LF after " + escapeBytes(lastLine_));
    } else if (ch == '\n') {
      reject(now, "line end: LF without CR");
      continue;
    }
    // The escape only means something to a modem that is online.
    if (config_.modem && state_.online && ch == '+') {
      if (++plusRun_ == 3) {
        plusRun_ = 0;
        line_.clear();
        swallowEsc_ = true;
        hangup(now);
      } else {
        line_ += ch;
      }
      continue;
    }
    plusRun_ = 0;
    if (ch == '\r') {
      lastLine_ = std::move(line_);
      line_.clear();
      expectLf_ = true;
      handleLine(lastLine_, now);
      continue;
    }
    if (line_.size() >= kMaxLine) {
      reject(now, "line too long: dropped");
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
    note(now, "escape sequence while offline: ignored");
  }
  if (text.empty()) {
    return;  // a modem takes an empty line as nothing
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
  sink_(now, "CMD", std::string(cmdName(cmd)) + " " + escapeBytes(line));
  ++state_.commands.at(static_cast<std::size_t>(cmd));
  changed();
  if (config_.echo) {
    out_.pushReply(now, line + "\r\n");
  }
  if (cmd == Cmd::Other) {
    if (parseLoggerLine(text).cmd == Cmd::Other) {
      reject(now, escapeBytes(text));
    } else {
      note(now, "logger command while offline");
    }
  }
  if (config_.noCarrierOn == cmd) {
    modemReply(cmd, ModemReply::NoCarrier, now);
    return;
  }
  switch (cmd) {
    case Cmd::Dial: {
      ++state_.dials;
      if (config_.dialReply == ModemReply::Connect) {
        state_.online = true;
        state_.lineLost = false;
      }
      std::int64_t answer = now;
      for (int ring = 0; ring < config_.rings && !muted(cmd); ++ring, answer += kRingPeriodMs) {
        out_.pushReply(answer + delayFor(cmd), "\r\nRING\r\n");
      }
      modemReply(cmd, config_.dialReply, answer);
      break;
    }
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

void LoggerModel::dtrDropped(std::int64_t now) {
  if (!config_.modem || !state_.online) {
    return;
  }
  sink_(now, "CMD", "hangup DTR");
  ++state_.hangups;
  state_.online = false;
  state_.terminal = false;
  state_.lineLost = false;
  changed();
  out_.clear();  // the carrier is gone: nothing queued reaches the tool
  out_.pushReply(now, "\r\nNO CARRIER\r\n");
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
  if (p.cmd == Cmd::Other) {
    reject(now, escapeBytes(line));
    return;
  }
  if (p.hasId && p.id != config_.id) {
    reject(now, escapeBytes(line));
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
  FileSend send;
  send.path = file->path;
  send.data = file->data;
  send.rate = config_.rate;
  send.tag = ++readTag_;
  send.pauseAt = size;
  std::size_t limit = size;
  if (config_.freadStop) {
    limit = config_.freadStop->bytesOf(size);
  }
  const bool drop = config_.noCarrierOn == Cmd::Fread;
  if (drop) {
    limit = std::min(limit, size / 2);
  }
  if (limit < size) {
    note(now, "file read stops after " + std::to_string(limit) + " of " + std::to_string(size) +
                  " bytes");
  }
  if (unplugPending_) {
    const std::size_t at = std::min(limit, config_.unplugAfter->bytesOf(size));
    note(now, "unplug after " + std::to_string(at) + " of " + std::to_string(size) + " bytes");
    limit = at;
    unplugTag_ = send.tag;
  }
  if (config_.lateTail) {
    send.pauseAt = size - std::min(size, config_.lateTail->bytes);
    send.pauseMs = config_.lateTail->delayMs;
  }
  send.limit = limit;
  out_.pushFile(now + delayFor(Cmd::Fread), std::move(send));
  if (drop) {
    dropCarrier(Cmd::Fread, now);
  }
}

void LoggerModel::fileEnded(const FileEnd& end, std::int64_t now) {
  state_.reads.push_back({end.path, now, end.sent, end.size});
  changed();
  if (unplugPending_ && end.tag == unplugTag_) {
    unplugPending_ = false;
    unplugAt_ = now + kUnplugGraceMs;
  }
  if (config_.appendDuringFetch &&
      upperAscii(end.path) == upperAscii(dataFilePath(config_.id, 0))) {
    writeNewRecord(now);
  }
}

// The logger measures once more: one record, in each of its data files.
void LoggerModel::writeNewRecord(std::int64_t now) {
  if (!config_.generated) {
    return;
  }
  const bool noFinalNewline = config_.generated->noFinalNewline;
  for (std::size_t f = 0; f < generators_.size(); ++f) {
    const int number = generators_[f].made() + 1;
    const std::string record = generators_[f].next();
    const std::string path = dataFilePath(config_.id, static_cast<int>(f));
    const LoggerFiles::File* file = files_.find(path);
    const std::string stored = file != nullptr ? file->path : path;
    files_.put(stored,
               appendRecord(file != nullptr ? *file->data : std::string(), record, noFinalNewline));
    state_.appended.push_back({stored, now, number, record});
    ++countOf(stored).appended;
    sink_(now, "APPEND", escapeBytes(stored) + " " + std::to_string(number));
  }
  changed();
  ++filesVersion_;
}

void LoggerModel::serveDel(std::string_view arg, std::int64_t now) {
  const std::string path = LoggerFiles::resolve(state_.cwd, arg);
  const LoggerFiles::File* file = files_.find(path);
  if (file == nullptr) {
    note(now, "missing file: " + escapeBytes(path));
    return;
  }
  const Deletion gone{file->path, now, file->data->size(), file->lines};
  countOf(gone.path).deleted += gone.lines;
  files_.remove(path);
  state_.deleted.push_back(gone.path);
  state_.deletions.push_back(gone);
  sink_(now, "DEL", escapeBytes(gone.path));
  changed();
  ++filesVersion_;
}

void LoggerModel::forgetLine() {
  line_.clear();
  plusRun_ = 0;
  swallowEsc_ = false;
  expectLf_ = false;
}

void LoggerModel::lineOpened(std::int64_t now) {
  ++state_.opens;
  sink_(now, "OPEN", "");
  changed();
}

void LoggerModel::lineClosed(std::int64_t now) {
  ++state_.closes;
  sink_(now, "CLOSE", "");
  portGone();
}

void LoggerModel::portGone() {
  out_.clear();
  forgetLine();
  state_.lineLost = false;
  if (config_.modem) {
    // A port closing drops DTR: the modem hangs up.
    state_.online = false;
    state_.terminal = false;
  }
  changed();
}

void LoggerModel::unplugged(std::int64_t now) {
  ++state_.unplugs;
  sink_(now, "UNPLUG", "");
  state_.plugged = false;
  unplugAt_.reset();
  unplugPending_ = false;
  // For the logger (and its modem) this is a port that closed.
  portGone();
}

void LoggerModel::pluggedIn(std::int64_t now, std::string_view device) {
  sink_(now, "PLUG", escapeBytes(device));
  state_.plugged = true;
  changed();
}

}  // namespace th::sim
