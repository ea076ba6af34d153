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
enum class SizeReply { Normal, None, Nan, Short, Negative, Blank, Zero, Huge };

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

// A point in a file read: N bytes or N percent of the file, or N bytes from
// the size the logger announced (N may be negative there).
struct ReadPoint {
  bool fromAnnounced = false;
  FreadStop inFile;
  std::int64_t offset = 0;

  std::size_t bytesOf(std::size_t size, std::size_t announced) const {
    if (!fromAnnounced) {
      return inFile.bytesOf(size);
    }
    const std::int64_t at = static_cast<std::int64_t>(announced) + offset;
    return static_cast<std::size_t>(std::max<std::int64_t>(at, 0));
  }
};

// The read holds still for `ms` before the byte at `at`.
struct ReadPause {
  ReadPoint at;
  std::int64_t ms = 0;
};

// What comes before a file's bytes in a read.
enum class ReadPrefix { None, Prompt, Header, Noise };

// Seeded bytes inserted before the byte at `at`; with `cr` one of them is a CR.
struct ReadNoise {
  FreadStop at;
  std::size_t bytes = 0;
  bool cr = false;
};

// The moments at which a logger may write a record during a fetch (of the
// first data file): after answering its size, after a read of it ended, on a
// CD line, after a DEL removed it.
enum class Moment { Size, Read, Cd, Del };

// Something that happens at the `nth` time (from 1) of a moment or command.
struct AppendOn {
  Moment moment = Moment::Read;
  int nth = 1;
};
struct OnCommand {
  Cmd cmd = Cmd::Other;
  int nth = 1;
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
  std::vector<ReadPause> readPauses;
  ReadPrefix readPrefix = ReadPrefix::None;
  std::size_t prefixNoise = 0;  // bytes of ReadPrefix::Noise
  std::optional<ReadNoise> readNoise;
  bool errorTags = false;
  bool year08 = false;

  // The line failing.
  std::optional<FreadStop> unplugAfter;     // the adapter goes away during a read...
  int unplugRead = 1;                       // ... this one (from 1)
  std::optional<OnCommand> unplugOn;        // ... or once a command was answered
  std::optional<Cmd> noCarrierOn;           // the carrier drops instead of the answer...
  int noCarrierNth = 0;                     // ... at this time the command comes; 0: every time
  std::optional<FreadStop> noCarrierAfter;  // ... or during a read
  int noCarrierRead = 1;                    // ... this one (from 1)

  int rings = 0;  // RING lines, a second apart, before the modem answers a dial
  ModemReply initReply = ModemReply::Ok;
  ModemReply dialReply = ModemReply::Connect;
  ModemReply hangupReply = ModemReply::NoCarrier;
  std::vector<std::string> dialPrefixes = {"ATD", "AT+CDV"};
  std::vector<std::string> initCommands;  // exact; empty: any line starting with "AT"
  DirReply dirReply = DirReply::Normal;
  SizeReply sizeReply = SizeReply::Normal;
  std::int64_t sizeOffset = 0;  // the size announced is off by this many bytes
  bool sizeCrLfAsOne = false;   // ... or counts each CR LF as one byte
  std::uint32_t seed = 1;

  // What --generate made, so that records can be appended; none without it.
  std::optional<GeneratedFiles> generated;
  bool appendDuringFetch = false;        // a record after every read of the first data file
  std::vector<std::int64_t> appendAtMs;  // a record at each of these moments
  std::vector<AppendOn> appendOn;        // a record at these points of the fetch

 private:
  static std::array<std::int64_t, kCmdCount> filled(std::int64_t v) {
    std::array<std::int64_t, kCmdCount> a{};
    a.fill(v);
    return a;
  }
};

}  // namespace th::sim
