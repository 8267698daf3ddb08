// The as-left check: each point's error, its share of the reading and its limit, the verdict at
// and just past the limit (negative readings too), the expanded uncertainty against sums worked
// by hand, the residual standard deviation of a fit, and the resolution in a record's body.
#include <QtTest>
#include <cmath>

#include "store/AsLeft.h"
#include "store/RecordJson.h"

namespace {
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();  // no error in %

QList<CalibrationPoint> Points(const QList<QPair<double, double>>& pairs) {
  QList<CalibrationPoint> points;
  for (const auto& [uwz, ucal] : pairs) points << CalibrationPoint{uwz, ucal, {}};
  return points;
}
}  // namespace

class TestAsLeft : public QObject {
  Q_OBJECT
 private slots:
  void point_data() {
    QTest::addColumn<double>("uwz");
    QTest::addColumn<double>("ucal");
    QTest::addColumn<double>("tolerance");  // % of the reading
    QTest::addColumn<double>("error");
    QTest::addColumn<double>("percent");
    QTest::addColumn<double>("limit");
    QTest::addColumn<bool>("passed");
    // L = 1 % of 100 = 1; e = 101 - 100 = 1 = L
    QTest::newRow("at the limit above") << 100.0 << 101.0 << 1.0 << 1.0 << 1.0 << 1.0 << true;
    QTest::newRow("past the limit above") << 100.0 << 101.001 << 1.0 << 1.001 << 1.001 << 1.0 << false;
    QTest::newRow("at the limit below") << 100.0 << 99.0 << 1.0 << -1.0 << -1.0 << 1.0 << true;
    QTest::newRow("past the limit below") << 100.0 << 98.999 << 1.0 << -1.001 << -1.001 << 1.0 << false;
    // Uwz = -200: L = 2 on |Uwz|; e = -202 - (-200) = -2, 100 e / Uwz = +1 % (high by its size)
    QTest::newRow("negative at the limit") << -200.0 << -202.0 << 1.0 << -2.0 << 1.0 << 2.0 << true;
    QTest::newRow("negative past the limit") << -200.0 << -202.01 << 1.0 << -2.01 << 1.005 << 2.0 << false;
    QTest::newRow("negative reading low") << -200.0 << -197.9 << 1.0 << 2.1 << -1.05 << 2.0 << false;
    // 10.05 - 10 is 0.05000000000000071 in binary, L = 0.05: the decimal readings are at the limit
    QTest::newRow("decimal at the limit") << 10.0 << 10.05 << 0.5 << 0.05 << 0.5 << 0.05 << true;
    QTest::newRow("decimal past the limit") << 10.0 << 10.051 << 0.5 << 0.051 << 0.51 << 0.05 << false;
    QTest::newRow("zero field read as zero") << 0.0 << 0.0 << 1.0 << 0.0 << kNone << 0.0 << true;
    QTest::newRow("zero field read as a digit") << 0.0 << 0.1 << 1.0 << 0.1 << kNone << 0.0 << false;
    QTest::newRow("inside") << 40.0 << 40.1 << 0.5 << 0.1 << 0.25 << 0.2 << true;
  }
  void point() {
    QFETCH(double, uwz);
    QFETCH(double, ucal);
    QFETCH(double, tolerance);
    QFETCH(double, error);
    QFETCH(double, percent);
    QFETCH(double, limit);
    QFETCH(bool, passed);
    const AsLeftPoint p = EvaluateAsLeftPoint({uwz, ucal, {}}, tolerance);
    QCOMPARE(p.reference, uwz);
    QCOMPARE(p.reading, ucal);
    QVERIFY2(std::abs(p.error - error) < 1e-9, qPrintable(QString::number(p.error, 'g', 17)));
    QCOMPARE(p.errorPercent.has_value(), !std::isnan(percent));
    if (p.errorPercent) QVERIFY2(std::abs(*p.errorPercent - percent) < 1e-9, qPrintable(QString::number(*p.errorPercent)));
    QVERIFY(std::abs(p.limit - limit) < 1e-12);
    QCOMPARE(p.passed, passed);
  }

  void uncertainty_data() {
    QTest::addColumn<double>("s");     // residual SD, one reading
    QTest::addColumn<double>("uRef");  // the reference's U, k = 2
    QTest::addColumn<double>("d");     // the meter's last digit
    QTest::addColumn<double>("combined");
    QTest::addColumn<double>("expanded");
    // u_ref = 0.5 / 2 = 0.25, u_d = 0.1 / (2 √3) = 0.028868;
    // u_c = √(0.12² + 0.25² + 0.028868²) = √(0.0144 + 0.0625 + 0.00083333) = √0.07773333 = 0.278807
    // U = 2 × 0.278807 = 0.557614
    QTest::newRow("all three") << 0.12 << 0.5 << 0.1 << 0.278807 << 0.557614;
    // u_ref = 0.04, u_d = 0.01 / (2 √3) = 0.0028868;
    // u_c = √(0.0009 + 0.0016 + 0.0000083333) = √0.0025083333 = 0.0500833, U = 0.1001665
    QTest::newRow("small") << 0.03 << 0.08 << 0.01 << 0.0500833 << 0.1001665;
    // the digit alone: u = 1 / (2 √3) = 0.288675, U = 0.577350
    QTest::newRow("resolution alone") << 0.0 << 0.0 << 1.0 << 0.288675 << 0.577350;
    // the reference alone: its U passes through, u = 0.15
    QTest::newRow("reference alone") << 0.0 << 0.3 << 0.0 << 0.15 << 0.3;
    // the scatter alone: u = s, no division by √n (the error is of one reading)
    QTest::newRow("scatter alone") << 0.2 << 0.0 << 0.0 << 0.2 << 0.4;
    QTest::newRow("signs taken by size") << -0.12 << -0.5 << -0.1 << 0.278807 << 0.557614;
    QTest::newRow("nothing known") << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
  }
  void uncertainty() {
    QFETCH(double, s);
    QFETCH(double, uRef);
    QFETCH(double, d);
    QFETCH(double, combined);
    QFETCH(double, expanded);
    const UncertaintyBudget b = AsLeftUncertainty(s, uRef, d);
    QVERIFY2(std::abs(b.combined - combined) < 5e-7, qPrintable(QString::number(b.combined, 'g', 10)));
    QVERIFY2(std::abs(b.expanded - expanded) < 5e-7, qPrintable(QString::number(b.expanded, 'g', 10)));
    QVERIFY(std::abs(b.expanded - 2 * b.combined) < 1e-15);
  }

