// The as-left check: each point's error, % and limit, the verdict at and just past the limit
// (negative readings too), the tolerance's digits and both decision rules, budgets of the
// expanded uncertainty worked by hand (k from Student's t at the effective degrees of freedom,
// no U without an observed scatter), the fit's residual standard deviation, and the resolution
// in a record's body.
#include <QtTest>
#include <cmath>

#include "store/AsLeft.h"
#include "store/RecordJson.h"

namespace {
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

QList<CalibrationPoint> Points(const QList<QPair<double, double>>& pairs) {
  QList<CalibrationPoint> points;
  for (const auto& [uwz, ucal] : pairs) points << CalibrationPoint{uwz, ucal, {}};
  return points;
}
bool Near(double a, double b, double within) { return std::isnan(b) ? std::isnan(a) : std::abs(a - b) < within; }
}  // namespace

class TestAsLeft : public QObject {
  Q_OBJECT
 private slots:
  void point_data() {
    QTest::addColumn<QList<double>>("given");     // Uwz, Ucal, tolerance %
    QTest::addColumn<QList<double>>("expected");  // error, error % (NaN: none), limit
    QTest::addColumn<bool>("passed");
    // L = 1 % of 100 = 1; e = 101 - 100 = 1 = L
    QTest::newRow("at the limit") << QList<double>{100, 101, 1} << QList<double>{1, 1, 1} << true;
    QTest::newRow("past the limit") << QList<double>{100, 101.001, 1} << QList<double>{1.001, 1.001, 1} << false;
    QTest::newRow("past below") << QList<double>{100, 98.999, 1} << QList<double>{-1.001, -1.001, 1} << false;
    // Uwz = -200: L = 2 on |Uwz|; e = -202 - (-200) = -2, 100 e / Uwz = +1 % (high by its size)
    QTest::newRow("negative at the limit") << QList<double>{-200, -202, 1} << QList<double>{-2, 1, 2} << true;
    QTest::newRow("negative past") << QList<double>{-200, -202.01, 1} << QList<double>{-2.01, 1.005, 2} << false;
    QTest::newRow("negative low") << QList<double>{-200, -197.9, 1} << QList<double>{2.1, -1.05, 2} << false;
    // 10.05 - 10 is 0.05000000000000071 in binary against L = 0.05: at the limit in the digits
    QTest::newRow("decimal at the limit") << QList<double>{10, 10.05, 0.5} << QList<double>{0.05, 0.5, 0.05} << true;
    QTest::newRow("decimal past") << QList<double>{10, 10.051, 0.5} << QList<double>{0.051, 0.51, 0.05} << false;
    QTest::newRow("zero field") << QList<double>{0, 0.1, 1} << QList<double>{0.1, kNone, 0} << false;
  }
  void point() {
    QFETCH(QList<double>, given);
    QFETCH(QList<double>, expected);
    QFETCH(bool, passed);
    const AsLeftPoint p = EvaluateAsLeftPoint({given[0], given[1], {}}, {given[2], 0, 0.1, "simple"}, std::nullopt);
    QVERIFY2(Near(p.error, expected[0], 1e-9), qPrintable(QString::number(p.error, 'g', 17)));
    QVERIFY(Near(p.errorPercent.value_or(kNone), expected[1], 1e-9));
    QVERIFY(Near(p.limit, expected[2], 1e-12));
    QCOMPARE(p.passed, passed);
  }

