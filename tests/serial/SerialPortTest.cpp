// Opening, closing, reading and writing on real pseudo-terminals.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "serial/linux/Termios2.h"
#include "tests/serial/SerialFixture.h"

namespace th::test {
namespace {

using SerialPortOpen = SerialFixture;

TEST_F(SerialPortOpen, OpenAndCloseAreIdempotent) {
  port.close();  // closed already: nothing
  EXPECT_FALSE(port.isOpen());
  port.open();
  const auto handle = port.handle();
  port.open();  // open already: nothing
  EXPECT_TRUE(port.isOpen());
  EXPECT_EQ(port.handle(), handle);
  port.close();
  port.close();
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(port.handle(), kNoDevice);
  // The exclusive flag was cleared: the same device opens again.
  port.open();
  EXPECT_TRUE(port.isOpen());
}

// Linux releases the descriptor even when close() fails; a component that kept
// the number would later write into whatever file got it next.
TEST_F(SerialPortOpen, FailedCloseStillForgetsTheDescriptor) {
  port.open();
  const auto handle = static_cast<int>(port.handle());
  ASSERT_EQ(::close(handle), 0);  // gone behind the component's back: its close fails
  port.close();
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(port.handle(), kNoDevice);

  int reuse[2];
  ASSERT_EQ(::pipe(reuse), 0);  // takes the lowest free numbers, the old one among them
  const bool reused = reuse[0] == handle || reuse[1] == handle;
  std::string message;
  EXPECT_EQ(ErrorOf([&] { port.write(u"stray"); }, message), SError_PortNotOpen);
  char c = 0;
  ::fcntl(reuse[0], F_SETFL, O_NONBLOCK);
  EXPECT_EQ(::read(reuse[0], &c, 1), -1);  // nothing reached the pipe
  ::close(reuse[0]);
  ::close(reuse[1]);
  EXPECT_TRUE(reused) << "the test did not reuse the descriptor";
}

TEST_F(SerialPortOpen, TwoDigitNameOpensThroughTheExecutableDirectoryLink) {
  port.open();
  EXPECT_EQ(port.write(u"hi"), 2);
  EXPECT_EQ(far.receive(2), "hi");
}

TEST_F(SerialPortOpen, MissingPortsFailWithErrorTwoAndStayClosed) {
  std::string message;
  for (const Text name : {u"COM0", u"COM7x", u"LPT1", u"COM"}) {
    Change([&](PortSettings& s) { s.name = name; });
    EXPECT_EQ(ErrorOf([&] { port.open(); }, message), SError_OpenFailed) << ToUtf8(name);
    EXPECT_EQ(message, "Unable to open com port (Error: 2)");
    EXPECT_FALSE(port.isOpen());
  }
  // A link whose adapter is gone must not fall through to /dev/ttyS<n-1>.
  ASSERT_EQ(::symlink("/dev/does-not-exist", (dir.str() + "/COM1").c_str()), 0);
  Change([](PortSettings& s) { s.name = u"COM1"; });
  EXPECT_EQ(ErrorOf([&] { port.open(); }, message), SError_OpenFailed);
  EXPECT_EQ(message, "Unable to open com port (Error: 2)");
  EXPECT_FALSE(port.isOpen());
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
  EXPECT_EQ(ErrorOf([&] { port.open(); }, message), SError_OpenFailed);
  EXPECT_EQ(message.rfind("Unable to open com port (Error: ", 0), 0U) << message;
  EXPECT_FALSE(port.isOpen());

  (void)!::write(release[1], "x", 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  for (const int fd : {ready[0], ready[1], release[0], release[1]}) {
    ::close(fd);
  }
  port.open();
  EXPECT_TRUE(port.isOpen());
}

using SerialPortWrite = SerialFixture;

TEST_F(SerialPortWrite, SendsTheLowByteOfEachCharacterUntranslated) {
  port.open();
  EXPECT_EQ(port.write(u"AB\r\n"), 4);
  EXPECT_EQ(far.receive(4), "AB\r\n");
  EXPECT_EQ(port.write(u"\u00E9\u20AC"), 2);
  EXPECT_EQ(far.receive(2), "\xE9\xAC");
  const Text withNul(u"a\0b", 3);
  EXPECT_EQ(port.write(withNul), 3);
  EXPECT_EQ(far.receive(3), std::string("a\0b", 3));
  EXPECT_EQ(far.drain(50), "");
}

// A write returns once the kernel has queued the bytes; close must not throw
// away what is still on its way (the end of a modem's hang-up command).
TEST_F(SerialPortWrite, BytesWrittenJustBeforeCloseAllReachTheFarEnd) {
  Change([](PortSettings& s) { s.baudRate = 300; });
  for (int trial = 0; trial < 50; ++trial) {
    SCOPED_TRACE(trial);
    port.open();
    EXPECT_EQ(port.write(u"+++ATH0\r"), 8);
    port.close();
    EXPECT_EQ(far.receive(8, 500), "+++ATH0\r");
  }
}

TEST_F(SerialPortWrite, EmptyTextSendsNothingEvenWhenClosed) {
  EXPECT_EQ(port.write(u""), 0);
  port.open();
  EXPECT_EQ(port.write(u""), 0);
  EXPECT_EQ(far.drain(50), "");
}

TEST_F(SerialPortWrite, WriteIsBoundedByItsTimeLimit) {
  Change([](PortSettings& s) {
    s.timeouts.writeTotalMultiplier = 0;
    s.timeouts.writeTotalConstant = 200;
  });
  port.open();
  // Nobody reads the far end, so the pseudo-terminal fills up.
  const Text big(1 << 20, u'x');
  const auto start = std::chrono::steady_clock::now();
  const int written = port.write(big);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GT(written, 0);
  EXPECT_LT(written, static_cast<int>(big.size()));
  EXPECT_GE(took, std::chrono::milliseconds(150));
  EXPECT_LT(took, std::chrono::milliseconds(2000));
}

using SerialPortRead = SerialFixture;

TEST_F(SerialPortRead, TakesWhatHasArrivedWithoutWaiting) {
  Change([](PortSettings& s) { s.eventThread = false; });  // nothing else reads
  port.open();
  Text got = u"old";
  EXPECT_EQ(port.read(got, 10), 0);  // none waiting
  EXPECT_EQ(got, u"");

  far.send(std::string("ab\0\xE9\r\n", 6));
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.inputCount() == 6; }));
  EXPECT_EQ(port.read(got, 0), 0);
  EXPECT_EQ(got, u"");
  EXPECT_EQ(port.read(got, 2), 2);  // fewer than waiting
  EXPECT_EQ(got, u"ab");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.read(got, 100000), 4);  // more than waiting: returns at once
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(got, Text(u"\0\u00E9\r\n", 4));
  EXPECT_EQ(port.inputCount(), 0);
}

