#pragma once
// The widget of the strip chart: it owns a TWykres and paints the chart's image as it is. Its
// scale is a widget of its own beside it, so the chart's pixels stay as they are.
#include <QStringList>
#include <QWidget>

#include <vector>

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

// The chart's scale beside it (DrawChartScale): the unit on top, then each mark's value at the
// row where the chart draws it. The chart's row 0 lies ChartTop pixels below the widget's top.
class TWykresScale : public QWidget {
  Q_OBJECT
 public:
  static constexpr int ChartTop = ScaleUnitHeight;
  explicit TWykresScale(QWidget* parent = nullptr);

  // Shows the marks of the range in the unit. They are worked out, and the widget repainted,
  // only when the range or the unit changed, so a caller may pass them before every paint.
  void SetMarks(const ChartScaleRange& range, const QString& unit);
  QString Unit() const { return unit_; }
  // The marks' texts, top first.
  QStringList Texts() const;
  const std::vector<ScaleMark>& Marks() const { return marks_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ChartScaleRange range_;
  std::vector<ScaleMark> marks_;
  QString unit_;
  // The font the marks' texts were fitted in, kept while the texts, the width and the widget's
  // font stay: a range that moves the marks by a few rows changes none of them.
  struct FittedFont {
    QStringList texts;
    int width = -1;
    QFont base;
    QFont font;
  } fitted_;
};
