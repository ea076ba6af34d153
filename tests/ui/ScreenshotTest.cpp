// tidehaul-screenshot on a machine without a desktop.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include "tests/support/TestPlatform.h"

namespace th {
namespace {

// Runs the tool with no display and no platform chosen, as on a fresh server.
int RunScreenshot(const QStringList& args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  QProcess tool;
  tool.setProcessEnvironment(env);
  tool.start(QStringLiteral(TIDEHAUL_BIN_DIR "/tidehaul-screenshot"), args);
  if (!tool.waitForFinished(30000)) {
    return -1;
  }
  return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

TEST(Screenshot, WritesThePictureOfTheWindowWithoutADesktop) {
  test::TempDir dir;
  const QString out = QString::fromStdString(dir.str() + "/window.png");
  ASSERT_EQ(RunScreenshot({out}), 0);
  const QImage image(out);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(672, 462));
  // The device name is drawn in red in the top band of the settings area.
  bool red = false;
  for (int y = 10; y < 40 && !red; ++y) {
    for (int x = 124; x < 493 && !red; ++x) {
      const QColor c = image.pixelColor(x, y);
      red = c.red() > 200 && c.green() < 60 && c.blue() < 60;
    }
  }
  EXPECT_TRUE(red);
}

TEST(Screenshot, TakesAWindowSizeAndRefusesBadArguments) {
  test::TempDir dir;
  const QString out = QString::fromStdString(dir.str() + "/wide.png");
  ASSERT_EQ(RunScreenshot({out, QStringLiteral("1060x500")}), 0);
  EXPECT_EQ(QImage(out).size(), QSize(1060, 500));
  EXPECT_EQ(RunScreenshot({}), 2);
  EXPECT_EQ(RunScreenshot({out, QStringLiteral("big")}), 2);
  EXPECT_EQ(RunScreenshot({QString::fromStdString(dir.str() + "/missing/dir/x.png")}), 1);
}

}  // namespace
}  // namespace th
