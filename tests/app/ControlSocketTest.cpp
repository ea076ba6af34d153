#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <future>
#include <thread>

#include "app/linux/ControlSocket.h"
#include "platform/BasicEventLoop.h"
#include "tests/support/TestPlatform.h"
#include "tools/send/ControlClient.h"

namespace th::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string UniqueName() {
  static int counter = 0;
  return "TfTidehaulTest." + std::to_string(::getpid()) + "." + std::to_string(++counter);
}

int Connect(const std::string& name) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path + 1, name.data(), name.size());
  const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), len) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void SendAll(int fd, const std::vector<std::uint8_t>& bytes) {
  ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(bytes.size()));
}

// Everything the server sends until it closes, or until `ms` pass.
struct Received {
  std::vector<std::uint8_t> bytes;
  bool closed = false;
};
Received ReadUntilClosed(int fd, int ms) {
  Received r;
  const auto end = Clock::now() + milliseconds(ms);
  for (;;) {
    const auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now()).count();
    if (left <= 0) {
      return r;
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) {
      continue;
    }
    std::uint8_t buf[64];
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) {
      r.closed = true;
      return r;
    }
    r.bytes.insert(r.bytes.end(), buf, buf + n);
  }
}

std::vector<std::uint8_t> Header(std::uint32_t cbData) {
  std::vector<std::uint8_t> h(12, 0xAB);  // dwData is unused: any value
  for (int i = 0; i < 4; ++i) {
    h[8 + i] = static_cast<std::uint8_t>(cbData >> (8 * i));
  }
  return h;
}

class ControlSocketTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(socket.listen(name), 0); }

  // Runs the loop on this thread until `done` holds or `ms` have passed.
  bool pumpUntil(const std::function<bool()>& done, int ms) {
    const auto end = Clock::now() + milliseconds(ms);
    while (!done()) {
      if (Clock::now() >= end) {
        return false;
      }
      loop.waitForMessage(20);
      loop.processPendingMessages();
    }
    return true;
  }
  void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
  }

  // Sends a valid message and expects the reply.
  void expectServed(const Text& text) {
    const std::size_t before = received.size();
    const int fd = Connect(name);
    ASSERT_GE(fd, 0);
    SendAll(fd, send::EncodeMessage(text));
    ASSERT_TRUE(pumpUntil([&] { return received.size() > before; }, 2000));
    const Received reply = ReadUntilClosed(fd, 2000);
    ::close(fd);
    EXPECT_EQ(reply.bytes, std::vector<std::uint8_t>(8, 0));
    EXPECT_TRUE(reply.closed);
    EXPECT_EQ(received.back().size, (text.size() + 1) * 2);
  }

  struct Message {
    std::uint64_t tag;
    std::uint32_t size;
    bool nullData;
    std::vector<std::uint8_t> data;
  };
  BasicEventLoop loop{BasicEventLoop::Clock::Steady};
  std::vector<Message> received;
  std::string name = UniqueName();
  ControlSocket socket{loop, [this](const ControlMessage& d) {
                         received.push_back({d.tag, d.size, d.data == nullptr,
                                             d.data == nullptr ? std::vector<std::uint8_t>{}
                                                               : std::vector<std::uint8_t>(
                                                                     d.data, d.data + d.size)});
                       }};
};

TEST_F(ControlSocketTest, ValidMessageReachesTheHandlerAndGetsEightZeroBytes) {
  expectServed(u"0007");
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].tag, 0u);
  EXPECT_EQ(received[0].data, (std::vector<std::uint8_t>{'0', 0, '0', 0, '0', 0, '7', 0, 0, 0}));
}

TEST_F(ControlSocketTest, ReplyComesOnlyAfterTheHandlerRan) {
  const int fd = Connect(name);
  SendAll(fd, send::EncodeMessage(u"3"));
  // Nobody runs the loop yet: no reply may come.
  const Received early = ReadUntilClosed(fd, 300);
  EXPECT_TRUE(early.bytes.empty());
  EXPECT_FALSE(early.closed);
  ASSERT_TRUE(pumpUntil([&] { return !received.empty(); }, 2000));
  const Received reply = ReadUntilClosed(fd, 2000);
  EXPECT_EQ(reply.bytes.size(), 8u);
  ::close(fd);
}

