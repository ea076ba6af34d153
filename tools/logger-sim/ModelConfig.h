#pragma once
// How the simulated logger (and its modem) behaves, misbehaviour included.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/logger-sim/Commands.h"
#include "tools/logger-sim/DataGenerator.h"

namespace th::sim {

enum class ModemReply { Ok, Connect, NoCarrier, Error, None };
enum class DirReply { Normal, NoMarker, None };
enum class SizeReply { Normal, None, Nan, Short, Negative, Blank };

// A point in a file read: N bytes, or N percent of the file.
struct FreadStop {
  bool percent = false;
  std::uint64_t value = 0;

  std::size_t bytesOf(std::size_t size) const {
    if (percent) {
      return static_cast<std::size_t>(size * std::min<std::uint64_t>(value, 100) / 100);
    }
    return static_cast<std::size_t>(std::min<std::uint64_t>(value, size));
  }
};

// The last `bytes` of every file read come `delayMs` after the rest.
struct LateTail {
  std::size_t bytes = 0;
  std::int64_t delayMs = 0;
};

struct ModelConfig {
  std::string id = "01";
  bool modem = false;
  bool echo = false;

  std::array<bool, kCmdCount> muted{};
  bool muteLogger = false;  // every logger command; the modem still answers
  std::int64_t replyDelayMs = 0;
  std::array<std::int64_t, kCmdCount> delayMs = filled(-1);  // -1: replyDelayMs
  std::int64_t rate = 0;                                     // bytes/s of fread, 0: full speed
  std::optional<FreadStop> freadStop;
  std::optional<LateTail> lateTail;
  std::optional<FreadStop> unplugAfter;  // the first file read: the adapter goes away
  bool errorTags = false;
  bool year08 = false;
  std::optional<Cmd> noCarrierOn;

  int rings = 0;  // RING lines, a second apart, before the modem answers a dial
  ModemReply initReply = ModemReply::Ok;
  ModemReply dialReply = ModemReply::Connect;
  ModemReply hangupReply = ModemReply::NoCarrier;
  std::vector<std::string> dialPrefixes = {"ATD", "AT+CDV"};
  std::vector<std::string> initCommands;  // exact; empty: any line starting with "AT"
  DirReply dirReply = DirReply::Normal;
  SizeReply sizeReply = SizeReply::Normal;
  std::uint32_t seed = 1;

  // What --generate made, so that records can be appended; none without it.
  std::optional<GeneratedFiles> generated;
  bool appendDuringFetch = false;        // a record after every read of the first data file
  std::vector<std::int64_t> appendAtMs;  // a record at each of these moments

 private:
  static std::array<std::int64_t, kCmdCount> filled(std::int64_t v) {
    std::array<std::int64_t, kCmdCount> a{};
    a.fill(v);
    return a;
  }
};

}  // namespace th::sim
