#pragma once
// TkWykres: the wizard's tab "Wykres": the chart kChart1 comparing the two meters (the samples,
// the reference line, the fit lines and the corrected samples, see ChartSeries), a check box per
// series, "Pokaż osie", the equations, and the notice shown while there is nothing to draw. Its
// context menu saves the chart as a PNG (records/ChartPictureMenu.h).
#include <QColor>
#include <QWidget>

class QChart;
class QChartView;
class QCheckBox;
class QLabel;
class QValueAxis;
class QXYSeries;
class SampleTable;

class TkWykres : public QWidget {
  Q_OBJECT
 public:
  explicit TkWykres(const SampleTable& samples, QWidget* parent = nullptr);

  // Draws every series whose check box is checked, from the table's last evaluation.
  void KreslWykresClick();
  // Empties every series and shows the notice, centred on the chart.
  void ShowNoSeries();
  void HideNotice();
  void CentreNotice();
  // A series' check box: unchecked empties the series, checked draws it.
  void SeriesCheckBoxClick(int series);
  void kWykresCheckBox7Click();

  QXYSeries* Series(int index) const { return series_[index]; }
  QColor ChartColour() const;

  QChartView* kChart1;
  QLabel* StaticText1;
  QCheckBox* kWykresCheckBox1;  // series 0 "Wzorzec"
  QCheckBox* kWykresCheckBox2;  // series 2 "Wzorzec liniowy"
  QCheckBox* kWykresCheckBox3;  // series 1 "Kalibrowany"
  QCheckBox* kWykresCheckBox4;  // series 3 "Kalibrowany liniowy"
  QCheckBox* kWykresCheckBox5;  // series 4 "Po zmianie"
  QCheckBox* kWykresCheckBox6;  // series 5 "Po zmianie liniowy"
  QCheckBox* kWykresCheckBox7;  // "Pokaż osie"
  QLabel* kWykresLabel2;
  QLabel* kWykresLabel4;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QCheckBox* BoxOf(int series) const;
  void Fill(int series);
  void FitAxes();

  const SampleTable& samples_;
  QChart* chart_;
  QValueAxis* axisX_;
  QValueAxis* axisY_;
  QXYSeries* series_[6];
};
