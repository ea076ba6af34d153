#pragma once
// The parent program's side of the control channel: finding a running tool and
// sending it the device number.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"

namespace th::send {

// The frame: dwData 0, cbData, the text as UTF-16LE with its zero unit.
std::vector<std::uint8_t> EncodeMessage(const Text& text);

// Process ids of the listening "TfTidehaul.<pid>" sockets in the text of
// /proc/net/unix, ascending, each once.
std::vector<int> ListeningPids(std::string_view procNetUnix);

// ListeningPids of this machine, narrowed to processes of the effective user.
struct Instances {
  std::vector<int> pids;
  std::string error;  // the table could not be read; pids is empty
};
// `table` is the socket table to read; the machine's own by default.
Instances FindOwnInstances(const std::string& table = "/proc/net/unix");

struct SendResult {
  bool ok = false;
  bool notListening = false;  // nobody listens on the name (yet)
  std::string error;
};

// Sends one message to the abstract name and waits up to replyTimeoutMs for
// the 8-byte reply.
SendResult SendMessage(const std::string& name, const std::vector<std::uint8_t>& frame,
                       int replyTimeoutMs);

}  // namespace th::send