  // Budgets worked by hand. given: as-found samples n, their residual SD s, gainBefore (0: not
  // known), gainAfter, the reference's U and its k, the reference's last digit, the meter's last
  // digit d, uniformity %, the point's Uwz. expected: u_A, u_c, nu_eff, k, U (NaN: none).
  // k is Student's t at p = 95.45 % for nu_eff rounded down: GUM table G.2 where it has nu
  // (13.97, 4.53, 3.31, 2.87, 2.65, 2.52, ..., 2.37 at 8, 2.11 at 25, 2.00 at infinity), to
  // more digits from the regularized incomplete beta function (mpmath), not from this code.
  void budget_data() {
    QTest::addColumn<QList<double>>("given");
    QTest::addColumn<QList<CalibrationPoint>>("asLeft");  // none: one point at Uwz
    QTest::addColumn<QString>("typeA");
    QTest::addColumn<QList<double>>("expected");
    const QList<CalibrationPoint> none;
    // u_A = 0.4 × 20000 / 16000 = 0.5, nu_A = 5 - 2 = 3; u_ref = 0.6 / 2 = 0.3;
    // u_d = 0.1 / (2 √3) = 0.0288675; u_c² = 0.25 + 0.09 + 0.00083333 = 0.34083333,
    // u_c = 0.583809; nu_eff = 3 (0.34083333 / 0.25)² = 3 × 1.3633333² = 5.576 → 5, k = 2.6487
    // (G.2: 2.65); U = 2.6487 × 0.583809 = 1.54631
    QTest::newRow("five samples, nu_eff 5.6") << QList<double>{5, 0.4, 16000, 20000, 0.6, 2, 0, 0.1, 0, 100} << none
                                              << "as_found" << QList<double>{0.5, 0.583809, 5.576033, 2.648654, 1.546309};
    // u_A = 0.25 (gains equal), nu_A = 6 - 2 = 4; u_ref = 0.3 / k 3 = 0.1; reference digit
    // 0.05 / (2 √3) = 0.0144338; u_d = 0.0288675; uniformity 0.2 % of |-250| = 0.5 as a
    // rectangle: 0.5 / √3 = 0.288675. u_c² = 0.0625 + 0.01 + 0.00020833 + 0.00083333 + 0.08333333
    // = 0.156875, u_c = 0.396074; nu_eff = 4 (0.156875 / 0.0625)² = 4 × 2.51² = 25.2 → 25,
    // k = 2.1051 (G.2: 2.11); U = 2.1051 × 0.396074 = 0.83377
    QTest::newRow("typed uniformity and k, negative field")
        << QList<double>{6, 0.25, 20000, 20000, 0.3, 3, 0.05, 0.1, 0.2, -250} << none << "as_found"
        << QList<double>{0.25, 0.396074, 25.2004, 2.105091, 0.833773};
    // Two samples: no line through them has a scatter, so no U (the Type B terms are still
    // listed: u_c = √(0.25² + 0.0288675²) = 0.251661).
    QTest::newRow("two samples: no U") << QList<double>{2, 0, 16000, 20000, 0.5, 2, 0, 0.1, 0, 100} << none << ""
                                       << QList<double>{kNone, 0.251661, kNone, kNone, kNone};
    // Repeated as-left points at about 100 (99.8, 100, 100.4 lie within 1 % of each other):
    // errors 0.2, 0.3, 0.1, mean 0.2, Σ(e - ē)² = 0.02, nu = 3 - 1 = 2 (the lone -100 adds
    // none); s_p = √(0.02 / 2) = 0.1. u_ref = 0.1, u_d = 0.0288675; u_c² = 0.01 + 0.01 +
    // 0.00083333 = 0.02083333, u_c = 0.144338; nu_eff = 2 (0.02083333 / 0.01)² = 8.68 → 8,
    // k = 2.3664 (G.2: 2.37); U = 2.3664 × 0.144338 = 0.34156
    const QList<CalibrationPoint> repeated = Points({{99.8, 100}, {100, 100.3}, {100.4, 100.5}, {-100, -100.4}});
    QTest::newRow("repeated as-left points") << QList<double>{2, 0, 16000, 20000, 0.2, 2, 0, 0.1, 0, 100} << repeated
                                             << "as_left" << QList<double>{0.1, 0.144338, 8.680556, 2.366419, 0.341563};
    // The same points beside three samples (nu = 1): the repeats have more degrees of freedom.
    QTest::newRow("repeats beat three samples") << QList<double>{3, 0.5, 16000, 20000, 0.2, 2, 0, 0.1, 0, 100}
                                                << repeated << "as_left"
                                                << QList<double>{0.1, 0.144338, 8.680556, 2.366419, 0.341563};
    // u_A = 0.3 × 20000 / 10000 = 0.6, nothing else: nu_eff = nu_A = 1, k = 13.968 (G.2:
    // 13.97), U = 13.968 × 0.6 = 8.3807; with gainBefore not known the ratio is 1: U = 4.1903
    QTest::newRow("scatter scaled to the gain after") << QList<double>{3, 0.3, 10000, 20000, 0, 2, 0, 0, 0, 100}
                                                      << none << "as_found"
                                                      << QList<double>{0.6, 0.6, 1, 13.967811, 8.380687};
    QTest::newRow("gain before not known") << QList<double>{3, 0.3, 0, 20000, 0, 2, 0, 0, 0, 100} << none
                                           << "as_found" << QList<double>{0.3, 0.3, 1, 13.967811, 4.190343};
    // The scatter of one reading, not s / √n: s = 0.2, U = 13.968 × 0.2 = 2.7936
    QTest::newRow("scatter alone") << QList<double>{3, 0.2, 20000, 20000, 0, 2, 0, 0, 0, 100} << none << "as_found"
                                   << QList<double>{0.2, 0.2, 1, 13.967811, 2.793562};
    // u_A = 0.12, nu = 12 - 2 = 10; u_ref = 0.25, u_d = 0.0288675: u_c² = 0.0144 + 0.0625 +
    // 0.00083333 = 0.07773333, u_c = 0.278807; nu_eff = 10 (0.07773333 / 0.0144)² = 291.4 → 291,
    // k = 2.0086 (G.2: between 2.025 at 100 and 2.00); U = 2.0086 × 0.278807 = 0.56002
    QTest::newRow("all three") << QList<double>{12, 0.12, 20000, 20000, 0.5, 2, 0, 0.1, 0, 100} << none
                               << "as_found" << QList<double>{0.12, 0.278807, 291.4, 2.008630, 0.560020};
    QTest::newRow("signs taken by size") << QList<double>{12, -0.12, 20000, 20000, -0.5, 2, 0, -0.1, 0, 100} << none
                                         << "as_found" << QList<double>{0.12, 0.278807, 291.4, 2.008630, 0.560020};
    // A scatter observed as 0: nu_eff infinite in effect (kept as 10^9), k = 2.000002;
    // the digit alone: u = 1 / (2 √3) = 0.288675, U = 0.577351
    QTest::newRow("resolution alone") << QList<double>{4, 0, 20000, 20000, 0, 2, 0, 1, 0, 100} << none << "as_found"
                                      << QList<double>{0, 0.288675, 1e9, 2.000002, 0.577351};
    // Nothing known at all: never U = 0.
    QTest::newRow("nothing known: no U = 0") << QList<double>{4, 0, 20000, 20000, 0, 2, 0, 0, 0, 100} << none
                                             << "as_found" << QList<double>{0, 0, kNone, kNone, kNone};
  }
  void budget() {
    QFETCH(QList<double>, given);
    QFETCH(QList<CalibrationPoint>, asLeft);
    QFETCH(QString, typeA);
    QFETCH(QList<double>, expected);
    CalibrationRecord r;
    for (int i = 0; i < int(given[0]); ++i) r.asFound << CalibrationPoint{10.0 * i, 10.0 * i, {}};
    r.residualSd = given[1];
    if (given[2] != 0) r.gainBefore = int(given[2]);
    r.gainAfter = int(given[3]);
    r.reference.uncertainty = given[4];
    r.reference.coverage = given[5];
    r.reference.resolution = given[6];
    r.resolution = given[7];
    r.uniformityPercent = given[8];
    r.asLeft = asLeft.isEmpty() ? QList<CalibrationPoint>{{given[9], given[9], {}}} : asLeft;
    const UncertaintyBudget b = AsLeftBudget(r, given[9]);
    QCOMPARE(b.typeA, typeA);
    QCOMPARE(b.gainScaled, given[2] != 0);
    const double uA = b.typeA.isEmpty() ? kNone : b.components.first().value;
    QVERIFY2(Near(uA, expected[0], 5e-7), qPrintable(QString::number(uA, 'g', 10)));
    QVERIFY2(Near(b.combined, expected[1], 5e-7), qPrintable(QString::number(b.combined, 'g', 10)));
    QVERIFY2(Near(b.effectiveDof.value_or(kNone), expected[2], 5e-4 * std::max(1.0, expected[2])),
             qPrintable(QString::number(b.effectiveDof.value_or(kNone), 'g', 10)));
    QVERIFY2(Near(b.coverage.value_or(kNone), expected[3], 5e-6), qPrintable(QString::number(b.coverage.value_or(kNone), 'g', 10)));
    QVERIFY2(Near(b.expanded.value_or(kNone), expected[4], 5e-6), qPrintable(QString::number(b.expanded.value_or(kNone), 'g', 10)));
    QCOMPARE(b.components.size(), b.typeA.isEmpty() ? 4 : 5);
    QCOMPARE(b.probability, 0.9545);

    // The record keeps this U (one point, or the largest: the uniformity term is 0 in the
    // repeated rows), with its k and nu_eff, or none of the three.
    EvaluateCalibration(r);
    QVERIFY(Near(r.uncertainty.value_or(kNone), expected[4], 5e-6));
    QVERIFY(Near(r.coverage.value_or(kNone), expected[3], 5e-6));
    QCOMPARE(r.effectiveDof.has_value(), r.uncertainty.has_value());
  }

