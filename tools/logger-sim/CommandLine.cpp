#include "tools/logger-sim/CommandLine.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>

namespace th::sim {

namespace {

template <typename T>
bool parseInt(const std::string& s, T& out, T min, T max) {
  T v{};
  const auto* end = s.data() + s.size();
  const auto [ptr, ec] = std::from_chars(s.data(), end, v);
  if (ec != std::errc() || ptr != end || v < min || v > max) {
    return false;
  }
  out = v;
  return true;
}

bool parseSeconds(const std::string& s, double& out) {
  if (s.empty()) {
    return false;
  }
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v) || v <= 0 || v > 1e7) {
    return false;
  }
  out = v;
  return true;
}

std::vector<std::string> splitComma(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (const char ch : s) {
    if (ch == ',') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += ch;
    }
  }
  out.push_back(cur);
  return out;
}

bool parseByteCount(const std::string& v, FreadStop& out) {
  FreadStop stop;
  std::string n = v;
  if (!n.empty() && n.back() == '%') {
    stop.percent = true;
    n.pop_back();
  }
  if (!parseInt(n, stop.value, std::uint64_t{0},
                stop.percent ? std::uint64_t{100} : std::uint64_t{1} << 40)) {
    return false;
  }
  out = stop;
  return true;
}

bool parseMs(const std::string& v, std::int64_t& out) {
  return parseInt(v, out, std::int64_t{0}, std::int64_t{86'400'000});
}

// "F" or "F:N": data file F (0 or 1), its line N (from 1); no N is line 0.
bool parseRecordRef(const std::string& v, std::optional<RecordRef>& out) {
  RecordRef ref;
  const auto colon = v.find(':');
  if (!parseInt(v.substr(0, colon), ref.file, 0, 1)) {
    return false;
  }
  if (colon != std::string::npos && !parseInt(v.substr(colon + 1), ref.line, 1, 10'000'000)) {
    return false;
  }
  out = ref;
  return true;
}

// Checks the options that shape generated files and settles the seeded choices.
std::string settleGenerated(SimConfig& c) {
  const bool fileFaults = c.noFinalNewline || c.missingRecord || c.byte26Record ||
                          c.model.appendDuringFetch || !c.model.appendAtMs.empty();
  if (!c.generate) {
    if (c.secondFile) {
      return "--second-file needs --generate";
    }
    return fileFaults ? "--no-final-newline, --missing-record, --byte26 and --append-* need "
                        "--generate"
                      : "";
  }
  std::mt19937 pick(c.gen.seed ^ 0x9e3779b9U);
  for (auto* ref : {&c.missingRecord, &c.byte26Record}) {
    if (!*ref) {
      continue;
    }
    if ((*ref)->file == 1 && !c.secondFile) {
      return "a record of file 1 needs --second-file";
    }
    if (c.gen.lines == 0 || (*ref)->line > c.gen.lines) {
      return "no such generated line: " + std::to_string((*ref)->line);
    }
    if ((*ref)->line == 0) {
      (*ref)->line = 1 + static_cast<int>(pick() % static_cast<std::uint32_t>(c.gen.lines));
    }
  }
  GeneratedFiles g;
  g.plan = c.gen;
  g.files = c.secondFile ? 2 : 1;
  g.noFinalNewline = c.noFinalNewline;
  g.missing = c.missingRecord;
  g.byte26 = c.byte26Record;
  g.byte26Pick = pick();
  c.model.generated = g;
  return "";
}

template <typename E>
bool pick(const std::string& s, const std::map<std::string, E>& names, E& out) {
  const auto it = names.find(s);
  if (it == names.end()) {
    return false;
  }
  out = it->second;
  return true;
}

}  // namespace

const char* usageText() {
  return "usage: tidehaul-logger-sim --link PATH [options]\n"
         "       tidehaul-logger-sim --help | --version\n"
         "  line:      --modem --echo --modem-lines --stretch-line-sleeps --ring N\n"
         "  logger:    --id ID --files DIR --file LOGGERPATH=HOSTFILE --generate N --second-file\n"
         "             --channels C --seed S --start 'YYYY-MM-DD hh:mm:ss' --interval SECONDS\n"
         "             --long-year --no-final-newline --missing-record F[:N] --byte26 F[:N]\n"
         "             --export DIR --export-held DIR\n"
         "  record:    --transcript FILE --state FILE\n"
         "  ending:    --exit-after-hangup --timeout SECONDS\n"
         "  misbehave: --mute CMD[,CMD...] --reply-delay MS --delay CMD=MS --rate BYTES_PER_S\n"
         "             --fread-stop-after N|N% --error-tags --year08 --no-carrier-on CMD\n"
         "             --init-reply ok|error|none --dial-reply connect|no-carrier|error|none\n"
         "             --hangup-reply no-carrier|error|ok|none --dial-prefix P\n"
         "             --dir-reply normal|no-marker|none\n"
         "             --size-reply normal|none|nan|short|negative|blank --init-command TEXT\n"
         "             --late-tail N=MS --unplug-after N|N% --unplug-gap MS\n"
         "             --append-during-fetch --append-at MS\n"
         "  CMD: init dial hangup time-read time-set terminal-open terminal-close dir cd fsize\n"
         "       fread del other (--mute also takes all)\n"
         "Exit status: 0 when it ended as told, 1 when it could not set up, 2 for a bad\n"
         "command line. See tools/logger-sim/README.md.\n";
}