TEST_F(ControlSocketTest, EmptyDataIsANullPointerAndOddCountsArrivePrecisely) {
  int fd = Connect(name);
  SendAll(fd, Header(0));
  ASSERT_TRUE(pumpUntil([&] { return received.size() == 1; }, 2000));
  EXPECT_TRUE(received[0].nullData);
  EXPECT_EQ(ReadUntilClosed(fd, 2000).bytes.size(), 8u);
  ::close(fd);

  fd = Connect(name);
  auto frame = Header(3);
  frame.insert(frame.end(), {'5', 0, '6'});
  SendAll(fd, frame);
  ASSERT_TRUE(pumpUntil([&] { return received.size() == 2; }, 2000));
  EXPECT_EQ(received[1].data, (std::vector<std::uint8_t>{'5', 0, '6'}));
  EXPECT_EQ(ReadUntilClosed(fd, 2000).bytes.size(), 8u);
  ::close(fd);
}

TEST_F(ControlSocketTest, TruncatedFramesHaveNoEffect) {
  for (const std::size_t cut :
       {std::size_t{1}, std::size_t{11}, std::size_t{12}, std::size_t{15}}) {
    const int fd = Connect(name);
    auto frame = send::EncodeMessage(u"12");  // 12 + 6 bytes
    frame.resize(cut);
    SendAll(fd, frame);
    ::shutdown(fd, SHUT_WR);
    const Received r = ReadUntilClosed(fd, 3000);
    EXPECT_TRUE(r.closed) << cut;
    EXPECT_TRUE(r.bytes.empty()) << cut;
    ::close(fd);
  }
  pumpFor(100);
  EXPECT_TRUE(received.empty());
  expectServed(u"4");
}

TEST_F(ControlSocketTest, HugeCbDataEndsTheConnectionWithoutEffect) {
  for (const std::uint32_t cbData : {ControlSocket::kMaxData + 1, 0xFFFFFFFFu}) {
    const int fd = Connect(name);
    SendAll(fd, Header(cbData));
    const Received r = ReadUntilClosed(fd, 3000);
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(r.bytes.empty());
    ::close(fd);
  }
  pumpFor(100);
  EXPECT_TRUE(received.empty());
  expectServed(u"4");
}

TEST_F(ControlSocketTest, The65536ByteLimitItselfIsServed) {
  std::thread client([&] {
    const int fd = Connect(name);
    auto frame = Header(ControlSocket::kMaxData);
    frame.resize(frame.size() + ControlSocket::kMaxData, '9');
    SendAll(fd, frame);
    ReadUntilClosed(fd, 3000);
    ::close(fd);
  });
  EXPECT_TRUE(pumpUntil([&] { return received.size() == 1; }, 3000));
  client.join();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].data.size(), ControlSocket::kMaxData);
}

TEST_F(ControlSocketTest, SilentClientNeitherBlocksOthersNorStaysForever) {
  const auto start = Clock::now();
  const int silent = Connect(name);
  ASSERT_GE(silent, 0);
  // A client that stops halfway through its data.
  const int stalled = Connect(name);
  auto partial = Header(10);
  partial.insert(partial.end(), {'1', 0});
  SendAll(stalled, partial);
  // Others are served at once meanwhile.
  expectServed(u"8");
  EXPECT_LT(Clock::now() - start, milliseconds(700));
  for (const int fd : {silent, stalled}) {
    const Received r = ReadUntilClosed(fd, 3000);
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(r.bytes.empty());
    ::close(fd);
  }
  const auto dropped = Clock::now() - start;
  EXPECT_GE(dropped, milliseconds(900));
  EXPECT_LT(dropped, milliseconds(2500));
  EXPECT_EQ(received.size(), 1u);
  expectServed(u"9");
}

