#pragma once
// A port component on a pseudo-terminal linked as <temp dir>/COM10, with a
// real-time main loop.
#include <gtest/gtest.h>

#include <string>

#include "platform/BasicEventLoop.h"
#include "serial/SerialPort.h"
#include "tests/serial/PseudoTerminal.h"
#include "tests/serial/Pump.h"
#include "tests/support/TestPlatform.h"

namespace th::test {

class SerialFixture : public ::testing::Test {
 protected:
  SerialFixture() { far.linkAs(dir.str() + "/COM10"); }

  // Changes the port's settings through `change`.
  template <typename F>
  void Change(F change) {
    PortSettings settings = port.settings();
    change(settings);
    port.setSettings(settings);
  }

  // The code of the ESerialPort that `action` raises, with its message in `message`.
  template <typename F>
  static int ErrorOf(F action, std::string& message) {
    try {
      action();
    } catch (const ESerialPort& e) {
      message = e.what();
      return e.Code;
    }
    message.clear();
    return 0;
  }

  BasicEventLoop loop{BasicEventLoop::Clock::Steady};
  TempDir dir;
  PseudoTerminal far;
  SerialPort port{loop, dir.str() + "/"};
};

}  // namespace th::test