  // Student's t for 95.45 % against GUM table G.2; a nu_eff between two whole numbers takes the
  // lower one's k.
  void studentT_data() {
    QTest::addColumn<double>("nu");
    QTest::addColumn<double>("k");
    const double table[] = {13.97, 4.53, 3.31, 2.87, 2.65, 2.52, 2.43, 2.37, 2.32, 2.28};
    for (int nu = 1; nu <= 10; ++nu) QTest::addRow("%d", nu) << double(nu) << table[nu - 1];
    QTest::newRow("20") << 20.0 << 2.13;
    QTest::newRow("50") << 50.0 << 2.05;
    QTest::newRow("5.9 takes 5") << 5.9 << 2.65;
    QTest::newRow("infinity") << kUnboundedDof << 2.00;
    QTest::newRow("below 1 takes 1") << 0.5 << 13.97;
  }
  void studentT() {
    QFETCH(double, nu);
    QFETCH(double, k);
    QVERIFY2(std::abs(StudentT(nu) - k) <= 0.005, qPrintable(QString::number(StudentT(nu), 'g', 8)));
  }

  void residualSd_data() {
    QTest::addColumn<QList<CalibrationPoint>>("points");
    QTest::addColumn<QList<double>>("line");  // slope, offset
    QTest::addColumn<double>("sd");           // NaN: none
    // r = 0.1, -0.2, 0.3: Σr² = 0.14, n - 2 = 1 → s = √0.14 = 0.374166
    QTest::newRow("three points") << Points({{0, 0.1}, {50, 49.8}, {100, 100.3}}) << QList<double>{1, 0} << 0.374166;
    // about Ucal = 2 Uwz + 1: r = 0.1, -0.1, 0, 0 → s = √(0.02 / 2) = 0.1
    QTest::newRow("slope and offset") << Points({{1, 3.1}, {2, 4.9}, {3, 7}, {4, 9}}) << QList<double>{2, 1} << 0.1;
    QTest::newRow("two points") << Points({{1, 3}, {2, 5.5}}) << QList<double>{2, 1} << kNone;
  }
  void residualSd() {
    QFETCH(QList<CalibrationPoint>, points);
    QFETCH(QList<double>, line);
    QFETCH(double, sd);
    const std::optional<double> s = ResidualSd(points, line[0], line[1]);
    QVERIFY2(Near(s.value_or(kNone), sd, 5e-7), qPrintable(QString::number(s.value_or(kNone), 'g', 10)));
  }

