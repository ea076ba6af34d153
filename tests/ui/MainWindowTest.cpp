#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>

#include "ui/window/LinePane.h"
#include "ui/window/MainWindow.h"

namespace th {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : window(panes) {}

  template <typename W>
  W* find(const char* name) {
    auto* w = window.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString text(const char* name) {
    QWidget* w = find<QWidget>(name);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
      return e->text();
    }
    if (auto* c = qobject_cast<QComboBox*>(w)) {
      return c->currentText();
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
      return l->text();
    }
    return QStringLiteral("<no text>");
  }
  QRect place(const char* name) { return find<QWidget>(name)->geometry(); }
  // Labels of a container, by caption.
  QStringList captions(QWidget* parent) {
    QStringList list;
    for (auto* l : parent->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
      list << l->text();
    }
    return list;
  }

  Panes panes;
  MainWindow window;
};

TEST_F(MainWindowTest, IdentityTitleAndClientSize) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Tidehaul Ver 1.4.9"));
  EXPECT_EQ(window.objectName(), QStringLiteral("TfTidehaul"));
  // Qt names the X11 window class after the application.
  EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("TfTidehaul"));
  ASSERT_DOUBLE_EQ(window.layoutScale(), 1.0);  // the offscreen screen has 96 dpi
  window.show();
  EXPECT_EQ(window.size(), QSize(672, 462));
  EXPECT_EQ(window.statusBar()->geometry(), QRect(0, 443, 672, 19));
  EXPECT_TRUE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_NE(window.minimumWidth(), window.maximumWidth());  // resizable
}

TEST_F(MainWindowTest, FontIsTahomaOrTheSansSerifFallbackAtEightPoints) {
  const QFont f = window.font();
  EXPECT_EQ(f.pointSize(), 8);
  const QFontInfo info(f);
  if (info.family() != QStringLiteral("Tahoma")) {
    EXPECT_EQ(f.styleHint(), QFont::SansSerif);
  }
}

TEST_F(MainWindowTest, InitialContentsBeforeAnyControlMessage) {
  EXPECT_EQ(text("lbMsg"), "-1");
  EXPECT_EQ(text("lbeSelectedDeviceName"), "");
  EXPECT_EQ(text("clbModemType"), "Direct");
  EXPECT_EQ(text("clbLogID"), "ID");
  EXPECT_EQ(text("cbbPortno"), "COM1");
  EXPECT_EQ(text("edtBaudrate"), "9600");
  EXPECT_EQ(text("edtParity"), "None");
  EXPECT_EQ(text("edtStopbits"), "1");
  EXPECT_EQ(text("edtInterval"), "30");
  EXPECT_EQ(text("edtDelay"), "5");
  EXPECT_EQ(text("edtSaveFile1"), "CR000");
  EXPECT_EQ(text("edtSaveFile2"), "CR001");
  for (const char* empty :
       {"edtModemNo", "edtCommand1", "edtCallCmd", "edtDisconnect", "edtSaveFolder"}) {
    EXPECT_EQ(text(empty), "") << empty;
  }
  for (const char* box : {"ckbTidehaul", "ckbSensorNoCheck", "ckbDeleteData", "ckbAppendData"}) {
    EXPECT_FALSE(find<QCheckBox>(box)->isChecked()) << box;
  }
  EXPECT_EQ(find<QCheckBox>("ckbTidehaul")->text(), "Tidehaul");
  EXPECT_EQ(find<QCheckBox>("ckbSensorNoCheck")->text(), "Data Channel Quantity > 60  ?");
  EXPECT_EQ(find<QCheckBox>("ckbDeleteData")->text(), "Delete Data After Download");
  EXPECT_EQ(find<QCheckBox>("ckbAppendData")->text(), "Append Data to File");
  EXPECT_EQ(find<QToolButton>("SpeedButton6")->text(), "Apply");
  EXPECT_TRUE(find<QToolButton>("SpeedButton3")->text().isEmpty());
  for (int p = 0; p < kPanelCount; ++p) {
    EXPECT_TRUE(window.panelText(p).empty());
  }
  EXPECT_EQ(window.progressMax(), 100);
  EXPECT_EQ(window.progressPosition(), 0);
  EXPECT_EQ(find<QProgressBar>("PBar_Connect")->minimum(), 0);
  for (auto* pane : {&window.mmoDown1(), &window.mmoDown2(), &window.mmoRxTemp()}) {
    EXPECT_EQ(pane->lines().count(), 0u);
  }
}

