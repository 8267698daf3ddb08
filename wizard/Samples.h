#pragma once
// The wizard's calibration data: the registered samples (reference reading Uwz and calibrated
// reading Ucal at one moment) and their evaluation.
//
// Evaluation, over the samples 1..count:
//   normalisation  s = 1 and X = Uwz; imax is the first sample with the largest |Uwz| (the end of
//                  the chart's lines);
//   first fit      Ucal = a X + b, least squares on centred sums;
//   corrected      Uend = (Ucal - b) s / a, the calibrated readings mapped back onto the reference;
//   second fit     Uend = a2 X + b2 (a2 = 1 and b2 = 0 up to rounding).
// There is no fit when fewer than two samples are there, when every X is the same, when the
// calibrated readings do not change with X (a = 0) or when a result is not finite; then
// Uend = Ucal, no line is drawn and no target reading exists.
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

struct Sample {
  int id = 0;
  double x = 0;
  double uwz = 0;
  double ucal = 0;
  double uend = 0;
  bool evaluated = false;  // uend is a corrected value, not the registered reading
  QDateTime at;            // when it was registered
};

struct Evaluation {
  double s = 0;
  int imax = 0;
  double d = 0;  // n times the spread of X: the fits' common denominator
  bool fitted = false;
  double a = 0;
  double b = 0;
  double a2 = 0;
  double b2 = 0;
};

struct LineFit {
  bool valid = false;
  double a = 0;
  double b = 0;
  double d = 0;
};
// y = a x + b through the points 0..n-1.
LineFit FitLine(const double* x, const double* y, int n);

class SampleTable {
 public:
  static constexpr int kCapacity = 1000;

  int Count() const { return count_; }
  // Position 1..Count(); position 0 is an empty record.
  const Sample& At(int position) const { return samples_[position]; }

  // Appends a sample; false (and no change) when the table is full.
  bool Register(double reference, double calibrated);
  // Removes the sample at a position 1..Count(); the later ones move down and are renumbered.
  // False when there is no sample there.
  bool Delete(int position);
  // Empties the table and forgets the last evaluation.
  void Clear();

  const Evaluation& Evaluate();
  const Evaluation& Result() const { return evaluation_; }
  // The reading the meter under calibration should show for the field at which it now shows
  // `calibrated`: the first fit inverted. None without a fit.
  std::optional<double> Target(double calibrated) const;

 private:
  std::array<Sample, kCapacity + 1> samples_{};
  int count_ = 0;
  Evaluation evaluation_;
};

// The chart's series, by index: 0 the reference points (X, Uwz), 1 the calibrated points
// (X, Ucal), 2 the reference line from the origin to the sample imax, 3 the first fit's line and
// 5 the second's from X = 0 to X of imax, 4 the corrected points (X, Uend). Points come sorted
// by X; samples are 1..count only. The fit lines are empty without a fit.
enum { kChartSeriesCount = 6 };
QList<QPointF> ChartSeries(const SampleTable& table, int series);

// The grid row of a sample: Id, X, Uwz, Ucal, Uend.
QStringList SampleRowTexts(const Sample& sample);
// "y = 0.900 * x + 5" for the calibrated meter's line; "Brak pomiarów" without a fit.
QString EquationText(const Evaluation& evaluation);
// "y = 1.000 * x" for the reference line.
QString ReferenceEquationText(const Evaluation& evaluation);
inline const QString kNoEquation = QStringLiteral("Brak pomiarów");