TEST_F(ControlSocketTest, AFrameTricklingInIsCutTwoSecondsAfterTheConnection) {
  // One byte every 0.8 s stays under the stall limit for ever.
  const auto start = Clock::now();
  const int fd = Connect(name);
  ASSERT_GE(fd, 0);
  const auto frame = send::EncodeMessage(u"12");
  bool closed = false;
  for (std::size_t i = 0; i < frame.size() && !closed; ++i) {
    (void)::send(fd, &frame[i], 1, MSG_NOSIGNAL);
    closed = ReadUntilClosed(fd, 800).closed;
    if (Clock::now() - start > milliseconds(3500)) {
      break;
    }
  }
  const auto cut = Clock::now() - start;
  EXPECT_TRUE(closed);
  EXPECT_GE(cut, milliseconds(1900));
  EXPECT_LT(cut, milliseconds(2800));
  ::close(fd);
  pumpFor(50);
  EXPECT_TRUE(received.empty());
}

TEST_F(ControlSocketTest, WithEverySlotTakenTheLongestWaitingGivesWay) {
  // Every slot held by a client that has sent part of its header.
  std::vector<int> slow;
  for (std::size_t i = 0; i < ControlSocket::kMaxClients; ++i) {
    slow.push_back(Connect(name));
    ASSERT_GE(slow.back(), 0);
    SendAll(slow.back(), {0});
    std::this_thread::sleep_for(milliseconds(5));  // a clear order of arrival
  }
  std::this_thread::sleep_for(milliseconds(100));
  // The parent still names the device, well before any stall limit.
  const auto start = Clock::now();
  expectServed(u"7");
  EXPECT_LT(Clock::now() - start, milliseconds(700));
  // The first to come gave way; the others are still waiting.
  EXPECT_TRUE(ReadUntilClosed(slow[0], 100).closed);
  for (std::size_t i = 1; i < slow.size(); ++i) {
    pollfd p{slow[i], POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0) << i;
  }
  for (const int fd : slow) {
    ::close(fd);
  }
}

TEST_F(ControlSocketTest, WaitingForClientsDoesNotSpin) {
  const int silent = Connect(name);
  timespec before{}, after{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
  pumpFor(1500);  // the silent client is dropped in the middle of this
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
  const double cpuMs =
      (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
  EXPECT_LT(cpuMs, 100.0);
  RecordProperty("cpu_ms_per_1500ms_idle", std::to_string(cpuMs));
  ::close(silent);
}

TEST_F(ControlSocketTest, ManyConnectionsAtOnceAreSurvived) {
  std::vector<int> fds;
  for (std::size_t i = 0; i < ControlSocket::kMaxClients * 2; ++i) {
    const int fd = Connect(name);
    if (fd >= 0) {
      fds.push_back(fd);
    }
  }
  pumpFor(100);
  for (const int fd : fds) {
    ::close(fd);
  }
  pumpFor(100);
  expectServed(u"5");
}

TEST_F(ControlSocketTest, AFailingHandlerStillAnswers) {
  ControlSocket throwing(loop, [](const ControlMessage&) { throw std::runtime_error("no"); });
  const std::string other = UniqueName();
  ASSERT_EQ(throwing.listen(other), 0);
  const int fd = Connect(other);
  SendAll(fd, send::EncodeMessage(u"1"));
  std::vector<std::uint8_t> reply;
  ASSERT_TRUE(pumpUntil(
      [&] {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
      },
      2000));
  EXPECT_EQ(ReadUntilClosed(fd, 2000).bytes.size(), 8u);
  ::close(fd);
}

TEST_F(ControlSocketTest, SecondListenerOnTheSameNameFails) {
  ControlSocket second(loop, [](const ControlMessage&) {});
  EXPECT_EQ(second.listen(name), EADDRINUSE);
}

TEST_F(ControlSocketTest, OtherUsersAreClosedUnread) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root to connect as another user";
  }
  // Everything the child uses is made before the fork: it must not allocate.
  const auto frame = send::EncodeMessage(u"7");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // As nobody: a valid message must get no reply, only the close.
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
      ::_exit(3);
    }
    const int fd = Connect(name);
    if (fd < 0) {
      ::_exit(4);
    }
    (void)::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 3000) != 1) {
      ::_exit(5);
    }
    char byte = 0;
    // Closed with the message unread: the end of the stream, or a reset.
    const ssize_t n = ::recv(fd, &byte, 1, 0);
    ::_exit(n == 0 || (n < 0 && errno == ECONNRESET) ? 0 : 6);
  }
  int status = -1;
  pumpUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 5000);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  pumpFor(100);
  EXPECT_TRUE(received.empty());
  expectServed(u"7");
}

