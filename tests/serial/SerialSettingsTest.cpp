// The settings groups, their rules and the line configuration they produce.
#include <gtest/gtest.h>

#include "platform/BasicEventLoop.h"
#include "serial/LineConfig.h"
#include "serial/SerialLinkPort.h"
#include "serial/linux/LinuxTermios2.h"
#include "tests/serial/SerialFixture.h"

namespace th::test {
namespace {

TEST(SerialSettings, ToolPortGivesTheDocumentedControlBlock) {
  BasicEventLoop loop;
  SerialLinkPort link(loop, "/nonexistent/");
  const TSerialPort& port = link.component();
  EXPECT_EQ(port.Port(), u"COM10");
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.SyncMethod(), smThreadSync);
  EXPECT_EQ(port.Events(), TSerialEvents::All());

  const LineConfig c = MakeLineConfig(port);
  EXPECT_EQ(c.DCBlength, 28U);
  EXPECT_EQ(c.BaudRate, 9600U);
  EXPECT_EQ(c.Flags, LineConfig::fBinary);
  EXPECT_EQ(c.ByteSize, 8);
  EXPECT_EQ(c.Parity, 0);
  EXPECT_EQ(c.StopBits, 0);
  EXPECT_EQ(c.XonChar, 17);
  EXPECT_EQ(c.XoffChar, 19);
  EXPECT_EQ(c.XonLim, 2560);
  EXPECT_EQ(c.XoffLim, 2560);
  EXPECT_EQ(c.ErrorChar, 0);
  EXPECT_EQ(c.EvtChar, 0);
  EXPECT_EQ(c.InputQueueSize, 10240);
  EXPECT_EQ(c.OutputQueueSize, 10240);
  EXPECT_EQ(c.ReadIntervalTimeout, 0xFFFFFFFFU);
  EXPECT_EQ(c.ReadTotalTimeoutMultiplier, 0U);
  EXPECT_EQ(c.ReadTotalTimeoutConstant, 0U);
  EXPECT_EQ(c.WriteTotalTimeoutMultiplier, 100U);
  EXPECT_EQ(c.WriteTotalTimeoutConstant, 1000U);
}

TEST(SerialSettings, EverySettingReachesItsControlBlockField) {
  BasicEventLoop loop;
  TSerialPort port(loop);
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  port.SetDataBits(dbFive);
  port.SetStopBits(sbOne5StopBits);
  port.SetDiscardNull(true);
  port.SetEventChar(u'\u0141');
  port.Parity().SetBits(prMark);
  port.Parity().SetCheck(true);
  port.Parity().SetReplace(true);
  port.Parity().SetReplaceChar(u'\u013F');
  port.FlowControl().SetOutDSRFlow(true);
  port.FlowControl().SetControlDTR(dtrHandshake);
  port.FlowControl().SetControlRTS(rtsToggle);
  port.FlowControl().SetDSRSensitivity(true);
  port.FlowControl().SetTxContinueOnXoff(true);
  port.Buffer().SetInputSize(4001);
  const LineConfig c = MakeLineConfig(port);
  EXPECT_EQ(c.BaudRate, 31250U);
  EXPECT_EQ(c.Flags, LineConfig::fBinary | LineConfig::fParity | LineConfig::fOutxDsrFlow | 0x0020 |
                         LineConfig::fDsrSensitivity | LineConfig::fTXContinueOnXoff |
                         LineConfig::fErrorChar | LineConfig::fNull | 0x3000);
  EXPECT_EQ(c.DtrControl(), 2U);
  EXPECT_EQ(c.RtsControl(), 3U);
  EXPECT_EQ(c.ByteSize, 5);
  EXPECT_EQ(c.StopBits, 1);
  EXPECT_EQ(c.Parity, 3);
  EXPECT_EQ(c.ErrorChar, 0x3F);
  EXPECT_EQ(c.EvtChar, 0x41);
  EXPECT_EQ(c.XonLim, 1000);  // 4000 / 4

  port.Parity().SetReplace(false);  // no replacement without both flags
  EXPECT_EQ(MakeLineConfig(port).ErrorChar, 0);
  EXPECT_FALSE(MakeLineConfig(port).Has(LineConfig::fErrorChar));
}

TEST(SerialSettings, PositiveOddBufferSizesAreLowered) {
  BasicEventLoop loop;
  TSerialPort port(loop);
  EXPECT_EQ(port.Buffer().InputSize(), 1024);
  port.Buffer().SetInputSize(10241);
  EXPECT_EQ(port.Buffer().InputSize(), 10240);
  port.Buffer().SetOutputSize(1);
  EXPECT_EQ(port.Buffer().OutputSize(), 0);
  port.Buffer().SetOutputSize(-3);
  EXPECT_EQ(port.Buffer().OutputSize(), -3);
}

TEST(SerialSettings, FlowControlIsDerivedAndWritingItResetsTheOthers) {
  BasicEventLoop loop;
  TSerialPort port(loop);
  TSerialFlowControl& f = port.FlowControl();
  EXPECT_EQ(f.FlowControl(), fcNone);
  f.SetFlowControl(fcHardware);
  EXPECT_EQ(f.ControlRTS(), rtsHandshake);
  EXPECT_TRUE(f.OutCTSFlow());
  EXPECT_EQ(f.FlowControl(), fcHardware);
  f.SetFlowControl(fcSoftware);
  EXPECT_EQ(f.ControlRTS(), rtsDisable);
  EXPECT_FALSE(f.OutCTSFlow());
  EXPECT_TRUE(f.XonXoffIn() && f.XonXoffOut());
  EXPECT_EQ(f.FlowControl(), fcSoftware);
  f.SetXonXoffIn(false);
  EXPECT_EQ(f.FlowControl(), fcCustom);
  f.SetFlowControl(fcCustom);  // changes nothing
  EXPECT_TRUE(f.XonXoffOut());
  EXPECT_FALSE(f.XonXoffIn());
  f.SetFlowControl(fcNone);
  EXPECT_FALSE(f.XonXoffIn() || f.XonXoffOut() || f.OutCTSFlow());
  f.SetControlRTS(rtsEnable);
  EXPECT_EQ(f.FlowControl(), fcCustom);
}

TEST(SerialSettings, AssigningAGroupCopiesEveryField) {
  BasicEventLoop loop;
  TSerialPort a(loop);
  TSerialPort b(loop);
  a.Timeouts().SetReadInterval(5);
  a.Timeouts().SetWriteTotalConstant(7);
  a.Parity().SetBits(prOdd);
  a.FlowControl().SetXonChar(1);
  a.Buffer().SetOutputSize(64);
  b.SetTimeouts(a.Timeouts());
  b.SetParity(a.Parity());
  b.SetFlowControl(a.FlowControl());
  b.SetBuffer(a.Buffer());
  EXPECT_EQ(b.Timeouts().ReadInterval(), 5);
  EXPECT_EQ(b.Timeouts().WriteTotalConstant(), 7);
  EXPECT_EQ(b.Parity().Bits(), prOdd);
  EXPECT_EQ(b.FlowControl().XonChar(), 1);
  EXPECT_EQ(b.Buffer().OutputSize(), 64);
}

TEST(SerialSettings, AdapterMapsTheFifteenRatesAndIgnoresOthers) {
  BasicEventLoop loop;
  SerialLinkPort link(loop, "/nonexistent/");
  for (const int baud : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600,
                         115200, 128000, 256000}) {
    link.setBaudRate(baud);
    EXPECT_EQ(link.baudRate(), baud);
    EXPECT_NE(link.component().BaudRate(), brCustom);
  }
  link.setBaudRate(9600);
  for (const int odd : {0, -1, 9601, 250000}) {
    link.setBaudRate(odd);
    EXPECT_EQ(link.baudRate(), 9600);
  }
}

