#pragma once
// The bytes the tool writes, assembled into lines as the far end takes them:
// a CR ends a line and an LF must follow it; a line that never ends is
// dropped; while a modem is online, "+++" is its escape, not text.
#include <cstddef>
#include <string>

namespace th::sim {

class LineInput {
 public:
  // A line that never ends must not eat the memory.
  static constexpr std::size_t kMaxLine = 65536;

  // What one byte did: at most one rejection (reported first), then a line
  // that ended or the modem's escape.
  struct Step {
    std::string rejected;  // escaped, as the transcript notes it
    bool lineEnded = false;
    bool escape = false;
  };

  // `escapeArmed`: a modem is online in front of the logger.
  Step feed(char ch, bool escapeArmed);
  // The line the last CR ended.
  const std::string& lastLine() const { return lastLine_; }
  // The port closed: the line being assembled goes.
  void forget();

 private:
  std::string line_;
  std::string lastLine_;
  int plusRun_ = 0;
  bool swallowEsc_ = false;  // the ESC that closes the tool's escape sequence
  bool expectLf_ = false;    // a CR came: an LF must follow
};

}  // namespace th::sim
