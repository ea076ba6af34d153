#pragma once
// When the USB adapter is to be pulled: after part of a file read, once the
// bytes of that part have left (and a grace for the tool to read them).
#include <cstddef>
#include <cstdint>
#include <optional>

#include "tools/logger-sim/ModelConfig.h"

namespace th::sim {

class UnplugPlan {
 public:
  // How long an unplug waits after the read's last byte, so the tool has it.
  static constexpr std::int64_t kGraceMs = 100;

  explicit UnplugPlan(std::optional<FreadStop> afterRead)
      : afterRead_(afterRead), pending_(afterRead.has_value()) {}

  // Until the unplug comes, every read starting is cut where it is to happen:
  // the bytes of a file of `size` that go before it.
  std::optional<std::size_t> cutRead(std::size_t size) const {
    return pending_ ? std::optional(afterRead_->bytesOf(size)) : std::nullopt;
  }
  // The read (by its tag) that the unplug follows.
  void armedOn(std::uint64_t tag) { tag_ = tag; }
  void readEnded(std::uint64_t tag, std::int64_t now) {
    if (pending_ && tag == tag_) {
      pending_ = false;
      due_ = now + kGraceMs;
    }
  }
  std::optional<std::int64_t> due() const { return due_; }
  // Done: the adapter went, once.
  void happened() {
    due_.reset();
    pending_ = false;
  }

 private:
  std::optional<FreadStop> afterRead_;
  bool pending_ = false;
  std::uint64_t tag_ = 0;
  std::optional<std::int64_t> due_;
};

}  // namespace th::sim
