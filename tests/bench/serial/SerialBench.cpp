// Figures of the serial port's event thread on a real pseudo-terminal.
// Usage: serial_bench [idle-seconds]
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/BasicEventLoop.h"
#include "serial/EventThread.h"
#include "serial/SerialPort.h"
#include "tests/serial/PseudoTerminal.h"
#include "tests/serial/Pump.h"

namespace {

using th::BasicEventLoop;
using th::SerialPort;
using th::Text;
using th::test::PseudoTerminal;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double ThreadCpuMs(pthread_t thread) {
  clockid_t id{};
  if (pthread_getcpuclockid(thread, &id) != 0) {
    return -1;
  }
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Setup {
  explicit Setup(const std::string& dir) : loop(BasicEventLoop::Clock::Steady), port(loop, dir) {
    far.linkAs(dir + "COM10");
  }
  // With or without the event thread, from the next open on.
  void eventThread(bool on) {
    th::PortSettings settings = port.settings();
    settings.eventThread = on;
    port.setSettings(settings);
  }
  BasicEventLoop loop;
  PseudoTerminal far;
  SerialPort port;
};

void Idle(const std::string& dir, int seconds) {
  Setup s(dir);
  s.port.setOnArrival([](int) {});
  s.port.open();
  th::EventThread* thread = s.port.eventThread();
  const double before = ThreadCpuMs(thread->nativeHandle());
  th::test::PumpFor(s.loop, seconds * 1000);
  const double after = ThreadCpuMs(thread->nativeHandle());
  std::printf("idle: event thread CPU %.3f ms over %d s\n", after - before, seconds);
}

void Latency(const std::string& dir, int samples) {
  Setup s(dir);
  std::atomic<int> seen{0};
  std::vector<Clock::time_point> sent(static_cast<std::size_t>(samples));
  std::vector<double> latency;
  latency.reserve(static_cast<std::size_t>(samples));
  s.port.setOnArrival([&](int count) {
    const auto now = Clock::now();
    Text got;
    s.port.read(got, count);
    for (std::size_t i = 0; i < got.size(); ++i) {
      const int n = seen.load();
      latency.push_back(Ms(now - sent[static_cast<std::size_t>(n)]));
      seen.store(n + 1);
    }
  });
  s.port.open();
  std::thread writer([&] {
    for (int i = 0; i < samples; ++i) {
      sent[static_cast<std::size_t>(i)] = Clock::now();
      s.far.send("x");
      while (seen.load() <= i) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  th::test::PumpUntil(
      s.loop, [&] { return seen.load() >= samples; }, samples * 50);
  writer.join();
  std::sort(latency.begin(), latency.end());
  const auto at = [&](double q) {
    return latency[std::min(latency.size() - 1, static_cast<std::size_t>(q * latency.size()))];
  };
  std::printf(
      "latency: far-end write to the arrival handler, %zu samples: median %.3f ms, p99 %.3f ms, "
      "max %.3f ms\n",
      latency.size(), at(0.5), at(0.99), latency.back());
}

// The same measurement with the main thread itself in poll on the device: what
// the pseudo-terminal and the scheduler alone cost.
void PlainLatency(const std::string& dir, int samples) {
  Setup s(dir);
  s.eventThread(false);
  s.port.open();
  std::atomic<int> seen{0};
  std::vector<Clock::time_point> sent(static_cast<std::size_t>(samples));
  std::vector<double> latency;
  std::thread writer([&] {
    for (int i = 0; i < samples; ++i) {
      sent[static_cast<std::size_t>(i)] = Clock::now();
      s.far.send("x");
      while (seen.load() <= i) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  char c = 0;
  while (seen.load() < samples) {
    pollfd p{static_cast<int>(s.port.handle()), POLLIN, 0};
    ::poll(&p, 1, 1000);
    if (::read(s.port.handle(), &c, 1) == 1) {
      latency.push_back(Ms(Clock::now() - sent[static_cast<std::size_t>(seen.load())]));
      seen.store(seen.load() + 1);
    }
  }
  writer.join();
  std::sort(latency.begin(), latency.end());
  std::printf(
      "latency baseline: far-end write to a plain poll+read, %zu samples: median %.3f ms, p99 %.3f "
      "ms\n",
      latency.size(), latency[latency.size() / 2],
      latency[std::min(latency.size() - 1, latency.size() * 99 / 100)]);
}

// Bytes per second through the arrival handler and read, and through poll + read on the
// same open device with no event thread.
void Throughput(const std::string& dir, std::size_t total, int rounds) {
  Setup s(dir);
  const std::string chunk(65536, 'x');
  auto feed = [&] {
    for (std::size_t sent = 0; sent < total; sent += chunk.size()) {
      s.far.send(chunk);
    }
  };
  std::vector<double> component;
  std::vector<double> plain;
  for (int r = 0; r < rounds; ++r) {
    {
      std::size_t got = 0;
      s.eventThread(true);
      s.port.setOnArrival([&](int count) {
        Text text;
        got += static_cast<std::size_t>(s.port.read(text, count));
      });
      s.port.open();
      const auto start = Clock::now();
      std::thread writer(feed);
      th::test::PumpUntil(
          s.loop, [&] { return got >= total; }, 60000);
      const auto took = Clock::now() - start;
      writer.join();
      s.port.close();
      component.push_back(static_cast<double>(total) / (Ms(took) / 1e3));
    }
    {
      s.eventThread(false);
      s.port.open();
      const int fd = static_cast<int>(s.port.handle());
      std::vector<char> buffer(65536);
      std::size_t got = 0;
      const auto start = Clock::now();
      std::thread writer(feed);
      while (got < total) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 1000);
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n > 0) {
          got += static_cast<std::size_t>(n);
        }
      }
      const auto took = Clock::now() - start;
      writer.join();
      s.port.close();
      plain.push_back(static_cast<double>(total) / (Ms(took) / 1e3));
    }
  }
  std::sort(component.begin(), component.end());
  std::sort(plain.begin(), plain.end());
  const double c = component[component.size() / 2];
  const double p = plain[plain.size() / 2];
  std::printf(
      "throughput (median of %d rounds of %zu MiB): arrival handler+read %.1f MiB/s, plain read "
      "loop "
      "%.1f MiB/s, ratio %.2f\n",
      rounds, total >> 20, c / 1048576.0, p / 1048576.0, c / p);
}

}  // namespace

int main(int argc, char** argv) {
  const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const std::string dir = std::filesystem::temp_directory_path().string() + "/serial-bench-" +
                          std::to_string(::getpid()) + "/";
  std::filesystem::create_directories(dir);
  Idle(dir, idleSeconds);
  Latency(dir, 2000);
  PlainLatency(dir, 2000);
  Throughput(dir, std::size_t{64} << 20, 5);
  std::filesystem::remove_all(dir);
  return 0;
}
