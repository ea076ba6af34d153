// Appends 200,000 lines of 100 characters one at a time, as the receive path
// does, to the shown window's download pane, then the same lines to a shown
// QPlainTextEdit; prints the time and the memory growth of each and the ratios.
// Messages are processed (and the panes repaint) every 100 lines; the pane is
// also measured with messages processed after every line.
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "ui/window/MainWindow.h"

namespace {

constexpr int kLines = 200000;
constexpr int kLength = 100;
constexpr int kBatch = 100;  // about what a fast line delivers between two turns of the loop

double rssBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// A data line of exactly kLength characters, different for every i.
std::string makeLine(int i) {
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

double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct Figure {
  double seconds;
  double cpu;
  double grownBytes;
};

Figure measure(const std::function<void(int)>& append, int batch) {
  QCoreApplication::processEvents();
  const double before = rssBytes();
  const double cpuStart = cpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kLines; ++i) {
    append(i);
    if (i % batch == batch - 1) {
      QCoreApplication::processEvents();
    }
  }
  QCoreApplication::processEvents();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {took.count(), cpuSeconds() - cpuStart, rssBytes() - before};
}

void report(const char* name, const Figure& f, double payload) {
  std::printf("%-34s %8.3f s (cpu %.3f s)   memory +%7.1f MB (%.2fx payload)\n", name, f.seconds,
              f.cpu, f.grownBytes / 1e6, f.grownBytes / payload);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  const double payload = static_cast<double>(kLines) * kLength;
  std::printf(
      "%d lines of %d characters appended one at a time (payload %.1f MB), "
      "messages processed every %d lines, window shown\n",
      kLines, kLength, payload / 1e6, kBatch);

  th::Panes panes;
  th::MainWindow window(panes);
  window.show();
  const Figure pane = measure([&](int i) { panes.download1.append(makeLine(i)); }, kBatch);
  report("LinePane over the core line list:", pane, payload);

  QPlainTextEdit plain;
  plain.setReadOnly(true);
  plain.setLineWrapMode(QPlainTextEdit::NoWrap);
  plain.resize(321, 129);
  plain.show();
  const Figure base = measure(
      [&](int i) {
        const std::string line = makeLine(i);
        plain.appendPlainText(
            QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
      },
      kBatch);
  report("QPlainTextEdit (baseline):", base, payload);

  std::printf("ratio baseline/LinePane: time %.1fx, memory %.1fx\n", base.seconds / pane.seconds,
              base.grownBytes / pane.grownBytes);

  // The worst case: messages processed after every single line (the baseline
  // would repaint 200,000 times here, so it is not run).
  th::Panes panes2;
  th::MainWindow window2(panes2);
  window2.show();
  const Figure every = measure([&](int i) { panes2.download1.append(makeLine(i)); }, 1);
  report("LinePane, messages every line:", every, payload);

  const bool ok = pane.seconds < 1.0 && pane.grownBytes < 3 * payload && every.seconds < 1.0 &&
                  every.grownBytes < 3 * payload;
  std::printf("LinePane within 1 s and 3x payload: %s\n", ok ? "yes" : "NO");
  return ok ? 0 : 1;
}