TEST_F(SerialPortRead, UnreadBytesAreGoneAfterCloseAndReopen) {
  Change([](PortSettings& s) { s.eventThread = false; });
  port.open();
  far.send("stale");
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.inputCount() == 5; }));
  port.close();
  port.open();
  Text got;
  EXPECT_EQ(port.read(got, 100), 0);
  far.send("new");
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.inputCount() == 3; }));
  EXPECT_EQ(port.read(got, 100), 3);
  EXPECT_EQ(got, u"new");
}

using SerialPortClosed = SerialFixture;

TEST_F(SerialPortClosed, OperationsReportTheirErrors) {
  std::string message;
  Text got;
  EXPECT_EQ(ErrorOf([&] { port.write(u"x"); }, message), SError_PortNotOpen);
  EXPECT_EQ(message, "Port Not Open");
  EXPECT_EQ(ErrorOf([&] { port.read(got, 1); }, message), SError_PortNotOpen);
  EXPECT_EQ(message, "Port Not Open");
  EXPECT_EQ(port.read(got, 0), 0);  // nothing asked, nothing raised
  EXPECT_EQ(ErrorOf([&] { port.setDtr(true); }, message), SError_EscapeComFailed);
  EXPECT_EQ(message, "EscapeCommFunction function failed (Error: 9)");
  EXPECT_EQ(ErrorOf([&] { port.setRts(false); }, message), SError_EscapeComFailed);
  EXPECT_EQ(ErrorOf([&] { port.inputCount(); }, message), SError_ClearComFailed);
  EXPECT_EQ(message, "ClearCommError function failed (Error: 9)");
  try {
    port.write(u"x");
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.WinCode, -1);  // Port Not Open carries no system code
  }
}

using SerialPortLines = SerialFixture;

