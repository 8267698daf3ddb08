// The as-left check: each point's error, % and limit, the verdict at and just past the limit
// (negative readings too), the expanded uncertainty against sums worked by hand, the fit's
// residual standard deviation, and the resolution in a record's body.
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
    const AsLeftPoint p = EvaluateAsLeftPoint({given[0], given[1], {}}, given[2]);
    QVERIFY2(Near(p.error, expected[0], 1e-9), qPrintable(QString::number(p.error, 'g', 17)));
    QVERIFY(Near(p.errorPercent.value_or(kNone), expected[1], 1e-9));
    QVERIFY(Near(p.limit, expected[2], 1e-12));
    QCOMPARE(p.passed, passed);
  }

  void uncertainty_data() {
    QTest::addColumn<QList<double>>("given");  // s (one reading), the reference's U (k = 2), digit d
    QTest::addColumn<double>("expanded");
    // u_ref = 0.5 / 2 = 0.25, u_d = 0.1 / (2 √3) = 0.028868;
    // u_c = √(0.12² + 0.25² + 0.028868²) = √(0.0144 + 0.0625 + 0.00083333) = √0.07773333 = 0.278807
    // U = 2 × 0.278807 = 0.557614
    QTest::newRow("all three") << QList<double>{0.12, 0.5, 0.1} << 0.557614;
    // the digit alone: u = 1 / (2 √3) = 0.288675, U = 0.577350
    QTest::newRow("resolution alone") << QList<double>{0, 0, 1} << 0.577350;
    // the scatter alone: u = s, not s / √n (the error is of one reading)
    QTest::newRow("scatter alone") << QList<double>{0.2, 0, 0} << 0.4;
    QTest::newRow("signs taken by size") << QList<double>{-0.12, -0.5, -0.1} << 0.557614;
  }
  void uncertainty() {
    QFETCH(QList<double>, given);
    QFETCH(double, expanded);
    const UncertaintyBudget b = AsLeftUncertainty(given[0], given[1], given[2]);
    QVERIFY2(Near(b.expanded, expanded, 5e-7), qPrintable(QString::number(b.expanded, 'g', 10)));
    QVERIFY(Near(b.expanded, 2 * b.combined, 1e-15));
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

  void verdict_data() {
    QTest::addColumn<QList<CalibrationPoint>>("asLeft");
    QTest::addColumn<bool>("skipped");
    QTest::addColumn<int>("passed");  // 1, 0, -1: no verdict
    QTest::newRow("all pass") << Points({{100, 100.5}, {-50, -50.4}, {10, 10.1}}) << false << 1;
    QTest::newRow("one past") << Points({{100, 100.5}, {-50, -50.6}, {10, 10.1}}) << false << 0;
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
    r.residualSd = 0.12;
    r.reference.uncertainty = 0.5;
    r.resolution = 0.1;
    r.passed = true;
    r.uncertainty = 9;
    EvaluateCalibration(r);
    QCOMPARE(r.passed.has_value() ? int(*r.passed) : -1, passed);
    QVERIFY(Near(r.uncertainty.value_or(kNone), passed >= 0 ? 0.557614 : kNone, 5e-7));
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
