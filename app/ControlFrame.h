#pragma once
// One control message as it comes off the control socket: dwData (8 bytes LE),
// cbData (4 bytes LE), then cbData bytes of data. Bytes in, a message out, and
// no socket: the reader asks for no byte beyond the end of the message, so
// whatever a client sends after it stays unread.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ControlMessage.h"

namespace th {

class ControlFrame {
 public:
  static constexpr std::size_t kHeaderSize = 12;
  static constexpr std::uint32_t kMaxData = 65536;

  enum class State {
    More,      // wanted() more bytes may come
    Complete,  // message() is the whole message
    Refused,   // cbData above kMaxData: the connection ends without effect
  };

  // How many bytes may be read next: the rest of the header, then the rest of
  // the data. 0 once the frame is complete or refused.
  std::size_t wanted() const;
  // Takes the first min(size, wanted()) bytes; returns how many it took.
  std::size_t add(const std::uint8_t* data, std::size_t size);
  State state() const { return state_; }

  // The message of a complete frame; lpData points into this frame (null when
  // cbData is 0).
  ControlMessage message() const;

 private:
  std::vector<std::uint8_t> bytes_;  // header first, then the data
  std::uint32_t cbData_ = 0;
  bool headerDone_ = false;
  State state_ = State::More;
};

}  // namespace th
