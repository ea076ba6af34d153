#include "ui/window/SettingsArea.h"

#include <QGroupBox>
#include <cmath>

#include "ui/window/Appearance.h"

namespace th {

namespace {
constexpr int kComboHeight = 21;
}  // namespace

SettingsArea::SettingsArea(double scale, QWidget* parent) : QFrame(parent), scale_(scale) {
  setObjectName(QStringLiteral("pSubSetting"));
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  place(this, 8, 8, 656, 304);
  buildTop();
  buildPortSetting();
  buildAddCommand();
  buildSchedule();
  buildSaveData();
}

int SettingsArea::px(int v) const {
  return static_cast<int>(std::lround(v * scale_));
}

void SettingsArea::place(QWidget* w, int x, int y, int width, int height) const {
  w->setGeometry(px(x), px(y), px(width), px(height));
}

QLabel* SettingsArea::label(QWidget* parent, const char* caption, int x, int y) {
  auto* l = new QLabel(QString::fromLatin1(caption), parent);
  l->setTextFormat(Qt::PlainText);
  l->move(px(x), px(y));
  l->adjustSize();
  return l;
}

QLineEdit* SettingsArea::edit(QWidget* parent, Field f, const char* name, const char* text, int x,
                              int y, int width, int height) {
  auto* e = new QLineEdit(QString::fromLatin1(text), parent);
  e->setObjectName(QString::fromLatin1(name));
  place(e, x, y, width, height);
  e->setCursorPosition(0);
  fields_.at(static_cast<std::size_t>(f)) = e;
  return e;
}

QComboBox* SettingsArea::combo(QWidget* parent, Field f, const char* name, const char* text, int x,
                               int y, int width) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setEditText(QString::fromLatin1(text));
  c->lineEdit()->setCursorPosition(0);
  place(c, x, y, width, kComboHeight);
  fields_.at(static_cast<std::size_t>(f)) = c;
  return c;
}

QCheckBox* SettingsArea::checkBox(QWidget* parent, Check c, const char* name, const char* caption,
                                  int x, int y, int width, int height) {
  auto* b = new QCheckBox(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  place(b, x, y, width, height);
  checks_.at(static_cast<std::size_t>(c)) = b;
  return b;
}

QWidget* SettingsArea::group(const char* name, const char* title, int x, int y, int width,
                             int height) {
  auto* g = new QGroupBox(QString::fromLatin1(title), this);
  g->setObjectName(QString::fromLatin1(name));
  place(g, x, y, width, height);
  return g;
}

QToolButton* SettingsArea::button(QWidget* parent, const char* name, int x, int y, int width,
                                  int height) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoRaise(true);  // a flat speed button
  b->setFocusPolicy(Qt::NoFocus);
  place(b, x, y, width, height);
  return b;
}

void SettingsArea::buildTop() {
  lbMsg = new QLabel(QStringLiteral("-1"), this);
  lbMsg->setObjectName(QStringLiteral("lbMsg"));
  lbMsg->setTextFormat(Qt::PlainText);
  lbMsg->move(px(14), px(9));
  lbMsg->adjustSize();

  auto* name = new QLabel(this);
  name->setObjectName(QStringLiteral("lbeSelectedDeviceName"));
  name->setTextFormat(Qt::PlainText);
  name->setAlignment(Qt::AlignCenter);
  QFont big = font();
  big.setBold(true);
  big.setPixelSize(px(19));
  name->setFont(big);
  QPalette red = name->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  name->setPalette(red);
  place(name, 124, 10, 369, 23);
  fields_.at(static_cast<std::size_t>(Field::lbeSelectedDeviceName)) = name;

  SpeedButton6 = button(this, "SpeedButton6", 578, 4, 70, 28);
  SpeedButton6->setText(QStringLiteral("Apply"));
  SpeedButton6->setIcon(tickIcon());
  SpeedButton6->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

  label(this, "Communication Type", 14, 39);
  QComboBox* type = combo(this, Field::clbModemType, "clbModemType", "Direct", 14, 55, 114);
  type->addItems({QStringLiteral("Direct"), QStringLiteral("TWX-314"), QStringLiteral("TCP/IP"),
                  QStringLiteral("B/T(QM515)"), QStringLiteral("H316k"), QStringLiteral("JX070"),
                  QStringLiteral("N-Tarsel"), QStringLiteral("etc")});
  type->setEditText(QStringLiteral("Direct"));

  label(this, "Logger ID", 134, 39);
  QComboBox* id = combo(this, Field::clbLogID, "clbLogID", "ID", 134, 55, 41);
  for (int i = 0; i <= 15; ++i) {
    id->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
  }
  id->setEditText(QStringLiteral("ID"));

  SpeedButton3 = button(this, "SpeedButton3", 202, 48, 32, 32);
  SpeedButton3->setIcon(testIcon(px(28)));
  SpeedButton3->setIconSize(QSize(px(28), px(28)));

  PBar_Connect = new QProgressBar(this);
  PBar_Connect->setObjectName(QStringLiteral("PBar_Connect"));
  PBar_Connect->setRange(0, 100);
  PBar_Connect->setValue(0);
  PBar_Connect->setTextVisible(false);
  place(PBar_Connect, 240, 55, 393, 17);
}

