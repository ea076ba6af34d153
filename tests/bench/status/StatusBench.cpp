// tidehaul-status over FOLDERS station folders of RECORDS job records each,
// beside the same number of folders with 100 records, and with records that
// never complete (the most it ever reads). Wall time and peak resident memory
// of the program, median of the runs, the file cache warm.
//   status_bench [FOLDERS [RECORDS [RUNS]]]   (default 200 100000 5)
// Peak memory as the system counts it for a child, which starts from its
// parent's at the fork: /bin/true run the same way shows that floor.
// The folders go to a temporary folder (TMPDIR), about 56 MB per 100,000
// records each, and are removed at the end.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/status/RecordLines.h"
#include "tests/support/TestPlatform.h"

namespace th::status::test {
namespace {

namespace fs = std::filesystem;

// Hourly jobs up to ten minutes ago: now and then one that did not connect or
// kept the logger's files; `failing` makes every one fail.
std::string History(std::int64_t records, bool failing) {
  std::string text;
  for (std::int64_t i = records - 1; i >= 0; --i) {
    const std::int64_t end = kNow - 600 - i * 3600;
    if (failing || i % 23 == 5) {
      text +=
          RecordLine(Job(end, 3, "no_connection", false, 0, "Unable to open com port (Error: 2)"));
    } else if (i % 41 == 7) {
      text += RecordLine(Job(end, 3, "incomplete", false, 120,
                             "File fetch incomplete, read of \\\\SL01\\\\SL010.TXT stopped at 4000 "
                             "of 8120 bytes, logger files kept"));
    } else {
      text += RecordLine(Job(end, 3, "complete", true, 200));
    }
  }
  return text;
}

std::vector<std::string> MakeFolders(const fs::path& base, const char* name, int folders,
                                     const std::string& content) {
  std::vector<std::string> dirs;
  for (int f = 0; f < folders; ++f) {
    const fs::path dir = base / name / ("station" + std::to_string(f));
    fs::create_directories(dir);
    std::ofstream(dir / "Jobs.jsonl", std::ios::binary)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
    dirs.push_back(dir.string());
  }
  return dirs;
}

struct Run {
  double seconds = 0;
  double cpuSeconds = 0;  // user and system
  long peakKb = 0;
  int status = -1;
};

// A process forked before the folders' contents are made, which runs the
// program for the bench: a child's peak memory counts from its parent's at the
// fork, and this one's is small. Requests and results go through two pipes.
class Runner {
 public:
  Runner() {
    int request[2];
    int result[2];
    if (::pipe(request) != 0 || ::pipe(result) != 0) {
      std::perror("pipe");
      std::exit(1);
    }
    std::fflush(stdout);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(request[1]);
      ::close(result[0]);
      Serve(request[0], result[1]);
      ::_exit(0);
    }
    ::close(request[0]);
    ::close(result[1]);
    to_ = request[1];
    from_ = result[0];
  }
  ~Runner() {
    ::close(to_);
    ::close(from_);
    ::waitpid(pid_, nullptr, 0);
  }
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  // Runs the program with these arguments, standard output to /dev/null.
  Run run(const std::vector<std::string>& args) {
    std::string message;
    for (const std::string& a : args) {
      message += a + '\0';
    }
    const std::uint64_t size = message.size();
    WriteAll(to_, &size, sizeof size);
    WriteAll(to_, message.data(), message.size());
    Run r;
    ReadAll(from_, &r, sizeof r);
    return r;
  }

 private:
  static void WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = ::write(fd, p, size);
      if (n <= 0) {
        std::exit(1);
      }
      p += n;
      size -= static_cast<std::size_t>(n);
    }
  }
  static bool ReadAll(int fd, void* data, std::size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
      const ssize_t n = ::read(fd, p, size);
      if (n <= 0) {
        return false;
      }
      p += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  static void Serve(int in, int out) {
    std::uint64_t size = 0;
    while (ReadAll(in, &size, sizeof size)) {
      std::string message(size, '\0');
      ReadAll(in, message.data(), size);
      std::vector<char*> argv;
      for (std::size_t at = 0; at < message.size(); at = message.find('\0', at) + 1) {
        argv.push_back(message.data() + at);
      }
      argv.push_back(nullptr);
      const auto start = std::chrono::steady_clock::now();
      const pid_t pid = ::fork();
      if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::setenv("TIDEHAUL_STATUS_NOW", "2026-12-10T15:00:00+01:00", 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
      }
      int status = 0;
      rusage usage{};
      ::wait4(pid, &status, 0, &usage);
      Run r;
      r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
      r.peakKb = usage.ru_maxrss;
      r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      WriteAll(out, &r, sizeof r);
    }
  }

  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
};

Run RunStatus(Runner& runner, const std::vector<std::string>& dirs) {
  std::vector<std::string> args = {TIDEHAUL_STATUS_BIN, "--json"};
  args.insert(args.end(), dirs.begin(), dirs.end());
  return runner.run(args);
}

Run Median(Runner& runner, const std::vector<std::string>& dirs, int runs) {
  std::vector<Run> all;
  all.reserve(static_cast<std::size_t>(runs));
  for (int i = 0; i < runs; ++i) {
    all.push_back(RunStatus(runner, dirs));
  }
  std::sort(all.begin(), all.end(),
            [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
  Run m = all[all.size() / 2];
  for (const Run& r : all) {
    m.peakKb = std::max(m.peakKb, r.peakKb);
    m.status = std::max(m.status, r.status);
  }
  return m;
}

}  // namespace
}  // namespace th::status::test

int main(int argc, char** argv) {
  using namespace th::status::test;
  const int folders = argc > 1 ? std::atoi(argv[1]) : 200;
  const std::int64_t records = argc > 2 ? std::atoll(argv[2]) : 100000;
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  th::test::TempDir base;
  Runner runner;
  std::vector<std::string> small;
  std::vector<std::string> large;
  {
    const std::string big = History(records, false);
    std::printf("%d folders; %lld records each: %.1f MB per Jobs.jsonl\n", folders,
                static_cast<long long>(records), static_cast<double>(big.size()) / 1e6);
    small = MakeFolders(base.path(), "small", folders, History(100, false));
    large = MakeFolders(base.path(), "large", folders, big);
  }
  // More than the two generations of the tool hold, none complete: the
  // reading stops at its limit.
  const auto failing = MakeFolders(base.path(), "failing", folders, History(6000, true));
  RunStatus(runner, large);  // the file cache warm for all
  RunStatus(runner, failing);
  // What a program that does nothing shows when run the same way.
  const Run floor = runner.run({"/bin/true"});
  const Run s = Median(runner, small, runs);
  const Run l = Median(runner, large, runs);
  const Run f = Median(runner, failing, runs);
  std::printf("%-34s %8s %8s %12s %5s\n", "", "seconds", "CPU s", "peak RSS KB", "exit");
  const auto show = [](const std::string& what, const Run& r) {
    std::printf("%-34s %8.3f %8.3f %12ld %5d\n", what.c_str(), r.seconds, r.cpuSeconds, r.peakKb,
                r.status);
  };
  show("100 records each", s);
  show(std::to_string(records) + " records each", l);
  show("6000 failing records each (limit)", f);
  show("/bin/true, for the floor", floor);
  std::printf("ratio %lld records / 100 records: time %.2f, CPU %.2f, peak RSS %.2f\n",
              static_cast<long long>(records), l.seconds / s.seconds, l.cpuSeconds / s.cpuSeconds,
              static_cast<double>(l.peakKb) / static_cast<double>(s.peakKb));
  return 0;
}
