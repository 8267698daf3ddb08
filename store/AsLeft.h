#pragma once
// The as-left check of a calibration: each point's error against the tolerance, the expanded
// uncertainty of that error with its budget, and the verdict the record keeps.
//
// A point is the meter's reading Ucal beside the reference's reading Uwz at the same field:
//   error   e = Ucal - Uwz, and 100 e / Uwz in % of the reference's reading (none at Uwz = 0):
//           a meter that reads -202 for -200 is 1 % high, as one that reads 202 for 200
//   limit   L = tolerancePercent / 100 * |Uwz| + toleranceDigits * d, d the meter's last digit:
//           "± (a % of reading + b digits)", so that zero field has a limit too
//   rule    "simple" (simple acceptance): passes when |e| <= L; U is stated beside the verdict
//           and widens or narrows nothing.
//           "guarded" (guarded acceptance, ILAC-G8:09/2019 §4.2.2, guard band w = U): passes
//           only when |e| + U <= L, U that point's own expanded uncertainty. Without a U
//           (it cannot be stated) a point within L is not judged: it does not pass, and the
//           record has no verdict; a point past L fails under either rule.
//           Any other text reads as "simple" (records written before the rule was kept).
// The record passes when every as-left point passes; with no as-left points, or the as-left
// check skipped, it has no verdict and no uncertainty.
//
// The uncertainty of the as-left error e of one reading (the model e = Ucal - Uwz, every input
// entering with sensitivity 1, the inputs uncorrelated: JCGM 100:2008 (GUM) §5.1.2), each
// component a standard uncertainty in the readings' unit:
//   Type A, the scatter of one reading (GUM §4.2), whichever of two has more degrees of freedom
//   (the as-found on a tie):
//     as found  s = the residual standard deviation of the fit Ucal = a Uwz + b over the n
//               as-found samples (the record's residualSd), nu = n - 2 (the line took two;
//               NIST/SEMATECH e-Handbook of Statistical Methods §2.5), n >= 3. The samples were
//               read at gainBefore and the meter's readings scale with its gain, so the scatter
//               as left is s * gainAfter / gainBefore. When either gain is not known (no
//               gainBefore, or a gain <= 0) the ratio is taken as 1 and the budget says so
//               (gainScaled false).
//     as left   repeated as-left points: points whose reference readings lie within 1 % of the
//               larger of them (or within the meter's last digit) are repeats of one field;
//               s_p^2 = sum over fields of sum (e_i - mean e)^2 / sum (m - 1), the pooled
//               variance of the errors (GUM §4.2.2, H.3.6), nu = sum (m - 1) >= 1.
//     neither   (fewer than three samples and no repeated point): U cannot be stated. A U is
//               never made from a scatter that was not observed.
//   Type B (GUM §4.3), nu = infinity:
//     meter resolution      d / (2 sqrt 3): the last digit read as a rectangle of half-width
//                           d / 2, u = a / sqrt 3 (GUM §4.3.7, F.2.2.1)
//     reference resolution  d_ref / (2 sqrt 3), likewise
//     reference             U_ref / k_ref, its certificate's expanded uncertainty and the k it
//                           states (GUM §4.3.3); a k <= 0 (not typed) is taken as 2
//     uniformity            probe position and field uniformity: +- uniformityPercent % of
//                           |Uwz|, a rectangle: u = uniformityPercent / 100 * |Uwz| / sqrt 3
//                           (GUM §4.3.7); it grows with the field, so U is a point's own
//   u_c    = sqrt(sum u_i^2) (GUM §5.1.2)
//   nu_eff = u_c^4 / (u_A^4 / nu_A), Welch-Satterthwaite with Type B nu = infinity (GUM G.4.1,
//            eq. G.2b); above kUnboundedDof (u_A = 0 among them) it is kept as kUnboundedDof
//   k      = t_p(nu) for two-sided coverage p = 95.45 % (GUM table G.2; k = 2.000 at nu =
//            infinity), nu = nu_eff rounded down to the next lower integer
//            (GUM G.6.4); the quantile is computed (Abramowitz and Stegun 26.7.3 for the
//            distribution, 26.7.5 for nu > 1000), not read from a table
//   U      = k u_c (GUM §6.2); U = 0 (nothing known) is not stated either
// The record keeps the largest U over its as-left points with that point's k and nu_eff.
#include <QList>
#include <QString>
#include <optional>

