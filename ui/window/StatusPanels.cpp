#include "ui/window/StatusPanels.h"

#include <QTimer>
#include <cmath>

namespace th {

StatusPanels::StatusPanels(double scale, QWidget* parent) : QStatusBar(parent) {
  setObjectName(QString::fromLatin1(kStatusBarName));
  const auto px = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
  setFixedHeight(px(kStatusBarHeight));
  for (int i = 0; i < kPanelCount; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("Panel%1").arg(i));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setIndent(px(2));
    const int width = kStatusPanelWidths.at(static_cast<std::size_t>(i));
    label->setGeometry(px(StatusPanelLeft(i)), 0, px(width), px(kStatusBarHeight));
    // A fixed size keeps a new text from asking the status bar for a new layout.
    label->setFixedSize(px(width), px(kStatusBarHeight));
    panels_.at(static_cast<std::size_t>(i)) = label;
  }
}

void StatusPanels::setText(int i, const Text& text) {
  texts_.set(i, text);
  if (flushPending_) {
    return;
  }
  flushPending_ = true;
  QTimer::singleShot(kFlushMs, this, [this] { flush(); });
}

void StatusPanels::flush() {
  flushPending_ = false;
  texts_.showPending([this](int i, const Text& t) {
    panel(i)->setText(QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size())));
  });
}

}  // namespace th
