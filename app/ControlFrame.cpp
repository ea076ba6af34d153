#include "app/ControlFrame.h"

#include <algorithm>

namespace th {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

std::uint64_t Le64(const std::uint8_t* p) {
  return std::uint64_t{Le32(p)} | (std::uint64_t{Le32(p + 4)} << 32);
}

}  // namespace

std::size_t ControlFrame::wanted() const {
  if (state_ != State::More) {
    return 0;
  }
  const std::size_t end = headerDone_ ? kHeaderSize + cbData_ : kHeaderSize;
  return end - bytes_.size();
}

std::size_t ControlFrame::add(const std::uint8_t* data, std::size_t size) {
  const std::size_t taken = std::min(size, wanted());
  bytes_.insert(bytes_.end(), data, data + taken);
  if (!headerDone_ && bytes_.size() == kHeaderSize) {
    cbData_ = Le32(bytes_.data() + 8);
    if (cbData_ > kMaxData) {
      state_ = State::Refused;
      return taken;
    }
    headerDone_ = true;
    bytes_.reserve(kHeaderSize + cbData_);
  }
  if (headerDone_ && bytes_.size() == kHeaderSize + cbData_) {
    state_ = State::Complete;
  }
  return taken;
}

ControlMessage ControlFrame::message() const {
  ControlMessage msg;
  if (state_ != State::Complete) {
    return msg;
  }
  msg.tag = Le64(bytes_.data());
  msg.size = cbData_;
  msg.data = cbData_ == 0 ? nullptr : bytes_.data() + kHeaderSize;
  return msg;
}

}  // namespace th