ParseResult parseCommandLine(const std::vector<std::string>& args) {
  SimConfig c;
  ParseResult r;
  bool dialPrefixGiven = false;
  std::string error;

  using Handler = std::function<bool(const std::string&)>;
  const std::map<std::string, bool*> flags = {
      {"--modem", &c.model.modem},
      {"--echo", &c.model.echo},
      {"--second-file", &c.secondFile},
      {"--long-year", &c.gen.longYear},
      {"--error-tags", &c.model.errorTags},
      {"--year08", &c.model.year08},
      {"--exit-after-hangup", &c.exitAfterHangup},
      {"--no-final-newline", &c.noFinalNewline},
      {"--append-during-fetch", &c.model.appendDuringFetch},
      {"--modem-lines", &c.modemLines},
      {"--stretch-line-sleeps", &c.stretchLineSleeps},
  };
  const std::map<std::string, Handler> valued = {
      {"--link",
       [&](const std::string& v) {
         c.link = v;
         return !v.empty();
       }},
      {"--id",
       [&](const std::string& v) {
         c.model.id = v;
         return v.size() <= 2;
       }},
      {"--files",
       [&](const std::string& v) {
         c.filesDir = v;
         return !v.empty();
       }},
      {"--file",
       [&](const std::string& v) {
         const auto eq = v.find('=');
         if (eq == std::string::npos || eq == 0 || eq + 1 == v.size()) {
           return false;
         }
         c.fileArgs.emplace_back(v.substr(0, eq), v.substr(eq + 1));
         return true;
       }},
      {"--generate",
       [&](const std::string& v) {
         c.generate = true;
         return parseInt(v, c.gen.lines, 0, 10'000'000);
       }},
      {"--channels", [&](const std::string& v) { return parseInt(v, c.gen.channels, 0, 1000); }},
      {"--ring", [&](const std::string& v) { return parseInt(v, c.model.rings, 0, 20); }},
      {"--seed",
       [&](const std::string& v) {
         return parseInt(v, c.model.seed, 0U, 0xffffffffU) &&
                parseInt(v, c.gen.seed, 0U, 0xffffffffU);
       }},
      {"--start", [&](const std::string& v) { return parseStamp(v, c.gen.start); }},
      {"--interval",
       [&](const std::string& v) { return parseInt(v, c.gen.intervalSec, 1, 86400 * 366); }},
      {"--export",
       [&](const std::string& v) {
         c.exportDir = v;
         return !v.empty();
       }},
      {"--export-held",
       [&](const std::string& v) {
         c.exportHeldDir = v;
         return !v.empty();
       }},
      {"--missing-record",
       [&](const std::string& v) { return parseRecordRef(v, c.missingRecord); }},
      {"--byte26", [&](const std::string& v) { return parseRecordRef(v, c.byte26Record); }},
      {"--append-at",
       [&](const std::string& v) {
         std::int64_t ms = 0;
         if (!parseMs(v, ms)) {
           return false;
         }
         c.model.appendAtMs.push_back(ms);
         return true;
       }},
      {"--late-tail",
       [&](const std::string& v) {
         const auto eq = v.find('=');
         LateTail tail;
         if (eq == std::string::npos ||
             !parseInt(v.substr(0, eq), tail.bytes, std::size_t{1}, std::size_t{1} << 40) ||
             !parseMs(v.substr(eq + 1), tail.delayMs)) {
           return false;
         }
         c.model.lateTail = tail;
         return true;
       }},
      {"--unplug-after",
       [&](const std::string& v) {
         FreadStop at;
         if (!parseByteCount(v, at)) {
           return false;
         }
         c.model.unplugAfter = at;
         return true;
       }},
      {"--unplug-gap", [&](const std::string& v) { return parseMs(v, c.unplugGapMs); }},
      {"--init-command",
       [&](const std::string& v) {
         c.model.initCommands.push_back(v);
         return !v.empty();
       }},
      {"--transcript",
       [&](const std::string& v) {
         c.transcript = v;
         return !v.empty();
       }},
      {"--state",
       [&](const std::string& v) {
         c.state = v;
         return !v.empty();
       }},
      {"--timeout", [&](const std::string& v) { return parseSeconds(v, c.timeoutSec); }},
      {"--mute",
       [&](const std::string& v) {
         for (const auto& name : splitComma(v)) {
           if (name == "all") {
             c.model.muteLogger = true;
             continue;
           }
           const auto cmd = cmdFromName(name);
           if (!cmd) {
             return false;
           }
           c.model.muted.at(static_cast<std::size_t>(*cmd)) = true;
         }
         return true;
       }},
      {"--reply-delay",
       [&](const std::string& v) {
         return parseInt(v, c.model.replyDelayMs, std::int64_t{0}, std::int64_t{86'400'000});
       }},
      {"--delay",
       [&](const std::string& v) {
         const auto eq = v.find('=');
         const auto cmd = cmdFromName(v.substr(0, eq));
         return eq != std::string::npos && cmd &&
                parseInt(v.substr(eq + 1), c.model.delayMs.at(static_cast<std::size_t>(*cmd)),
                         std::int64_t{0}, std::int64_t{86'400'000});
       }},
      {"--rate",
       [&](const std::string& v) {
         return parseInt(v, c.model.rate, std::int64_t{0}, std::int64_t{1'000'000'000});
       }},
      {"--fread-stop-after",
       [&](const std::string& v) {
         FreadStop stop;
         if (!parseByteCount(v, stop)) {
           return false;
         }
         c.model.freadStop = stop;
         return true;
       }},
      {"--no-carrier-on",
       [&](const std::string& v) {
         c.model.noCarrierOn = cmdFromName(v);
         return c.model.noCarrierOn.has_value();
       }},
      {"--init-reply",
       [&](const std::string& v) {
         return pick<ModemReply>(
             v, {{"ok", ModemReply::Ok}, {"error", ModemReply::Error}, {"none", ModemReply::None}},
             c.model.initReply);
       }},
      {"--dial-reply",
       [&](const std::string& v) {
         return pick<ModemReply>(v,
                                 {{"connect", ModemReply::Connect},
                                  {"no-carrier", ModemReply::NoCarrier},
                                  {"error", ModemReply::Error},
                                  {"none", ModemReply::None}},
                                 c.model.dialReply);
       }},
      {"--hangup-reply",
       [&](const std::string& v) {
         return pick<ModemReply>(v,
                                 {{"no-carrier", ModemReply::NoCarrier},
                                  {"error", ModemReply::Error},
                                  {"ok", ModemReply::Ok},
                                  {"none", ModemReply::None}},
                                 c.model.hangupReply);
       }},
      {"--dial-prefix",
       [&](const std::string& v) {
         if (!dialPrefixGiven) {
           c.model.dialPrefixes.clear();
           dialPrefixGiven = true;
         }
         c.model.dialPrefixes.push_back(v);
         return true;
       }},
      {"--dir-reply",
       [&](const std::string& v) {
         return pick<DirReply>(v,
                               {{"normal", DirReply::Normal},
                                {"no-marker", DirReply::NoMarker},
                                {"none", DirReply::None}},
                               c.model.dirReply);
       }},
      {"--size-reply",
       [&](const std::string& v) {
         return pick<SizeReply>(v,
                                {{"normal", SizeReply::Normal},
                                 {"none", SizeReply::None},
                                 {"nan", SizeReply::Nan},
                                 {"short", SizeReply::Short},
                                 {"negative", SizeReply::Negative},
                                 {"blank", SizeReply::Blank}},
                                c.model.sizeReply);
       }},
  };

  parseStamp("2024-05-06 14:00:00", c.gen.start);
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (name == "-h" || name == "--help") {
      r.help = true;
      return r;
    }
    if (name == "--version") {
      r.version = true;
      return r;
    }
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    if (const auto f = flags.find(name); f != flags.end()) {
      if (value) {
        r.error = name + " takes no value";
        return r;
      }
      *f->second = true;
      continue;
    }
    const auto h = valued.find(name);
    if (h == valued.end()) {
      r.error = "unknown option: " + name;
      return r;
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        r.error = name + " needs a value";
        return r;
      }
      value = args[++i];
    }
    if (!h->second(*value)) {
      r.error = "bad value for " + name + ": " + *value;
      return r;
    }
  }
  if (c.link.empty()) {
    r.error = "--link PATH is required";
    return r;
  }
  if (c.stretchLineSleeps && !c.modemLines) {
    r.error = "--stretch-line-sleeps needs --modem-lines";
    return r;
  }
  if (c.model.rings > 0 && !c.model.modem) {
    r.error = "--ring needs --modem";
    return r;
  }
  c.gen.year08 = c.model.year08;
  c.gen.errorTags = c.model.errorTags;
  if (std::string bad = settleGenerated(c); !bad.empty()) {
    r.error = std::move(bad);
    return r;
  }
  r.config = std::move(c);
  return r;
}

}  // namespace th::sim
