#include "store/AsLeft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
// Readings are decimal numbers carried in binary: 12.423 - 12.3 comes out a few units of the
// last bit above 0.123. An error equal to the limit in the readings' own digits must not fail
// by that, so the comparison allows a part in 10^9 of the readings, far below any meter's digit.
constexpr double kRounding = 1e-9;
const double kSqrt3 = std::sqrt(3.0);

// P(|T| <= t) for Student's t with a whole nu >= 1 degrees of freedom (Abramowitz and Stegun
// 26.7.3): with theta = atan(t / sqrt nu), c = cos^2 theta,
//   nu odd   (2/pi) (theta + sin theta cos theta (1 + 2/3 c + 2*4/(3*5) c^2 + ...)), nu - 3 in
//            the last power's factors (theta alone for nu = 1)
//   nu even  sin theta (1 + 1/2 c + 1*3/(2*4) c^2 + ...), nu - 2 in the last power's factors
double TwoSided(double t, long nu) {
  const double theta = std::atan(t / std::sqrt(double(nu)));
  const double s = std::sin(theta), c = std::cos(theta), c2 = c * c;
  double sum = 1, term = 1;
  if (nu % 2 == 1) {
    if (nu == 1) return 2 * theta / std::numbers::pi;
    for (long j = 2; j <= nu - 3; j += 2) sum += term *= c2 * double(j) / double(j + 1);
    return 2 / std::numbers::pi * (theta + s * c * sum);
  }
  for (long j = 1; j <= nu - 3; j += 2) sum += term *= c2 * double(j) / double(j + 1);
  return s * sum;
}

// Type A of the as-left points repeated at one field: the pooled standard deviation of their
// errors and its degrees of freedom (none repeated: nu = 0).
std::pair<double, int> RepeatedAsLeft(const CalibrationRecord& r) {
  QList<CalibrationPoint> points = r.asLeft;
  std::sort(points.begin(), points.end(),
            [](const CalibrationPoint& a, const CalibrationPoint& b) { return a.reference < b.reference; });
  const double digit = std::abs(r.resolution);
  double squares = 0;
  int dof = 0;
  for (qsizetype first = 0; first < points.size();) {
    qsizetype end = first + 1;
    const double field = points[first].reference;
    while (end < points.size()) {
      const double next = points[end].reference;
      if (std::abs(next - field) > std::max(0.01 * std::max(std::abs(next), std::abs(field)), digit)) break;
      ++end;
    }
    double mean = 0;
    for (qsizetype i = first; i < end; ++i) mean += points[i].calibrated - points[i].reference;
    mean /= double(end - first);
    for (qsizetype i = first; i < end; ++i) {
      const double d = points[i].calibrated - points[i].reference - mean;
      squares += d * d;
    }
    dof += int(end - first - 1);
    first = end;
  }
  return {dof > 0 ? std::sqrt(squares / dof) : 0.0, dof};
}
}  // namespace

