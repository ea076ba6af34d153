#include "tools/logger-sim/CommandLineOptions.h"
#include "tools/logger-sim/OptionValues.h"

namespace th::sim {

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
      {"--size-reply", "normal|none|nan|short|negative|blank|zero|huge",
       [](Parsing& p, const std::string& v) {
         return pickName<SizeReply>(v,
                                    {{"normal", SizeReply::Normal},
                                     {"none", SizeReply::None},
                                     {"nan", SizeReply::Nan},
                                     {"short", SizeReply::Short},
                                     {"negative", SizeReply::Negative},
                                     {"blank", SizeReply::Blank},
                                     {"zero", SizeReply::Zero},
                                     {"huge", SizeReply::Huge}},
                                    p.config.model.sizeReply);
       }},
      {"--size-offset", "N",
       [](Parsing& p, const std::string& v) {
         return parseSignedBytes(v, p.config.model.sizeOffset);
       }},
      {"--size-crlf-as-one", "",
       [](Parsing& p, const std::string&) { return setFlag(p.config.model.sizeCrLfAsOne); }},
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
      {"--read-pause", "AT=MS",
       [](Parsing& p, const std::string& v) {
         std::string at;
         std::string ms;
         ReadPause pause;
         if (!splitPair(v, at, ms) || !parseReadPoint(at, pause.at) || !parseMs(ms, pause.ms)) {
           return false;
         }
         p.config.model.readPauses.push_back(pause);
         return true;
       }},
      {"--read-prefix", "prompt|header|noise:N",
       [](Parsing& p, const std::string& v) {
         ModelConfig& m = p.config.model;
         if (v.rfind("noise:", 0) == 0) {
           m.readPrefix = ReadPrefix::Noise;
           return parseInt(v.substr(6), m.prefixNoise, std::size_t{1}, std::size_t{65536});
         }
         return pickName<ReadPrefix>(
             v, {{"prompt", ReadPrefix::Prompt}, {"header", ReadPrefix::Header}}, m.readPrefix);
       }},
      {"--read-noise", "AT=N",
       [](Parsing& p, const std::string& v) {
         std::string at;
         std::string n;
         ReadNoise noise;
         noise.cr = p.config.model.readNoise && p.config.model.readNoise->cr;
         if (!splitPair(v, at, n) || !parseByteCount(at, noise.at) ||
             !parseInt(n, noise.bytes, std::size_t{1}, std::size_t{65536})) {
           return false;
         }
         p.config.model.readNoise = noise;
         return true;
       }},
      {"--read-noise-cr", "",
       [](Parsing& p, const std::string&) {
         auto& noise = p.config.model.readNoise;
         if (!noise) {
           noise = ReadNoise{};
         }
         return setFlag(noise->cr);
       }},
  };
  return options;
}

const std::vector<Option>& lineFaultOptions() {
  static const std::vector<Option> options = {
      {"--unplug-after", "N|N%[:K]",
       [](Parsing& p, const std::string& v) {
         std::string at;
         FreadStop stop;
         if (!splitNth(v, at, p.config.model.unplugRead) || !parseByteCount(at, stop)) {
           return false;
         }
         p.config.model.unplugAfter = stop;
         return true;
       }},
      {"--unplug-on", "CMD[:K]",
       [](Parsing& p, const std::string& v) {
         std::string name;
         OnCommand on;
         if (!splitNth(v, name, on.nth)) {
           return false;
         }
         const auto cmd = cmdFromName(name);
         on.cmd = cmd.value_or(Cmd::Other);
         p.config.model.unplugOn = on;
         return cmd.has_value();
       }},
      {"--unplug-gap", "MS",
       [](Parsing& p, const std::string& v) { return parseMs(v, p.config.unplugGapMs); }},
      {"--no-carrier-on", "CMD[:K]",
       [](Parsing& p, const std::string& v) {
         std::string name;
         if (!splitNth(v, name, p.config.model.noCarrierNth)) {
           return false;
         }
         p.config.model.noCarrierOn = cmdFromName(name);
         return p.config.model.noCarrierOn.has_value();
       }},
      {"--no-carrier-after", "N|N%[:K]",
       [](Parsing& p, const std::string& v) {
         std::string at;
         FreadStop stop;
         if (!splitNth(v, at, p.config.model.noCarrierRead) || !parseByteCount(at, stop)) {
           return false;
         }
         p.config.model.noCarrierAfter = stop;
         return true;
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
      {"--append-on", "size|read|cd|del[:K]",
       [](Parsing& p, const std::string& v) {
         std::string name;
         AppendOn on;
         if (!splitNth(v, name, on.nth) || !pickName<Moment>(name,
                                                             {{"size", Moment::Size},
                                                              {"read", Moment::Read},
                                                              {"cd", Moment::Cd},
                                                              {"del", Moment::Del}},
                                                             on.moment)) {
           return false;
         }
         p.config.model.appendOn.push_back(on);
         return true;
       }},
  };
  return options;
}

}  // namespace th::sim
