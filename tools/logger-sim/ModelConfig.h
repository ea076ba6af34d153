#pragma once
// How the simulated logger (and its modem) behaves, misbehaviour included.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/logger-sim/Commands.h"

namespace th::sim {

enum class ModemReply { Ok, Connect, NoCarrier, Error, None };
enum class DirReply { Normal, NoMarker, None };
enum class SizeReply { Normal, None, Nan, Short, Negative, Blank };

struct FreadStop {
  bool percent = false;
  std::uint64_t value = 0;
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
  bool errorTags = false;
  bool year08 = false;
  std::optional<Cmd> noCarrierOn;

  ModemReply initReply = ModemReply::Ok;
  ModemReply dialReply = ModemReply::Connect;
  ModemReply hangupReply = ModemReply::NoCarrier;
  std::vector<std::string> dialPrefixes = {"ATD", "AT+CDV"};
  DirReply dirReply = DirReply::Normal;
  SizeReply sizeReply = SizeReply::Normal;
  std::uint32_t seed = 1;

 private:
  static std::array<std::int64_t, kCmdCount> filled(std::int64_t v) {
    std::array<std::int64_t, kCmdCount> a{};
    a.fill(v);
    return a;
  }
};

}  // namespace th::sim