TEST(SerialSettings, BatchedArrivalsWaitLessThanTheLineTakesToFillAQuarterOfTheQueue) {
  BasicEventLoop loop;
  SerialLinkPort link(loop, "/nonexistent/");
  EXPECT_EQ(QuarterQueueFillMs(MakeLineConfig(link.component())), 2666U);  // 2560 bytes at 9600
  link.setBaudRate(256000);
  EXPECT_EQ(QuarterQueueFillMs(MakeLineConfig(link.component())), 100U);
  LineConfig c;
  c.InputQueueSize = 1024;  // the component's default queue at 115200 baud
  c.BaudRate = 115200;
  EXPECT_EQ(QuarterQueueFillMs(c), 22U);
  c.BaudRate = 0;
  EXPECT_EQ(QuarterQueueFillMs(c), 0U);
  c.BaudRate = 9600;
  c.InputQueueSize = 0;
  EXPECT_EQ(QuarterQueueFillMs(c), 0U);
}

using SerialSettingsOpen = SerialFixture;

TEST_F(SerialSettingsOpen, ThreadSettingsRefuseChangesWhileConnected) {
  port.SetSyncMethod(smNone);  // closed: stored
  EXPECT_EQ(port.SyncMethod(), smNone);
  port.SetSyncMethod(smThreadSync);
  port.Open();
  std::string message;
  EXPECT_EQ(ErrorOf([&] { port.SetSyncMethod(smWindowSync); }, message), SError_ConnChangeProp);
  EXPECT_EQ(message, "Cannot set property while connected");
  EXPECT_EQ(port.SyncMethod(), smThreadSync);
  EXPECT_EQ(ErrorOf([&] { port.SetEventThreadPriority(tpHigher); }, message),
            SError_ConnChangeProp);
  EXPECT_EQ(port.EventThreadPriority(), tpNormal);
  EXPECT_EQ(ErrorOf([&] { port.SetSyncMethod(smThreadSync); }, message), 0);  // same value
}

TEST_F(SerialSettingsOpen, NestedUpdatesApplyOnceAtTheOutermostEnd) {
  port.Open();
  port.BeginUpdate();
  port.BeginUpdate();
  port.SetBaudRate(br57600);
  port.EndUpdate();
  tty::LineReadback line;
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
  EXPECT_EQ(line.OutputRate, 9600U);
  port.EndUpdate();
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
  EXPECT_EQ(line.OutputRate, 57600U);
  port.EndUpdate();  // not inside an update: nothing
}

TEST_F(SerialSettingsOpen, ConnectedWhileLoadingOnlyRecordsUntilLoaded) {
  port.BeginLoad();
  port.SetConnected(true);
  EXPECT_FALSE(port.Connected());
  port.Loaded();
  EXPECT_TRUE(port.Connected());
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
}

}  // namespace
}  // namespace th::test
