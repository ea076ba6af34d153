#pragma once
// A logger in terminal mode for virtual-time tests of the fetch: answers the
// terminal, listing, size, read and delete commands on a SimulatedPort, and
// misbehaves on request.
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/SimulatedPort.h"

namespace th::test {

class FakeLogger {
 public:
  explicit FakeLogger(SimulatedPort& port);

  // Files by logger path, e.g. "\\SL01\\SL010.TXT".
  std::map<std::string, std::string> files;
  // Paths in the order the DEL lines named them (every line, repeats included).
  std::vector<std::string> deleted;
  // Complete command lines received, without CR LF.
  std::vector<std::string> received;

  // Commands ("open", "close", "dir", "fsize", "fread") that get no reply.
  std::set<std::string> mute;
  // Reply to "FSIZE" for a path in place of "FS:<size>".
  std::map<std::string, std::string> sizeReply;
  // A read of this path sends only this many bytes.
  std::map<std::string, std::size_t> stopAfter;
  // The last `bytes` of a read of this path come `delayMs` after the rest.
  struct LateTail {
    std::size_t bytes;
    std::uint32_t delayMs;
  };
  std::map<std::string, LateTail> lateTail;
  // Bytes that come first in every read of this path: a prompt, a header, noise.
  std::map<std::string, std::string> readPrefix;
  // Bytes put into a read of this path before the file's byte `at`.
  struct Inserted {
    std::size_t at;
    std::string bytes;
  };
  std::map<std::string, Inserted> readNoise;
  // A read of this path holds still for `ms` before the `at`th byte it sends.
  struct Pause {
    std::size_t at;
    std::uint32_t ms;
  };
  std::map<std::string, Pause> readPause;
  // The size announced for this path is the file's size plus this.
  std::map<std::string, long> sizeOffset;
  // This many DEL lines are not taken (the file stays).
  int delsNotTaken = 0;
  // Every command line comes back before its reply, as an echoing logger does.
  bool echo = false;
  // Delay of every reply, and the rate of a read (bytes per 10 ms).
  std::uint32_t replyDelayMs = 30;
  std::size_t bytesPer10Ms = 200;
  // Called with each command line before it is served, and after.
  std::function<void(const std::string&)> onCommand;
  std::function<void(const std::string&)> afterCommand;
  // The rig's tick: replies wait until a file being sent has gone, as a
  // logger answers one command after the other.
  std::function<std::uint32_t()> clock;

  bool terminalMode = false;

 private:
  void receive(const std::string& bytes);
  void serve(const std::string& line);
  void reply(const std::string& text, std::uint32_t delayMs);
  void reply(const std::string& text) { reply(text, replyDelayMs); }
  // Sends what a read sends, paced, paused and with its late tail.
  void stream(const std::string& path, const std::string& bytes);
  std::uint32_t now() const { return clock ? clock() : 0; }

  SimulatedPort& port_;
  std::string pending_;
  std::uint32_t busyUntil_ = 0;  // tick when the last byte of a read has gone
};

// Generated data lines "yy-mm-dd hh:mm:ss,v1,v2", each ended by CR LF (30 bytes each
// with the default values).
std::string DataLines(int count, int firstMinute = 0, const std::string& values = ",1.25,-3.50");

}  // namespace th::test
