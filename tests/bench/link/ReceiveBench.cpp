// Per-byte cost of the receive path's line assembly. The reference searches
// the whole line for every tag after every character (quadratic in the line
// length); the linear one checks the tail. Prints the ratio per line length.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "link/LineAssembly.h"
#include "link/ReceivePath.h"
#include "platform/BasicEventLoop.h"
#include "tests/link/ReferenceReceive.h"
#include "tests/support/NullPort.h"
#include "tests/support/RecordingView.h"

namespace th::test {
namespace {

constexpr int kLengths[] = {80, 1100, 4000};

// A data record of `length` characters: digits, separators and now and then a
// fault tag or a lone "E", as a logger with a failing sensor sends them.
Text MakeLine(int length) {
  std::mt19937 rng(static_cast<std::uint32_t>(length));
  static constexpr std::string_view kChars = "0123456789,.-: E";
  static constexpr std::string_view kTags[] = {"E32", "E21", "E62", "E40", "E00"};
  std::string s;
  while (static_cast<int>(s.size()) < length) {
    if (rng() % 16 == 0) {
      s += kTags[rng() % 5];
    } else {
      s += kChars[rng() % kChars.size()];
    }
  }
  s.resize(static_cast<std::size_t>(length));
  return BytesToText(s);
}

template <void (*Add)(Text&, char16_t)>
void Assemble(benchmark::State& state, const Text& line) {
  Text buff;
  for (auto _ : state) {
    for (const char16_t c : line) {
      Add(buff, c);
    }
    benchmark::DoNotOptimize(buff.data());
    buff.clear();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}

// The whole arrival handler (assembly, year patch, panel 3, routing) on one
// line per notification.
class FeedPort : public NullPort {
 public:
  int read(Text& str, int count) override {
    str = BytesToText(std::string_view(bytes).substr(0, static_cast<std::size_t>(count)));
    return count;
  }
  std::string bytes;
};

class QuietView : public RecordingView {
 public:
  void showReceived(const Text&) override {}
};

void WholePath(benchmark::State& state, const Text& line) {
  FeedPort port;
  port.bytes = TextToBytes(line) + "\r\n";
  BasicEventLoop loop;
  QuietView view;
  Panes panes;
  StopRequest stop;
  LineStatus status;
  Reception reception(panes);
  const Waiter waiter(loop, stop);
  ReceivePath path(port, waiter, view, reception, status);
  reception.routeTo(Route::Nowhere);  // keep no lines
  const int count = static_cast<int>(port.bytes.size());
  for (auto _ : state) {
    path.onArrival(count);
  }
  state.SetBytesProcessed(state.iterations() * count);
}

// Keeps each run's CPU time per line so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) {
        continue;
      }
      // CPU time: the machine is shared, wall time would count the neighbours.
      const double ns =
          run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
      nsPerLine[run.benchmark_name()] = ns;
    }
  }
  std::map<std::string, double> nsPerLine;
};

}  // namespace
}  // namespace th::test

int main(int argc, char** argv) {
  using namespace th::test;
  std::map<int, th::Text> lines;
  for (const int n : kLengths) {
    lines[n] = MakeLine(n);
    // Both must give the same line before their times mean anything.
    th::Text a;
    th::Text b;
    for (const char16_t c : lines[n]) {
      th::AddLineChar(a, c);
      ReferenceAddChar(b, c);
    }
    if (a != b) {
      std::fprintf(stderr, "assembly differs for length %d\n", n);
      return 1;
    }
  }
  for (const int n : kLengths) {
    const th::Text& line = lines[n];
    benchmark::RegisterBenchmark(
        ("Reference/" + std::to_string(n)).c_str(),
        [&line](benchmark::State& s) { Assemble<ReferenceAddChar>(s, line); });
    benchmark::RegisterBenchmark(
        ("Linear/" + std::to_string(n)).c_str(),
        [&line](benchmark::State& s) { Assemble<th::AddLineChar>(s, line); });
    benchmark::RegisterBenchmark(("WholePath/" + std::to_string(n)).c_str(),
                                 [&line](benchmark::State& s) { WholePath(s, line); });
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%8s %16s %16s %16s %8s\n", "length", "reference ns/B", "linear ns/B",
              "whole path ns/B", "ratio");
  for (const int n : kLengths) {
    const std::string k = std::to_string(n);
    const double ref = reporter.nsPerLine["Reference/" + k] / n;
    const double lin = reporter.nsPerLine["Linear/" + k] / n;
    const double whole = reporter.nsPerLine["WholePath/" + k] / (n + 2);
    std::printf("%8d %16.2f %16.2f %16.2f %8.1f\n", n, ref, lin, whole, lin > 0 ? ref / lin : 0.0);
  }
  benchmark::Shutdown();
  return 0;
}
