// Fetch throughput, peak memory and CPU of the tool on a large logger file.
//   fetch_bench [MEGABYTES]   (default 5)
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/e2e_fetch/Station.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string LoggerFile(std::size_t bytes) {
  std::string out;
  out.reserve(bytes + 64);
  for (int i = 0; out.size() < bytes; ++i) {
    char line[96];
    const int n = std::snprintf(line, sizeof line, "24-05-%02d %02d:%02d:00,%d.25,-%d.50,%d.75\r\n",
                                1 + i / 1440 % 28, i / 60 % 24, i % 60, i % 997, i % 313, i % 71);
    out.append(line, static_cast<std::size_t>(n));
  }
  return out;
}

// Seconds a plain loop needs to read `bytes` from a raw pseudo-terminal while
// another thread writes them as fast as it can.
double PlainPtyRead(const std::string& bytes) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ::grantpt(master);
  ::unlockpt(master);
  const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  termios tio{};
  ::tcgetattr(slave, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(slave, TCSANOW, &tio);
  const auto start = Clock::now();
  std::thread writer([&] {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n =
          ::write(master, bytes.data() + done, std::min<std::size_t>(4096, bytes.size() - done));
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      }
    }
  });
  std::vector<char> buf(65536);
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(slave, buf.data(), buf.size());
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    }
  }
  const double seconds = Seconds(Clock::now() - start).count();
  writer.join();
  ::close(slave);
  ::close(master);
  return seconds;
}

// Seconds a plain loop needs to read the file from the simulated logger: the
// same road as the tool's read, without the tool.
double PlainSimRead(const std::string& bytes) {
  Station s;
  WriteWholeFile(s.file("logger.txt"), bytes);
  s.startLogger({"--file", "\\SL01\\SL010.TXT=" + s.file("logger.txt").string()});
  const int fd = ::open(s.file("COM3").c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  std::vector<char> buf(65536);
  const std::string open = "#M01 T O\r\n";
  ::write(fd, open.data(), open.size());
  std::string reply;
  while (reply.find('\n') == std::string::npos) {
    const ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n > 0) {
      reply.append(buf.data(), static_cast<std::size_t>(n));
    }
  }
  const std::string fread = "fread \\SL01\\SL010.TXT\r\n";
  const auto start = Clock::now();
  ::write(fd, fread.data(), fread.size());
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    }
  }
  const double seconds = Seconds(Clock::now() - start).count();
  ::close(fd);
  return seconds;
}

double CpuOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) {
    return -1;
  }
  std::istringstream rest(stat.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14 || i == 15) {
      ticks += std::stod(field);
    }
  }
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Transcript time (ms since READY) of the first event whose kind and text start so.
long EventMs(const std::string& transcript, const std::string& kindAndText) {
  std::istringstream in(transcript);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t space = line.find(' ');
    if (space != std::string::npos &&
        line.compare(space + 1, kindAndText.size(), kindAndText) == 0) {
      return std::stol(line.substr(0, space));
    }
  }
  return -1;
}

struct JobFigures {
  double wall = 0;
  double cpu = 0;
  double cpuInTransfer = 0;
  long maxRssKb = 0;
  double streamSeconds = 0;  // fread received by the logger until its last byte was written
  double freadToNextCommand = 0;
  bool deleted = false;
  std::size_t savedBytes = 0;
};

JobFigures RunJob(const std::string& content) {
  Station s;
  WriteWholeFile(s.file("logger.txt"), content);
  s.startLogger({"--file", "\\SL01\\SL010.TXT=" + s.file("logger.txt").string()});
  const auto start = Clock::now();
  Process tool({s.file("tidehaul").string()});
  Process send({std::string(TIDEHAUL_BIN_DIR) + "/tidehaul-send", "--pid",
                std::to_string(tool.pid()), "--wait", "10", "3"});
  double cpuAtFread = -1;
  double cpuAtNext = -1;
  double lastCpu = 0;
  while (!tool.wait(Seconds(0.005))) {
    lastCpu = CpuOf(tool.pid());
    const std::string transcript = ReadWholeFile(s.file("logger.log"));
    if (cpuAtFread < 0 && EventMs(transcript, "CMD fread") >= 0) {
      cpuAtFread = lastCpu;
    }
    if (cpuAtNext < 0 && EventMs(transcript, "CMD cd") >= 0) {
      cpuAtNext = lastCpu;
    }
  }
  JobFigures f;
  f.wall = Seconds(Clock::now() - start).count();
  f.cpu = tool.cpuSeconds();
  f.maxRssKb = tool.maxRssKb();
  f.cpuInTransfer = cpuAtFread >= 0 && cpuAtNext >= 0 ? cpuAtNext - cpuAtFread : -1;
  send.wait(Seconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::string transcript = ReadWholeFile(s.file("logger.log"));
  const long fread = EventMs(transcript, "CMD fread");
  f.streamSeconds = static_cast<double>(EventMs(transcript, "FILE") - fread) / 1000.0;
  f.freadToNextCommand = static_cast<double>(EventMs(transcript, "CMD cd") - fread) / 1000.0;
  f.deleted = transcript.find(" DEL ") != std::string::npos;
  f.savedBytes = s.dataFile("CR000.TXT").size();
  return f;
}

void Print(const char* name, const JobFigures& f, std::size_t size) {
  std::printf("%s: file %zu bytes, saved %zu bytes, deleted on logger: %s\n", name, size,
              f.savedBytes, f.deleted ? "yes" : "no");
  std::printf("  wall %.2f s, CPU %.3f s (in transfer %.3f s, outside %.3f s), peak RSS %.1f MB\n",
              f.wall, f.cpu, f.cpuInTransfer, f.cpu - f.cpuInTransfer,
              static_cast<double>(f.maxRssKb) / 1024.0);
  std::printf("  logger stream %.3f s; fread to next command %.3f s\n", f.streamSeconds,
              f.freadToNextCommand);
}

}  // namespace
}  // namespace th::test

int main(int argc, char** argv) {
  using namespace th::test;
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 5.0;
  const std::string big = LoggerFile(static_cast<std::size_t>(megabytes * 1024 * 1024));
  const std::string small = LoggerFile(800);

  const double plain = PlainPtyRead(big);
  const double plainSim = PlainSimRead(big);
  const JobFigures base = RunJob(small);
  const JobFigures job = RunJob(big);
  Print("small job", base, small.size());
  Print("large job", job, big.size());
  const double mb = static_cast<double>(big.size()) / 1e6;
  std::printf("plain pty read loop: %.3f s (%.1f MB/s)\n", plain, mb / plain);
  std::printf("plain read loop from the simulator: %.3f s (%.1f MB/s)\n", plainSim, mb / plainSim);
  std::printf(
      "fetch stream: %.1f MB/s; ratio to the plain loop from the simulator %.2f, "
      "to the bare pty loop %.2f (target >= 0.5)\n",
      mb / job.streamSeconds, plainSim / job.streamSeconds, plain / job.streamSeconds);
  std::printf(
      "peak RSS %.2f x file size; above the small job %.2f x file size (target < 3)\n",
      static_cast<double>(job.maxRssKb) * 1024 / static_cast<double>(big.size()),
      static_cast<double>(job.maxRssKb - base.maxRssKb) * 1024 / static_cast<double>(big.size()));
  return 0;
}
