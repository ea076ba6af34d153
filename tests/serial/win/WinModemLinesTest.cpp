// The port component under Wine with modem lines (the shim of
// tools/wine-shim): the path Windows runs. A wait stays pending until
// something happens, DTR and RTS reach the far end, the far end's lines and
// errors reach the port.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/win/WinApi.h"
#include "serial/EventThread.h"
#include "tests/serial/win/WinSerialFixture.h"

namespace th::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class WinModemLines : public WinSerialFixture {
 protected:
  void SetUp() override {
    WinSerialFixture::SetUp();
    if (IsSkipped()) {
      return;
    }
    ASSERT_TRUE(line->hasModemLines()) << "the far end has no modem lines: no shim in the session";
    Record();
    port.setOnHangup([this](int error) { errors.push_back(error); });
  }

  std::vector<int> errors;
};

// Windows keeps a wait pending until the port reports an event. A wait that
// ends while nothing happens (as every wait did under Wine before the shim)
// fails this.
TEST_F(WinModemLines, AnIdlePortKeepsOneWaitPending) {
  port.open();
  PumpFor(loop, 1000);
  EXPECT_EQ(port.eventThread()->waits(), 1U);
  line->send("x");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "x"; }));
  PumpFor(loop, 1000);
  EXPECT_EQ(port.eventThread()->waits(), 2U);
}

TEST_F(WinModemLines, DtrAndRtsReachTheFarEndInOrder) {
  port.open();
  std::uint32_t changes = 0;
  line->dteHistory(0, changes);
  port.setRts(true);
  port.setDtr(true);
  port.setDtr(false);
  port.setRts(false);
  EXPECT_EQ(line->waitDte(FarEnd::kDtr | FarEnd::kRts, 0), 0U);
  std::uint32_t last = 0;
  EXPECT_EQ(
      line->dteHistory(changes, last),
      (std::vector<std::uint32_t>{FarEnd::kRts, FarEnd::kRts | FarEnd::kDtr, FarEnd::kRts, 0}));
}

// The carrier dropping after it was up ends the line at once, as a hang-up
// does (without a code), once; the modem's words after it still arrive.
TEST_F(WinModemLines, ACarrierDropIsReportedOnceAndTheModemStillTalks) {
  port.open();
  line->setLines(FarEnd::kCts | FarEnd::kDsr | FarEnd::kCarrier);
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.modemLines().carrier; }));
  const ModemLines up = port.modemLines();
  EXPECT_TRUE(up.cts && up.dsr && !up.ring);
  PumpFor(loop, 100);
  EXPECT_TRUE(errors.empty());
  const auto dropped = Clock::now();
  line->setLines(FarEnd::kCts | FarEnd::kDsr);
  ASSERT_TRUE(PumpUntil(loop, [&] { return !errors.empty(); }));
  EXPECT_LT(Clock::now() - dropped, milliseconds(100));
  EXPECT_EQ(errors, std::vector<int>{0});
  line->send("\r\nNO CARRIER\r\n");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "\r\nNO CARRIER\r\n"; }));
  line->setLines(FarEnd::kCarrier);
  line->setLines(0);
  PumpFor(loop, 200);
  EXPECT_EQ(errors.size(), 1U);
}

// A break, line errors and the ring indicator bring no bytes: nothing is
// reported, and arrivals go on.
TEST_F(WinModemLines, ABreakLineErrorsAndRingLeaveTheLineAlone) {
  port.open();
  line->count(modemlines::kBreak);
  line->count(modemlines::kFrame, 3);
  line->setLines(FarEnd::kRing);
  line->setLines(0);
  PumpFor(loop, 300);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(counts.empty());
  line->send("ok");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "ok"; }));
}

// Without modem lines Wine refuses the modem-line calls, as a driver of a
// port without them does on Windows: an error, not a silent no-op. Arrivals
// still come.
TEST_F(WinModemLines, ABarePortRefusesTheLinesButStillTalks) {
  Connect(FarEnd::Lines::None);
  port.open();
  std::string message;
  int winCode = 0;
  EXPECT_EQ(ErrorOf([&] { port.setDtr(false); }, message, winCode), SError_EscapeComFailed);
  EXPECT_EQ(message, "EscapeCommFunction function failed (Error: 50)");
  line->send("ok");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "ok"; }));
}

// The far end going away: Wine ends the wait aborted, then fails the port
// with ERROR_NOT_READY. The bytes before it are read, the hang-up comes once.
TEST_F(WinModemLines, TheFarEndGoingAwayIsAHangupWithItsCode) {
  port.open();
  line->send("bye");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "bye"; }));
  line->closeMaster();
  ASSERT_TRUE(PumpUntil(loop, [&] { return !errors.empty(); }));
  PumpFor(loop, 200);
  EXPECT_EQ(errors, std::vector<int>{static_cast<int>(ERROR_NOT_READY)});
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.eventThread()->ended(); }));
  port.close();
}

}  // namespace
}  // namespace th::test
