// Opening, closing, reading and writing on real pseudo-terminals.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "serial/linux/LinuxTermios2.h"
#include "tests/serial/SerialFixture.h"

namespace th::test {
namespace {

using SerialPortOpen = SerialFixture;

TEST_F(SerialPortOpen, OpenAndCloseAreIdempotent) {
  int opened = 0;
  int closed = 0;
  port.OnBeforeOpen = [&](TCustomSerialPort&) { ++opened; };
  port.OnAfterClose = [&](TCustomSerialPort&) { ++closed; };
  port.Close();  // closed already: nothing
  EXPECT_EQ(closed, 0);
  port.Open();
  const int handle = port.Handle();
  port.Open();  // open already: nothing
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(port.Handle(), handle);
  EXPECT_EQ(opened, 1);
  port.Close();
  port.Close();
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Handle(), -1);
  EXPECT_EQ(closed, 1);
  // The exclusive flag was cleared: the same device opens again.
  port.Open();
  EXPECT_TRUE(port.Connected());
}

// Linux releases the descriptor even when close() fails; a component that kept
// the number would later write into whatever file got it next.
TEST_F(SerialPortOpen, FailedCloseStillForgetsTheDescriptor) {
  port.Open();
  const int handle = port.Handle();
  ASSERT_EQ(::close(handle), 0);  // gone behind the component's back: its close fails
  port.Close();
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.Handle(), -1);

  int reuse[2];
  ASSERT_EQ(::pipe(reuse), 0);  // takes the lowest free numbers, the old one among them
  const bool reused = reuse[0] == handle || reuse[1] == handle;
  std::string message;
  EXPECT_EQ(ErrorOf([&] { port.WriteStr(u"stray"); }, message), SError_PortNotOpen);
  char c = 0;
  ::fcntl(reuse[0], F_SETFL, O_NONBLOCK);
  EXPECT_EQ(::read(reuse[0], &c, 1), -1);  // nothing reached the pipe
  ::close(reuse[0]);
  ::close(reuse[1]);
  EXPECT_TRUE(reused) << "the test did not reuse the descriptor";
}

TEST_F(SerialPortOpen, TwoDigitNameOpensThroughTheExecutableDirectoryLink) {
  port.Open();
  EXPECT_EQ(port.WriteStr(u"hi"), 2);
  EXPECT_EQ(far.receive(2), "hi");
}

TEST_F(SerialPortOpen, MissingPortsFailWithErrorTwoAndStayClosed) {
  std::string message;
  for (const Text name : {u"COM0", u"COM7x", u"LPT1", u"COM"}) {
    port.SetPort(name);
    EXPECT_EQ(ErrorOf([&] { port.Open(); }, message), SError_OpenFailed) << ToUtf8(name);
    EXPECT_EQ(message, "Unable to open com port (Error: 2)");
    EXPECT_FALSE(port.Connected());
  }
  // A link whose adapter is gone must not fall through to /dev/ttyS<n-1>.
  ASSERT_EQ(::symlink("/dev/does-not-exist", (dir.str() + "/COM1").c_str()), 0);
  port.SetPort(u"COM1");
  EXPECT_EQ(ErrorOf([&] { port.Open(); }, message), SError_OpenFailed);
  EXPECT_EQ(message, "Unable to open com port (Error: 2)");
  EXPECT_FALSE(port.Connected());
}

