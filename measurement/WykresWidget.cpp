#include "measurement/WykresWidget.h"

#include <QPainter>
#include <QResizeEvent>

#include <utility>

TWykresWidget::TWykresWidget(QWidget* parent) : QWidget(parent), chart_(529, 217) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  chart_.OnChanged = [this] {
    if (OnChartChanged)
      OnChartChanged();
    else
      RepaintChanged();
  };
  chart_.Clear();
}

// Only the changed band is repainted: a steady trace changes a few rows, not the whole picture.
void TWykresWidget::RepaintChanged() {
  const QRect changed = chart_.TakeChangedArea();
  if (!changed.isEmpty()) update(changed);
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

TWykresScale::TWykresScale(QWidget* parent) : QWidget(parent) {}

void TWykresScale::SetMarks(std::vector<ScaleMark> marks, const QString& unit) {
  if (marks == marks_ && unit == unit_) return;
  marks_ = std::move(marks);
  unit_ = unit;
  update();
}

QStringList TWykresScale::Texts() const {
  QStringList texts;
  for (const ScaleMark& mark : marks_) texts << mark.text;
  return texts;
}

void TWykresScale::paintEvent(QPaintEvent*) {
  constexpr int kTick = 3;
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const int lineHeight = fontMetrics().height();
  const int textRight = width() - 1;
  if (!marks_.empty())
    painter.drawText(QRect(0, 0, textRight, ChartTop), Qt::AlignRight | Qt::AlignVCenter, unit_);
  for (const ScaleMark& mark : marks_) {
    const int y = ChartTop + mark.row;
    painter.drawLine(0, y, kTick - 1, y);
    painter.drawText(QRect(kTick + 1, y - lineHeight / 2, textRight - kTick - 1, lineHeight),
                     Qt::AlignRight | Qt::AlignVCenter, mark.text);
  }
}