TEST_F(ControlSocketTest, SendToolClientGetsItsReply) {
  send::SendResult result;
  std::thread client([&] { result = send::SendMessage(name, send::EncodeMessage(u"0007"), 5000); });
  pumpUntil([&] { return !received.empty(); }, 3000);
  client.join();
  EXPECT_TRUE(result.ok) << result.error;
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].size, 10u);
}

TEST(ControlSocketLifetime, DestroyedWithClientsConnectedAndRepliesQueued) {
  BasicEventLoop loop{BasicEventLoop::Clock::Steady};
  const std::string name = UniqueName();
  int silent = -1;
  int pending = -1;
  bool ran = false;
  {
    ControlSocket socket(loop, [&](const ControlMessage&) { ran = true; });
    ASSERT_EQ(socket.listen(name), 0);
    silent = Connect(name);
    pending = Connect(name);
    SendAll(pending, send::EncodeMessage(u"1"));
    std::this_thread::sleep_for(milliseconds(200));  // the message is now queued on the loop
  }
  loop.processPendingMessages();  // the queued call finds the socket gone
  EXPECT_FALSE(ran);
  for (const int fd : {silent, pending}) {
    const Received r = ReadUntilClosed(fd, 2000);
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(r.bytes.empty());
    ::close(fd);
  }
  EXPECT_EQ(Connect(name), -1);  // the name is free again
}

TEST(SendTool, FindsListeningTidehaulSocketsInProcNetUnix) {
  const std::string table =
      "Num       RefCount Protocol Flags    Type St Inode Path\n"
      "0000000000000000: 00000002 00000000 00010000 0001 01 1001 @TfTidehaul.4242\n"
      "0000000000000000: 00000003 00000000 00000000 0001 03 1002 @TfTidehaul.4242\n"
      "0000000000000000: 00000002 00000000 00010000 0001 01 1003 @TfTidehaul.17\n"
      "0000000000000000: 00000002 00000000 00010000 0001 01 1004 @TfTidehaulX.5\n"
      "0000000000000000: 00000002 00000000 00010000 0001 01 1005 @TfTidehaul.12a\n"
      "0000000000000000: 00000002 00000000 00010000 0001 01 1006 /run/TfTidehaul.6\n"
      "0000000000000000: 00000002 00000000 00000000 0001 01 1007 @TfTidehaul.99\n"
      "0000000000000000: 00000002 00000000 00010000 0001 01 1008\n"
      "garbage\n";
  EXPECT_EQ(send::ListeningPids(table), (std::vector<int>{17, 4242}));
  EXPECT_TRUE(send::ListeningPids("").empty());
}

TEST(SendTool, ASocketTableThatIsNoRegularFileIsRefusedWithoutWaiting) {
  TempDir dir;
  const std::string fifo = dir.str() + "/unix";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string device = dir.str() + "/device";
  std::filesystem::create_symlink("/dev/zero", device);
  for (const std::string& table : {fifo, device}) {
    auto found = std::async(std::launch::async, [&] { return send::FindOwnInstances(table); });
    if (found.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
      // Let a blocked open go on, so the failure shows instead of a hang.
      const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      found.wait();
      ::close(writer);
      ADD_FAILURE() << "waited on " << table;
    }
    const send::Instances r = found.get();
    EXPECT_TRUE(r.pids.empty());
    EXPECT_EQ(r.error, "cannot read " + table + ": not a regular file");
  }
  // The machine's own table is read, whatever it holds.
  EXPECT_EQ(send::FindOwnInstances().error, "");
}

TEST(SendTool, FrameCarriesTheTextAsUtf16WithItsZeroUnit) {
  const auto frame = send::EncodeMessage(u"7\u00E4");
  EXPECT_EQ(frame,
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, '7', 0, 0xE4, 0, 0, 0}));
}

TEST(SendTool, NobodyListeningIsReportedAsSuch) {
  const auto r = send::SendMessage(UniqueName(), send::EncodeMessage(u"1"), 1000);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.notListening);
  EXPECT_FALSE(r.error.empty());
}

}  // namespace
}  // namespace th::test