#include "store/Records.h"

// The language of the texts a certificate prints.
enum class CertificateLanguage { Polish, English };

// The two-sided coverage probability of U: 95.45 %.
inline constexpr double kCoverageProbability = 0.9545;
// nu_eff beyond this is infinite in effect (k = 2.000); the record keeps it as this.
inline constexpr double kUnboundedDof = 1e9;

// One line of a budget.
struct UncertaintyComponent {
  QString key;           // "repeatability", "meter_resolution", "reference_resolution",
                         // "reference", "uniformity"
  QString type;          // "A" or "B"
  QString distribution;  // "normal" (the reference's certificate), "rectangular", "t" (Type A)
  double value = 0;      // standard uncertainty u_i, in the readings' unit (sensitivity 1)
  std::optional<double> dof;  // nu_i; none: infinite (Type B)
};

// The budget of the as-left error at one point.
struct UncertaintyBudget {
  double reference = 0;     // the point's Uwz (the uniformity term scales with it)
  QString typeA;            // where Type A came from: "as_found", "as_left", or "" (none)
  double gainRatio = 1;     // gainAfter / gainBefore, applied to the as-found scatter
  bool gainScaled = false;  // false: a gain was not known and the ratio was taken as 1
  QList<UncertaintyComponent> components;  // Type A first (when there is one), then Type B
  double combined = 0;                     // u_c
  std::optional<double> effectiveDof;      // nu_eff
  std::optional<double> coverage;          // k
  std::optional<double> expanded;          // U; none: it cannot be stated
  double probability = kCoverageProbability;
  bool Stated() const { return expanded.has_value(); }
};

// The budget of the as-left error at a point whose reference reads `reference` (Uwz), from
// the record's samples, gains, resolution, reference standard and uniformity term.
UncertaintyBudget AsLeftBudget(const CalibrationRecord& record, double reference);

// A budget line's name, in the certificate's language ("Rozdzielczość miernika", ...).
QString ComponentText(const QString& key, CertificateLanguage language);

// k = t_p(nu) for two-sided coverage p (GUM table G.2 at p = 95.45 %); nu >= 1 (smaller: 1).
double StudentT(double nu, double p = kCoverageProbability);

struct AsLeftPoint {
  double reference = 0;                 // Uwz
  double reading = 0;                   // Ucal
  double error = 0;                     // Ucal - Uwz
  std::optional<double> errorPercent;   // 100 e / Uwz; none at Uwz = 0
  double limit = 0;                     // L, in the readings' unit
  std::optional<double> uncertainty;    // this point's U; none: it cannot be stated
  bool judged = true;                   // false: guarded acceptance without a U (and |e| <= L)
  bool passed = false;                  // false when not judged
};

// How points are judged: the tolerance and the decision rule.
struct AsLeftRule {
  double tolerancePercent = 1;
  double toleranceDigits = 0;
  double resolution = 0;  // the meter's last digit d
  QString decisionRule = QStringLiteral("simple");
};
AsLeftRule RuleOf(const CalibrationRecord& record);
// L = percent / 100 |Uwz| + digits d (sizes taken).
double ToleranceLimit(const AsLeftRule& rule, double reference);

// One point judged by the rule, with its U (none: cannot be stated).
AsLeftPoint EvaluateAsLeftPoint(const CalibrationPoint& point, const AsLeftRule& rule,
                                std::optional<double> uncertainty);
// Every as-left point of the record, each with its own budget's U.
QList<AsLeftPoint> EvaluateAsLeft(const CalibrationRecord& record);

// The residual standard deviation of the points about Ucal = slope * Uwz + offset, with n - 2
// degrees of freedom (the line took two); none for fewer than three points.
std::optional<double> ResidualSd(const QList<CalibrationPoint>& points, double slope, double offset);

// Fills record.uncertainty, coverage and effectiveDof (the largest U over the as-left points,
// with its k and nu_eff; all three empty when U cannot be stated) and record.passed (none:
// nothing to judge, or guarded acceptance without a U). An earlier evaluation never stays.
void EvaluateCalibration(CalibrationRecord& record);

// The decision rule in the certificate's language: "simple acceptance, |error| ≤ tolerance"
// or "guarded acceptance (ILAC-G8), |error| + U ≤ tolerance".
QString DecisionRuleText(CertificateLanguage language, const QString& rule);
