#include "tools/logger-sim/CommandLineOptions.h"

#include "tools/logger-sim/OptionValues.h"

namespace th::sim {

namespace {

// A value that must not be empty, kept as it is.
bool text(std::string& into, const std::string& v) {
  into = v;
  return !v.empty();
}

bool setFlag(bool& flag) {
  flag = true;
  return true;
}

const std::vector<Option>& lineOptions() {
  static const std::vector<Option> options = {
      {"--link", "PATH", [](Parsing& p, const std::string& v) { return text(p.config.link, v); }},
      {"--modem", "", [](Parsing& p, const std::string&) { return setFlag(p.config.model.modem); }},
      {"--echo", "", [](Parsing& p, const std::string&) { return setFlag(p.config.model.echo); }},
      {"--init-command", "TEXT",
       [](Parsing& p, const std::string& v) {
         p.config.model.initCommands.push_back(v);
         return !v.empty();
       }},
  };
  return options;
}

const std::vector<Option>& loggerOptions() {
  static const std::vector<Option> options = {
      {"--id", "ID",
       [](Parsing& p, const std::string& v) {
         p.config.model.id = v;
         return v.size() <= 2;
       }},
      {"--files", "DIR",
       [](Parsing& p, const std::string& v) { return text(p.config.filesDir, v); }},
      {"--file", "LOGGERPATH=HOSTFILE",
       [](Parsing& p, const std::string& v) {
         std::string logger;
         std::string host;
         if (!splitPair(v, logger, host) || logger.empty() || host.empty()) {
           return false;
         }
         p.config.fileArgs.emplace_back(logger, host);
         return true;
       }},
      {"--generate", "N",
       [](Parsing& p, const std::string& v) {
         p.config.generate = true;
         return parseInt(v, p.config.gen.lines, 0, 10'000'000);
       }},
      {"--second-file", "",
       [](Parsing& p, const std::string&) { return setFlag(p.config.secondFile); }},
      {"--channels", "C",
       [](Parsing& p, const std::string& v) {
         return parseInt(v, p.config.gen.channels, 0, 1000);
       }},
      {"--seed", "S",
       [](Parsing& p, const std::string& v) {
         return parseInt(v, p.config.model.seed, 0U, 0xffffffffU) &&
                parseInt(v, p.config.gen.seed, 0U, 0xffffffffU);
       }},
      {"--start", "'YYYY-MM-DD hh:mm:ss'",
       [](Parsing& p, const std::string& v) { return parseStamp(v, p.config.gen.start); }},
      {"--interval", "SECONDS",
       [](Parsing& p, const std::string& v) {
         return parseInt(v, p.config.gen.intervalSec, 1, 86400 * 366);
       }},
      {"--long-year", "",
       [](Parsing& p, const std::string&) { return setFlag(p.config.gen.longYear); }},
      {"--no-final-newline", "",
       [](Parsing& p, const std::string&) { return setFlag(p.config.noFinalNewline); }},
      {"--missing-record", "F[:N]",
       [](Parsing& p, const std::string& v) { return parseRecordRef(v, p.config.missingRecord); }},
      {"--byte26", "F[:N]",
       [](Parsing& p, const std::string& v) { return parseRecordRef(v, p.config.byte26Record); }},
      {"--export", "DIR",
       [](Parsing& p, const std::string& v) { return text(p.config.exportDir, v); }},
      {"--export-held", "DIR",
       [](Parsing& p, const std::string& v) { return text(p.config.exportHeldDir, v); }},
  };
  return options;
}

const std::vector<Option>& recordingOptions() {
  static const std::vector<Option> options = {
      {"--transcript", "FILE",
       [](Parsing& p, const std::string& v) { return text(p.config.transcript, v); }},
      {"--state", "FILE", [](Parsing& p, const std::string& v) { return text(p.config.state, v); }},
  };
  return options;
}

const std::vector<Option>& endingOptions() {
  static const std::vector<Option> options = {
      {"--exit-after-hangup", "",
       [](Parsing& p, const std::string&) { return setFlag(p.config.exitAfterHangup); }},
      {"--timeout", "SECONDS",
       [](Parsing& p, const std::string& v) { return parseSeconds(v, p.config.timeoutSec); }},
  };
  return options;
}

const std::vector<Option>& replyOptions() {
  static const std::vector<Option> options = {
      {"--mute", "CMD[,CMD...]",
       [](Parsing& p, const std::string& v) {
         for (const auto& name : splitComma(v)) {
           if (name == "all") {
             p.config.model.muteLogger = true;
             continue;
           }
           const auto cmd = cmdFromName(name);
           if (!cmd) {
             return false;
           }
           p.config.model.muted.at(static_cast<std::size_t>(*cmd)) = true;
         }
         return true;
       }},
      {"--reply-delay", "MS",
       [](Parsing& p, const std::string& v) { return parseMs(v, p.config.model.replyDelayMs); }},
      {"--delay", "CMD=MS",
       [](Parsing& p, const std::string& v) {
         std::string name;
         std::string ms;
         if (!splitPair(v, name, ms)) {
           return false;
         }
         const auto cmd = cmdFromName(name);
         return cmd && parseMs(ms, p.config.model.delayMs.at(static_cast<std::size_t>(*cmd)));
       }},
      {"--init-reply", "ok|error|none",
       [](Parsing& p, const std::string& v) {
         return pickName<ModemReply>(
             v, {{"ok", ModemReply::Ok}, {"error", ModemReply::Error}, {"none", ModemReply::None}},
             p.config.model.initReply);
       }},
      {"--dial-reply", "connect|no-carrier|error|none",
       [](Parsing& p, const std::string& v) {
         return pickName<ModemReply>(v,
                                     {{"connect", ModemReply::Connect},
                                      {"no-carrier", ModemReply::NoCarrier},
                                      {"error", ModemReply::Error},
                                      {"none", ModemReply::None}},
                                     p.config.model.dialReply);
       }},
      {"--hangup-reply", "no-carrier|error|ok|none",
       [](Parsing& p, const std::string& v) {
         return pickName<ModemReply>(v,
                                     {{"no-carrier", ModemReply::NoCarrier},
                                      {"error", ModemReply::Error},
                                      {"ok", ModemReply::Ok},
                                      {"none", ModemReply::None}},
                                     p.config.model.hangupReply);
       }},
      {"--dial-prefix", "P",
       [](Parsing& p, const std::string& v) {
         if (!p.dialPrefixGiven) {
           p.config.model.dialPrefixes.clear();
           p.dialPrefixGiven = true;
         }
         p.config.model.dialPrefixes.push_back(v);
         return true;
       }},
      {"--dir-reply", "normal|no-marker|none",
       [](Parsing& p, const std::string& v) {
         return pickName<DirReply>(v,
                                   {{"normal", DirReply::Normal},
                                    {"no-marker", DirReply::NoMarker},
                                    {"none", DirReply::None}},
                                   p.config.model.dirReply);
       }},
      {"--size-reply", "normal|none|nan|short|negative|blank",
       [](Parsing& p, const std::string& v) {
         return pickName<SizeReply>(v,
                                    {{"normal", SizeReply::Normal},
                                     {"none", SizeReply::None},
                                     {"nan", SizeReply::Nan},
                                     {"short", SizeReply::Short},
                                     {"negative", SizeReply::Negative},
                                     {"blank", SizeReply::Blank}},
                                    p.config.model.sizeReply);
       }},
      {"--error-tags", "",
       [](Parsing& p, const std::string&) { return setFlag(p.config.model.errorTags); }},
      {"--year08", "",
       [](Parsing& p, const std::string&) { return setFlag(p.config.model.year08); }},
  };
  return options;
}

const std::vector<Option>& readOptions() {
  static const std::vector<Option> options = {
      {"--rate", "BYTES_PER_S",
       [](Parsing& p, const std::string& v) {
         return parseInt(v, p.config.model.rate, std::int64_t{0}, std::int64_t{1'000'000'000});
       }},
      {"--fread-stop-after", "N|N%",
       [](Parsing& p, const std::string& v) {
         FreadStop stop;
         if (!parseByteCount(v, stop)) {
           return false;
         }
         p.config.model.freadStop = stop;
         return true;
       }},
      {"--late-tail", "N=MS",
       [](Parsing& p, const std::string& v) {
         std::string bytes;
         std::string ms;
         LateTail tail;
         if (!splitPair(v, bytes, ms) ||
             !parseInt(bytes, tail.bytes, std::size_t{1}, std::size_t{1} << 40) ||
             !parseMs(ms, tail.delayMs)) {
           return false;
         }
         p.config.model.lateTail = tail;
         return true;
       }},
  };
  return options;
}

const std::vector<Option>& lineFaultOptions() {
  static const std::vector<Option> options = {
      {"--unplug-after", "N|N%",
       [](Parsing& p, const std::string& v) {
         FreadStop at;
         if (!parseByteCount(v, at)) {
           return false;
         }
         p.config.model.unplugAfter = at;
         return true;
       }},
      {"--unplug-gap", "MS",
       [](Parsing& p, const std::string& v) { return parseMs(v, p.config.unplugGapMs); }},
      {"--no-carrier-on", "CMD",
       [](Parsing& p, const std::string& v) {
         p.config.model.noCarrierOn = cmdFromName(v);
         return p.config.model.noCarrierOn.has_value();
       }},
  };
  return options;
}

const std::vector<Option>& recordOptions() {
  static const std::vector<Option> options = {
      {"--append-during-fetch", "",
       [](Parsing& p, const std::string&) { return setFlag(p.config.model.appendDuringFetch); }},
      {"--append-at", "MS",
       [](Parsing& p, const std::string& v) {
         std::int64_t ms = 0;
         if (!parseMs(v, ms)) {
           return false;
         }
         p.config.model.appendAtMs.push_back(ms);
         return true;
       }},
  };
  return options;
}

}  // namespace

const std::vector<OptionGroup>& optionGroups() {
  static const std::vector<OptionGroup> groups = {
      {"line", lineOptions()},
      {"logger", loggerOptions()},
      {"recording", recordingOptions()},
      {"ending", endingOptions()},
      {"replies", replyOptions()},
      {"reads", readOptions()},
      {"line faults", lineFaultOptions()},
      {"records", recordOptions()},
  };
  return groups;
}

const Option* findOption(std::string_view name) {
  for (const auto& group : optionGroups()) {
    for (const auto& option : group.options) {
      if (option.name == name) {
        return &option;
      }
    }
  }
  return nullptr;
}

}  // namespace th::sim
