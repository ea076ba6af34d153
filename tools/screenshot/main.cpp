// tidehaul-screenshot OUT.png [WIDTHxHEIGHT]
// Writes a PNG of the main window after Init of a sample record. Runs on Qt's
// offscreen platform unless QT_QPA_PLATFORM names another, so it needs no desktop.
#include <QApplication>
#include <QPixmap>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>

#include "SampleScene.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: tidehaul-screenshot OUT.png [WIDTHxHEIGHT]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);

  th::Panes panes;
  th::MainWindow window(panes);
  if (argc == 3) {
    const QRegularExpression size(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$"));
    const auto match = size.match(QString::fromLocal8Bit(argv[2]));
    if (!match.hasMatch()) {
      std::fprintf(stderr, "tidehaul-screenshot: size must look like 900x500\n");
      return 2;
    }
    window.resize(match.captured(1).toInt(), match.captured(2).toInt());
  }
  window.show();
  th::ShowSampleRecord(window);
  QCoreApplication::processEvents();
  // No text cursor in the picture.
  if (QWidget* focused = QApplication::focusWidget()) {
    focused->clearFocus();
  }
  window.showPendingTexts();
  QCoreApplication::processEvents();

  const QString out = QString::fromLocal8Bit(argv[1]);
  if (!window.grab().save(out, "PNG")) {
    std::fprintf(stderr, "tidehaul-screenshot: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s\n", argv[1]);
  return 0;
}