TEST_F(MainWindowTest, DropDownListsHoldTheirItemsInOrder) {
  QStringList types;
  auto* type = find<QComboBox>("clbModemType");
  for (int i = 0; i < type->count(); ++i) {
    types << type->itemText(i);
  }
  EXPECT_EQ(types, (QStringList{"Direct", "TWX-314", "TCP/IP", "B/T(QM515)", "H316k", "JX070",
                                "N-Tarsel", "etc"}));
  auto* id = find<QComboBox>("clbLogID");
  ASSERT_EQ(id->count(), 16);
  EXPECT_EQ(id->itemText(0), "00");
  EXPECT_EQ(id->itemText(15), "15");
  EXPECT_EQ(find<QComboBox>("cbbPortno")->count(), 0);
  for (const char* name : {"clbModemType", "clbLogID", "cbbPortno"}) {
    EXPECT_TRUE(find<QComboBox>(name)->isEditable()) << name;
  }
}

TEST_F(MainWindowTest, ElementsSitWhereTheLayoutPutsThem) {
  EXPECT_EQ(place("pSubSetting"), QRect(8, 8, 656, 304));
  EXPECT_EQ(place("lbMsg").topLeft(), QPoint(14, 9));
  EXPECT_EQ(place("lbeSelectedDeviceName"), QRect(124, 10, 369, 23));
  EXPECT_EQ(place("SpeedButton6"), QRect(578, 4, 70, 28));
  EXPECT_EQ(place("clbModemType").topLeft(), QPoint(14, 55));
  EXPECT_EQ(place("clbModemType").width(), 114);
  EXPECT_EQ(place("clbLogID").topLeft(), QPoint(134, 55));
  EXPECT_EQ(place("clbLogID").width(), 41);
  EXPECT_EQ(place("SpeedButton3"), QRect(202, 48, 32, 32));
  EXPECT_EQ(place("PBar_Connect"), QRect(240, 55, 393, 17));
  EXPECT_EQ(place("gbPortSetting"), QRect(11, 86, 185, 131));
  EXPECT_EQ(place("cbbPortno").topLeft(), QPoint(80, 22));
  EXPECT_EQ(place("SpeedButton8"), QRect(140, 19, 26, 27));
  EXPECT_EQ(place("edtBaudrate"), QRect(80, 49, 81, 19));
  EXPECT_EQ(place("edtParity"), QRect(80, 76, 81, 19));
  EXPECT_EQ(place("edtStopbits"), QRect(80, 103, 81, 19));
  EXPECT_EQ(place("gbAddCommand"), QRect(202, 86, 223, 131));
  EXPECT_EQ(place("edtModemNo"), QRect(86, 20, 121, 19));
  EXPECT_EQ(place("edtCommand1"), QRect(86, 46, 121, 19));
  EXPECT_EQ(place("edtCallCmd"), QRect(86, 72, 121, 19));
  EXPECT_EQ(place("edtDisconnect"), QRect(86, 99, 121, 19));
  EXPECT_EQ(place("gbTidehaul"), QRect(431, 86, 203, 131));
  EXPECT_EQ(place("ckbTidehaul"), QRect(13, 23, 148, 17));
  EXPECT_EQ(place("ckbSensorNoCheck"), QRect(13, 53, 195, 17));
  EXPECT_EQ(place("edtInterval"), QRect(84, 83, 49, 19));
  EXPECT_EQ(place("edtDelay"), QRect(84, 108, 49, 19));
  EXPECT_EQ(place("ckbDeleteData"), QRect(174, 58, 181, 17));
  EXPECT_EQ(place("ckbAppendData"), QRect(174, 77, 163, 17));
  EXPECT_EQ(place("gbSaveData"), QRect(11, 223, 628, 76));
  EXPECT_EQ(place("edtSaveFolder"), QRect(113, 18, 465, 19));
  EXPECT_EQ(place("SpeedButton1"), QRect(580, 16, 23, 22));
  EXPECT_EQ(place("edtSaveFile1"), QRect(123, 47, 120, 19));
  EXPECT_EQ(place("edtSaveFile2"), QRect(426, 47, 120, 19));
  EXPECT_EQ(place("mmoDown1"), QRect(8, 318, 321, 129));
  EXPECT_EQ(place("mmoDown2"), QRect(335, 318, 329, 129));
  EXPECT_EQ(place("mmoRxTemp"), QRect(800, 318, 240, 148));
}

