#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "platform/qt/QtEventLoop.h"
#include "ui/window/Appearance.h"
#include "ui/window/LinePane.h"
#include "ui/window/SettingsArea.h"
#include "ui/window/StatusPanels.h"

namespace th {

namespace {

QString ToQString(const Text& text) {
  return QString::fromStdU16String(text);
}
Text FromQString(const QString& text) {
  return text.toStdU16String();
}

double ScreenScale() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return 1.0;
  }
  return std::max(1.0, screen->logicalDotsPerInch() / 96.0);
}

}  // namespace

MainWindow::MainWindow(Panes& panes, QWidget* parent) : QMainWindow(parent), scale_(ScreenScale()) {
  setObjectName(QString::fromLatin1(kWindowName));
  // The X11 class name of Qt's windows is the application name.
  QCoreApplication::setApplicationName(QString::fromLatin1(kWindowName));
  setWindowTitle(QString::fromLatin1(kWindowTitle));
  setFont(WindowFont());

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  setCentralWidget(client);
  settings_ = new SettingsArea(scale_, client);
  for (std::size_t i = 0; i < panes_.size(); ++i) {
    const PanePlace& place = kPanePlaces.at(i);
    auto* pane = new LinePane(panes.*place.lines, client);
    pane->setObjectName(QString::fromLatin1(place.name));
    pane->setGeometry(px(place.box.x), px(place.box.y), px(place.box.width), px(place.box.height));
    panes_.at(i) = pane;
  }

  status_ = new StatusPanels(scale_, this);
  setStatusBar(status_);

  connect(settings_->SpeedButton3, &QToolButton::clicked, this, [this] { requestStart(); });
  // SpeedButton6 ("Apply"), SpeedButton8 and SpeedButton1 do nothing.

  resize(px(kClientWidth), px(kClientHeight));
}

MainWindow::~MainWindow() {
  if (busyPointer()) {
    QGuiApplication::restoreOverrideCursor();
  }
}

int MainWindow::px(int v) const {
  return static_cast<int>(std::lround(v * scale_));
}

void MainWindow::runGuarded(const std::function<void()>& f) {
  QtEventLoop::runGuarded(f);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  requestClose();
  event->accept();
}

void MainWindow::setPanelText(int panel, const Text& text) {
  status_->setText(panel, text);
}

void MainWindow::showPendingTexts() {
  status_->flush();
}

Text MainWindow::panelText(int panel) const {
  return status_->text(panel);
}

void MainWindow::showProgress(int barMax, int position) {
  QProgressBar* bar = settings_->PBar_Connect;
  bar->setRange(0, barMax);
  bar->setValue(position);
}

void MainWindow::setFieldText(Field field, const Text& text) {
  QWidget* w = settings_->field(field);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(ToQString(text));
    edit->setCursorPosition(0);
  } else if (auto* box = qobject_cast<QComboBox*>(w)) {
    box->setEditText(ToQString(text));
    if (box->lineEdit() != nullptr) {
      box->lineEdit()->setCursorPosition(0);
    }
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(ToQString(text));
  }
}

Text MainWindow::fieldText(Field field) const {
  QWidget* w = settings_->field(field);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    return FromQString(edit->text());
  }
  if (auto* box = qobject_cast<QComboBox*>(w)) {
    return FromQString(box->currentText());
  }
  if (auto* label = qobject_cast<QLabel*>(w)) {
    return FromQString(label->text());
  }
  return {};
}

void MainWindow::setChecked(Check box, bool checked) {
  settings_->check(box)->setChecked(checked);
}

bool MainWindow::isChecked(Check box) const {
  return settings_->check(box)->isChecked();
}

void MainWindow::showBusyPointer(bool busy) {
  if (busy) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

void MainWindow::showMsgText(const Text& text) {
  settings_->lbMsg->setText(ToQString(text));
  settings_->lbMsg->adjustSize();
}

}  // namespace th
