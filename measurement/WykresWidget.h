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

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  TWykres chart_;
};
