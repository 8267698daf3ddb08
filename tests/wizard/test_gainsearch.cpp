// The gain search against scripted meters: convergence, a meter that does not react, the step
// limit and a silent meter.
#include <QtTest>
#include <cmath>
#include <functional>

#include "wizard/GainSearch.h"

using Meter = std::function<double(int gain, int step)>;
Q_DECLARE_METATYPE(Meter)
Q_DECLARE_METATYPE(GainSearch::Outcome)

namespace {
// The simulator's meter: field x gain / 20000, shown in tenths.
double Linear(double field, int gain) { return std::nearbyint(field * gain / 20000.0 * 10) / 10; }
}  // namespace

class TestGainSearch : public QObject {
  Q_OBJECT
 private slots:
  void search_data() {
    QTest::addColumn<int>("rangeIndex");
    QTest::addColumn<double>("target");
    QTest::addColumn<Meter>("meter");
    QTest::addColumn<QList<int>>("gains");  // every trial gain, in order
    QTest::addColumn<GainSearch::Outcome>("outcome");
    QTest::newRow("linear meter, DC1") << 0 << 100.0 << Meter([](int g, int) { return Linear(100, g); })
        << QList<int>{16384, 24576, 20480, 18432, 19456, 19968, 20224, 20096, 20032, 20000}
        << GainSearch::Outcome::Equal;
    QTest::newRow("equal at the first trial") << 0 << 81.9 << Meter([](int g, int) { return Linear(100, g); })
                                              << QList<int>{16384} << GainSearch::Outcome::Equal;
    // A reading that does not follow the gain (the probe's trials reach another row's gain)
    // stops the search at its second trial without a result.
    QTest::newRow("no reaction, reading low") << 0 << 100.0 << Meter([](int, int) { return 50.0; })
                                              << QList<int>{16384, 24576} << GainSearch::Outcome::NotFollowing;
    QTest::newRow("no reaction, reading high") << 0 << 100.0 << Meter([](int, int) { return 150.0; })
                                               << QList<int>{16384, 8192} << GainSearch::Outcome::NotFollowing;
    QTest::newRow("moves against the gain") << 0 << 100.0 << Meter([](int g, int) { return Linear(100, 32768 - g); })
                                            << QList<int>{16384, 24576} << GainSearch::Outcome::NotFollowing;
    QTest::newRow("follows, then stops following") << 0 << 100.0
        << Meter([](int g, int step) { return step < 4 ? Linear(100, g) : 92.2; })
        << QList<int>{16384, 24576, 20480, 18432, 19456} << GainSearch::Outcome::NotFollowing;
    // DC2's last digit is 1: 0.9 is no move at all.
    QTest::newRow("DC2, moves less than a digit") << 1 << 1000.0
        << Meter([](int, int step) { return 500 + 0.9 * step; })
        << QList<int>{16384, 24576} << GainSearch::Outcome::NotFollowing;
    // Near the end a gain step is too small to move the reading by a digit: that settles.
    QTest::newRow("settles between two digits") << 0 << 100.04 << Meter([](int g, int) { return Linear(100, g); })
        << QList<int>{16384, 24576, 20480, 18432, 19456, 19968, 20224, 20096, 20032, 20000, 20016,
                      20008, 20012, 20010, 20011, 20010, 20010}
        << GainSearch::Outcome::Settled;
    QTest::newRow("DC1 tolerance") << 0 << 1000.0 << Meter([](int, int step) { return 500 + 0.9 * step; })
                                   << QList<int>{16384, 24576, 28672, 30720, 31744, 32256, 32512, 32640,
                                                 32704, 32736, 32752, 32760, 32764, 32766, 32767,
                                                 32767, 32767, 32767, 32767, 32767}
                                   << GainSearch::Outcome::StepLimit;
    QTest::newRow("silent meter") << 0 << 100.0 << Meter([](int, int) { return NAN; })
                                  << QList<int>{16384} << GainSearch::Outcome::NoFrame;
  }
  void search() {
    QFETCH(int, rangeIndex);
    QFETCH(double, target);
    QFETCH(Meter, meter);
    QFETCH(QList<int>, gains);
    QFETCH(GainSearch::Outcome, outcome);
    GainSearch search;
    search.Start(rangeIndex, target);
    QList<int> tried;
    while (search.Running()) {
      const int gain = search.NextGain();
      QVERIFY(gain >= 0 && gain <= 32767);
      tried << gain;
      const double reading = meter(gain, search.Steps());
      search.Feed(reading, !std::isnan(reading));
    }
    QCOMPARE(tried, gains);
    QCOMPARE(search.Result(), outcome);
    QCOMPARE(search.Gain(), gains.last());
    QCOMPARE(search.Steps(), int(gains.size()));
  }

  void aNewSearchStartsFromTheFullInterval() {
    GainSearch search;
    search.Start(0, 100);
    search.NextGain();
    search.Feed(50, true);
    QCOMPARE(search.NextGain(), 24576);
    search.Start(0, 100);
    QVERIFY(search.Running());
    QCOMPARE(search.NextGain(), 16384);
    QCOMPARE(search.Steps(), 1);
  }
};

QTEST_GUILESS_MAIN(TestGainSearch)
#include "test_gainsearch.moc"