double StudentT(double nu, double p) {
  const double n = std::max(1.0, std::floor(std::min(nu, kUnboundedDof)));
  if (n > 1000) {
    // Abramowitz and Stegun 26.7.5, about the normal quantile z of the same coverage.
    double lo = 0, hi = 10;
    for (int i = 0; i < 200; ++i) {
      const double mid = (lo + hi) / 2;
      (std::erf(mid / std::sqrt(2.0)) < p ? lo : hi) = mid;
    }
    const double z = (lo + hi) / 2, z3 = z * z * z, z5 = z3 * z * z, z7 = z5 * z * z, z9 = z7 * z * z;
    const double g1 = (z3 + z) / 4, g2 = (5 * z5 + 16 * z3 + 3 * z) / 96,
                 g3 = (3 * z7 + 19 * z5 + 17 * z3 - 15 * z) / 384,
                 g4 = (79 * z9 + 776 * z7 + 1482 * z5 - 1920 * z3 - 945 * z) / 92160;
    return z + g1 / n + g2 / (n * n) + g3 / (n * n * n) + g4 / (n * n * n * n);
  }
  double lo = 0, hi = 1e4;  // t_p(1) at p = 95.45 % is 13.97
  for (int i = 0; i < 200 && hi - lo > 1e-13 * hi; ++i) {
    const double mid = (lo + hi) / 2;
    (TwoSided(mid, long(n)) < p ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

UncertaintyBudget AsLeftBudget(const CalibrationRecord& r, double reference) {
  UncertaintyBudget b;
  b.reference = reference;
  const bool gainsKnown = r.gainBefore && *r.gainBefore > 0 && r.gainAfter > 0;
  b.gainScaled = gainsKnown;
  b.gainRatio = gainsKnown ? double(r.gainAfter) / double(*r.gainBefore) : 1.0;

  const int foundDof = r.asFound.size() >= 3 ? int(r.asFound.size() - 2) : 0;
  const auto [leftSd, leftDof] = RepeatedAsLeft(r);
  double typeA = 0, dofA = 0;
  if (foundDof > 0 && foundDof >= leftDof) {
    b.typeA = QStringLiteral("as_found");
    typeA = std::abs(r.residualSd) * b.gainRatio;
    dofA = foundDof;
  } else if (leftDof > 0) {
    b.typeA = QStringLiteral("as_left");
    typeA = leftSd;
    dofA = leftDof;
  }
  if (!b.typeA.isEmpty()) b.components << UncertaintyComponent{QStringLiteral("repeatability"), QStringLiteral("A"),
                                                               QStringLiteral("t"), typeA, dofA};
  const double kRef = r.reference.coverage > 0 ? r.reference.coverage : 2;
  const auto typeB = [&](const char* key, const char* distribution, double value) {
    b.components << UncertaintyComponent{QLatin1String(key), QStringLiteral("B"), QLatin1String(distribution),
                                         value, std::nullopt};
  };
  typeB("meter_resolution", "rectangular", std::abs(r.resolution) / (2 * kSqrt3));
  typeB("reference_resolution", "rectangular", std::abs(r.reference.resolution) / (2 * kSqrt3));
  typeB("reference", "normal", std::abs(r.reference.uncertainty) / kRef);
  typeB("uniformity", "rectangular", std::abs(r.uniformityPercent) / 100 * std::abs(reference) / kSqrt3);

  double sum = 0;
  for (const UncertaintyComponent& c : b.components) sum += c.value * c.value;
  b.combined = std::sqrt(sum);
  if (b.typeA.isEmpty() || !(b.combined > 0)) return b;
  // nu_eff = nu_A (u_c / u_A)^4, written so that a tiny u_A overflows to the bound, not to inf.
  const double ratio = typeA > 0 ? b.combined / typeA : HUGE_VAL;
  const double nu = dofA * ratio * ratio * ratio * ratio;
  b.effectiveDof = std::isfinite(nu) ? std::min(nu, kUnboundedDof) : kUnboundedDof;
  b.coverage = StudentT(*b.effectiveDof);
  b.expanded = *b.coverage * b.combined;
  return b;
}

QString ComponentText(const QString& key, CertificateLanguage language) {
  const bool pl = language == CertificateLanguage::Polish;
  if (key == QLatin1String("repeatability")) return pl ? QStringLiteral("Rozrzut odczytów (typ A)") : QStringLiteral("Scatter of readings (Type A)");
  if (key == QLatin1String("meter_resolution")) return pl ? QStringLiteral("Rozdzielczość miernika") : QStringLiteral("Meter resolution");
  if (key == QLatin1String("reference_resolution")) return pl ? QStringLiteral("Rozdzielczość wzorca") : QStringLiteral("Reference resolution");
  if (key == QLatin1String("reference")) return pl ? QStringLiteral("Niepewność wzorca") : QStringLiteral("Reference standard's uncertainty");
  if (key == QLatin1String("uniformity")) return pl ? QStringLiteral("Położenie sondy i jednorodność pola") : QStringLiteral("Probe position and field uniformity");
  return key;
}

AsLeftRule RuleOf(const CalibrationRecord& record) {
  return {record.tolerancePercent, record.toleranceDigits, record.resolution, record.decisionRule};
}

double ToleranceLimit(const AsLeftRule& rule, double reference) {
  return std::abs(rule.tolerancePercent) / 100 * std::abs(reference) +
         std::abs(rule.toleranceDigits) * std::abs(rule.resolution);
}

AsLeftPoint EvaluateAsLeftPoint(const CalibrationPoint& point, const AsLeftRule& rule,
                                std::optional<double> uncertainty) {
  AsLeftPoint p;
  p.reference = point.reference;
  p.reading = point.calibrated;
  p.error = point.calibrated - point.reference;
  if (point.reference != 0) p.errorPercent = 100 * p.error / point.reference;
  p.limit = ToleranceLimit(rule, point.reference);
  p.uncertainty = uncertainty;
  const double slack = kRounding * std::max(std::abs(point.reference), std::abs(point.calibrated));
  const bool within = std::abs(p.error) <= p.limit + slack;
  if (rule.decisionRule != QLatin1String("guarded")) {
    p.passed = within;
  } else if (!uncertainty) {
    p.judged = !within;  // past L fails whatever U is; within L nothing can be said
    p.passed = false;
  } else {
    p.passed = std::abs(p.error) + std::abs(*uncertainty) <= p.limit + slack;
  }
  return p;
}

QList<AsLeftPoint> EvaluateAsLeft(const CalibrationRecord& record) {
  const AsLeftRule rule = RuleOf(record);
  QList<AsLeftPoint> points;
  for (const CalibrationPoint& point : record.asLeft)
    points << EvaluateAsLeftPoint(point, rule, AsLeftBudget(record, point.reference).expanded);
  return points;
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
  record.coverage.reset();
  record.effectiveDof.reset();
  record.passed.reset();
  if (record.asLeftSkipped || record.asLeft.isEmpty()) return;
  // The largest U: the points' budgets differ only in the uniformity term.
  std::optional<UncertaintyBudget> largest;
  for (const CalibrationPoint& point : record.asLeft) {
    const UncertaintyBudget b = AsLeftBudget(record, point.reference);
    if (b.Stated() && (!largest || *b.expanded > *largest->expanded)) largest = b;
  }
  if (largest) {
    record.uncertainty = largest->expanded;
    record.coverage = largest->coverage;
    record.effectiveDof = largest->effectiveDof;
  }
  const QList<AsLeftPoint> points = EvaluateAsLeft(record);
  const bool anyFails = std::any_of(points.begin(), points.end(), [](const AsLeftPoint& p) { return p.judged && !p.passed; });
  const bool allJudged = std::all_of(points.begin(), points.end(), [](const AsLeftPoint& p) { return p.judged; });
  if (anyFails) record.passed = false;
  else if (allJudged) record.passed = true;
}

QString DecisionRuleText(CertificateLanguage language, const QString& rule) {
  const bool pl = language == CertificateLanguage::Polish;
  if (rule == QLatin1String("guarded"))
    return pl ? QStringLiteral("akceptacja z pasmem ochronnym (ILAC-G8), |błąd| + U ≤ tolerancja")
              : QStringLiteral("guarded acceptance (ILAC-G8), |error| + U ≤ tolerance");
  return pl ? QStringLiteral("prosta akceptacja, |błąd| ≤ tolerancja") : QStringLiteral("simple acceptance, |error| ≤ tolerance");
}
