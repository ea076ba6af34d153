// The control message: the frame reader of the Linux socket fed a client's
// bytes as recv hands them over, and the handler that turns the message's data
// into lbMsg's text (shared with the Windows WM_COPYDATA handler).
#include <array>

#include "app/ControlFrame.h"
#include "tools/fuzz/support/Check.h"
#include "tools/fuzz/support/FuzzRig.h"
#include "tools/fuzz/support/Input.h"
#include "tools/fuzz/targets/Targets.h"

namespace th::fuzz {

namespace {

using Rig = FuzzRig<test::NullPort>;

std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t v = 0;
  for (std::size_t k = bytes.size(); k-- > 0;) {
    v = (v << 8) | static_cast<unsigned char>(bytes[k]);
  }
  return v;
}

// The UTF-16LE units up to the first zero unit or the end of the data (a lone
// last byte is no unit); of them the first four; of those the digits.
Text ExpectedLabel(const ControlMessage& msg) {
  Text units;
  if (msg.data != nullptr) {
    for (std::size_t i = 0; i + 2 <= msg.size; i += 2) {
      const auto unit = static_cast<char16_t>(msg.data[i] + 256 * msg.data[i + 1]);
      if (unit == 0) {
        break;
      }
      units.push_back(unit);
    }
  }
  Text label;
  for (const char16_t c : units.substr(0, 4)) {
    if (c >= u'0' && c <= u'9') {
      label.push_back(c);
    }
  }
  return label;
}

void HandleAndCheck(const ControlMessage& msg) {
  Rig rig;
  rig.view.setPendingDevice(u"x");
  rig.tool.shell.onControlMessage(msg);
  Expect(rig.view.pendingDevice() == ExpectedLabel(msg), "lbMsg shows another text");
}

}  // namespace

int CopyDataTarget(const std::uint8_t* data, std::size_t size) {
  ControlMessage msg;
  msg.size = static_cast<std::uint32_t>(size);
  msg.data = size == 0 ? nullptr : data;
  HandleAndCheck(msg);
  return 0;
}

int ControlFrameTarget(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  Choices choose(in.takeBack<std::uint32_t>());
  const std::string_view sent = in.rest();
  static constexpr std::array<std::size_t, 5> kRecvLimits = {1, 5, 12, 4096, 70000};
  const std::size_t recvLimit = kRecvLimits[choose.below(kRecvLimits.size())];

  // Each pass is one recv: at most what the reader wants and what has arrived.
  ControlFrame frame;
  std::size_t read = 0;
  while (frame.state() == ControlFrame::State::More && read < sent.size()) {
    const std::size_t wanted = frame.wanted();
    Expect(wanted > 0, "an unfinished frame wants nothing");
    const std::size_t offered = std::min(1 + choose.below(recvLimit), sent.size() - read);
    const std::size_t taken =
        frame.add(reinterpret_cast<const std::uint8_t*>(sent.data()) + read, offered);
    Expect(taken == std::min(offered, wanted), "the reader takes other than it wants");
    read += taken;
  }
  Expect(frame.state() == ControlFrame::State::More || frame.wanted() == 0,
         "a finished frame wants more");

  constexpr std::size_t kHeader = ControlFrame::kHeaderSize;
  if (sent.size() < kHeader) {
    Expect(frame.state() == ControlFrame::State::More, "a frame without its header ended");
    Expect(read == sent.size(), "the reader left header bytes unread");
    return 0;
  }
  const std::uint64_t cbData = LittleEndian(sent.substr(8, 4));
  if (cbData > ControlFrame::kMaxData) {
    Expect(frame.state() == ControlFrame::State::Refused, "an oversized frame is not refused");
    Expect(read == kHeader, "the reader read past the header of an oversized frame");
    return 0;
  }
  if (sent.size() < kHeader + cbData) {
    Expect(frame.state() == ControlFrame::State::More, "a frame without all its data ended");
    Expect(read == sent.size(), "the reader left data bytes unread");
    return 0;
  }
  Expect(frame.state() == ControlFrame::State::Complete, "a whole frame is not complete");
  Expect(read == kHeader + cbData, "the reader read past the end of the message");
  const ControlMessage msg = frame.message();
  Expect(msg.tag == LittleEndian(sent.substr(0, 8)), "dwData differs");
  Expect(msg.size == cbData, "cbData differs");
  Expect((msg.data == nullptr) == (cbData == 0), "lpData is null with data, or set without");
  if (msg.data != nullptr) {
    Expect(std::string_view(reinterpret_cast<const char*>(msg.data), msg.size) ==
               sent.substr(kHeader, cbData),
           "the data differs from what was sent");
  }
  HandleAndCheck(msg);
  return 0;
}

}  // namespace th::fuzz
