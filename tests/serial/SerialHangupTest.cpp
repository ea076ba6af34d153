// A device that goes away while the port is open: the bytes that came before
// are read, then the hang-up is reported once, and the event thread ends.
#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>
#include <vector>

#include "serial/EventThread.h"
#include "serial/SerialLinkPort.h"
#include "tests/serial/SerialFixture.h"

namespace th::test {
namespace {

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

class SerialHangup : public SerialFixture {
 protected:
  // Reads every arrival into `received`, then runs `afterRead`; records the
  // order of arrivals ('r') and hang-ups ('h').
  void Record() {
    port.setOnArrival([this](int count) {
      Text got;
      port.read(got, count);
      received += ToUtf8(got);
      order += 'r';
      if (afterRead) {
        auto next = std::move(afterRead);
        afterRead = nullptr;
        next();
      }
    });
    port.setOnHangup([this](int error) {
      order += 'h';
      errors.push_back(error);
      connectedAtHangup = port.isOpen();
    });
  }

  // Links COM10 to the pseudo-terminal multiplexer, so that the port opens a
  // master side, and gives the raw slave side of it; -1 on failure.
  int OpenOnMasterSide() {
    far.closeMaster();
    ::unlink((dir.str() + "/COM10").c_str());
    if (::symlink("/dev/ptmx", (dir.str() + "/COM10").c_str()) != 0) {
      return -1;
    }
    port.open();
    std::array<char, 128> name{};
    if (::unlockpt(port.handle()) != 0 ||
        ::ptsname_r(port.handle(), name.data(), name.size()) != 0) {
      return -1;
    }
    const int slave = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (slave < 0 || ::tcgetattr(slave, &raw) != 0) {
      return -1;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    return slave;
  }

  std::string received;
  std::string order;
  std::vector<int> errors;
  bool connectedAtHangup = false;
  std::function<void()> afterRead;
};

TEST_F(SerialHangup, FarEndClosingMidStreamReportsTheHangupOnceAfterItsBytes) {
  Record();
  port.open();
  // The far end goes away while the main thread handles its last bytes.
  afterRead = [this] { far.closeMaster(); };
  far.send("last words");
  ASSERT_TRUE(PumpUntil(loop, [&] { return order.find('h') != std::string::npos; }));
  EXPECT_EQ(received, "last words");
  EXPECT_TRUE(connectedAtHangup);
  EXPECT_EQ(errors, std::vector<int>{0});  // poll reports a hang-up without a code
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.eventThread()->ended(); }));

  // Nothing more is reported, and the idle port costs no CPU.
  const double cpuBefore = CpuSeconds();
  PumpFor(loop, 300);
  EXPECT_LT(CpuSeconds() - cpuBefore, 0.05);
  EXPECT_EQ(order, "rh");
  EXPECT_TRUE(port.isOpen());
  port.close();
  EXPECT_EQ(order, "rh");
}

// The master side of a pseudo-terminal keeps the bytes that its slave wrote
// readable after the slave closed, as a device that queues input does: those
// bytes come with the hang-up and must be read before it is reported.
TEST_F(SerialHangup, BytesThatCameWithTheHangupAreReadBeforeIt) {
  Record();
  const int slave = OpenOnMasterSide();
  ASSERT_GE(slave, 0);
  // While the first batch runs, the thread waits for it: the last bytes and
  // the hang-up then reach it as one report.
  afterRead = [&] {
    EXPECT_EQ(::write(slave, "last words", 10), 10);
    ::close(slave);
  };
  EXPECT_EQ(::write(slave, "first ", 6), 6);
  ASSERT_TRUE(PumpUntil(loop, [&] { return order.find('h') != std::string::npos; }));
  EXPECT_EQ(received, "first last words");
  EXPECT_EQ(order, "rrh");
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.eventThread()->ended(); }));
  PumpFor(loop, 50);
  EXPECT_EQ(order, "rrh");
}

// A pseudo-terminal's master side fails reads with EIO once its slave closed
// and the bytes are taken: the device is gone, and the port says so once.
TEST_F(SerialHangup, AReadThatFindsTheDeviceGoneReportsTheHangupOnceWithItsCode) {
  Record();
  Change([](PortSettings& s) { s.eventThread = false; });
  const int slave = OpenOnMasterSide();
  ASSERT_GE(slave, 0);
  ::close(slave);
  Text got;
  std::string message;
  for (int read = 0; read < 2; ++read) {
    EXPECT_EQ(ErrorOf([&] { port.read(got, 10); }, message), SError_ReadFailed);
    EXPECT_EQ(message, "ReadFile function failed (Error: 5)");
  }
  EXPECT_EQ(errors, std::vector<int>{EIO});
  EXPECT_TRUE(port.isOpen());
}

