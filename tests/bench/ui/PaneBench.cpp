// Appends 200,000 lines of 100 characters one at a time, as the receive path
// does, to the shown window's download pane, then the same lines to a shown
// QPlainTextEdit; prints the time and the memory growth of each and the ratios.
// Messages are processed (and the panes repaint) every 100 lines; the pane is
// also measured with messages processed after every line.
#include <unistd.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "tests/bench/ui/PaneBenchRun.h"
#include "ui/window/MainWindow.h"

namespace {

using namespace th::bench;

double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

Figure MeasureShown(const std::function<void(int)>& append, int batch) {
  return Measure(
      kLines, batch, append, [] { QCoreApplication::processEvents(); }, ResidentBytes);
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
  const Figure pane = MeasureShown([&](int i) { panes.download1.append(DataLine(i)); }, kBatch);
  Report("LinePane over the core line list:", pane, payload);

  QPlainTextEdit plain;
  plain.setReadOnly(true);
  plain.setLineWrapMode(QPlainTextEdit::NoWrap);
  plain.resize(321, 129);
  plain.show();
  const Figure base = MeasureShown(
      [&](int i) {
        const std::string line = DataLine(i);
        plain.appendPlainText(
            QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
      },
      kBatch);
  Report("QPlainTextEdit (baseline):", base, payload);

  std::printf("ratio baseline/LinePane: time %.1fx, memory %.1fx\n", base.seconds / pane.seconds,
              base.grownBytes / pane.grownBytes);

  // The worst case: messages processed after every single line (the baseline
  // would repaint 200,000 times here, so it is not run).
  th::Panes panes2;
  th::MainWindow window2(panes2);
  window2.show();
  const Figure every = MeasureShown([&](int i) { panes2.download1.append(DataLine(i)); }, 1);
  Report("LinePane, messages every line:", every, payload);

  const bool ok = pane.seconds < 1.0 && pane.grownBytes < 3 * payload && every.seconds < 1.0 &&
                  every.grownBytes < 3 * payload;
  std::printf("LinePane within 1 s and 3x payload: %s\n", ok ? "yes" : "NO");
  return ok ? 0 : 1;
}