TEST_F(MainWindowTest, GroupsAndFieldLabelsCarryTheirCaptions) {
  EXPECT_EQ(find<QGroupBox>("gbPortSetting")->title(), "Port Setting");
  EXPECT_EQ(find<QGroupBox>("gbAddCommand")->title(), "Add Command");
  EXPECT_EQ(find<QGroupBox>("gbTidehaul")->title(), "Tidehaul");
  EXPECT_EQ(find<QGroupBox>("gbSaveData")->title(), "Save Data");
  EXPECT_EQ(captions(find<QWidget>("gbPortSetting")),
            (QStringList{"Port No", "Baudrate", "parity", "Stop Bits"}));
  EXPECT_EQ(captions(find<QWidget>("gbAddCommand")),
            (QStringList{"Phone No", "Command", "Call Cmd", "Disconnect"}));
  EXPECT_EQ(captions(find<QWidget>("gbTidehaul")),
            (QStringList{"Interval", "Minutes", "Delay", "Minutes"}));
  EXPECT_EQ(
      captions(find<QWidget>("gbSaveData")),
      (QStringList{"Save Location", "Save File Name #1", ".TXT", "Save File Name #2", ".TXT"}));
  const QStringList top = captions(find<QWidget>("pSubSetting"));
  EXPECT_TRUE(top.contains("Communication Type"));
  EXPECT_TRUE(top.contains("Logger ID"));
  // Field labels stand left of their field; "Minutes" and ".TXT" to the right.
  auto* save = find<QWidget>("gbSaveData");
  for (auto* l : save->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (l->text() == "Save File Name #2") {
      EXPECT_LE(l->geometry().right(), place("edtSaveFile2").left()) << "label overlaps its field";
    }
    if (l->text() == "Save File Name #1") {
      EXPECT_LE(l->geometry().right(), place("edtSaveFile1").left()) << "label overlaps its field";
    }
  }
}

TEST_F(MainWindowTest, StatusBarHasFourPanelsOfTheirWidths) {
  window.show();
  const int widths[] = {100, 150, 200, 150};
  int x = 0;
  for (int p = 0; p < kPanelCount; ++p) {
    auto* panel = window.statusBar()->findChild<QLabel*>(QStringLiteral("Panel%1").arg(p));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(x, 0, widths[p], 19)) << "panel " << p;
    x += widths[p];
  }
  window.setPanelText(2, u"#T");
  window.setPanelText(3, u"\u00e9t\u00e9");
  EXPECT_EQ(window.panelText(2), u"#T");
  EXPECT_EQ(window.panelText(3), u"\u00e9t\u00e9");
  window.setPanelText(2, u"");  // an empty text blanks the panel
  EXPECT_EQ(window.panelText(2), u"");
}

TEST_F(MainWindowTest, PanelLabelsShowTheLastOfABurstOfTexts) {
  window.show();
  auto* label = window.statusBar()->findChild<QLabel*>(QStringLiteral("Panel3"));
  ASSERT_NE(label, nullptr);
  for (int i = 0; i < 1000; ++i) {
    window.setPanelText(3, u"line " + IntToText(i));
  }
  EXPECT_EQ(window.panelText(3), u"line 999");
  const auto shown = [&](const QString& text) {
    QElapsedTimer t;
    t.start();
    while (label->text() != text && t.elapsed() < 2000) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return label->text() == text;
  };
  EXPECT_TRUE(shown(QStringLiteral("line 999")));
  window.setPanelText(3, u"");
  EXPECT_TRUE(shown(QString()));
}

