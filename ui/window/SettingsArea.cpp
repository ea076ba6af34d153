#include "ui/window/SettingsArea.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <cmath>
#include <stdexcept>
#include <string>

#include "ui/window/Appearance.h"

namespace th {

namespace {

QString FromAscii(const char* text) {
  return QString::fromLatin1(text);
}

}  // namespace

SettingsArea::SettingsArea(double scale, QWidget* parent) : QFrame(parent), scale_(scale) {
  const SettingsLayout& layout = SettingsAreaLayout();
  setObjectName(FromAscii(layout.name));
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  place(this, layout.box);
  for (const LayoutElement& e : layout.elements) {
    make(this, e);
  }
  for (const LayoutGroup& g : layout.groups) {
    QWidget* box = group(g);
    for (const LayoutElement& e : g.elements) {
      make(box, e);
    }
  }
  lbMsg = named<QLabel>(kMsgLabelName);
  PBar_Connect = named<QProgressBar>(kProgressBarName);
  SpeedButton3 = named<QToolButton>(kStartButtonName);
}

template <typename Widget>
Widget* SettingsArea::named(const char* name) const {
  auto* w = findChild<Widget*>(FromAscii(name));
  if (w == nullptr) {
    throw std::logic_error(std::string("settings area: no element ") + name);
  }
  return w;
}

int SettingsArea::px(int v) const {
  return static_cast<int>(std::lround(v * scale_));
}

void SettingsArea::place(QWidget* w, const LayoutBox& box) const {
  w->setGeometry(px(box.x), px(box.y), px(box.width), px(box.height));
}

void SettingsArea::make(QWidget* parent, const LayoutElement& e) {
  QWidget* w = nullptr;
  switch (e.kind) {
    case ElementKind::Label:
      w = label(parent, e);
      break;
    case ElementKind::Heading:
      w = heading(parent, e);
      break;
    case ElementKind::Edit:
      w = edit(parent, e);
      break;
    case ElementKind::Combo:
      w = combo(parent, e);
      break;
    case ElementKind::CheckBox:
      w = checkBox(parent, e);
      break;
    case ElementKind::SpeedButton:
      w = speedButton(parent, e);
      break;
    case ElementKind::ProgressBar:
      w = progressBar(parent, e);
      break;
  }
  w->setObjectName(FromAscii(e.name));
  if (e.field) {
    fields_.at(static_cast<std::size_t>(*e.field)) = w;
  }
  if (!e.visible) {
    w->hide();
  }
}

QWidget* SettingsArea::label(QWidget* parent, const LayoutElement& e) {
  auto* l = new QLabel(FromAscii(e.text), parent);
  l->setTextFormat(Qt::PlainText);
  l->move(px(e.box.x), px(e.box.y));
  l->adjustSize();
  return l;
}

QWidget* SettingsArea::heading(QWidget* parent, const LayoutElement& e) {
  auto* l = new QLabel(FromAscii(e.text), parent);
  l->setTextFormat(Qt::PlainText);
  l->setAlignment(Qt::AlignCenter);
  QFont big = font();
  big.setBold(true);
  big.setPixelSize(px(kHeadingTextHeight));
  l->setFont(big);
  QPalette red = l->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  l->setPalette(red);
  place(l, e.box);
  return l;
}

QWidget* SettingsArea::edit(QWidget* parent, const LayoutElement& e) {
  auto* field = new QLineEdit(FromAscii(e.text), parent);
  place(field, e.box);
  field->setCursorPosition(0);
  return field;
}

QWidget* SettingsArea::combo(QWidget* parent, const LayoutElement& e) {
  auto* c = new QComboBox(parent);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setEditText(FromAscii(e.text));
  c->lineEdit()->setCursorPosition(0);
  place(c, e.box);
  if (!e.items.empty()) {
    for (const char* item : e.items) {
      c->addItem(FromAscii(item));
    }
    // The first item took the field's place.
    c->setEditText(FromAscii(e.text));
  }
  return c;
}

QWidget* SettingsArea::checkBox(QWidget* parent, const LayoutElement& e) {
  auto* b = new QCheckBox(FromAscii(e.text), parent);
  place(b, e.box);
  checks_.at(static_cast<std::size_t>(*e.check)) = b;
  return b;
}

QWidget* SettingsArea::speedButton(QWidget* parent, const LayoutElement& e) {
  auto* b = new QToolButton(parent);
  b->setAutoRaise(e.flat);
  b->setFocusPolicy(Qt::NoFocus);
  place(b, e.box);
  b->setIcon(ButtonIconImage(e.icon, px(e.iconSize)));
  // Small icons keep the style's own size.
  if (e.iconSize != kSmallIconSize) {
    b->setIconSize(QSize(px(e.iconSize), px(e.iconSize)));
  }
  if (*e.text != '\0') {
    b->setText(FromAscii(e.text));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  }
  return b;
}

QWidget* SettingsArea::progressBar(QWidget* parent, const LayoutElement& e) {
  auto* bar = new QProgressBar(parent);
  bar->setRange(0, kProgressBarInitialMax);
  bar->setValue(0);
  bar->setTextVisible(false);
  place(bar, e.box);
  return bar;
}

QWidget* SettingsArea::group(const LayoutGroup& g) {
  auto* box = new QGroupBox(FromAscii(g.title), this);
  box->setObjectName(FromAscii(g.name));
  place(box, g.box);
  return box;
}

}  // namespace th
