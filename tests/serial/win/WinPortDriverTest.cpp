// The port component on Windows over drivers that Wine cannot play
// (FakeDeviceApi): refused rates and modem-line calls, a removed adapter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/WinEventLoop.h"
#include "serial/SerialPort.h"
#include "tests/serial/Pump.h"
#include "tests/serial/win/FakeDeviceApi.h"

namespace th::test {
namespace {

using Fake = FakeDeviceApi;

class WinPortDriver : public ::testing::Test {
 protected:
  template <typename F>
  static std::string ErrorOf(F action) {
    try {
      action();
    } catch (const ESerialPort& e) {
      return e.what();
    }
    return "";
  }
  // Records what the handlers hear.
  void Record() {
    port.setOnArrival([this](int count) {
      Text text;
      port.read(text, count);
      received += ToUtf8(text);
    });
    port.setOnHangup([this](int error) { errors.push_back(error); });
  }
  void Rate(std::uint32_t baud) {
    PortSettings settings = port.settings();
    settings.baudRate = baud;
    port.setSettings(settings);
  }

  WinEventLoop loop;
  Fake driver;
  SerialPort port{loop, "", &driver};
  std::vector<int> errors;
  std::string received;
};

// A 16550 cannot run 56000, 128000 or 256000 baud: the driver refuses the
// control block, the open fails with the system's code and the port stays
// closed; while open, the port keeps the rate it had.
TEST_F(WinPortDriver, ARefusedRateFailsWithItsCode) {
  driver.refuseRates({56000, 128000, 256000});
  for (const std::uint32_t baud : {56000U, 128000U, 256000U}) {
    Rate(baud);
    EXPECT_EQ(ErrorOf([&] { port.open(); }), "SetCommState function failed (Error: 87)");
    EXPECT_FALSE(port.isOpen());
  }
  Rate(115200);
  port.open();
  EXPECT_EQ(ErrorOf([&] { Rate(256000); }), "SetCommState function failed (Error: 87)");
  EXPECT_TRUE(port.isOpen());
}

// ERROR_NOT_SUPPORTED from the modem-line calls is the driver's refusal: the
// DTR hang-up must not pass as done. Opening does not ask for the lines.
TEST_F(WinPortDriver, ARefusedModemLineCallIsAnError) {
  driver.refuseModemLines(ERROR_NOT_SUPPORTED);
  port.open();
  EXPECT_EQ(ErrorOf([&] { port.setDtr(false); }), "EscapeCommFunction function failed (Error: 50)");
  EXPECT_EQ(ErrorOf([&] { port.setRts(true); }), "EscapeCommFunction function failed (Error: 50)");
  EXPECT_EQ(ErrorOf([&] { port.modemLines(); }), "GetCommModemStatus function failed (Error: 50)");
  driver.refuseModemLines(0);
  port.setDtr(true);
  EXPECT_EQ(driver.lastEscape(), static_cast<DWORD>(SETDTR));
}

// A pulled adapter: the bytes that came before are read, then the hang-up is
// reported once, with the code.
TEST_F(WinPortDriver, ARemovedAdapterIsReportedOnceWithItsCode) {
  Record();
  driver.setInput("last");
  driver.scriptWaits({Fake::Complete(EV_RXCHAR), Fake::Fail(ERROR_DEVICE_NOT_CONNECTED)});
  port.open();
  ASSERT_TRUE(PumpUntil(loop, [&] { return !errors.empty(); }));
  PumpFor(loop, 100);
  EXPECT_EQ(received, "last");
  EXPECT_EQ(errors, std::vector<int>{ERROR_DEVICE_NOT_CONNECTED});
  EXPECT_TRUE(port.isOpen());
  port.close();
}

// A carrier drop while the modem's line is up ends a running read at once:
// the port reports it (code 0) and the modem's words still arrive.
TEST_F(WinPortDriver, ACarrierDropIsReportedOnceAndBytesStillCome) {
  Record();
  driver.setModemStatus(MS_RLSD_ON);
  port.open();
  PumpFor(loop, 50);
  driver.setModemStatus(0);
  driver.completePending(EV_RLSD);
  ASSERT_TRUE(PumpUntil(loop, [&] { return !errors.empty(); }));
  EXPECT_EQ(errors, std::vector<int>{0});
  PumpFor(loop, 50);
  driver.setInput("NO CARRIER\r\n");
  driver.completePending(EV_RXCHAR);
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "NO CARRIER\r\n"; }));
  EXPECT_EQ(errors.size(), 1U);
  port.close();
}

}  // namespace
}  // namespace th::test
