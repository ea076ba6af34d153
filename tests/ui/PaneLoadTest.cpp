// A guard against regressions that the benchmark (tests/bench/ui) measures in
// full: a shown pane must take a logger file's worth of lines without copying
// them and without repainting for every line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <fstream>
#include <string>

#include "ui/window/MainWindow.h"

namespace th {
namespace {

double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

TEST(PaneLoad, TwoHundredThousandLinesStayCheapInTimeAndMemory) {
  constexpr int kLines = 200000;
  constexpr std::size_t kLength = 100;
  Panes panes;
  MainWindow window(panes);
  window.show();
  QCoreApplication::processEvents();
  const double before = ResidentBytes();
  QElapsedTimer took;
  took.start();
  for (int i = 0; i < kLines; ++i) {
    std::string line = std::to_string(i);
    line.resize(kLength, ',');
    panes.download1.append(std::move(line));
    if (i % 100 == 99) {
      QCoreApplication::processEvents();
    }
  }
  QCoreApplication::processEvents();
  const double payload = static_cast<double>(kLines) * kLength;
  EXPECT_LT(ResidentBytes() - before, 3 * payload);
  // Generous against a busy machine; the benchmark shows the real figure.
  EXPECT_LT(took.elapsed(), 3000);
  EXPECT_EQ(panes.download1.count(), static_cast<std::size_t>(kLines));
}

}  // namespace
}  // namespace th