  // Each rule at a point: L = a % of |Uwz| + b digits; simple acceptance takes |e| <= L with U
  // beside it, guarded acceptance |e| + U <= L and, without a U, passes nothing within L.
  void decision_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QList<double>>("given");  // tolerance %, digits b, digit d, Uwz, Ucal, U (NaN: none)
    QTest::addColumn<double>("limit");
    QTest::addColumn<int>("verdict");  // 1 passes, 0 fails, -1 not judged
    // L = 1 % of 100 = 1
    QTest::newRow("simple, U beside") << "simple" << QList<double>{1, 0, 0.1, 100, 100.9, 0.5} << 1.0 << 1;
    QTest::newRow("simple without U") << "simple" << QList<double>{1, 0, 0.1, 100, 100.9, kNone} << 1.0 << 1;
    QTest::newRow("guarded, U takes the room") << "guarded" << QList<double>{1, 0, 0.1, 100, 100.9, 0.5} << 1.0 << 0;
    QTest::newRow("guarded with room") << "guarded" << QList<double>{1, 0, 0.1, 100, 100.4, 0.5} << 1.0 << 1;
    // 0.5 + 0.5 = 1 = L, though 100.5 - 100 is not 0.5 in binary
    QTest::newRow("guarded at the limit") << "guarded" << QList<double>{1, 0, 0.1, 100, 100.5, 0.5} << 1.0 << 1;
    QTest::newRow("guarded below") << "guarded" << QList<double>{1, 0, 0.1, -100, -100.6, 0.5} << 1.0 << 0;
    QTest::newRow("guarded without U") << "guarded" << QList<double>{1, 0, 0.1, 100, 100.1, kNone} << 1.0 << -1;
    QTest::newRow("guarded without U, past L") << "guarded" << QList<double>{1, 0, 0.1, 100, 101.2, kNone} << 1.0 << 0;
    // Zero field: L = 0 % + 2 × 0.1 = 0.2
    QTest::newRow("zero field has a limit") << "simple" << QList<double>{1, 2, 0.1, 0, 0.2, kNone} << 0.2 << 1;
    QTest::newRow("zero field past") << "simple" << QList<double>{1, 2, 0.1, 0, -0.21, kNone} << 0.2 << 0;
    // L = 1 % of |-50| + 3 × 0.01 = 0.53
    QTest::newRow("digits add to the %") << "simple" << QList<double>{1, 3, 0.01, -50, -50.53, kNone} << 0.53 << 1;
    QTest::newRow("digits, past") << "simple" << QList<double>{1, 3, 0.01, -50, -50.54, kNone} << 0.53 << 0;
    QTest::newRow("an unknown rule is simple") << "" << QList<double>{1, 0, 0.1, 100, 100.9, kNone} << 1.0 << 1;
  }
  void decision() {
    QFETCH(QString, rule);
    QFETCH(QList<double>, given);
    QFETCH(double, limit);
    QFETCH(int, verdict);
    const std::optional<double> u = std::isnan(given[5]) ? std::nullopt : std::optional<double>(given[5]);
    const AsLeftPoint p = EvaluateAsLeftPoint({given[3], given[4], {}}, {given[0], given[1], given[2], rule}, u);
    QVERIFY2(Near(p.limit, limit, 1e-12), qPrintable(QString::number(p.limit, 'g', 17)));
    QCOMPARE(p.judged ? int(p.passed) : -1, verdict);
    QVERIFY(p.judged || !p.passed);
  }

  void verdict_data() {
    QTest::addColumn<QList<CalibrationPoint>>("asLeft");
    QTest::addColumn<bool>("skipped");
    QTest::addColumn<int>("samples");  // as found
    QTest::addColumn<QString>("rule");
    QTest::addColumn<int>("passed");  // 1, 0, -1: no verdict
    QTest::addColumn<double>("expanded");  // the record's U; NaN: none
    // 12 samples, s = 0.12, u_ref = 0.25, u_d = 0.0288675: U = 0.56002 ("all three" above)
    const double u = 0.560020;
    QTest::newRow("all pass") << Points({{100, 100.5}, {-50, -50.4}, {10, 10.1}}) << false << 12 << "simple" << 1 << u;
    QTest::newRow("one past") << Points({{100, 100.5}, {-50, -50.6}, {10, 10.1}}) << false << 12 << "simple" << 0 << u;
    QTest::newRow("no points") << QList<CalibrationPoint>{} << false << 12 << "simple" << -1 << kNone;
    QTest::newRow("skipped") << Points({{100, 100.5}}) << true << 12 << "simple" << -1 << kNone;
    // Guarded: 0.3 + 0.56 <= 1 passes, 0.5 + 0.56 > 1 does not
    QTest::newRow("guarded passes") << Points({{100, 100.3}, {-100, -100.4}}) << false << 12 << "guarded" << 1 << u;
    QTest::newRow("guarded fails") << Points({{100, 100.5}, {-100, -100.4}}) << false << 12 << "guarded" << 0 << u;
    // Two samples: no U; simple acceptance still judges, guarded has no verdict unless a point
    // is past its limit anyway.
    QTest::newRow("two samples, simple") << Points({{100, 100.5}}) << false << 2 << "simple" << 1 << kNone;
    QTest::newRow("two samples, guarded") << Points({{100, 100.5}}) << false << 2 << "guarded" << -1 << kNone;
    QTest::newRow("two samples, guarded, one past")
        << Points({{100, 100.5}, {50, 51}}) << false << 2 << "guarded" << 0 << kNone;
  }
  // The record's verdict, U, k and nu_eff; an earlier evaluation never stays behind.
  void verdict() {
    QFETCH(QList<CalibrationPoint>, asLeft);
    QFETCH(bool, skipped);
    QFETCH(int, samples);
    QFETCH(QString, rule);
    QFETCH(int, passed);
    QFETCH(double, expanded);
    CalibrationRecord r;
    for (int i = 0; i < samples; ++i) r.asFound << CalibrationPoint{10.0 * i, 10.0 * i, {}};
    r.asLeft = asLeft;
    r.asLeftSkipped = skipped;
    r.decisionRule = rule;
    r.residualSd = 0.12;
    r.gainBefore = 20000;
    r.gainAfter = 20000;
    r.reference.uncertainty = 0.5;
    r.resolution = 0.1;
    r.passed = true;
    r.uncertainty = 9;
    r.coverage = 2;
    r.effectiveDof = 9;
    EvaluateCalibration(r);
    QCOMPARE(r.passed.has_value() ? int(*r.passed) : -1, passed);
    QVERIFY(Near(r.uncertainty.value_or(kNone), expanded, 5e-6));
    QCOMPARE(r.coverage.has_value(), r.uncertainty.has_value());
    QCOMPARE(r.effectiveDof.has_value(), r.uncertainty.has_value());
  }

  // With a uniformity term U grows with the field: the record keeps the largest, at -300.
  // u_A = 0.1 (12 samples, nu = 10), 1 % of 300 = 3 as a rectangle: 3 / √3 = 1.7320508;
  // u_c = √(0.01 + 3) = 1.734935; nu_eff = 10 (3.01 / 0.01)² = 906010, k = 2.000005;
  // U = 3.469879. At 100: u_c = √(0.01 + 1/3) = 0.585947, smaller.
  void largestU() {
    CalibrationRecord r;
    for (int i = 0; i < 12; ++i) r.asFound << CalibrationPoint{10.0 * i, 10.0 * i, {}};
    r.residualSd = 0.1;
    r.uniformityPercent = 1;
    r.asLeft = Points({{100, 100.2}, {-300, -300.5}, {50, 50.1}});
    EvaluateCalibration(r);
    QVERIFY2(Near(r.uncertainty.value_or(kNone), 3.469879, 5e-6), qPrintable(QString::number(*r.uncertainty, 'g', 10)));
    QVERIFY(Near(r.effectiveDof.value_or(kNone), 906010, 1));
    const QList<AsLeftPoint> points = EvaluateAsLeft(r);
    QVERIFY(Near(points[0].uncertainty.value_or(kNone), 2.000 * 0.585947, 5e-4));
  }

  // The resolution and the verdict come back from a body; one written before they were kept
  // reads as resolution 0 and no verdict (not a failed one).
  void body_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<double>("resolution");
    QTest::addColumn<int>("passed");  // 1, 0, -1: none
    CalibrationRecord r;
    r.resolution = 0.01;
    r.passed = false;
    r.uncertainty = 0.3;
    QTest::newRow("written") << CalibrationBody(r) << 0.01 << 0;
    QTest::newRow("older body") << QByteArray(R"({"range":1,"probe":2,"slope":1.5,"tolerance_percent":1})") << 0.0
                                << -1;
  }
  void body() {
    QFETCH(QByteArray, body);
    QFETCH(double, resolution);
    QFETCH(int, passed);
    CalibrationRecord r;
    r.resolution = 7;
    QVERIFY(ReadCalibrationBody(body, r));
    QCOMPARE(r.resolution, resolution);
    QCOMPARE(r.passed.has_value() ? int(*r.passed) : -1, passed);
    QCOMPARE(r.uncertainty.has_value(), passed >= 0);
  }
};

QTEST_GUILESS_MAIN(TestAsLeft)
#include "test_asleft.moc"
