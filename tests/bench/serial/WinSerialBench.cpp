// Figures of the serial port's event thread under Wine, on pseudo-terminals
// linked as COM10 by the far-end helper, in one run:
//   bash tools/wine-tests.sh build-win --run build-win/host/tidehaul-pty-far-end
//       -- wine build-win/bin/serial_bench.exe [idle-seconds] [samples]
// For a bare pseudo-terminal (Wine without modem lines: every wait ends
// aborted and the thread pauses and looks again), with the modem-line shim
// (the wait stays pending while Wine looks at the lines every millisecond),
// and with the shim stretching those sleeps: the arrival latency of bytes
// 300-900 ms apart, the idle CPU of the event thread, of the whole process
// and of the wine server, and the waits the thread started while idle. The
// reference is an overlapped ReadFile left pending on the main thread for
// each byte (no event thread): what Wine itself takes to see a byte.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
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
using th::test::ProcessCpuMs;
using th::test::PumpFor;
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

// The wine server's time on a CPU, from its schedstat on the Linux side
// (tools/wine-tests.sh names it); -1 when unknown.
double ServerCpuMs() {
  const char* pid = std::getenv("TIDEHAUL_WINESERVER_PID");
  if (pid == nullptr) {
    return -1;
  }
  std::ifstream schedstat(std::string("Z:\\proc\\") + pid + "\\schedstat");
  unsigned long long nanoseconds = 0;
  return schedstat >> nanoseconds ? static_cast<double>(nanoseconds) / 1e6 : -1;
}

struct Figures {
  double p50 = 0;
  double p99 = 0;
  double max = 0;
  std::size_t samples = 0;
  double threadMs = 0;
  double processMs = 0;
  double serverMs = 0;
  std::uint64_t idleWaits = 0;
  std::uint32_t answered = 0;
};

Figures Measure(th::WinEventLoop& loop, FarEnd::Lines lines, int idleSeconds, int samples) {
  FarEnd line(lines);
  if (lines != FarEnd::Lines::None && !line.hasModemLines()) {
    std::fprintf(stderr, "serial_bench: no modem lines: run it in a session with the shim\n");
    std::exit(1);
  }
  line.linkAs("COM10");
  SerialPort port(loop);
  th::PortSettings settings = port.settings();
  settings.baudRate = 115200;
  port.setSettings(settings);
  std::atomic<int> seen{0};
  std::vector<double> latency;
  port.setOnArrival([&](int count) {
    const auto now = Clock::now();
    Text got;
    port.read(got, count);
    latency.push_back(Ms(now - line.lastSent()));
    seen += static_cast<int>(got.size());
  });
  port.open();
  PumpFor(loop, 500);  // the first wait is under way

  Figures f;
  const std::uint64_t id = port.eventThread()->systemThreadId();
  const std::uint64_t waits = port.eventThread()->waits();
  const double thread = ThreadCpuMs(id);
  const double process = ProcessCpuMs();
  const double server = ServerCpuMs();
  PumpFor(loop, idleSeconds * 1000);
  f.threadMs = ThreadCpuMs(id) - thread;
  f.processMs = ProcessCpuMs() - process;
  f.serverMs = server < 0 ? -1 : ServerCpuMs() - server;
  f.idleWaits = port.eventThread()->waits() - waits;

  std::mt19937 random(7);
  std::uniform_int_distribution<int> gap(300, 900);
  for (int i = 0; i < samples; ++i) {
    PumpFor(loop, gap(random));
    const int want = seen + 1;
    line.send("x");
    PumpUntil(
        loop, [&] { return seen >= want; }, 5000);
  }
  port.close();
  f.samples = latency.size();
  f.p50 = At(latency, 0.5);
  f.p99 = At(latency, 0.99);
  f.max = At(latency, 1.0);
  f.answered = lines == FarEnd::Lines::None ? 0 : line.answered();
  return f;
}

// The same latency with one overlapped ReadFile pending at a time on the
// main thread, no event thread.
Figures Reference(th::WinEventLoop& loop, int samples) {
  FarEnd line;
  line.linkAs("COM10");
  SerialPort port(loop);
  th::PortSettings settings = port.settings();
  settings.baudRate = 115200;
  settings.eventThread = false;
  port.setSettings(settings);
  port.open();
  const auto device = reinterpret_cast<HANDLE>(port.handle());
  std::vector<double> latency;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> gap(300, 900);
  for (int i = 0; i < samples; ++i) {
    std::thread sender([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(gap(random)));
      line.send("x");
    });
    std::array<char, 16> buffer{};
    OVERLAPPED o{};
    o.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD n = 0;
    if (::ReadFile(device, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &o) ==
            FALSE &&
        ::GetLastError() == ERROR_IO_PENDING) {
      ::WaitForSingleObject(o.hEvent, 5000);
    }
    const auto now = Clock::now();
    ::GetOverlappedResult(device, &o, &n, TRUE);
    ::CloseHandle(o.hEvent);
    sender.join();
    latency.push_back(Ms(now - line.lastSent()));
  }
  port.close();
  Figures f;
  f.samples = latency.size();
  f.p50 = At(latency, 0.5);
  f.p99 = At(latency, 0.99);
  f.max = At(latency, 1.0);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const int samples = argc > 2 ? std::atoi(argv[2]) : 40;
  th::WinEventLoop loop;
  std::vector<Figures> figures;
  struct Run {
    const char* name;
    FarEnd::Lines lines;
  };
  std::printf(
      "event thread at 115200 baud: latency of bytes 300-900 ms apart (far end's send to the "
      "arrival handler), CPU over %d s idle\n",
      idleSeconds);
  std::printf("%-30s %8s %8s %8s %9s %9s %9s %7s %9s\n", "", "p50 ms", "p99 ms", "max ms",
              "thread ms", "process", "server", "waits", "shim calls");
  for (const Run run : {Run{"bare pty (without the shim)", FarEnd::Lines::None},
                        Run{"modem lines (the shim; CI)", FarEnd::Lines::Shim},
                        Run{"modem lines, stretched sleeps", FarEnd::Lines::LongSleeps}}) {
    const Figures f = Measure(loop, run.lines, idleSeconds, samples);
    std::printf("%-30s %8.2f %8.2f %8.2f %9.1f %9.1f %9.1f %7llu %9u\n", run.name, f.p50, f.p99,
                f.max, f.threadMs, f.processMs, f.serverMs,
                static_cast<unsigned long long>(f.idleWaits), f.answered);
    figures.push_back(f);
  }
  const Figures plain = Reference(loop, samples);
  std::printf("%-30s %8.2f %8.2f %8.2f\n", "plain ReadFile (reference)", plain.p50, plain.p99,
              plain.max);
  std::printf(
      "latency over the reference's (p50, p99): without the shim %.1f, %.1f; with it %.1f, "
      "%.1f; stretched %.1f, %.1f\n",
      figures[0].p50 / plain.p50, figures[0].p99 / plain.p99, figures[1].p50 / plain.p50,
      figures[1].p99 / plain.p99, figures[2].p50 / plain.p50, figures[2].p99 / plain.p99);
  return 0;
}
