#pragma once
// The far end of the line without any I/O: bytes the tool wrote go in, bytes
// the logger (or its modem) answers come out when they are due. Time is
// whatever the owner says it is (ms), so the same model serves a
// pseudo-terminal in real time and a test in virtual time.
#include <array>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "tools/logger-sim/Commands.h"
#include "tools/logger-sim/DataGenerator.h"
#include "tools/logger-sim/EventSink.h"
#include "tools/logger-sim/LoggerFiles.h"
#include "tools/logger-sim/ModelConfig.h"
#include "tools/logger-sim/OutputQueue.h"

namespace th::sim {

// A record the logger wrote into a data file while it ran.
struct AppendedRecord {
  std::string path;
  std::int64_t ms = 0;
  int record = 0;    // its number in the generated sequence, from 1
  std::string line;  // without its line end
};

// A file read that ended (completely or not).
struct ReadDone {
  std::string path;
  std::int64_t ms = 0;
  std::size_t sent = 0;
  std::size_t size = 0;
};

struct Deletion {
  std::string path;
  std::int64_t ms = 0;
  std::size_t size = 0;
  std::size_t lines = 0;
};

// Records of one file over the run: initial + appended = held + deleted.
struct RecordCount {
  std::string path;
  std::size_t initial = 0;
  std::size_t appended = 0;
  std::size_t deleted = 0;
};

struct ModelState {
  bool online = false;  // modem connected (always false for a direct logger)
  bool terminal = false;
  bool lineLost = false;  // a dropped carrier: the logger ignores the line
  bool plugged = true;    // false while the adapter is unplugged
  std::string cwd = "\\";
  std::vector<std::string> deleted;
  std::vector<std::string> clockSets;
  int opens = 0;
  int closes = 0;
  int dials = 0;
  int hangups = 0;
  int unplugs = 0;
  int rejected = 0;
  std::deque<std::string> rejectedLines;  // the latest, escaped
  std::array<int, kCmdCount> commands{};
  std::vector<AppendedRecord> appended;
  std::vector<ReadDone> reads;
  std::vector<Deletion> deletions;
  std::map<std::string, RecordCount> records;  // by upper-case path
  std::string missingLine;                     // the generated record left out
  std::string byte26Line;                      // the generated record with a byte 26
};

class LoggerModel {
 public:
  // Seconds since 1970 of the PC's clock; the logger's clock runs beside it.
  using WallClock = std::function<std::time_t()>;

  // How long an unplug waits after the read's last byte, so the tool has it.
  static constexpr std::int64_t kUnplugGraceMs = 100;
  // How many rejected lines the state keeps.
  static constexpr std::size_t kRejectedKept = 20;
  // Between the RING lines before a dial's answer (--ring).
  static constexpr std::int64_t kRingPeriodMs = 1000;

  LoggerModel(ModelConfig config, LoggerFiles files, EventSink sink, WallClock wall);

  void receive(std::string_view bytes, std::int64_t now);
  // The tool opened or closed the port.
  void lineOpened(std::int64_t now);
  void lineClosed(std::int64_t now);
  // The tool dropped DTR (seen only with modem lines): a modem that is online
  // hangs up and says NO CARRIER.
  void dtrDropped(std::int64_t now);

  std::string take(std::int64_t now, std::size_t max);
  std::optional<std::int64_t> nextDue(std::int64_t now) const;

  // When the adapter is to go away (--unplug-after), once due.
  std::optional<std::int64_t> unplugDue() const { return unplugAt_; }
  // The adapter went away: as a closed port, and the state says so.
  void unplugged(std::int64_t now);
  // It is back, on `device`.
  void pluggedIn(std::int64_t now, std::string_view device);

  const ModelState& state() const { return state_; }
  const LoggerFiles& files() const { return files_; }
  const ModelConfig& config() const { return config_; }
  // Grows on every change worth saving in the state file.
  std::uint64_t version() const { return version_; }
  // Grows whenever a file's content changes or a file goes.
  std::uint64_t filesVersion() const { return filesVersion_; }

 private:
  void runTimers(std::int64_t now);
  void handleLine(const std::string& line, std::int64_t now);
  void modemLine(const std::string& line, std::int64_t now);
  void loggerLine(const std::string& line, std::int64_t now);
  void hangup(std::int64_t now);
  void dropCarrier(Cmd cmd, std::int64_t now);
  void reject(std::int64_t now, const std::string& what);
  void forgetLine();
  // What a closed or vanished port means for the logger and its modem.
  void portGone();

  void serveTimeSet(std::string_view arg, std::int64_t now);
  void serveDir(std::int64_t now);
  void serveFsize(std::string_view arg, std::int64_t now);
  void serveFread(std::string_view arg, std::int64_t now);
  void serveDel(std::string_view arg, std::int64_t now);
  void serveCd(std::string_view arg, std::int64_t now);
  void fileEnded(const FileEnd& end, std::int64_t now);
  void writeNewRecord(std::int64_t now);
  RecordCount& countOf(const std::string& path);

  bool muted(Cmd cmd) const;
  std::int64_t delayFor(Cmd cmd) const;
  void reply(Cmd cmd, std::string_view text, std::int64_t now);
  void modemReply(Cmd cmd, ModemReply r, std::int64_t now);
  void note(std::int64_t now, std::string_view text);
  std::string clockText(bool seconds) const;
  std::string tagged(std::string line);
  void changed() { ++version_; }

  ModelConfig config_;
  LoggerFiles files_;
  EventSink sink_;
  WallClock wall_;
  OutputQueue out_;
  ModelState state_;
  std::string line_;
  std::string lastLine_;  // the line the last CR ended
  int plusRun_ = 0;
  bool swallowEsc_ = false;  // the ESC that closes the tool's escape sequence
  bool expectLf_ = false;    // a CR came: an LF must follow
  std::int64_t clockOffset_ = 0;
  std::mt19937 rng_;
  std::uint64_t version_ = 0;
  std::uint64_t filesVersion_ = 0;

  std::vector<RecordGenerator> generators_;  // the next record of each data file
  std::size_t nextAppendAt_ = 0;
  bool unplugPending_ = false;
  std::uint64_t unplugTag_ = 0;
  std::optional<std::int64_t> unplugAt_;
  std::uint64_t readTag_ = 0;
};

}  // namespace th::sim