void SettingsArea::buildPortSetting() {
  QWidget* g = group("gbPortSetting", "Port Setting", 11, 86, 185, 131);
  label(g, "Port No", 12, 25);
  combo(g, Field::cbbPortno, "cbbPortno", "COM1", 80, 22, 57);
  SpeedButton8 = button(g, "SpeedButton8", 140, 19, 26, 27);
  SpeedButton8->setIcon(refreshIcon());
  label(g, "Baudrate", 12, 52);
  edit(g, Field::edtBaudrate, "edtBaudrate", "9600", 80, 49, 81, 19);
  label(g, "parity", 12, 79);
  edit(g, Field::edtParity, "edtParity", "None", 80, 76, 81, 19);
  label(g, "Stop Bits", 12, 106);
  edit(g, Field::edtStopbits, "edtStopbits", "1", 80, 103, 81, 19);
}

void SettingsArea::buildAddCommand() {
  QWidget* g = group("gbAddCommand", "Add Command", 202, 86, 223, 131);
  label(g, "Phone No", 12, 23);
  edit(g, Field::edtModemNo, "edtModemNo", "", 86, 20, 121, 19);
  label(g, "Command", 12, 49);
  edit(g, Field::edtCommand1, "edtCommand1", "", 86, 46, 121, 19);
  label(g, "Call Cmd", 12, 75);
  edit(g, Field::edtCallCmd, "edtCallCmd", "", 86, 72, 121, 19);
  label(g, "Disconnect", 12, 102);
  edit(g, Field::edtDisconnect, "edtDisconnect", "", 86, 99, 121, 19);
}

void SettingsArea::buildSchedule() {
  QWidget* g = group("gbTidehaul", "Tidehaul", 431, 86, 203, 131);
  checkBox(g, Check::ckbTidehaul, "ckbTidehaul", "Tidehaul", 13, 23, 148, 17);
  checkBox(g, Check::ckbSensorNoCheck, "ckbSensorNoCheck", "Data Channel Quantity > 60  ?", 13, 53,
           195, 17);
  label(g, "Interval", 16, 86);
  edit(g, Field::edtInterval, "edtInterval", "30", 84, 83, 49, 19);
  label(g, "Minutes", 139, 86);
  label(g, "Delay", 16, 111);
  edit(g, Field::edtDelay, "edtDelay", "5", 84, 108, 49, 19);
  label(g, "Minutes", 139, 111);
  // Kept for Init, never shown: the job always deletes and always appends.
  checkBox(g, Check::ckbDeleteData, "ckbDeleteData", "Delete Data After Download", 174, 58, 181, 17)
      ->hide();
  checkBox(g, Check::ckbAppendData, "ckbAppendData", "Append Data to File", 174, 77, 163, 17)
      ->hide();
}

void SettingsArea::buildSaveData() {
  QWidget* g = group("gbSaveData", "Save Data", 11, 223, 628, 76);
  label(g, "Save Location", 12, 21);
  edit(g, Field::edtSaveFolder, "edtSaveFolder", "", 113, 18, 465, 19);
  SpeedButton1 = button(g, "SpeedButton1", 580, 16, 23, 22);
  SpeedButton1->setAutoRaise(false);  // a plain button, not a flat one
  SpeedButton1->setIcon(folderIcon());
  label(g, "Save File Name #1", 12, 50);
  edit(g, Field::edtSaveFile1, "edtSaveFile1", "CR000", 123, 47, 120, 19);
  label(g, ".TXT", 247, 50);
  label(g, "Save File Name #2", 318, 50);
  edit(g, Field::edtSaveFile2, "edtSaveFile2", "CR001", 426, 47, 120, 19);
  label(g, ".TXT", 550, 50);
}

}  // namespace th
