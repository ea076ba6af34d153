// The size reply and the listing test. The size parser takes any text; then the
// size query or the directory listing runs in virtual time against a logger
// whose whole answer is the input, and must come out as the last complete line
// of that answer says.
#include <array>

#include "tests/link/ReferenceReceive.h"
#include "tests/support/SimulatedPort.h"
#include "tools/fuzz/support/Check.h"
#include "tools/fuzz/support/FuzzRig.h"
#include "tools/fuzz/support/Input.h"
#include "tools/fuzz/targets/Targets.h"

namespace th::fuzz {

namespace {

using Rig = FuzzRig<test::SimulatedPort>;

bool Blank(char16_t c) {
  return c == u' ' || c == u'\t';
}

// From the fourth character on: blanks, an optional sign, digits and nothing
// else, within 32 bits; -1 for anything else.
std::int32_t ExpectedSize(const Text& reply) {
  if (reply.size() <= 3) {
    return -1;
  }
  std::size_t i = 3;
  while (i < reply.size() && Blank(reply[i])) {
    ++i;
  }
  bool negative = false;
  if (i < reply.size() && (reply[i] == u'+' || reply[i] == u'-')) {
    negative = reply[i] == u'-';
    ++i;
  }
  if (i == reply.size()) {
    return -1;
  }
  std::int64_t value = 0;
  for (; i < reply.size(); ++i) {
    if (reply[i] < u'0' || reply[i] > u'9') {
      return -1;
    }
    value = value * 10 + (reply[i] - u'0');
    if (value > std::int64_t{1} << 32) {
      return -1;
    }
  }
  value = negative ? -value : value;
  if (value < INT32_MIN || value > INT32_MAX) {
    return -1;
  }
  return static_cast<std::int32_t>(value);
}

bool LooksLikeListing(const Text& line) {
  for (const char16_t c : line) {
    if (c == u'\\' || c == u'.' || c == u']' || c == u')') {
      return true;
    }
  }
  return false;
}

std::size_t WritesOf(const test::SimulatedPort& port, const std::string& line) {
  std::size_t n = 0;
  for (const auto& w : port.writes()) {
    n += w.bytes == line ? 1 : 0;
  }
  return n;
}

}  // namespace

int TerminalRepliesTarget(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const auto steer = in.takeBack<std::uint8_t>();
  const std::string reply = in.restString();
  const Text replyText = BytesToText(reply);

  Rig rig;
  rig.tool.receivePath.setYear(u"24");
  Expect(ParseSizeReply(replyText) == ExpectedSize(replyText),
         "a size reply parses to another size");

  // What the receive path makes of the answer: its last complete line is what
  // the exchange tests at the end of its first step.
  Text pending;
  const std::vector<Text> lines =
      test::ReferenceLines(replyText, pending, rig.tool.receivePath.year());
  const Text last = lines.empty() ? Text() : lines.back();

  rig.port.open();
  bool answered = false;
  rig.port.setResponder([&](const std::string&) {
    if (!answered) {
      answered = true;
      rig.port.deliver(reply);
    }
  });
  static constexpr std::array<Route, 4> kRoutes = {Route::ReceiveLog, Route::Download1,
                                                   Route::Download2, Route::Nowhere};
  rig.tool.reception.routeTo(kRoutes[static_cast<std::size_t>(steer >> 1) % 4]);
  if ((steer & 1) == 0) {
    const SizeReply result = rig.tool.terminal.askSize(u"\\SL01\\SL010.TXT");
    // The command's own echo is no reply.
    const bool sized = last.size() >= 2 && last != u"FSIZE \\SL01\\SL010.TXT";
    Expect(result.replied == sized,
           "the size query's result is not whether a line of 2 other than the echo came");
    Expect(result.size == (sized ? ExpectedSize(last) : -1), "the size query gives another size");
    Expect(WritesOf(rig.port, "FSIZE \\SL01\\SL010.TXT\r\n") == (sized ? 1U : 2U),
           "the size query is sent another number of times");
  } else {
    const bool result = rig.tool.terminal.listDirectory();
    const bool listed = LooksLikeListing(last);
    Expect(result == listed, "the listing's result is not the last line's test");
    Expect(WritesOf(rig.port, "DIR\r\n") == (listed ? 1U : 2U),
           "the listing is sent another number of times");
    std::size_t shown = 0;
    for (const Text& line : lines) {
      shown += line.empty() ? 0 : 1;
    }
    Expect(rig.panes.receiveLog.count() == shown, "the listing does not keep every line");
  }
  Expect(rig.tool.reception.lastLine().empty(), "the exchange leaves its last line");
  Expect(rig.tool.reception.route() == Route::ReceiveLog, "the exchange leaves another routing");
  Expect(rig.tool.reception.partialLine() == pending,
         "the line under assembly is not the answer's tail");
  return 0;
}

}  // namespace th::fuzz
