#include "tools/logger-sim/CommandLineOptions.h"
#include "tools/logger-sim/OptionValues.h"

namespace th::sim {

const std::vector<Option>& ReplyOptions() {
  static const std::vector<Option> options = {
      {"--mute", "CMD[,CMD...]",
       [](Parsing& p, const std::string& v) {
         for (const auto& name : SplitComma(v)) {
           if (name == "all") {
             p.config.model.muteLogger = true;
             continue;
           }
           const auto cmd = CmdFromName(name);
           if (!cmd) {
             return false;
           }
           p.config.model.muted.at(static_cast<std::size_t>(*cmd)) = true;
         }
         return true;
       }},
      {"--reply-delay", "MS",
       [](Parsing& p, const std::string& v) { return ParseMs(v, p.config.model.replyDelayMs); }},
      {"--delay", "CMD=MS",
       [](Parsing& p, const std::string& v) {
         std::string name;
         std::string ms;
         if (!SplitPair(v, name, ms)) {
           return false;
         }
         const auto cmd = CmdFromName(name);
         return cmd && ParseMs(ms, p.config.model.delayMs.at(static_cast<std::size_t>(*cmd)));
       }},
      {"--init-reply", "ok|error|none",
       [](Parsing& p, const std::string& v) {
         return PickName<ModemReply>(
             v, {{"ok", ModemReply::Ok}, {"error", ModemReply::Error}, {"none", ModemReply::None}},
             p.config.model.initReply);
       }},
      {"--dial-reply", "connect|no-carrier|error|none",
       [](Parsing& p, const std::string& v) {
         return PickName<ModemReply>(v,
                                     {{"connect", ModemReply::Connect},
                                      {"no-carrier", ModemReply::NoCarrier},
                                      {"error", ModemReply::Error},
                                      {"none", ModemReply::None}},
                                     p.config.model.dialReply);
       }},
      {"--hangup-reply", "no-carrier|error|ok|none",
       [](Parsing& p, const std::string& v) {
         return PickName<ModemReply>(v,
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
         return PickName<DirReply>(v,
                                   {{"normal", DirReply::Normal},
                                    {"no-marker", DirReply::NoMarker},
                                    {"none", DirReply::None}},
                                   p.config.model.dirReply);
       }},
      {"--size-reply", "normal|none|nan|short|negative|blank|zero|huge",
       [](Parsing& p, const std::string& v) {
         return PickName<SizeReply>(v,
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
         return ParseSignedBytes(v, p.config.model.sizeOffset);
       }},
      {"--size-crlf-as-one", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.model.sizeCrLfAsOne); }},
      {"--error-tags", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.model.errorTags); }},
      {"--year08", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.model.year08); }},
  };
  return options;
}

const std::vector<Option>& ReadOptions() {
  static const std::vector<Option> options = {
      {"--rate", "BYTES_PER_S",
       [](Parsing& p, const std::string& v) {
         return ParseInt(v, p.config.model.rate, std::int64_t{0}, std::int64_t{1'000'000'000});
       }},
      {"--fread-stop-after", "N|N%",
       [](Parsing& p, const std::string& v) {
         FreadStop stop;
         if (!ParseByteCount(v, stop)) {
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
         if (!SplitPair(v, bytes, ms) ||
             !ParseInt(bytes, tail.bytes, std::size_t{1}, std::size_t{1} << 40) ||
             !ParseMs(ms, tail.delayMs)) {
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
         if (!SplitPair(v, at, ms) || !ParseReadPoint(at, pause.at) || !ParseMs(ms, pause.ms)) {
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
           return ParseInt(v.substr(6), m.prefixNoise, std::size_t{1}, std::size_t{65536});
         }
         return PickName<ReadPrefix>(
             v, {{"prompt", ReadPrefix::Prompt}, {"header", ReadPrefix::Header}}, m.readPrefix);
       }},
      {"--read-noise", "AT=N",
       [](Parsing& p, const std::string& v) {
         std::string at;
         std::string n;
         ReadNoise noise;
         noise.cr = p.config.model.readNoise && p.config.model.readNoise->cr;
         if (!SplitPair(v, at, n) || !ParseByteCount(at, noise.at) ||
             !ParseInt(n, noise.bytes, std::size_t{1}, std::size_t{65536})) {
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
         return SetFlag(noise->cr);
       }},
  };
  return options;
}

const std::vector<Option>& LineFaultOptions() {
  static const std::vector<Option> options = {
      {"--unplug-after", "N|N%[:K]",
       [](Parsing& p, const std::string& v) {
         std::string at;
         FreadStop stop;
         if (!SplitNth(v, at, p.config.model.unplugRead) || !ParseByteCount(at, stop)) {
           return false;
         }
         p.config.model.unplugAfter = stop;
         return true;
       }},
      {"--unplug-on", "CMD[:K]",
       [](Parsing& p, const std::string& v) {
         std::string name;
         OnCommand on;
         if (!SplitNth(v, name, on.nth)) {
           return false;
         }
         const auto cmd = CmdFromName(name);
         on.cmd = cmd.value_or(Cmd::Other);
         p.config.model.unplugOn = on;
         return cmd.has_value();
       }},
      {"--unplug-gap", "MS",
       [](Parsing& p, const std::string& v) { return ParseMs(v, p.config.unplugGapMs); }},
      {"--no-carrier-on", "CMD[:K]",
       [](Parsing& p, const std::string& v) {
         std::string name;
         if (!SplitNth(v, name, p.config.model.noCarrierNth)) {
           return false;
         }
         p.config.model.noCarrierOn = CmdFromName(name);
         return p.config.model.noCarrierOn.has_value();
       }},
      {"--no-carrier-after", "N|N%[:K]",
       [](Parsing& p, const std::string& v) {
         std::string at;
         FreadStop stop;
         if (!SplitNth(v, at, p.config.model.noCarrierRead) || !ParseByteCount(at, stop)) {
           return false;
         }
         p.config.model.noCarrierAfter = stop;
         return true;
       }},
  };
  return options;
}

const std::vector<Option>& RecordOptions() {
  static const std::vector<Option> options = {
      {"--append-during-fetch", "",
       [](Parsing& p, const std::string&) { return SetFlag(p.config.model.appendDuringFetch); }},
      {"--append-at", "MS",
       [](Parsing& p, const std::string& v) {
         std::int64_t ms = 0;
         if (!ParseMs(v, ms)) {
           return false;
         }
         p.config.model.appendAtMs.push_back(ms);
         return true;
       }},
      {"--append-on", "size|read|cd|del[:K]",
       [](Parsing& p, const std::string& v) {
         std::string name;
         AppendOn on;
         if (!SplitNth(v, name, on.nth) || !PickName<Moment>(name,
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
