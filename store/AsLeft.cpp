#include "store/AsLeft.h"

#include <algorithm>
#include <cmath>

namespace {
// Readings are decimal numbers carried in binary: 12.423 - 12.3 comes out a few units of the
// last bit above 0.123. An error equal to the limit in the readings' own digits must not fail
// by that, so the comparison allows a part in 10^9 of the readings, far below any meter's digit.
constexpr double kRounding = 1e-9;
}  // namespace

AsLeftPoint EvaluateAsLeftPoint(const CalibrationPoint& point, double tolerancePercent) {
  AsLeftPoint p;
  p.reference = point.reference;
  p.reading = point.calibrated;
  p.error = point.calibrated - point.reference;
  if (point.reference != 0) p.errorPercent = 100 * p.error / point.reference;
  p.limit = std::abs(tolerancePercent) / 100 * std::abs(point.reference);
  const double slack = kRounding * std::max(std::abs(point.reference), std::abs(point.calibrated));
  p.passed = std::abs(p.error) <= p.limit + slack;
  return p;
}

QList<AsLeftPoint> EvaluateAsLeft(const CalibrationRecord& record) {
  QList<AsLeftPoint> points;
  for (const CalibrationPoint& point : record.asLeft) points << EvaluateAsLeftPoint(point, record.tolerancePercent);
  return points;
}

// The as-left error e = Ucal - Uwz of one reading has three independent sources of doubt, each
// entering e with a sensitivity of 1:
//   u_A   = s = sqrt(sum r_i^2 / (n - 2)), the residual standard deviation of the fit
//           Ucal = a Uwz + b over its n points, r_i = Ucal_i - (a Uwz_i + b): the scatter of a
//           single reading about the line, so s itself and not s / sqrt(n)
//           (JCGM 100:2008 GUM §4.2, Type A evaluation; NIST/SEMATECH e-Handbook of
//           Statistical Methods §2.5, the residual standard deviation of a calibration line);
//   u_ref = U_ref / 2, the reference's certificate stating its expanded uncertainty with k = 2
//           (GUM §4.3.3);
//   u_d   = d / (2 sqrt 3), the meter's last digit d read as a rectangle of half-width d / 2,
//           u = a / sqrt 3 (GUM §4.3.7, F.2.2.1);
//   u_c   = sqrt(u_A^2 + u_ref^2 + u_d^2), uncorrelated inputs (GUM §5.1.2; NIST/SEMATECH
//           e-Handbook §2.5, the components combined as a root sum of squares);
//   U     = k u_c with k = 2, about 95 % coverage (GUM §6.2).
UncertaintyBudget AsLeftUncertainty(double residualSd, double referenceExpanded, double resolution) {
  UncertaintyBudget b;
  b.repeatability = std::abs(residualSd);
  b.reference = std::abs(referenceExpanded) / 2;
  b.resolution = std::abs(resolution) / (2 * std::sqrt(3.0));
  b.combined = std::sqrt(b.repeatability * b.repeatability + b.reference * b.reference +
                         b.resolution * b.resolution);
  b.expanded = 2 * b.combined;
  return b;
}

std::optional<double> ResidualSd(const QList<CalibrationPoint>& points, double slope, double offset) {
  if (points.size() < 3) return std::nullopt;
  double sum = 0;
  for (const CalibrationPoint& p : points) {
    const double r = p.calibrated - (slope * p.reference + offset);
    sum += r * r;
  }
  return std::sqrt(sum / double(points.size() - 2));
}

void EvaluateCalibration(CalibrationRecord& record) {
  record.uncertainty.reset();
  record.passed.reset();
  if (record.asLeftSkipped || record.asLeft.isEmpty()) return;
  record.uncertainty = AsLeftUncertainty(record.residualSd, record.reference.uncertainty, record.resolution).expanded;
  const QList<AsLeftPoint> points = EvaluateAsLeft(record);
  record.passed = std::all_of(points.begin(), points.end(), [](const AsLeftPoint& p) { return p.passed; });
}

QString DecisionRuleText(CertificateLanguage language) {
  return language == CertificateLanguage::Polish ? QStringLiteral("prosta akceptacja, |błąd| ≤ tolerancja")
                                                 : QStringLiteral("simple acceptance, |error| ≤ tolerance");
}
