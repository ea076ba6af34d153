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
  // Every command line comes back before its reply, as an echoing logger does.
  bool echo = false;
  // Delay of every reply, and the rate of a read (bytes per 10 ms).
  std::uint32_t replyDelayMs = 30;
  std::size_t bytesPer10Ms = 200;
  // Called with each command line before it is served.
  std::function<void(const std::string&)> onCommand;

  bool terminalMode = false;

 private:
  void receive(const std::string& bytes);
  void serve(const std::string& line);
  void reply(const std::string& text) { port_.deliver(text + "\r\n", replyDelayMs); }

  SimulatedPort& port_;
  std::string pending_;
};

// Generated data lines "yy-mm-dd hh:mm:ss,v1,v2", each ended by CR LF (30 bytes each
// with the default values).
std::string DataLines(int count, int firstMinute = 0, const std::string& values = ",1.25,-3.50");

}  // namespace th::test