  void residualSd_data() {
    QTest::addColumn<QList<CalibrationPoint>>("points");
    QTest::addColumn<double>("slope");
    QTest::addColumn<double>("offset");
    QTest::addColumn<double>("sd");  // NaN: none
    // r = 0.1, -0.2, 0.3: Σr² = 0.14, n - 2 = 1 → s = √0.14 = 0.374166
    QTest::newRow("three points") << Points({{0, 0.1}, {50, 49.8}, {100, 100.3}}) << 1.0 << 0.0 << 0.374166;
    // one more on the line: Σr² = 0.14, n - 2 = 2 → s = √0.07 = 0.264575
    QTest::newRow("four points") << Points({{0, 0.1}, {50, 49.8}, {100, 100.3}, {150, 150}}) << 1.0 << 0.0
                                 << 0.264575;
    // about Ucal = 2 Uwz + 1: r = 0.1, -0.1, 0 → s = √0.02 = 0.141421
    QTest::newRow("slope and offset") << Points({{1, 3.1}, {2, 4.9}, {3, 7}}) << 2.0 << 1.0 << 0.141421;
    QTest::newRow("on the line") << Points({{1, 3}, {2, 5}, {3, 7}}) << 2.0 << 1.0 << 0.0;
    QTest::newRow("two points") << Points({{1, 3}, {2, 5.5}}) << 2.0 << 1.0 << kNone;
  }
  void residualSd() {
    QFETCH(QList<CalibrationPoint>, points);
    QFETCH(double, slope);
    QFETCH(double, offset);
    QFETCH(double, sd);
    const std::optional<double> s = ResidualSd(points, slope, offset);
    QCOMPARE(s.has_value(), !std::isnan(sd));
    if (s) QVERIFY2(std::abs(*s - sd) < 5e-7, qPrintable(QString::number(*s, 'g', 10)));
  }

  void verdict_data() {
    QTest::addColumn<QList<CalibrationPoint>>("asLeft");
    QTest::addColumn<bool>("skipped");
    QTest::addColumn<int>("passed");  // 1, 0, -1: no verdict
    QTest::newRow("all pass") << Points({{100, 100.5}, {-50, -50.4}, {10, 10.1}}) << false << 1;
    QTest::newRow("one past") << Points({{100, 100.5}, {-50, -50.6}, {10, 10.1}}) << false << 0;
    QTest::newRow("last past") << Points({{100, 100.5}, {10, 9.8}}) << false << 0;
    QTest::newRow("no points") << QList<CalibrationPoint>{} << false << -1;
    QTest::newRow("skipped") << Points({{100, 100.5}}) << true << -1;
  }
  // The record's verdict and U; an earlier evaluation never stays behind.
  void verdict() {
    QFETCH(QList<CalibrationPoint>, asLeft);
    QFETCH(bool, skipped);
    QFETCH(int, passed);
    CalibrationRecord r;
    r.asLeft = asLeft;
    r.asLeftSkipped = skipped;
    r.tolerancePercent = 1;
    r.residualSd = 0.12;
    r.reference.uncertainty = 0.5;
    r.resolution = 0.1;
    r.passed = true;
    r.uncertainty = 9;
    EvaluateCalibration(r);
    QCOMPARE(r.passed.has_value(), passed >= 0);
    if (r.passed) QCOMPARE(*r.passed, passed == 1);
    QCOMPARE(r.uncertainty.has_value(), passed >= 0);
    if (r.uncertainty) QVERIFY(std::abs(*r.uncertainty - 0.557614) < 5e-7);
  }

  void resolutionInBody_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<double>("resolution");
    CalibrationRecord r;
    r.resolution = 0.01;
    QTest::newRow("written") << CalibrationBody(r) << 0.01;
    QTest::newRow("older body") << QByteArray(R"({"range":1,"probe":2,"slope":1.5,"tolerance_percent":1})") << 0.0;
  }
  void resolutionInBody() {
    QFETCH(QByteArray, body);
    QFETCH(double, resolution);
    CalibrationRecord r;
    r.resolution = 7;
    QVERIFY(ReadCalibrationBody(body, r));
    QCOMPARE(r.resolution, resolution);
  }
};

QTEST_GUILESS_MAIN(TestAsLeft)
#include "test_asleft.moc"
