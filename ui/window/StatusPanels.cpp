#include "ui/window/StatusPanels.h"

#include <cmath>

namespace th {

StatusPanels::StatusPanels(double scale, QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("StatusBar1"));
  const auto px = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
  setFixedHeight(px(kHeight));
  int x = 0;
  for (int i = 0; i < kPanelCount; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("Panel%1").arg(i));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setIndent(px(2));
    const int width = kWidths.at(static_cast<std::size_t>(i));
    label->setGeometry(px(x), 0, px(width), px(kHeight));
    x += width;
    panels_.at(static_cast<std::size_t>(i)) = label;
  }
}

}  // namespace th
