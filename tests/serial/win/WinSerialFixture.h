#pragma once
// The port component under Wine, on a pseudo-terminal linked into the prefix
// as COM10 by the far-end helper, with a real main loop.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/WinEventLoop.h"
#include "serial/SerialPort.h"
#include "tests/serial/Pump.h"
#include "tests/serial/win/FarEnd.h"

namespace th::test {

class WinSerialFixture : public ::testing::Test {
 protected:
  // The far end's pseudo-terminal, with modem lines through the shim unless
  // `lines` says otherwise, linked as COM10.
  void Connect(FarEnd::Lines lines) {
    line = std::make_unique<FarEnd>(lines);
    line->linkAs("COM10");
  }
  void SetUp() override {
    if (!FarEnd::Available()) {
      GTEST_SKIP() << "needs the far-end helper (run through ctest)";
    }
    Connect(FarEnd::Lines::Shim);
  }

  // Changes the port's settings through `change`.
  template <typename F>
  void Change(F change) {
    PortSettings settings = port.settings();
    change(settings);
    port.setSettings(settings);
  }

  // Records each notification and takes the bytes unless told not to.
  void Record(bool take = true) {
    port.setOnArrival([this, take](int count) {
      counts.push_back(count);
      threads.push_back(std::this_thread::get_id());
      if (take) {
        Text got;
        port.read(got, count);
        received += ToUtf8(got);
      }
    });
  }

  template <typename F>
  static int ErrorOf(F action, std::string& message, int& winCode) {
    try {
      action();
    } catch (const ESerialPort& e) {
      message = e.what();
      winCode = e.WinCode;
      return e.Code;
    }
    message.clear();
    return 0;
  }

  WinEventLoop loop;
  std::unique_ptr<FarEnd> line;
  SerialPort port{loop};
  std::vector<int> counts;
  std::vector<std::thread::id> threads;
  std::string received;
};

}  // namespace th::test
