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

void TWykresScale::SetMarks(const ChartScaleRange& range, const QString& unit) {
  if (range == range_ && unit == unit_) return;
  const bool unitShown = unit != unit_ && !marks_.empty();
  range_ = range;
  unit_ = unit;
  std::vector<ScaleMark> marks = ScaleMarks(range);
  if (marks == marks_ && !unitShown) return;
  marks_ = std::move(marks);
  update();
}

QStringList TWykresScale::Texts() const {
  QStringList texts;
  for (const ScaleMark& mark : marks_) texts << mark.text;
  return texts;
}

void TWykresScale::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  if (marks_.empty()) return;
  QStringList texts = Texts();
  if (texts != fitted_.texts || width() != fitted_.width || font() != fitted_.base) {
    fitted_.font = ChartScaleFont(marks_, font(), this, width());
    fitted_.texts = std::move(texts);
    fitted_.width = width();
    fitted_.base = font();
  }
  painter.setFont(fitted_.font);
  DrawFittedChartScale(painter, rect(), marks_, unit_);
}
