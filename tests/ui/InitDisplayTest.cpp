// The window as the logic's view: a settings record shown as a job starts,
// and the manual start, through the tool's real parts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/Tool.h"
#include "platform/BasicEventLoop.h"
#include "tests/support/NullPort.h"
#include "tests/support/TestPlatform.h"
#include "ui/window/MainWindow.h"

namespace th {
namespace {

struct WindowRig {
  WindowRig() : window(panes), sys(dir.str()), tool(loop, window, port, sys, panes) {}

  void show(int n) { window.showDevice(tool.settings.display(n)); }

  test::TempDir dir;
  Panes panes;
  MainWindow window;
  BasicEventLoop loop{BasicEventLoop::Clock::Virtual};
  test::NullPort port;
  test::TestPlatform sys;
  Tool tool;
};

void FillTestRecord(Setup& s) {
  s.DeviceSet.DeviceName.setBytes("Station 4");
  s.DeviceSet.LogID.setBytes("01");
  s.PortSet.COMPORT.set(12);
  s.PortSet.Baudrate.setBytes("19200");
  s.PortSet.Parity.setBytes("Even");
  s.PortSet.StopBits.setBytes("2");
  s.ModemSet.ModemNo.setBytes("0123456");
  s.ModemSet.ModemType.setBytes("Satellite");  // not one of the list's items
  s.ModemSet.Command.setBytes("ATZ");
  s.ModemSet.CallCMD.setBytes("ATDT");
  s.ModemSet.DiscntCMD.setBytes("ATH");
  s.ScheduleSet.SchDown.set(true);
  s.ScheduleSet.SensorNoCheck.set(true);
  s.ScheduleSet.DeleteDATAAfter.set(true);
  s.ScheduleSet.AppendData.set(false);
  s.ScheduleSet.intervalMin.set(15);
  s.ScheduleSet.DelayMin.set(-2);
  s.SaveFileSet.SavePath.setBytes("/srv/data");
  s.SaveFileSet.FileName1.setBytes("ST4A");
  s.SaveFileSet.FileName2.setBytes("ST4B");
}

QString ShownText(MainWindow& w, const char* name) {
  QWidget* widget = w.findChild<QWidget*>(QString::fromLatin1(name));
  if (auto* e = qobject_cast<QLineEdit*>(widget)) {
    return e->text();
  }
  if (auto* c = qobject_cast<QComboBox*>(widget)) {
    return c->currentText();
  }
  if (auto* l = qobject_cast<QLabel*>(widget)) {
    return l->text();
  }
  return QStringLiteral("<missing %1>").arg(QString::fromLatin1(name));
}

TEST(WindowInit, ShowsTheRecordInTheFieldsWithTheNameInRed) {
  WindowRig rig;
  FillTestRecord(rig.tool.settings.record(3));
  rig.window.show();
  rig.show(3);
  MainWindow& w = rig.window;
  EXPECT_EQ(ShownText(w, "lbeSelectedDeviceName"), "Station 4");
  EXPECT_EQ(ShownText(w, "clbLogID"), "01");
  EXPECT_EQ(ShownText(w, "cbbPortno"), "COM12");
  EXPECT_EQ(ShownText(w, "edtBaudrate"), "19200");
  EXPECT_EQ(ShownText(w, "edtParity"), "Even");
  EXPECT_EQ(ShownText(w, "edtStopbits"), "2");
  EXPECT_EQ(ShownText(w, "edtModemNo"), "0123456");
  EXPECT_EQ(ShownText(w, "clbModemType"), "Satellite");
  EXPECT_EQ(ShownText(w, "edtCommand1"), "ATZ");
  EXPECT_EQ(ShownText(w, "edtCallCmd"), "ATDT");
  EXPECT_EQ(ShownText(w, "edtDisconnect"), "ATH");
  EXPECT_EQ(ShownText(w, "edtInterval"), "15");
  EXPECT_EQ(ShownText(w, "edtDelay"), "-2");
  EXPECT_EQ(ShownText(w, "edtSaveFolder"), "/srv/data");
  EXPECT_EQ(ShownText(w, "edtSaveFile1"), "ST4A");
  EXPECT_EQ(ShownText(w, "edtSaveFile2"), "ST4B");
  EXPECT_TRUE(w.isChecked(Check::ckbTidehaul));
  EXPECT_TRUE(w.isChecked(Check::ckbSensorNoCheck));
  EXPECT_TRUE(w.isChecked(Check::ckbDeleteData));
  EXPECT_FALSE(w.isChecked(Check::ckbAppendData));
  auto* name = w.findChild<QLabel*>(QStringLiteral("lbeSelectedDeviceName"));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_TRUE(name->font().bold());
  EXPECT_EQ(name->font().pixelSize(), 19);
  EXPECT_TRUE(name->alignment() & Qt::AlignHCenter);
  // The view reads back what it shows.
  EXPECT_EQ(w.fieldText(Field::cbbPortno), u"COM12");
  EXPECT_EQ(w.fieldText(Field::lbeSelectedDeviceName), u"Station 4");
}

TEST(WindowInit, NonAsciiNamesShowAsTheirCharacters) {
  WindowRig rig;
  rig.tool.settings.record(0).DeviceSet.DeviceName.setBytes("Sta\xC3\xA7\xC3\xA3o");  // UTF-8
  rig.show(0);
  EXPECT_EQ(rig.window.fieldText(Field::lbeSelectedDeviceName), u"Sta\u00e7\u00e3o");
}

TEST(WindowInit, ManualStartWithoutNumberRunsNoJobAndEndsTheWait) {
  WindowRig rig;
  rig.window.setOnStart([&] { rig.tool.shell.onStartButton(); });
  rig.window.requestStart();
  EXPECT_TRUE(rig.tool.shell.runOver());
  EXPECT_FALSE(rig.port.isOpen());
  EXPECT_TRUE(rig.window.panelText(0).empty());
}

}  // namespace
}  // namespace th
