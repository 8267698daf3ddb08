#include "app/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {
QIcon Draw(const std::function<void(QPainter&)>& paint) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 30, 30));
  paint(p);
  return QIcon(pixmap);
}

QPainterPath Triangle(qreal left, qreal right) {
  QPainterPath path;
  path.moveTo(left, 2);
  path.lineTo(right, 8);
  path.lineTo(left, 14);
  path.closeSubpath();
  return path;
}
}  // namespace

QIcon PauseGlyph() {
  return Draw([](QPainter& p) {
    p.drawRect(QRectF(3, 2, 3.5, 12));
    p.drawRect(QRectF(9.5, 2, 3.5, 12));
  });
}

QIcon PlayGlyph() {
  return Draw([](QPainter& p) {
    p.setBrush(QColor(0, 120, 0));
    p.drawPath(Triangle(4, 13));
  });
}

QIcon SingleGlyph() {
  return Draw([](QPainter& p) {
    p.drawPath(Triangle(2, 10));
    p.drawRect(QRectF(11, 2, 3, 12));
  });
}

QIcon BinGlyph() {
  return Draw([](QPainter& p) {
    p.drawRect(QRectF(3, 3, 10, 1.5));
    p.drawRect(QRectF(6, 1.5, 4, 1.5));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 30, 30), 1.3));
    p.drawRect(QRectF(4.5, 5.5, 7, 8.5));
    p.drawLine(QPointF(7, 7.5), QPointF(7, 12));
    p.drawLine(QPointF(9, 7.5), QPointF(9, 12));
  });
}

QIcon ShowPanelGlyph() {
  return Draw([](QPainter& p) {
    // A small window: the service panel.
    p.drawRect(QRectF(2, 3, 12, 3));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 30, 30), 1.2));
    p.drawRect(QRectF(2.5, 3.5, 11, 10));
  });
}

QIcon HidePanelGlyph() {
  return Draw([](QPainter& p) {
    QPainterPath path;
    path.moveTo(3, 6);
    path.lineTo(8, 12);
    path.lineTo(13, 6);
    path.closeSubpath();
    p.drawPath(path);
  });
}
