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

#include "serial/SerialThread.h"
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
    port.OnRxChar = [this](TCustomSerialPort& sender, int count) {
      Text got;
      sender.ReadStr(got, count);
      received += ToUtf8(got);
      order += 'r';
      if (afterRead) {
        auto next = std::move(afterRead);
        afterRead = nullptr;
        next();
      }
    };
    port.OnHangup = [this](TCustomSerialPort& sender) {
      order += 'h';
      connectedAtHangup = sender.Connected();
    };
  }

  // Links COM10 to the pseudo-terminal multiplexer, so that the port opens a
  // master side, and gives the raw slave side of it; -1 on failure.
  int OpenOnMasterSide() {
    far.closeMaster();
    ::unlink((dir.str() + "/COM10").c_str());
    if (::symlink("/dev/ptmx", (dir.str() + "/COM10").c_str()) != 0) {
      return -1;
    }
    port.Open();
    std::array<char, 128> name{};
    if (::unlockpt(port.Handle()) != 0 ||
        ::ptsname_r(port.Handle(), name.data(), name.size()) != 0) {
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
  bool connectedAtHangup = false;
  std::function<void()> afterRead;
};

TEST_F(SerialHangup, FarEndClosingMidStreamReportsTheHangupOnceAfterItsBytes) {
  Record();
  port.Open();
  // The far end goes away while the main thread handles its last bytes.
  afterRead = [this] { far.closeMaster(); };
  far.send("last words");
  ASSERT_TRUE(PumpUntil(loop, [&] { return order.find('h') != std::string::npos; }));
  EXPECT_EQ(received, "last words");
  EXPECT_TRUE(connectedAtHangup);
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.EventThread()->Ended(); }));

  // Nothing more is reported, and the idle port costs no CPU.
  const double cpuBefore = CpuSeconds();
  PumpFor(loop, 300);
  EXPECT_LT(CpuSeconds() - cpuBefore, 0.05);
  EXPECT_EQ(order, "rh");
  EXPECT_TRUE(port.Connected());
  port.Close();
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
  ASSERT_TRUE(PumpUntil(loop, [&] { return port.EventThread()->Ended(); }));
  PumpFor(loop, 50);
  EXPECT_EQ(order, "rrh");
}

TEST_F(SerialHangup, CloseInsideTheHangupHandlerDoesNotHang) {
  Record();
  int hangups = 0;
  port.OnHangup = [&](TCustomSerialPort& sender) {
    ++hangups;
    sender.Close();
  };
  port.Open();
  far.closeMaster();
  ASSERT_TRUE(PumpUntil(loop, [&] { return !port.Connected(); }));
  EXPECT_EQ(hangups, 1);
  PseudoTerminal next;
  next.linkAs(dir.str() + "/COM10");
  port.Open();
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
      port.Close();
      port.Open();
    };
  };
  EXPECT_EQ(::write(slave, "first ", 6), 6);
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "first last words"; }));
  PumpFor(loop, 100);
  EXPECT_EQ(order, "rr");
  EXPECT_TRUE(port.Connected());
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
  port.OnHangup = [&](TCustomSerialPort&) {
    ++hangups;
    if (closed) {
      ++late;
    }
  };
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    PseudoTerminal line;
    line.linkAs(dir.str() + "/COM10");
    closed = false;
    port.Open();
    line.send("x");
    std::thread farEnd([&] {
      std::this_thread::sleep_for(std::chrono::microseconds(50 * (trial % 20)));
      line.closeMaster();
    });
    if (trial >= 20) {
      BusyFor(5);  // the hang-up is queued for the main thread when Close begins
    }
    const auto start = std::chrono::steady_clock::now();
    port.Close();
    closed = true;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    farEnd.join();
    PumpFor(loop, 20);
    EXPECT_FALSE(port.Connected());
  }
  EXPECT_EQ(late, 0);
  EXPECT_EQ(hangups, 0);
}

TEST_F(SerialHangup, HangupWaitingWhenCloseBeginsIsNotReported) {
  int hangups = 0;
  port.OnHangup = [&](TCustomSerialPort&) { ++hangups; };
  TSerialEvents events;
  events.Include(evTxEmpty);  // a thread, but no arrival batch before the hang-up
  port.SetEvents(events);
  port.Open();
  far.closeMaster();
  BusyFor(50);  // the hang-up waits for the main thread
  const auto start = std::chrono::steady_clock::now();
  port.Close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  PumpFor(loop, 50);
  EXPECT_EQ(hangups, 0);
}

TEST(SerialLinkPortHangup, TheLinkHandlerHearsTheFarEndGo) {
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
  link.open();
  far.send("bye");
  ASSERT_TRUE(PumpUntil(loop, [&] { return received == "bye"; }));
  far.closeMaster();
  ASSERT_TRUE(PumpUntil(loop, [&] { return hangups == 1; }));
  PumpFor(loop, 50);
  EXPECT_EQ(hangups, 1);
  link.close();
}

}  // namespace
}  // namespace th::test
