// The tool's port settings and the rates its settings file may name.
#include <gtest/gtest.h>

#include "platform/BasicEventLoop.h"
#include "serial/SerialLinkPort.h"

namespace th::test {
namespace {

TEST(SerialSettings, ToolPortStartsClosedWithTheDocumentedSettings) {
  BasicEventLoop loop;
  SerialLinkPort link(loop, "/nonexistent/");
  EXPECT_FALSE(link.isOpen());
  const PortSettings& s = link.component().settings();
  EXPECT_EQ(s.name, u"COM10");
  EXPECT_EQ(s.baudRate, 9600U);
  EXPECT_EQ(s.dataBits, 8);
  EXPECT_EQ(s.parity, Parity::None);
  EXPECT_EQ(s.stopBits, StopBits::One);
  EXPECT_EQ(s.dtr, LineControl::Disabled);
  EXPECT_EQ(s.rts, LineControl::Disabled);
  EXPECT_EQ(s.inputQueue, 10240U);
  EXPECT_EQ(s.outputQueue, 10240U);
  EXPECT_EQ(s.timeouts.readInterval, 0xFFFFFFFFU);
  EXPECT_EQ(s.timeouts.readTotalMultiplier, 0U);
  EXPECT_EQ(s.timeouts.readTotalConstant, 0U);
  EXPECT_EQ(s.timeouts.writeTotalMultiplier, 100U);
  EXPECT_EQ(s.timeouts.writeTotalConstant, 1000U);
  EXPECT_TRUE(s.eventThread);
}

TEST(SerialSettings, AdapterTakesTheFifteenRatesAndIgnoresOthers) {
  BasicEventLoop loop;
  SerialLinkPort link(loop, "/nonexistent/");
  for (const int baud : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600,
                         115200, 128000, 256000}) {
    link.setBaudRate(baud);
    EXPECT_EQ(link.baudRate(), baud);
  }
  link.setBaudRate(9600);
  for (const int odd : {0, -1, 9601, 250000}) {
    link.setBaudRate(odd);
    EXPECT_EQ(link.baudRate(), 9600);
  }
  link.setName(u"COM3");
  EXPECT_EQ(link.name(), u"COM3");
  EXPECT_EQ(link.baudRate(), 9600);
}

TEST(SerialSettings, BatchedArrivalsWaitLessThanTheLineTakesToFillAQuarterOfTheQueue) {
  struct Case {
    std::uint32_t queue;
    std::uint32_t baud;
    std::uint32_t ms;
  };
  for (const Case c :
       {Case{10240, 9600, 2666},  // the tool's 2560 bytes at 9600
        Case{10240, 256000, 100}, Case{1024, 115200, 22}, Case{1024, 0, 0}, Case{0, 9600, 0}}) {
    PortSettings s;
    s.inputQueue = c.queue;
    s.baudRate = c.baud;
    EXPECT_EQ(QuarterQueueFillMs(s), c.ms) << c.queue << " bytes at " << c.baud;
  }
}

}  // namespace
}  // namespace th::test
