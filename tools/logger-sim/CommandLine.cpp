#include "tools/logger-sim/CommandLine.h"

#include <random>

#include "tools/logger-sim/CommandLineOptions.h"

namespace th::sim {

namespace {

// Checks the options that shape generated files and settles the seeded choices.
std::string SettleGenerated(SimConfig& c) {
  const bool fileFaults = c.noFinalNewline || c.lfOnly || c.missingRecord || c.byte26Record ||
                          c.repeatRecord || c.gen.first != 1 || c.model.appendDuringFetch ||
                          !c.model.appendAtMs.empty() || !c.model.appendOn.empty();
  if (!c.generate) {
    if (c.secondFile) {
      return "--second-file needs --generate";
    }
    return fileFaults ? "--no-final-newline, --lf-only, --missing-record, --byte26, "
                        "--repeat-stamp, --first-record and --append-* need --generate"
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
  g.lfOnly = c.lfOnly;
  g.missing = c.missingRecord;
  g.byte26 = c.byte26Record;
  g.byte26Pick = pick();
  // Drawn after the others, so that they stay as they were without it.
  if (auto& ref = c.repeatRecord) {
    if (ref->file == 1 && !c.secondFile) {
      return "a record of file 1 needs --second-file";
    }
    if (c.gen.lines == 0 || ref->line > c.gen.lines) {
      return "no such generated line: " + std::to_string(ref->line);
    }
    if (ref->line == 0) {
      ref->line = 1 + static_cast<int>(pick() % static_cast<std::uint32_t>(c.gen.lines));
    }
  }
  g.repeated = c.repeatRecord;
  c.model.generated = g;
  return "";
}

// The options of every group, a line per group, wrapped.
std::string BuildUsage() {
  std::string text =
      "usage: tidehaul-logger-sim --link PATH [options]\n"
      "       tidehaul-logger-sim --help | --version\n";
  constexpr std::size_t kWidth = 96;
  constexpr std::size_t kIndent = 15;
  for (const auto& group : OptionGroups()) {
    std::string line = "  ";
    line += group.name;
    line += ':';
    line.resize(kIndent, ' ');
    bool first = true;
    for (const auto& option : group.options) {
      std::string item(option.name);
      if (!option.value.empty()) {
        item += ' ';
        item += option.value;
      }
      if (!first && line.size() + 1 + item.size() > kWidth) {
        text += line + "\n";
        line = std::string(kIndent, ' ');
        first = true;
      }
      if (!first) {
        line += ' ';
      }
      line += item;
      first = false;
    }
    text += line + "\n";
  }
  text +=
      "  CMD: init dial hangup time-read time-set terminal-open terminal-close dir cd fsize\n"
      "       fread del other (--mute also takes all)\n"
      "Exit status: 0 when it ended as told, 1 when it could not set up, 2 for a bad\n"
      "command line. See tools/logger-sim/README.md.\n";
  return text;
}

}  // namespace

const char* UsageText() {
  static const std::string kText = BuildUsage();
  return kText.c_str();
}

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  Parsing p;
  ParseResult r;
  ParseStamp("2024-05-06 14:00:00", p.config.gen.start);
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
    const Option* option = FindOption(name);
    if (option == nullptr) {
      r.error = "unknown option: " + name;
      return r;
    }
    if (option->value.empty() && value) {
      r.error = name + " takes no value";
      return r;
    }
    if (!option->value.empty() && !value) {
      if (i + 1 >= args.size()) {
        r.error = name + " needs a value";
        return r;
      }
      value = args[++i];
    }
    if (!option->apply(p, value.value_or(""))) {
      r.error = "bad value for " + name + ": " + *value;
      return r;
    }
  }
  SimConfig& c = p.config;
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
  if (c.model.readNoise && c.model.readNoise->bytes == 0) {
    r.error = "--read-noise-cr needs --read-noise";
    return r;
  }
  c.gen.year08 = c.model.year08;
  c.gen.errorTags = c.model.errorTags;
  if (std::string bad = SettleGenerated(c); !bad.empty()) {
    r.error = std::move(bad);
    return r;
  }
  r.config = std::move(c);
  return r;
}

}  // namespace th::sim
