// The device control block and time-outs that the port's settings give, as
// data: Wine cannot show them on a pseudo-terminal (it runs 256000 baud at
// 38400 and has no flow control lines).
#include <gtest/gtest.h>

#include "platform/BasicEventLoop.h"
#include "serial/LineConfig.h"
#include "serial/SerialLinkPort.h"
#include "serial/win/Dcb.h"

namespace th::test {
namespace {

TEST(WinDcb, ToolPortGivesTheDocumentedBlockAtEveryRate) {
  BasicEventLoop loop;
  SerialLinkPort link(loop, "");
  for (int r = br110; r <= br256000; ++r) {
    const auto rate = static_cast<TBaudRate>(r);
    SCOPED_TRACE(BaudRateValue(rate));
    link.component().SetBaudRate(rate);
    const DCB dcb = win::MakeDcb(MakeLineConfig(link.component()));
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, static_cast<DWORD>(BaudRateValue(rate)));
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fParity, 0u);
    EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
    EXPECT_EQ(dcb.fDsrSensitivity, 0u);
    EXPECT_EQ(dcb.fTXContinueOnXoff, 0u);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    EXPECT_EQ(dcb.fErrorChar, 0u);
    EXPECT_EQ(dcb.fNull, 0u);
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
    EXPECT_EQ(dcb.fAbortOnError, 0u);
    EXPECT_EQ(dcb.XonLim, 2560);
    EXPECT_EQ(dcb.XoffLim, 2560);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.ErrorChar, 0);
    EXPECT_EQ(dcb.EofChar, 0);
    EXPECT_EQ(dcb.EvtChar, 0);
  }
  const COMMTIMEOUTS t = win::MakeCommTimeouts(MakeLineConfig(link.component()));
  EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
}

// Each setting group, one field at a time, reaches its own field of the block
// and no other.
TEST(WinDcb, EverySettingReachesItsOwnField) {
  BasicEventLoop loop;
  TSerialPort port(loop);
  const DCB base = win::MakeDcb(MakeLineConfig(port));
  const auto block = [&] { return win::MakeDcb(MakeLineConfig(port)); };

  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  EXPECT_EQ(block().BaudRate, 31250u);
  port.SetDataBits(dbSeven);
  EXPECT_EQ(block().ByteSize, 7);
  port.SetDataBits(dbFive);
  EXPECT_EQ(block().ByteSize, 5);
  port.SetStopBits(sbOne5StopBits);
  EXPECT_EQ(block().StopBits, ONE5STOPBITS);
  port.SetStopBits(sbTwoStopBits);
  EXPECT_EQ(block().StopBits, TWOSTOPBITS);
  port.SetDiscardNull(true);
  EXPECT_EQ(block().fNull, 1u);
  port.SetEventChar(u'\u0141');
  EXPECT_EQ(block().EvtChar, 0x41);

  for (const auto& [bits, value] :
       {std::pair{prOdd, ODDPARITY}, std::pair{prEven, EVENPARITY}, std::pair{prMark, MARKPARITY},
        std::pair{prSpace, SPACEPARITY}}) {
    port.Parity().SetBits(bits);
    EXPECT_EQ(block().Parity, value);
  }
  port.Parity().SetReplaceChar(u'\u013F');
  port.Parity().SetReplace(true);
  EXPECT_EQ(block().fErrorChar, 0u);  // replacement needs the check too
  EXPECT_EQ(block().ErrorChar, 0);
  port.Parity().SetCheck(true);
  EXPECT_EQ(block().fParity, 1u);
  EXPECT_EQ(block().fErrorChar, 1u);
  EXPECT_EQ(block().ErrorChar, 0x3F);

  TSerialFlowControl& flow = port.FlowControl();
  flow.SetFlowControl(fcHardware);
  EXPECT_EQ(block().fOutxCtsFlow, 1u);
  EXPECT_EQ(block().fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
  EXPECT_EQ(block().fOutX, 0u);
  flow.SetFlowControl(fcSoftware);
  EXPECT_EQ(block().fOutX, 1u);
  EXPECT_EQ(block().fInX, 1u);
  EXPECT_EQ(block().fOutxCtsFlow, 0u);
  EXPECT_EQ(block().fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
  flow.SetOutDSRFlow(true);
  EXPECT_EQ(block().fOutxDsrFlow, 1u);
  flow.SetDSRSensitivity(true);
  EXPECT_EQ(block().fDsrSensitivity, 1u);
  flow.SetTxContinueOnXoff(true);
  EXPECT_EQ(block().fTXContinueOnXoff, 1u);
  for (const auto& [mode, value] :
       {std::pair{dtrDisable, DTR_CONTROL_DISABLE}, std::pair{dtrEnable, DTR_CONTROL_ENABLE},
        std::pair{dtrHandshake, DTR_CONTROL_HANDSHAKE}}) {
    flow.SetControlDTR(mode);
    EXPECT_EQ(block().fDtrControl, static_cast<DWORD>(value));
  }
  for (const auto& [mode, value] :
       {std::pair{rtsDisable, RTS_CONTROL_DISABLE}, std::pair{rtsEnable, RTS_CONTROL_ENABLE},
        std::pair{rtsHandshake, RTS_CONTROL_HANDSHAKE}, std::pair{rtsToggle, RTS_CONTROL_TOGGLE}}) {
    flow.SetControlRTS(mode);
    EXPECT_EQ(block().fRtsControl, static_cast<DWORD>(value));
  }
  flow.SetXonChar(1);
  flow.SetXoffChar(2);
  EXPECT_EQ(block().XonChar, 1);
  EXPECT_EQ(block().XoffChar, 2);
  EXPECT_EQ(block().fAbortOnError, 0u);  // never set

  port.Buffer().SetInputSize(4001);
  EXPECT_EQ(block().XonLim, 1000);
  EXPECT_EQ(block().XoffLim, 1000);
  EXPECT_EQ(base.XonLim, 256);  // the component's own 1024-byte queue

  port.Timeouts().SetReadInterval(5);
  port.Timeouts().SetReadTotalMultiplier(6);
  port.Timeouts().SetReadTotalConstant(7);
  port.Timeouts().SetWriteTotalMultiplier(8);
  port.Timeouts().SetWriteTotalConstant(-1);
  const COMMTIMEOUTS t = win::MakeCommTimeouts(MakeLineConfig(port));
  EXPECT_EQ(t.ReadIntervalTimeout, 5u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 6u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 7u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 8u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, MAXDWORD);
}

TEST(WinDcb, EventMaskFollowsTheEventTable) {
  EXPECT_EQ(win::EventsToMask(TSerialEvents::All()), 0x05FFu);
  TSerialEvents some;
  some.Include(evRxChar);
  some.Include(evRx80Full);
  EXPECT_EQ(win::EventsToMask(some), static_cast<DWORD>(EV_RXCHAR | EV_RX80FULL));
  EXPECT_EQ(win::EventsToMask(TSerialEvents()), 0u);
}

}  // namespace
}  // namespace th::test
