// The device control block and time-outs that the port's settings give, as
// data: Wine cannot show them on a pseudo-terminal (it runs 256000 baud at
// 38400 and has no flow control lines).
#include <gtest/gtest.h>

#include "serial/PortSettings.h"
#include "serial/win/Dcb.h"

namespace th::test {
namespace {

TEST(WinDcb, ToolPortGivesTheDocumentedBlockAtEveryRate) {
  for (const DWORD rate : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600,
                           115200, 128000, 256000}) {
    SCOPED_TRACE(rate);
    PortSettings settings;
    settings.baudRate = rate;
    const DCB dcb = win::MakeDcb(settings);
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, rate);
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
  const COMMTIMEOUTS t = win::MakeCommTimeouts(PortSettings{});
  EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
}

// Each setting reaches its own field of the block.
TEST(WinDcb, EverySettingReachesItsOwnField) {
  PortSettings s;
  s.dataBits = 7;
  s.parity = Parity::Mark;
  s.stopBits = StopBits::OneAndHalf;
  s.dtr = LineControl::Handshake;
  s.rts = LineControl::Toggle;
  s.inputQueue = 4000;
  DCB dcb = win::MakeDcb(s);
  EXPECT_EQ(dcb.ByteSize, 7);
  EXPECT_EQ(dcb.Parity, MARKPARITY);
  EXPECT_EQ(dcb.StopBits, ONE5STOPBITS);
  EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_HANDSHAKE));
  EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_TOGGLE));
  EXPECT_EQ(dcb.XonLim, 1000);
  EXPECT_EQ(dcb.XoffLim, 1000);

  for (const auto& [parity, value] :
       {std::pair{Parity::Odd, ODDPARITY}, std::pair{Parity::Even, EVENPARITY},
        std::pair{Parity::Space, SPACEPARITY}}) {
    s.parity = parity;
    EXPECT_EQ(win::MakeDcb(s).Parity, value);
  }
  s.stopBits = StopBits::Two;
  s.dtr = LineControl::Enabled;
  s.rts = LineControl::Handshake;
  dcb = win::MakeDcb(s);
  EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
  EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
  EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));

  s.timeouts = {5, 6, 7, 8, PortTimeouts::kLongest};
  const COMMTIMEOUTS t = win::MakeCommTimeouts(s);
  EXPECT_EQ(t.ReadIntervalTimeout, 5u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 6u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 7u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 8u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, MAXDWORD);
}

}  // namespace
}  // namespace th::test