TEST_F(MainWindowTest, HiddenCheckBoxesStayHiddenButKeepTheirState) {
  window.show();
  QCoreApplication::processEvents();
  EXPECT_FALSE(find<QCheckBox>("ckbDeleteData")->isVisible());
  EXPECT_FALSE(find<QCheckBox>("ckbAppendData")->isVisible());
  EXPECT_TRUE(find<QCheckBox>("ckbTidehaul")->isVisible());
  window.setChecked(Check::ckbDeleteData, true);
  window.setChecked(Check::ckbAppendData, true);
  EXPECT_TRUE(window.isChecked(Check::ckbDeleteData));
  EXPECT_TRUE(window.isChecked(Check::ckbAppendData));
  EXPECT_FALSE(find<QCheckBox>("ckbDeleteData")->isVisible());
}

TEST_F(MainWindowTest, ProgressBarRefusesAMaximumBelowZero) {
  window.setProgressMax(5000);
  window.setProgressPosition(1200);
  EXPECT_THROW(window.setProgressMax(-1), EInvalidOperation);
  EXPECT_EQ(window.progressMax(), 5000);
  EXPECT_EQ(window.progressPosition(), 1200);
  auto* bar = find<QProgressBar>("PBar_Connect");
  EXPECT_EQ(bar->maximum(), 5000);
  EXPECT_EQ(bar->value(), 1200);
  // A maximum of 0 (an empty file) shows an empty bar, not a busy animation.
  window.setProgressMax(0);
  EXPECT_EQ(window.progressMax(), 0);
  EXPECT_EQ(window.progressPosition(), 0);
  EXPECT_GT(bar->maximum(), bar->minimum());
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(MainWindowTest, BusyPointerIsSetOnceAndRestored) {
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  window.setBusy(true);
  window.setBusy(true);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  window.setBusy(false);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  window.setBusy(false);  // no unbalanced restore
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, MsgLabelGrowsWithItsText) {
  window.setPendingDevice(u"1234");
  EXPECT_EQ(window.pendingDevice(), u"1234");
  auto* msg = find<QLabel>("lbMsg");
  EXPECT_GE(msg->width(), msg->fontMetrics().horizontalAdvance(QStringLiteral("1234")));
  window.setPendingDevice(u"");
  EXPECT_EQ(window.pendingDevice(), u"");
}

TEST_F(MainWindowTest, ManualStartButtonCallsTheStartAndTheOthersDoNothing) {
  int starts = 0;
  window.setOnStart([&] { ++starts; });
  find<QToolButton>("SpeedButton6")->click();
  find<QToolButton>("SpeedButton8")->click();
  find<QToolButton>("SpeedButton1")->click();
  EXPECT_EQ(starts, 0);
  find<QToolButton>("SpeedButton3")->click();
  EXPECT_EQ(starts, 1);
}

TEST_F(MainWindowTest, CloseAsksTheAppAndIsNeverRefused) {
  int requests = 0;
  window.setOnCloseRequest([&] { ++requests; });
  window.show();
  EXPECT_TRUE(window.close());
  EXPECT_EQ(requests, 1);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, ReceiveLogPaneComesIntoViewPastEightHundredPixels) {
  window.show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.mmoRxTemp().visibleRegion().isEmpty());
  EXPECT_FALSE(window.mmoDown2().visibleRegion().isEmpty());
  window.resize(790, 520);
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.mmoRxTemp().visibleRegion().isEmpty());
  window.resize(1060, 520);
  QCoreApplication::processEvents();
  EXPECT_FALSE(window.mmoRxTemp().visibleRegion().isEmpty());
  EXPECT_EQ(window.mmoRxTemp().visibleRegion().boundingRect().width(), 240);
}

TEST_F(MainWindowTest, WindowCanBeMadeNarrowerThanItsPanels) {
  window.show();
  EXPECT_LT(window.minimumSizeHint().width(), 300);
}

}  // namespace
}  // namespace th
