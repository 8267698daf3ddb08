#include "measurement/WykresWidget.h"

#include <QPainter>
#include <QResizeEvent>

TWykresWidget::TWykresWidget(QWidget* parent) : QWidget(parent), chart_(529, 217) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  chart_.OnChanged = [this] { update(); };
  chart_.Clear();
}

void TWykresWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.drawImage(event->rect(), chart_.Picture(), event->rect());
}

void TWykresWidget::resizeEvent(QResizeEvent* event) {
  if (event->size() != QSize(chart_.Width(), chart_.Height()))
    chart_.Resize(event->size().width(), event->size().height());
  QWidget::resizeEvent(event);
}
