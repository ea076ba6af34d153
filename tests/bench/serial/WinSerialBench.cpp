// Figures of the serial port's event thread under Wine, on a pseudo-terminal
// linked as COM10 by the far-end helper, all in one run:
//   tidehaul-pty-far-end -- wine serial_bench.exe [idle-seconds]
// the event thread's idle CPU, the arrival latency to the arrival handler (and of a plain
// ReadFile loop), and throughput against a plain ReadFile loop.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/WinApi.h"
#include "platform/win/WinEventLoop.h"
#include "serial/EventThread.h"
#include "serial/SerialPort.h"
#include "tests/serial/Pump.h"
#include "tests/serial/win/FarEnd.h"
#include "tests/serial/win/ThreadTimes.h"

namespace {

using th::SerialPort;
using th::Text;
using th::test::FarEnd;
using th::test::PumpUntil;
using th::test::ThreadCpuMs;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double At(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

// Reads with one overlapped ReadFile after another on the open device, no
// event thread: what the pseudo-terminal and Wine alone cost.
std::size_t PlainRead(HANDLE device, std::vector<char>& buffer) {
  OVERLAPPED o{};
  o.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD n = 0;
  if (::ReadFile(device, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &o) == FALSE &&
      ::GetLastError() == ERROR_IO_PENDING &&
      ::WaitForSingleObject(o.hEvent, 5000) != WAIT_OBJECT_0) {
    ::CancelIoEx(device, &o);
  }
  ::GetOverlappedResult(device, &o, &n, TRUE);
  ::CloseHandle(o.hEvent);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
  th::WinEventLoop loop;
  FarEnd line;
  line.linkAs("COM10");
  SerialPort port(loop);
  const auto eventThread = [&port](bool on) {
    th::PortSettings settings = port.settings();
    settings.eventThread = on;
    port.setSettings(settings);
  };
  {
    th::PortSettings settings = port.settings();
    settings.baudRate = 115200;
    port.setSettings(settings);
  }

  // Idle: the port open, nothing arriving.
  port.setOnArrival([](int) {});
  port.open();
  const std::uint64_t id = port.eventThread()->systemThreadId();
  const double before = ThreadCpuMs(id);
  th::test::PumpFor(loop, idleSeconds * 1000);
  const double idle = ThreadCpuMs(id) - before;
  std::printf("idle: event thread CPU %.1f ms over %d s (%.3f%% of a core)\n", idle, idleSeconds,
              idle / (idleSeconds * 10.0));
  port.close();

  // Latency: one byte at a time, from the far end's send to the arrival handler, each
  // after the previous one's batch time is over (a byte that follows another
  // within it waits for the batch, by design).
  constexpr int kSamples = 100;
  std::vector<double> latency;
  std::atomic<int> seen{0};
  Clock::time_point sent;
  port.setOnArrival([&](int count) {
    const auto now = Clock::now();
    Text got;
    port.read(got, count);
    latency.push_back(Ms(now - sent));
    seen += static_cast<int>(got.size());
  });
  port.open();
  for (int i = 0; i < kSamples; ++i) {
    const int want = seen + 1;
    sent = Clock::now();
    line.send("x");
    PumpUntil(
        loop, [&] { return seen >= want; }, 5000);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
  }
  std::printf(
      "latency: far-end send to the arrival handler, 120 ms apart, %zu samples: p50 %.2f ms, p99 "
      "%.2f ms\n",
      latency.size(), At(latency, 0.5), At(latency, 0.99));
  // The same after a quiet spell each, as a reply comes after a command.
  constexpr int kQuietSamples = 40;
  latency.clear();
  for (int i = 0; i < kQuietSamples; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int want = seen + 1;
    sent = Clock::now();
    line.send("x");
    PumpUntil(
        loop, [&] { return seen >= want; }, 5000);
  }
  std::printf("latency after 300 ms of quiet, %zu samples: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
              latency.size(), At(latency, 0.5), At(latency, 0.99), At(latency, 1.0));
  // A reply to a command after a quiet spell, as in a job: from the command's
  // write to the reply's arrival handler, the far end's round trip included.
  latency.clear();
  for (int i = 0; i < kQuietSamples; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int want = seen + 1;
    sent = Clock::now();
    port.write(u"?");
    line.receive(1);
    line.send("x");
    PumpUntil(
        loop, [&] { return seen >= want; }, 5000);
  }
  port.close();
  std::printf(
      "command to reply after 300 ms of quiet, %zu samples: p50 %.2f ms, p99 %.2f ms, max %.2f "
      "ms\n",
      latency.size(), At(latency, 0.5), At(latency, 0.99), At(latency, 1.0));

  // The same with a plain ReadFile loop on the main thread.
  eventThread(false);
  port.open();
  std::vector<char> buffer(65536);
  std::vector<double> plainLatency;
  const auto device = reinterpret_cast<HANDLE>(port.handle());
  for (int i = 0; i < kSamples; ++i) {
    std::thread writer([&] { line.send("x"); });
    const auto start = Clock::now();
    PlainRead(device, buffer);
    plainLatency.push_back(Ms(Clock::now() - start));
    writer.join();
  }
  port.close();
  std::printf("latency: far-end send to a plain ReadFile, %zu samples: p50 %.2f ms, p99 %.2f ms\n",
              plainLatency.size(), At(plainLatency, 0.5), At(plainLatency, 0.99));

  // Throughput: the same bytes through the arrival handler and read and through a plain
  // ReadFile loop.
  constexpr std::size_t kTotal = std::size_t{4} << 20;
  const std::string chunk(65536, 'x');
  std::atomic<bool> fed{false};
  const auto feed = [&] {
    for (std::size_t done = 0; done < kTotal; done += chunk.size()) {
      line.send(chunk);
    }
    fed = true;
  };
  std::size_t got = 0;
  eventThread(true);
  port.setOnArrival([&](int count) {
    Text text;
    got += static_cast<std::size_t>(port.read(text, count));
  });
  port.open();
  auto start = Clock::now();
  std::thread writer(feed);
  PumpUntil(
      loop, [&] { return got >= kTotal; }, 120000);
  const double component = static_cast<double>(got) / (Ms(Clock::now() - start) / 1e3);
  // A writer still blocked on a full line ends only once its bytes are read.
  PumpUntil(
      loop, [&] { return fed.load(); }, 600000);
  writer.join();
  port.close();

  eventThread(false);
  port.open();
  got = 0;
  start = Clock::now();
  std::thread plainWriter(feed);
  while (got < kTotal) {
    got += PlainRead(reinterpret_cast<HANDLE>(port.handle()), buffer);
  }
  const double plain = static_cast<double>(got) / (Ms(Clock::now() - start) / 1e3);
  plainWriter.join();
  port.close();
  std::printf(
      "throughput (%zu MiB): arrival handler+read %.2f MiB/s, plain ReadFile loop %.2f MiB/s, "
      "ratio %.2f\n",
      kTotal >> 20, component / 1048576.0, plain / 1048576.0, component / plain);
  return 0;
}