TEST_F(SerialHangup, CloseInsideTheHangupHandlerDoesNotHang) {
  Record();
  int hangups = 0;
  port.setOnHangup([&](int) {
    ++hangups;
    port.close();
  });
  port.open();
  far.closeMaster();
  ASSERT_TRUE(PumpUntil(loop, [&] { return !port.isOpen(); }));
  EXPECT_EQ(hangups, 1);
  PseudoTerminal next;
  next.linkAs(dir.str() + "/COM10");
  port.open();
  next.send("again");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "again"; }));
  EXPECT_EQ(hangups, 1);
}

// The last arrival's handler closes the port and opens it on another device:
// the old device's hang-up must not reach the new connection.
TEST_F(SerialHangup, HangupOfAReplacedDeviceIsNotReported) {
  Record();
  const int slave = OpenOnMasterSide();
  ASSERT_GE(slave, 0);
  PseudoTerminal next;
  afterRead = [&] {
    EXPECT_EQ(::write(slave, "last words", 10), 10);
    ::close(slave);
    afterRead = [&] {
      next.linkAs(dir.str() + "/COM10");
      port.close();
      port.open();
    };
  };
  EXPECT_EQ(::write(slave, "first ", 6), 6);
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "first last words"; }));
  PumpFor(loop, 100);
  EXPECT_EQ(order, "rr");
  EXPECT_TRUE(port.isOpen());
  next.send("new");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "first last wordsnew"; }));
}

// Close and a hang-up at about the same moment: Close returns promptly, and
// the handler does not run, during Close or after it: the port is being
// closed anyway.
TEST_F(SerialHangup, CloseRacingAHangupNeitherHangsNorReportsIt) {
  Record();
  bool closed = false;
  int hangups = 0;
  int late = 0;
  port.setOnHangup([&](int) {
    ++hangups;
    if (closed) {
      ++late;
    }
  });
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    PseudoTerminal line;
    line.linkAs(dir.str() + "/COM10");
    closed = false;
    port.open();
    line.send("x");
    std::thread farEnd([&] {
      std::this_thread::sleep_for(std::chrono::microseconds(50 * (trial % 20)));
      line.closeMaster();
    });
    if (trial >= 20) {
      BusyFor(5);  // the hang-up is queued for the main thread when Close begins
    }
    const auto start = std::chrono::steady_clock::now();
    port.close();
    closed = true;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    farEnd.join();
    PumpFor(loop, 20);
    EXPECT_FALSE(port.isOpen());
  }
  EXPECT_EQ(late, 0);
  EXPECT_EQ(hangups, 0);
}

TEST_F(SerialHangup, HangupComingWhenCloseBeginsIsNotReported) {
  int hangups = 0;
  port.setOnHangup([&](int) { ++hangups; });
  port.open();
  far.closeMaster();
  BusyFor(50);  // the last arrival before the hang-up waits for the main thread
  const auto start = std::chrono::steady_clock::now();
  port.close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  PumpFor(loop, 50);
  EXPECT_EQ(hangups, 0);
}

// The tool's port through the link's seam: "COMn" beside the executable, a
// rate of its settings file, bytes both ways, then the far end going away.
TEST(SerialLinkPort, TalksThroughTheSeamAndHearsTheFarEndGo) {
  BasicEventLoop loop{BasicEventLoop::Clock::Steady};
  TempDir dir;
  PseudoTerminal far;
  far.linkAs(dir.str() + "/COM3");
  SerialLinkPort link(loop, dir.str() + "/");
  std::string received;
  int hangups = 0;
  link.setOnArrival([&](int count) {
    Text got;
    link.read(got, count);
    received += ToUtf8(got);
  });
  link.setOnHangup([&] { ++hangups; });
  link.setName(u"COM3");
  link.setBaudRate(115200);
  link.open();
  EXPECT_EQ(link.write(u"#T\r\n"), 4);
  EXPECT_EQ(far.receive(4), "#T\r\n");
  far.send("OK\r");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "OK\r"; }));
  far.closeMaster();
  ASSERT_TRUE(PumpUntil(loop, [&] { return hangups == 1; }));
  PumpFor(loop, 50);
  EXPECT_EQ(hangups, 1);
  link.close();
  EXPECT_FALSE(link.isOpen());
}

}  // namespace
}  // namespace th::test
