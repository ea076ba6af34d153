#pragma once
// What the pane benchmarks of both windows append, how they measure it and how
// they report it: 200,000 data lines of 100 characters, one at a time, as the
// receive path appends them.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "tests/support/SystemHelpers.h"

namespace th::bench {

inline constexpr int kLines = 200000;
inline constexpr int kLength = 100;
// Lines appended between two turns of the loop: about what a fast line
// delivers.
inline constexpr int kBatch = 100;

// A data line of exactly kLength characters, different for every i.
inline std::string DataLine(int i) {
  char head[64];
  const int n =
      std::snprintf(head, sizeof head, "2026-12-09 05:%02d:%02d,%6d,", (i / 60) % 60, i % 60, i);
  std::string line(head, static_cast<std::size_t>(n));
  while (line.size() < kLength) {
    line += " 12.345,";
  }
  line.resize(kLength);
  return line;
}

// One run: wall time, CPU time and memory growth.
struct Figure {
  double seconds;
  double cpu;
  double grownBytes;
};

// Appends `lines` lines through append(i); the window processes its messages
// through pump() after every `batch` lines and at the end. memoryBytes() is
// what the process holds.
inline Figure Measure(int lines, int batch, const std::function<void(int)>& append,
                      const std::function<void()>& pump, double (*memoryBytes)()) {
  pump();
  const double before = memoryBytes();
  const double cpuStart = test::ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < lines; ++i) {
    append(i);
    if (i % batch == batch - 1) {
      pump();
    }
  }
  pump();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {took.count(), test::ProcessCpuSeconds() - cpuStart, memoryBytes() - before};
}

inline void Report(const char* name, const Figure& f, double payload) {
  std::printf("%-36s %8.3f s (cpu %.3f s)   memory +%7.1f MB (%.2fx payload)\n", name, f.seconds,
              f.cpu, f.grownBytes / 1e6, f.grownBytes / payload);
}

}  // namespace th::bench
