#include "ui/window/Appearance.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace th {

QFont WindowFont() {
  QFont font;
  if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
    font.setFamily(QStringLiteral("Tahoma"));
  } else {
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPointSize(8);
  return font;
}

namespace {

QPixmap Canvas(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

const QColor kGreen(0, 150, 40);

QIcon TickIcon() {
  QPixmap pixmap = Canvas(16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kGreen, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPainterPath tick;
  tick.moveTo(2.5, 8.5);
  tick.lineTo(6.5, 12.5);
  tick.lineTo(13.5, 3.5);
  p.drawPath(tick);
  return QIcon(pixmap);
}

QIcon TestIcon(int size) {
  QPixmap pixmap = Canvas(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF disc(1, 1, size - 2, size - 2);
  QRadialGradient shade(disc.center() - QPointF(size / 6.0, size / 6.0), size / 1.6);
  shade.setColorAt(0, QColor(255, 90, 80));
  shade.setColorAt(1, QColor(190, 0, 0));
  p.setBrush(shade);
  p.setPen(QPen(QColor(120, 0, 0), 1));
  p.drawEllipse(disc);
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setBold(true);
  font.setPixelSize(qMax(6, size * 9 / 32));
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(disc, Qt::AlignCenter, QStringLiteral("TEST"));
  return QIcon(pixmap);
}

QIcon RefreshIcon() {
  QPixmap pixmap = Canvas(16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kGreen, 2.2, Qt::SolidLine, Qt::FlatCap));
  const QRectF ring(3, 3, 10, 10);
  p.drawArc(ring, 90 * 16, 280 * 16);  // open at the top right
  // Arrow head at the open end of the ring, pointing along the turn.
  QPainterPath head;
  head.moveTo(7.0, 0.5);
  head.lineTo(11.5, 3.0);
  head.lineTo(7.0, 5.5);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawPath(head);
  return QIcon(pixmap);
}

QIcon FolderIcon() {
  QPixmap pixmap = Canvas(16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor edge(140, 100, 20);
  // Back of the folder with its tab.
  QPainterPath back;
  back.moveTo(1.5, 3.5);
  back.lineTo(5.5, 3.5);
  back.lineTo(6.5, 5.0);
  back.lineTo(12.5, 5.0);
  back.lineTo(12.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  p.setPen(QPen(edge, 1));
  p.setBrush(QColor(235, 190, 80));
  p.drawPath(back);
  // The open front flap, tilted forward.
  QPainterPath front;
  front.moveTo(3.5, 7.5);
  front.lineTo(15.0, 7.5);
  front.lineTo(12.5, 13.5);
  front.lineTo(1.5, 13.5);
  front.closeSubpath();
  p.setBrush(QColor(250, 215, 110));
  p.drawPath(front);
  return QIcon(pixmap);
}

}  // namespace

QIcon ButtonIconImage(ButtonIcon icon, int size) {
  switch (icon) {
    case ButtonIcon::Tick:
      return TickIcon();
    case ButtonIcon::Test:
      return TestIcon(size);
    case ButtonIcon::Refresh:
      return RefreshIcon();
    case ButtonIcon::Folder:
      return FolderIcon();
  }
  return {};
}

}  // namespace th
