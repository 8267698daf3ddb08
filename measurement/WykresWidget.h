#pragma once
// The widget of the strip chart: it owns a TWykres and paints the chart's image as it is.
#include <QWidget>

#include "measurement/Wykres.h"

class TWykresWidget : public QWidget {
  Q_OBJECT
 public:
  explicit TWykresWidget(QWidget* parent = nullptr);
  TWykres& Chart() { return chart_; }
  const TWykres& Chart() const { return chart_; }

  // When set, a change of the chart is reported here instead of being drawn and repainted at
  // once; the owner calls RepaintChanged before its next paint, so a burst is drawn once.
  std::function<void()> OnChartChanged;
  // Draws what is owed and repaints the band of the picture that changed.
  void RepaintChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  TWykres chart_;
};
