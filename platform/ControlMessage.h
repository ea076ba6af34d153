#pragma once
// The control message as it arrives from the parent program, on either
// system: a tag nobody uses, then `size` bytes of UTF-16LE text ended by a
// zero unit (`data` is null when size is 0).
#include <cstdint>

namespace th {

struct ControlMessage {
  std::uint64_t tag = 0;
  std::uint32_t size = 0;
  const std::uint8_t* data = nullptr;
};

}  // namespace th