TEST_F(SerialPortOpen, PortHeldByAnotherProcessDoesNotOpen) {
  int ready[2];
  int release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Holds the port the way the component does, until told to let go.
    const int fd = ::open(far.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (held) {
      ::ioctl(fd, TIOCEXCL);
    }
    const char ok = held ? '1' : '0';
    (void)!::write(ready[1], &ok, 1);
    char c = 0;
    (void)!::read(release[0], &c, 1);
    if (held) {
      ::ioctl(fd, TIOCNXCL);
    }
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, '1');

  std::string message;
  EXPECT_EQ(ErrorOf([&] { port.Open(); }, message), SError_OpenFailed);
  EXPECT_EQ(message.rfind("Unable to open com port (Error: ", 0), 0U) << message;
  EXPECT_FALSE(port.Connected());

  (void)!::write(release[1], "x", 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  for (const int fd : {ready[0], ready[1], release[0], release[1]}) {
    ::close(fd);
  }
  port.Open();
  EXPECT_TRUE(port.Connected());
}

using SerialPortWrite = SerialFixture;

TEST_F(SerialPortWrite, SendsTheLowByteOfEachCharacterUntranslated) {
  port.Open();
  EXPECT_EQ(port.WriteStr(u"AB\r\n"), 4);
  EXPECT_EQ(far.receive(4), "AB\r\n");
  EXPECT_EQ(port.WriteStr(u"\u00E9\u20AC"), 2);
  EXPECT_EQ(far.receive(2), "\xE9\xAC");
  const Text withNul(u"a\0b", 3);
  EXPECT_EQ(port.WriteStr(withNul), 3);
  EXPECT_EQ(far.receive(3), std::string("a\0b", 3));
  EXPECT_EQ(far.drain(50), "");
}

// A write returns once the kernel has queued the bytes; Close must not throw
// away what is still on its way (the end of a modem's hang-up command).
TEST_F(SerialPortWrite, BytesWrittenJustBeforeCloseAllReachTheFarEnd) {
  port.SetBaudRate(br300);
  for (int trial = 0; trial < 50; ++trial) {
    SCOPED_TRACE(trial);
    port.Open();
    EXPECT_EQ(port.WriteStr(u"+++ATH0\r"), 8);
    port.Close();
    EXPECT_EQ(far.receive(8, 500), "+++ATH0\r");
  }
}

TEST_F(SerialPortWrite, EmptyTextSendsNothingEvenWhenClosed) {
  EXPECT_EQ(port.WriteStr(u""), 0);
  port.Open();
  EXPECT_EQ(port.WriteStr(u""), 0);
  EXPECT_EQ(far.drain(50), "");
}

TEST_F(SerialPortWrite, WriteIsBoundedByItsTimeLimit) {
  port.Timeouts().SetWriteTotalMultiplier(0);
  port.Timeouts().SetWriteTotalConstant(200);
  port.Open();
  // Nobody reads the far end, so the pseudo-terminal fills up.
  const Text big(1 << 20, u'x');
  const auto start = std::chrono::steady_clock::now();
  const int written = port.WriteStr(big);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GT(written, 0);
  EXPECT_LT(written, static_cast<int>(big.size()));
  EXPECT_GE(took, std::chrono::milliseconds(150));
  EXPECT_LT(took, std::chrono::milliseconds(2000));
}

using SerialPortRead = SerialFixture;

TEST_F(SerialPortRead, TakesWhatHasArrivedWithoutWaiting) {
  port.SetEvents(TSerialEvents());  // nothing else reads
  port.Open();
  Text got = u"old";
  EXPECT_EQ(port.ReadStr(got, 10), 0);  // none waiting
  EXPECT_EQ(got, u"");

  far.send(std::string("ab\0\xE9\r\n", 6));
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.InputCount() == 6; }));
  EXPECT_EQ(port.ReadStr(got, 0), 0);
  EXPECT_EQ(got, u"");
  EXPECT_EQ(port.ReadStr(got, 2), 2);  // fewer than waiting
  EXPECT_EQ(got, u"ab");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.ReadStr(got, 100000), 4);  // more than waiting: returns at once
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(got, Text(u"\0\u00E9\r\n", 4));
  EXPECT_EQ(port.InputCount(), 0);
}

TEST_F(SerialPortRead, UnreadBytesAreGoneAfterCloseAndReopen) {
  port.SetEvents(TSerialEvents());
  port.Open();
  far.send("stale");
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.InputCount() == 5; }));
  port.Close();
  port.Open();
  Text got;
  EXPECT_EQ(port.ReadStr(got, 100), 0);
  far.send("new");
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.InputCount() == 3; }));
  EXPECT_EQ(port.ReadStr(got, 100), 3);
  EXPECT_EQ(got, u"new");
}

using SerialPortClosed = SerialFixture;

TEST_F(SerialPortClosed, OperationsReportTheirErrors) {
  std::string message;
  Text got;
  EXPECT_EQ(ErrorOf([&] { port.WriteStr(u"x"); }, message), SError_PortNotOpen);
  EXPECT_EQ(message, "Port Not Open");
  EXPECT_EQ(ErrorOf([&] { port.ReadStr(got, 1); }, message), SError_PortNotOpen);
  EXPECT_EQ(message, "Port Not Open");
  EXPECT_EQ(port.ReadStr(got, 0), 0);  // nothing asked, nothing raised
  EXPECT_EQ(ErrorOf([&] { port.SetDTR(true); }, message), SError_EscapeComFailed);
  EXPECT_EQ(message, "EscapeCommFunction function failed (Error: 9)");
  EXPECT_EQ(ErrorOf([&] { port.SetRTS(false); }, message), SError_EscapeComFailed);
  EXPECT_EQ(ErrorOf([&] { port.InputCount(); }, message), SError_ClearComFailed);
  EXPECT_EQ(message, "ClearCommError function failed (Error: 9)");
}

