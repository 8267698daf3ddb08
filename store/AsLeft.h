#pragma once
// The as-left check of a calibration: each point's error against the tolerance, the expanded
// uncertainty of that error, and the verdict the record keeps.
//
// A point is the meter's reading Ucal beside the reference's reading Uwz at the same field:
//   error   e = Ucal - Uwz, and 100 e / Uwz in % of the reference's reading (none at Uwz = 0):
//           a meter that reads -202 for -200 is 1 % high, as one that reads 202 for 200
//   limit   L = tolerancePercent / 100 * |Uwz|
//   passes  |e| <= L   (simple acceptance: the uncertainty widens or narrows nothing)
// The record passes when every as-left point passes; with no as-left points, or the as-left
// check skipped, it has no verdict and no uncertainty.
#include <QList>
#include <QString>
#include <optional>

#include "store/Records.h"

struct AsLeftPoint {
  double reference = 0;                 // Uwz
  double reading = 0;                   // Ucal
  double error = 0;                     // Ucal - Uwz
  std::optional<double> errorPercent;   // 100 e / Uwz; none at Uwz = 0
  double limit = 0;                     // the tolerance in the readings' unit
  bool passed = false;
};

AsLeftPoint EvaluateAsLeftPoint(const CalibrationPoint& point, double tolerancePercent);
QList<AsLeftPoint> EvaluateAsLeft(const CalibrationRecord& record);

// The components of the as-left error's uncertainty, each a standard uncertainty in the
// readings' unit, and what they make.
struct UncertaintyBudget {
  double repeatability = 0;  // the fit's residual standard deviation: one reading's scatter
  double reference = 0;      // the reference's stated U divided by its k = 2
  double resolution = 0;     // the meter's last digit d as a rectangle: d / (2 sqrt 3)
  double combined = 0;       // u_c
  double expanded = 0;       // U = 2 u_c
};
// residualSd, referenceExpanded (k = 2) and resolution in the readings' unit; a negative one is
// taken by its size.
UncertaintyBudget AsLeftUncertainty(double residualSd, double referenceExpanded, double resolution);

// The residual standard deviation of the points about Ucal = slope * Uwz + offset, with n - 2
// degrees of freedom (the line took two); none for fewer than three points.
std::optional<double> ResidualSd(const QList<CalibrationPoint>& points, double slope, double offset);

// Fills record.uncertainty (U, k = 2, from residualSd, the reference's U and the resolution)
// and record.passed from the as-left points and the tolerance; both empty when there is nothing
// to judge.
void EvaluateCalibration(CalibrationRecord& record);

// The language of the texts a certificate prints.
enum class CertificateLanguage { Polish, English };
// "simple acceptance, |error| ≤ tolerance", in the certificate's language.
QString DecisionRuleText(CertificateLanguage language);
