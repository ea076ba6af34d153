#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <string>

#include "ui/window/LinePane.h"

namespace th {
namespace {

class LinePaneTest : public ::testing::Test {
 protected:
  LinePaneTest() : pane(list) {
    pane.resize(321, 129);
    pane.show();
    settle();
  }
  // Lets the pane catch up: it shows appends at most every few milliseconds.
  void settle() {
    QCoreApplication::processEvents();
    QElapsedTimer waited;
    waited.start();
    while (pane.refreshPending() && waited.elapsed() < 2000) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
  }
  // Number of pixel rows of the viewport that hold any text-coloured pixel.
  int inkedRows() {
    const QImage image = pane.viewport()->grab().toImage();
    const QRgb background = pane.viewport()->palette().color(QPalette::Base).rgb();
    int rows = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) != background) {
          ++rows;
          break;
        }
      }
    }
    return rows;
  }

  LineList list;
  LinePane pane;
};

TEST_F(LinePaneTest, ALongLineStaysOneLineAndScrollsSideways) {
  list.append(std::string(3000, 'W'));
  settle();
  EXPECT_EQ(pane.verticalScrollBar()->maximum(), 0);
  EXPECT_GT(pane.horizontalScrollBar()->maximum(), 2000);
  const int oneLine = inkedRows();
  EXPECT_GT(oneLine, 0);
  EXPECT_LE(oneLine, pane.lineHeight());  // not wrapped onto further rows
  // Scrolled to its far end, the line's tail is still drawn.
  pane.horizontalScrollBar()->setValue(pane.horizontalScrollBar()->maximum());
  settle();
  EXPECT_GT(inkedRows(), 0);
}

TEST_F(LinePaneTest, AppendedLinesAppearAtTheBottom) {
  for (int i = 0; i < 100; ++i) {
    list.append("line " + std::to_string(i));
  }
  settle();
  QScrollBar* v = pane.verticalScrollBar();
  EXPECT_GT(v->maximum(), 0);
  EXPECT_EQ(v->value(), v->maximum());
  // Scrolled back, the view stays put while more lines arrive.
  v->setValue(0);
  list.append("more");
  settle();
  EXPECT_EQ(v->value(), 0);
  // At the bottom again, it follows once more.
  v->setValue(v->maximum());
  list.append("still more");
  settle();
  EXPECT_EQ(v->value(), v->maximum());
  EXPECT_EQ(static_cast<std::size_t>(v->maximum() + v->pageStep()), list.count());
}

TEST_F(LinePaneTest, EmptyingTheListEmptiesThePane) {
  for (int i = 0; i < 50; ++i) {
    list.append(std::string(500, 'x'));
  }
  settle();
  EXPECT_GT(inkedRows(), 0);
  list.clear();
  settle();
  EXPECT_EQ(inkedRows(), 0);
  EXPECT_EQ(pane.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(pane.horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(pane.contentWidth(), 0);
}

TEST_F(LinePaneTest, TypingChangesNothing) {
  list.append("data line");
  settle();
  pane.setFocus();
  for (const Qt::Key key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&pane, &press);
  }
  ASSERT_EQ(list.count(), 1u);
  EXPECT_EQ(list.raw(0), "data line");
}

TEST_F(LinePaneTest, EveryByteValueShowsWithoutHarm) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    all.push_back(static_cast<char>(b));
  }
  list.append(all);
  list.append(std::string());
  list.append(std::string(3, '\0'));
  settle();
  EXPECT_GT(inkedRows(), 0);
  EXPECT_EQ(list.raw(0), all);  // the store keeps every byte as it came
}

TEST_F(LinePaneTest, ContentWidthIsTheWidestLine) {
  list.append("ab");
  list.append(std::string(80, 'm'));
  list.append("c");
  const QFontMetricsF fm(pane.viewport()->font());
  EXPECT_NEAR(pane.contentWidth(), fm.horizontalAdvance(QString(80, QLatin1Char('m'))), 1.0);
}

TEST_F(LinePaneTest, APaneMadeOverAFilledListShowsIt) {
  LineList filled;
  for (int i = 0; i < 30; ++i) {
    filled.append("row");
  }
  LinePane late(filled);
  late.resize(200, 100);
  late.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(late.verticalScrollBar()->value(), late.verticalScrollBar()->maximum());
  EXPECT_GT(late.verticalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace th