TEST_F(SerialPortClosed, PortNotOpenCarriesNoSystemCode) {
  try {
    port.WriteStr(u"x");
    FAIL();
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.WinCode, -1);
  }
}

using SerialPortLines = SerialFixture;

TEST_F(SerialPortLines, PseudoTerminalTakesLineChangesAsNoOpsAndReportsLinesOff) {
  port.Open();
  port.SetDTR(true);
  port.SetRTS(true);
  port.SetDTR(false);
  port.SetRTS(false);
  const TSerialSignals lines = port.Signals();
  EXPECT_FALSE(lines.CTS || lines.DSR || lines.Ring || lines.RLSD);
}

TEST_F(SerialPortLines, LineSettingsReadBackRawEightNoneOneWithoutFlowControl) {
  port.Open();
  tty::LineReadback line;
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);  // the master sees the slave's settings
  EXPECT_TRUE(line.Raw);
  EXPECT_EQ(line.DataBits, 8);
  EXPECT_EQ(line.Parity, 0);
  EXPECT_EQ(line.StopBits, 1);
  EXPECT_FALSE(line.ParityCheck);
  EXPECT_FALSE(line.HardwareFlow);
  EXPECT_FALSE(line.XonXoffOut);
  EXPECT_FALSE(line.XonXoffIn);
  EXPECT_TRUE(line.Local);
  EXPECT_TRUE(line.Receiver);
  EXPECT_EQ(line.MinChars, 0);
  EXPECT_EQ(line.Time, 0);
  EXPECT_EQ(line.OutputRate, 9600U);
}

TEST_F(SerialPortLines, EveryRateReadsBackExactly) {
  port.Open();
  for (int r = br110; r <= br256000; ++r) {
    const auto rate = static_cast<TBaudRate>(r);
    port.SetBaudRate(rate);  // applied at once while open
    tty::LineReadback line;
    ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
    EXPECT_EQ(line.OutputRate, static_cast<std::uint32_t>(BaudRateValue(rate)));
    EXPECT_EQ(line.InputRate, static_cast<std::uint32_t>(BaudRateValue(rate)));
  }
  port.Close();
  port.SetBaudRate(br14400);  // closed: stored, applied by the next Open
  port.Open();
  tty::LineReadback line;
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
  EXPECT_EQ(line.OutputRate, 14400U);
}

// A pseudo-terminal forces 8 data bits without parity, so only the stop bits
// and the handshaking show here.
TEST_F(SerialPortLines, OtherFramesReachTheDevice) {
  port.Open();
  port.BeginUpdate();
  port.SetStopBits(sbTwoStopBits);
  port.FlowControl().SetFlowControl(fcSoftware);
  tty::LineReadback line;
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
  EXPECT_EQ(line.StopBits, 1);  // held back until EndUpdate
  port.EndUpdate();
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
  EXPECT_EQ(line.StopBits, 2);
  EXPECT_TRUE(line.XonXoffIn && line.XonXoffOut);
  EXPECT_EQ(line.XonChar, 17);
  EXPECT_EQ(line.XoffChar, 19);
}

TEST_F(SerialPortLines, ChangingThePortWhileOpenReopensOnTheNewName) {
  PseudoTerminal other;
  other.linkAs(dir.str() + "/COM11");
  port.Open();
  int opens = 0;
  port.OnAfterOpen = [&](TCustomSerialPort&) { ++opens; };
  port.SetPort(u"COM10");  // the same name: nothing
  EXPECT_EQ(opens, 0);
  port.SetPort(u"COM11");
  EXPECT_EQ(opens, 1);
  EXPECT_TRUE(port.Connected());
  port.WriteStr(u"z");
  EXPECT_EQ(other.receive(1), "z");
  EXPECT_EQ(far.drain(50), "");
}

}  // namespace
}  // namespace th::test