TEST_F(SerialPortLines, PseudoTerminalTakesLineChangesAsNoOpsAndReportsLinesOff) {
  port.open();
  port.setDtr(true);
  port.setRts(true);
  port.setDtr(false);
  port.setRts(false);
  const ModemLines lines = port.modemLines();
  EXPECT_FALSE(lines.cts || lines.dsr || lines.ring || lines.carrier);
}

TEST_F(SerialPortLines, LineSettingsReadBackRawEightNoneOneWithoutFlowControl) {
  port.open();
  tty::LineReadback line;
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);  // the master sees the slave's settings
  EXPECT_TRUE(line.raw);
  EXPECT_EQ(line.dataBits, 8);
  EXPECT_EQ(line.parity, 0);
  EXPECT_EQ(line.stopBits, 1);
  EXPECT_FALSE(line.parityCheck);
  EXPECT_FALSE(line.hardwareFlow);
  EXPECT_FALSE(line.xonXoffOut);
  EXPECT_FALSE(line.xonXoffIn);
  EXPECT_TRUE(line.local);
  EXPECT_TRUE(line.receiver);
  EXPECT_EQ(line.minChars, 0);
  EXPECT_EQ(line.time, 0);
  EXPECT_EQ(line.outputRate, 9600U);
}

TEST_F(SerialPortLines, EveryRateReadsBackExactly) {
  port.open();
  for (const std::uint32_t rate : {110U, 300U, 600U, 1200U, 2400U, 4800U, 9600U, 14400U, 19200U,
                                   38400U, 56000U, 57600U, 115200U, 128000U, 256000U}) {
    Change([&](PortSettings& s) { s.baudRate = rate; });  // applied at once while open
    tty::LineReadback line;
    ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
    EXPECT_EQ(line.outputRate, rate);
    EXPECT_EQ(line.inputRate, rate);
  }
  port.close();
  Change([](PortSettings& s) { s.baudRate = 14400; });  // closed: stored, applied by the next open
  port.open();
  tty::LineReadback line;
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
  EXPECT_EQ(line.outputRate, 14400U);
}

// A pseudo-terminal forces 8 data bits without parity, so only the stop bits
// and the handshaking show here.
TEST_F(SerialPortLines, OtherFramesReachTheDeviceInOneChange) {
  port.open();
  Change([](PortSettings& s) {
    s.stopBits = StopBits::Two;
    s.rts = LineControl::Handshake;
  });
  tty::LineReadback line;
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
  EXPECT_EQ(line.stopBits, 2);
  EXPECT_TRUE(line.hardwareFlow);
}

// The device refuses a frame: at open the port stays closed; while open the
// device keeps its line, the port the new settings, and the error passes on.
TEST_F(SerialPortLines, RefusedLineSettingsReportTheSystemCode) {
  std::string message;
  Change([](PortSettings& s) { s.dataBits = 9; });
  EXPECT_EQ(ErrorOf([&] { port.open(); }, message), SError_SetStateFailed);
  EXPECT_EQ(message, "SetCommState function failed (Error: 22)");
  EXPECT_FALSE(port.isOpen());

  Change([](PortSettings& s) { s.dataBits = 8; });
  port.open();
  EXPECT_EQ(ErrorOf(
                [&] {
                  Change([](PortSettings& s) {
                    s.dataBits = 4;
                    s.baudRate = 19200;
                  });
                },
                message),
            SError_SetStateFailed);
  EXPECT_TRUE(port.isOpen());
  EXPECT_EQ(port.settings().baudRate, 19200U);
  tty::LineReadback line;
  ASSERT_EQ(tty::ReadLine(far.master(), line), 0);
  EXPECT_EQ(line.outputRate, 9600U);
}

TEST_F(SerialPortLines, ANewNameWhileOpenReopensOnIt) {
  PseudoTerminal other;
  other.linkAs(dir.str() + "/COM11");
  port.open();
  const auto handle = port.handle();
  Change([](PortSettings& s) { s.name = u"COM10"; });  // the same name: nothing
  EXPECT_EQ(port.handle(), handle);
  Change([](PortSettings& s) { s.name = u"COM11"; });
  EXPECT_TRUE(port.isOpen());
  port.write(u"z");
  EXPECT_EQ(other.receive(1), "z");
  EXPECT_EQ(far.drain(50), "");
}

}  // namespace
}  // namespace th::test
