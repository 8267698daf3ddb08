#include "wizard/Samples.h"

#include <QVector>
#include <algorithm>
#include <cmath>

#include "wizard/WizardTexts.h"

LineFit FitLine(const double* x, const double* y, int n) {
  LineFit fit;
  if (n < 2) return fit;
  const auto [minX, maxX] = std::minmax_element(x, x + n);
  if (*minX == *maxX) return fit;  // no spread: any line through the mean fits
  const auto [minY, maxY] = std::minmax_element(y, y + n);
  double sumX = 0, sumY = 0;
  for (int k = 0; k < n; ++k) {
    sumX += x[k];
    sumY += y[k];
  }
  const double meanX = sumX / n, meanY = sumY / n;
  double sxx = 0, sxy = 0;
  for (int k = 0; k < n; ++k) {
    sxx += (x[k] - meanX) * (x[k] - meanX);
    sxy += (x[k] - meanX) * (y[k] - meanY);
  }
  // Equal y give a slope of exactly 0, not the rounding noise of their mean.
  fit.a = *minY == *maxY ? 0.0 : sxy / sxx;
  fit.b = meanY - fit.a * meanX;
  fit.d = n * sxx;
  fit.valid = std::isfinite(fit.a) && std::isfinite(fit.b) && sxx > 0;
  return fit;
}

bool SampleTable::Register(double reference, double calibrated) {
  if (count_ >= kCapacity) return false;
  ++count_;
  Sample& sample = samples_[count_];
  sample.id = count_;
  sample.uwz = reference;
  sample.ucal = calibrated;
  sample.x = reference;  // until the next evaluation
  sample.uend = calibrated;
  sample.evaluated = false;  // the slot may hold a row of an earlier evaluation
  sample.at = QDateTime::currentDateTimeUtc();
  return true;
}

bool SampleTable::Delete(int position) {
  if (position < 1 || position > count_) return false;
  for (int k = position; k < count_; ++k) {
    samples_[k] = samples_[k + 1];
    samples_[k].id = k;
  }
  samples_[count_] = Sample{};
  --count_;
  return true;
}

void SampleTable::Clear() {
  count_ = 0;
  evaluation_ = Evaluation{};
}

const Evaluation& SampleTable::Evaluate() {
  Evaluation e;
  // Every X is its reference reading (s = 1); imax marks the largest reading, whatever its sign.
  e.s = 1;
  for (int k = 1; k <= count_; ++k) {
    samples_[k].x = samples_[k].uwz / e.s;
    if (e.imax == 0 || std::fabs(samples_[k].uwz) > std::fabs(samples_[e.imax].uwz)) e.imax = k;
  }
  QVector<double> x(count_), ucal(count_), uend(count_);
  for (int k = 1; k <= count_; ++k) {
    x[k - 1] = samples_[k].x;
    ucal[k - 1] = samples_[k].ucal;
  }
  const LineFit first = FitLine(x.constData(), ucal.constData(), count_);
  e.d = first.d;
  e.fitted = first.valid && first.a != 0;
  for (int k = 1; k <= count_; ++k) {
    Sample& sample = samples_[k];
    sample.uend = e.fitted ? (sample.ucal - first.b) * (e.s / first.a) : sample.ucal;
    sample.evaluated = true;
    uend[k - 1] = sample.uend;
  }
  if (e.fitted) {
    const LineFit second = FitLine(x.constData(), uend.constData(), count_);
    e.a = first.a;
    e.b = first.b;
    e.a2 = second.a;
    e.b2 = second.b;
    e.fitted = second.valid;
  }
  if (!e.fitted) e.a = e.b = e.a2 = e.b2 = 0;
  evaluation_ = e;
  return evaluation_;
}

std::optional<double> SampleTable::Target(double calibrated) const {
  if (!evaluation_.fitted) return std::nullopt;
  const double target = (calibrated - evaluation_.b) * (evaluation_.s / evaluation_.a);
  if (!std::isfinite(target)) return std::nullopt;
  return target;
}

QList<QPointF> ChartSeries(const SampleTable& table, int series) {
  const Evaluation& e = table.Result();
  QList<QPointF> points;
  if (series == 0 || series == 1 || series == 4) {
    for (int k = 1; k <= table.Count(); ++k) {
      const Sample& s = table.At(k);
      points.append({s.x, series == 0 ? s.uwz : series == 1 ? s.ucal : s.uend});
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const QPointF& p, const QPointF& q) { return p.x() < q.x(); });
    return points;
  }
  if (e.imax < 1 || e.imax > table.Count()) return points;
  const double xEnd = table.At(e.imax).x;
  if (series == 2) return {{0, 0}, {xEnd, table.At(e.imax).uwz}};
  if (!e.fitted) return points;
  if (series == 3) return {{0, e.b}, {xEnd, e.a * xEnd + e.b}};
  if (series == 5) return {{0, e.b2}, {xEnd, e.a2 * xEnd + e.b2}};
  return points;
}

QStringList SampleRowTexts(const Sample& sample) {
  using wizard_text::FormatGeneral;
  return {QString::number(sample.id), FormatGeneral(sample.x, 5), FormatGeneral(sample.uwz, 5),
          FormatGeneral(sample.ucal, 5),
          sample.evaluated ? FormatGeneral(sample.uend, 5) : QString()};
}

QString EquationText(const Evaluation& evaluation) {
  if (!evaluation.fitted) return kNoEquation;
  return "y = " + wizard_text::FormatFixed(evaluation.a, 5, 3) + " * x + " +
         wizard_text::FormatGeneral(evaluation.b, 3);
}

QString ReferenceEquationText(const Evaluation& evaluation) {
  return "y = " + wizard_text::FormatFixed(evaluation.s, 5, 3) + " * x";
}
