// The sample table and its evaluation: normalisation, the two fits, the corrected series and
// the target reading.
#include <QtTest>

#include "wizard/Samples.h"

using Pairs = QList<QPair<double, double>>;  // (Uwz, Ucal)
Q_DECLARE_METATYPE(Pairs)

namespace {
SampleTable TableOf(const Pairs& pairs) {
  SampleTable table;
  for (const auto& p : pairs) table.Register(p.first, p.second);
  return table;
}
bool Near(double a, double b, double tolerance = 1e-9) { return std::fabs(a - b) <= tolerance; }
}  // namespace

class TestWizardSamples : public QObject {
  Q_OBJECT
 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }

  void evaluation_data() {
    QTest::addColumn<Pairs>("samples");
    QTest::addColumn<bool>("fitted");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<QList<double>>("uend");
    QTest::addColumn<int>("imax");
    QTest::addColumn<double>("calibrated");
    QTest::addColumn<double>("target");
    QTest::newRow("two samples, slope 0.9")
        << Pairs{{100, 90}, {200, 180}} << true << 0.9 << 0.0 << QList<double>{100, 200} << 2
        << 135.0 << 150.0;
    QTest::newRow("three samples, offset 5")
        << Pairs{{100, 95}, {200, 185}, {300, 275}} << true << 0.9 << 5.0
        << QList<double>{100, 200, 300} << 3 << 95.0 << 100.0;
    QTest::newRow("meter at gain 16000") << Pairs{{100, 80}, {50, 40}} << true << 0.8 << 0.0
                                         << QList<double>{100, 50} << 1 << 80.0 << 100.0;
    // No reference reading is positive: X is still the reference reading.
    QTest::newRow("all negative") << Pairs{{-100, -90}, {-200, -180}} << true << 0.9 << 0.0
                                  << QList<double>{-100, -200} << 2 << -135.0 << -150.0;
    QTest::newRow("largest |Uwz| first of equals") << Pairs{{-200, -160}, {200, 160}, {50, 40}}
                                                   << true << 0.8 << 0.0
                                                   << QList<double>{-200, 200, 50} << 1 << 0.0 << 0.0;
    QTest::newRow("same reference twice") << Pairs{{100, 90}, {100, 95}} << false << 0.0 << 0.0
                                          << QList<double>{90, 95} << 1 << 0.0 << 0.0;
    // The uncentred n*Sxx - Sx^2 of these is rounding noise, not 0.
    QTest::newRow("three equal fields") << Pairs{{123.456, 99}, {123.456, 100}, {123.456, 101}}
                                        << false << 0.0 << 0.0 << QList<double>{99, 100, 101} << 1
                                        << 0.0 << 0.0;
    QTest::newRow("three equal fields, 12.345")
        << Pairs{{12.345, 9.876}, {12.345, 9.877}, {12.345, 9.875}} << false << 0.0 << 0.0
        << QList<double>{9.876, 9.877, 9.875} << 1 << 0.0 << 0.0;
    QTest::newRow("meter does not react") << Pairs{{100, 0.1}, {200, 0.1}, {300, 0.1}} << false
                                          << 0.0 << 0.0 << QList<double>{0.1, 0.1, 0.1} << 3 << 0.0
                                          << 0.0;
    QTest::newRow("one sample") << Pairs{{100, 90}} << false << 0.0 << 0.0 << QList<double>{90}
                                << 1 << 0.0 << 0.0;
  }
  void evaluation() {
    QFETCH(Pairs, samples);
    QFETCH(bool, fitted);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(QList<double>, uend);
    QFETCH(int, imax);
    QFETCH(double, calibrated);
    QFETCH(double, target);
    SampleTable table = TableOf(samples);
    const Evaluation e = table.Evaluate();
    QCOMPARE(e.s, 1.0);
    QCOMPARE(e.imax, imax);
    QCOMPARE(e.fitted, fitted);
    for (int k = 1; k <= table.Count(); ++k) {
      QCOMPARE(table.At(k).x, samples[k - 1].first);
      QVERIFY2(Near(table.At(k).uend, uend[k - 1]), qPrintable(QString::number(table.At(k).uend)));
    }
    if (!fitted) {
      QVERIFY(!table.Target(calibrated));
      QCOMPARE(EquationText(e), QString("Brak pomiarów"));
      return;
    }
    QVERIFY(Near(e.a, a));
    QVERIFY(Near(e.b, b, 1e-9));
    QVERIFY(Near(e.a2, 1.0));
    QVERIFY(Near(e.b2, 0.0, 1e-9));
    QVERIFY(std::isfinite(e.d) && e.d > 0);
    QVERIFY(Near(*table.Target(calibrated), target));
  }

  void equationTexts_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<Pairs>("samples");
    QTest::addColumn<QString>("equation");
    QTest::newRow("0.9") << "C" << Pairs{{100, 90}, {200, 180}} << "y = 0.900 * x + 0";
    QTest::newRow("0,800 in Polish") << "pl_PL" << Pairs{{100, 80}, {200, 160}} << "y = 0,800 * x + 0";
    QTest::newRow("offset 5") << "C" << Pairs{{100, 95}, {200, 185}, {300, 275}} << "y = 0.900 * x + 5";
    QTest::newRow("offset, 3 digits") << "C" << Pairs{{0, -12.3456}, {10, -2.3456}} << "y = 1.000 * x + -12.3";
  }
  void equationTexts() {
    QFETCH(QString, locale);
    QFETCH(Pairs, samples);
    QFETCH(QString, equation);
    QLocale::setDefault(QLocale(locale));
    SampleTable table = TableOf(samples);
    QCOMPARE(EquationText(table.Evaluate()), equation);
    QCOMPARE(ReferenceEquationText(table.Result()), "y = 1" + QLocale().decimalPoint() + "000 * x");
  }

  void deletion_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QList<double>>("remaining");  // Uwz of the samples left, in order
    QTest::newRow("row 2 of 4") << 2 << true << QList<double>{100, 300, 400};
    QTest::newRow("first") << 1 << true << QList<double>{200, 300, 400};
    QTest::newRow("last") << 4 << true << QList<double>{100, 200, 300};
    QTest::newRow("row 5 of 4") << 5 << false << QList<double>{100, 200, 300, 400};
    QTest::newRow("no row") << 0 << false << QList<double>{100, 200, 300, 400};
  }
  void deletion() {
    QFETCH(int, position);
    QFETCH(bool, deleted);
    QFETCH(QList<double>, remaining);
    SampleTable table = TableOf({{100, 80}, {200, 160}, {300, 240}, {400, 320}});
    QCOMPARE(table.Delete(position), deleted);
    QCOMPARE(table.Count(), int(remaining.size()));
    for (int k = 1; k <= table.Count(); ++k) {
      QCOMPARE(table.At(k).id, k);
      QCOMPARE(table.At(k).uwz, remaining[k - 1]);
      QCOMPARE(table.At(k).ucal, remaining[k - 1] * 0.8);
    }
    QCOMPARE(table.At(0).id, 0);  // the empty record stays empty
  }

  void capacity() {
    SampleTable table;
    for (int k = 1; k <= SampleTable::kCapacity; ++k) QVERIFY(table.Register(k, k));
    QVERIFY(!table.Register(5000, 5000));
    QCOMPARE(table.Count(), 1000);
    QCOMPARE(table.At(1000).uwz, 1000.0);
    QVERIFY(table.Evaluate().fitted);
    QVERIFY(table.Delete(1));
    QVERIFY(table.Register(5000, 5000));
    QCOMPARE(table.At(1000).id, 1000);
  }

  // An emptied table forgets the fit of its samples: new data never reuse it.
  void clearingForgetsTheFit() {
    SampleTable table = TableOf({{100, 90}, {200, 180}});
    QVERIFY(table.Evaluate().fitted);
    table.Clear();
    QCOMPARE(table.Count(), 0);
    QVERIFY(!table.Result().fitted);
    QCOMPARE(table.Result().a, 0.0);
    QVERIFY(!table.Target(135));
    // A row registered after the emptying shows no corrected value of the old evaluation.
    table.Register(100, 90);
    QCOMPARE(SampleRowTexts(table.At(1)).last(), QString());
    table.Register(100, 91);
    QVERIFY(!table.Evaluate().fitted);
    QVERIFY(!table.Target(135));
  }

  void rowTexts() {
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    SampleTable table = TableOf({{123.456789, 98765.4321}});
    // A sample not yet evaluated has no corrected value to show.
    QCOMPARE(SampleRowTexts(table.At(1)), QStringList({"1", "123,46", "123,46", "98765", ""}));
    table.Evaluate();
    QCOMPARE(SampleRowTexts(table.At(1)),
             QStringList({"1", "123,46", "123,46", "98765", "98765"}));
  }
};

QTEST_GUILESS_MAIN(TestWizardSamples)
#include "test_wizard_samples.moc"
