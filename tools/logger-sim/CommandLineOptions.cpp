#include "tools/logger-sim/CommandLineOptions.h"

#include "tools/logger-sim/OptionValues.h"

namespace th::sim {

namespace {

const std::vector<Option>& LineOptions() {
  static const std::vector<Option> options = {
      {"--link", "PATH",
       [](Parsing& p, const std::string& v) { return SetText(p.config.link, v); }},
      {"--modem", "", [](Parsing& p, const std::string&) { return SetFlag(p.config.model.modem); }},
      {"--echo", "", [](Parsing& p, const std::string&) { return SetFlag(p.config.model.echo); }},
      {"--modem-lines", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.modemLines); }},
      {"--stretch-line-sleeps", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.stretchLineSleeps); }},
      {"--ring", "N",
       [](Parsing& p, const std::string& v) { return ParseInt(v, p.config.model.rings, 0, 20); }},
      {"--init-command", "TEXT",
       [](Parsing& p, const std::string& v) {
         p.config.model.initCommands.push_back(v);
         return !v.empty();
       }},
  };
  return options;
}

const std::vector<Option>& LoggerOptions() {
  static const std::vector<Option> options = {
      {"--id", "ID",
       [](Parsing& p, const std::string& v) {
         p.config.model.id = v;
         return v.size() <= 2;
       }},
      {"--files", "DIR",
       [](Parsing& p, const std::string& v) { return SetText(p.config.filesDir, v); }},
      {"--file", "LOGGERPATH=HOSTFILE",
       [](Parsing& p, const std::string& v) {
         std::string logger;
         std::string host;
         if (!SplitPair(v, logger, host) || logger.empty() || host.empty()) {
           return false;
         }
         p.config.fileArgs.emplace_back(logger, host);
         return true;
       }},
      {"--generate", "N",
       [](Parsing& p, const std::string& v) {
         p.config.generate = true;
         return ParseInt(v, p.config.gen.lines, 0, 10'000'000);
       }},
      {"--second-file", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.secondFile); }},
      {"--channels", "C",
       [](Parsing& p, const std::string& v) {
         return ParseInt(v, p.config.gen.channels, 0, 1000);
       }},
      {"--seed", "S",
       [](Parsing& p, const std::string& v) {
         return ParseInt(v, p.config.model.seed, 0U, 0xffffffffU) &&
                ParseInt(v, p.config.gen.seed, 0U, 0xffffffffU);
       }},
      {"--start", "'YYYY-MM-DD hh:mm:ss'",
       [](Parsing& p, const std::string& v) { return ParseStamp(v, p.config.gen.start); }},
      {"--interval", "SECONDS",
       [](Parsing& p, const std::string& v) {
         return ParseInt(v, p.config.gen.intervalSec, 1, 86400 * 366);
       }},
      {"--long-year", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.gen.longYear); }},
      {"--no-final-newline", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.noFinalNewline); }},
      {"--lf-only", "", [](Parsing& p, const std::string&) { return SetFlag(p.config.lfOnly); }},
      {"--first-record", "R",
       [](Parsing& p, const std::string& v) {
         return ParseInt(v, p.config.gen.first, 1, 100'000'000);
       }},
      {"--repeat-stamp", "F[:N]",
       [](Parsing& p, const std::string& v) { return ParseRecordRef(v, p.config.repeatRecord); }},
      {"--missing-record", "F[:N]",
       [](Parsing& p, const std::string& v) { return ParseRecordRef(v, p.config.missingRecord); }},
      {"--byte26", "F[:N]",
       [](Parsing& p, const std::string& v) { return ParseRecordRef(v, p.config.byte26Record); }},
      {"--export", "DIR",
       [](Parsing& p, const std::string& v) { return SetText(p.config.exportDir, v); }},
      {"--export-held", "DIR",
       [](Parsing& p, const std::string& v) { return SetText(p.config.exportHeldDir, v); }},
  };
  return options;
}

const std::vector<Option>& RecordingOptions() {
  static const std::vector<Option> options = {
      {"--transcript", "FILE",
       [](Parsing& p, const std::string& v) { return SetText(p.config.transcript, v); }},
      {"--state", "FILE",
       [](Parsing& p, const std::string& v) { return SetText(p.config.state, v); }},
  };
  return options;
}

const std::vector<Option>& EndingOptions() {
  static const std::vector<Option> options = {
      {"--exit-after-hangup", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.exitAfterHangup); }},
      {"--timeout", "SECONDS",
       [](Parsing& p, const std::string& v) { return ParseSeconds(v, p.config.timeoutSec); }},
  };
  return options;
}

}  // namespace

const std::vector<OptionGroup>& OptionGroups() {
  static const std::vector<OptionGroup> groups = {
      {"line", LineOptions()},
      {"logger", LoggerOptions()},
      {"recording", RecordingOptions()},
      {"ending", EndingOptions()},
      {"replies", ReplyOptions()},
      {"reads", ReadOptions()},
      {"line faults", LineFaultOptions()},
      {"records", RecordOptions()},
  };
  return groups;
}

const Option* FindOption(std::string_view name) {
  for (const auto& group : OptionGroups()) {
    for (const auto& option : group.options) {
      if (option.name == name) {
        return &option;
      }
    }
  }
  return nullptr;
}

}  // namespace th::sim
