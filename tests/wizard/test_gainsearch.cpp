// The gain search against scripted meters: convergence, a meter that does not react, the step
// limit and a silent meter; the secant search against the bisection on a table of meters, and
// over random meters.
#include <QtTest>
#include <cmath>
#include <functional>
#include <random>

#include "wizard/GainSearch.h"

using Meter = std::function<double(int gain, int step)>;
Q_DECLARE_METATYPE(Meter)
Q_DECLARE_METATYPE(GainSearch::Outcome)

namespace {
// The simulator's meter: field x gain / 20000, shown in tenths.
double Linear(double field, int gain) { return std::nearbyint(field * gain / 20000.0 * 10) / 10; }

// A meter as a curve (the reading it would show without its last digit and its noise), the
// range's last digit and a noise of +-noise, drawn anew at every reading.
struct CurvedMeter {
  std::function<double(double gain)> curve;
  double digit = 0.1;
  double noise = 0;
};

struct Run {
  QList<int> gains;
  QList<double> readings;
  GainSearch::Outcome outcome = GainSearch::Outcome::Running;
  int gain = 0;
};

Run Search(GainSearch::Method method, int rangeIndex, double target, const CurvedMeter& meter, unsigned seed = 1) {
  std::mt19937 random(seed);
  GainSearch search;
  search.Start(rangeIndex, target, method);
  Run run;
  while (search.Running()) {
    const int gain = search.NextGain();
    const double noise = meter.noise * (2.0 * random() / random.max() - 1);
    const double reading = std::nearbyint((meter.curve(gain) + noise) / meter.digit) * meter.digit;
    run.gains << gain;
    run.readings << reading;
    search.Feed(reading, true);
  }
  run.outcome = search.Result();
  run.gain = search.Gain();
  return run;
}

// How far the gain moves the reading by one last digit there.
double GainStep(const CurvedMeter& meter, int gain) {
  const double slope = (meter.curve(gain + 8) - meter.curve(gain - 8)) / 16;
  return meter.digit / slope;
}
}  // namespace
Q_DECLARE_METATYPE(CurvedMeter)

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

  // Both searches on meters of several shapes: how many trials each takes, and where they end.
  // The secant search takes fewer and ends within a gain step (a last digit of the reading) of
  // where the bisection ends.
  void secantAgainstBisection_data() {
    QTest::addColumn<int>("rangeIndex");
    QTest::addColumn<double>("target");
    QTest::addColumn<CurvedMeter>("meter");
    QTest::addColumn<int>("bisectionTrials");
    QTest::addColumn<int>("secantTrials");
    QTest::addColumn<GainSearch::Outcome>("outcome");
    const auto proportional = [](double g) { return 100 * g / 20000; };
    QTest::newRow("proportional") << 0 << 100.0 << CurvedMeter{proportional} << 10 << 3
                                  << GainSearch::Outcome::Equal;
    QTest::newRow("proportional, between two digits") << 0 << 100.04 << CurvedMeter{proportional} << 17 << 5
                                                      << GainSearch::Outcome::Settled;
    QTest::newRow("with an offset") << 0 << 100.0 << CurvedMeter{[](double g) { return 3.7 + 96.3 * g / 20000; }}
                                    << 10 << 3 << GainSearch::Outcome::Equal;
    QTest::newRow("slightly curved")
        << 0 << 100.0 << CurvedMeter{[](double g) { return 100 * (g / 20000) * (1 + 0.08 * (g / 20000 - 1)); }}
        << 10 << 4 << GainSearch::Outcome::Equal;
    QTest::newRow("noisy") << 0 << 100.0 << CurvedMeter{proportional, 0.1, 0.08} << 10 << 3
                           << GainSearch::Outcome::Equal;
    // The raw count saturates towards 32767 (the second range of the pair shows it whole).
    QTest::newRow("saturating near 32767")
        << 1 << 30000.0 << CurvedMeter{[](double g) { return 32767 * std::tanh(g / 20000); }, 1.0} << 11 << 6
        << GainSearch::Outcome::Equal;
    // Flat below the result and steep around it: on the flat part the secant's moves stop
    // shrinking, and the middle of the interval is the better trial.
    QTest::newRow("S-shaped") << 0 << 60.0
                              << CurvedMeter{[](double g) { return 100 + 50 * std::tanh((g - 12000) / 1000); }}
                              << 12 << 8 << GainSearch::Outcome::Equal;
    QTest::newRow("not following the gain") << 0 << 100.0 << CurvedMeter{[](double) { return 50.0; }} << 2 << 2
                                            << GainSearch::Outcome::NotFollowing;
  }
  void secantAgainstBisection() {
    QFETCH(int, rangeIndex);
    QFETCH(double, target);
    QFETCH(CurvedMeter, meter);
    QFETCH(int, bisectionTrials);
    QFETCH(int, secantTrials);
    QFETCH(GainSearch::Outcome, outcome);
    const Run bisection = Search(GainSearch::Method::Bisection, rangeIndex, target, meter);
    const Run secant = Search(GainSearch::Method::Secant, rangeIndex, target, meter);
    qInfo("%s: bisection %d trials, ends at %d; secant %d trials, ends at %d", QTest::currentDataTag(),
          int(bisection.gains.size()), bisection.gain, int(secant.gains.size()), secant.gain);
    QCOMPARE(bisection.gains.size(), bisectionTrials);
    QCOMPARE(secant.gains.size(), secantTrials);
    QCOMPARE(bisection.outcome, outcome);
    QCOMPARE(secant.outcome, outcome);
    if (outcome == GainSearch::Outcome::NotFollowing) return;
    QVERIFY2(std::abs(secant.gain - bisection.gain) <= std::ceil(GainStep(meter, bisection.gain)),
             qPrintable(QString("%1 against %2").arg(secant.gain).arg(bisection.gain)));
  }

  // Random meters (a slope, an offset, some curvature or saturation, now and then noise) and
  // targets within their reach. Every trial of either search lies inside the interval the
  // trials before it bracket. On a meter without noise where both end with a gain, the secant
  // search ends no more than a last digit farther from the target and takes at most one trial
  // more than the bisection, and fewer than half as many over the whole walk.
  void secantOverRandomMeters() {
    const quint32 seed = qEnvironmentVariableIsSet("FLUXA_WALK_SEED")
                             ? quint32(qEnvironmentVariableIntValue("FLUXA_WALK_SEED"))
                             : 20261207u;
    std::mt19937 random(seed);
    auto uniform = [&random](double from, double to) { return from + (to - from) * random() / random.max(); };
    int meters = 0;
    int secantTrials = 0;
    int bisectionTrials = 0;
    int worst = -100;
    int lost = 0;
    for (int k = 0; k < 5000; ++k) {
      const double trueGain = uniform(4000, 30000);
      const double field = uniform(5, 300);
      const double offset = field * uniform(-0.05, 0.05);
      // Rising over the whole scale: the slope 1 + c (2x - 1) stays above 0.2 up to x = 32768 / trueGain.
      const double curvature = uniform(-0.8 / (2 * GainSearch::kFullScale / trueGain - 1), 0.3);
      const double saturation = random() % 4 == 0 ? uniform(0.2, 1.0) : 0;
      const bool secondRange = random() % 3 == 0;
      CurvedMeter meter;
      meter.digit = secondRange ? 1.0 : 0.1;
      meter.noise = random() % 5 == 0 ? meter.digit * uniform(0.1, 2) : 0;
      meter.curve = [=](double g) {
        const double x = g / trueGain;
        const double line = field * (x + curvature * x * (x - 1)) + offset;
        return saturation > 0 ? field / saturation * std::tanh(saturation * line / field) : line;
      };
      // The gain that calibrates the meter lies well inside the scale; the target is its reading.
      const double target = meter.curve(uniform(4000, 31000)) + meter.digit * uniform(-0.5, 0.5);
      const int range = secondRange ? 1 : 0;
      const QString which = QString("meter %1 (FLUXA_WALK_SEED=%2)").arg(k).arg(seed);
      const unsigned noiseSeed = random();
      const Run bisection = Search(GainSearch::Method::Bisection, range, target, meter, noiseSeed);
      const Run secant = Search(GainSearch::Method::Secant, range, target, meter, noiseSeed);
      for (const Run* run : {&bisection, &secant}) {
        int lo = 0;
        int hi = GainSearch::kFullScale;
        for (int i = 0; i < run->gains.size(); ++i) {
          const int g = run->gains[i];
          QVERIFY2((g > lo && g < hi) || (hi - lo <= 1 && (g == lo || g == hi)),
                   qPrintable(QString("%1: trial %2 at %3 outside %4..%5").arg(which).arg(i + 1).arg(g).arg(lo).arg(hi)));
          if (run->readings[i] < target) lo = std::max(lo, g);
          if (run->readings[i] > target) hi = std::min(hi, g);
        }
        QVERIFY(run->gains.size() <= GainSearch::kMaxSteps);
      }
      const auto found = [](const Run& run) {
        return run.outcome == GainSearch::Outcome::Equal || run.outcome == GainSearch::Outcome::Settled;
      };
      if (meter.noise > 0 || !found(bisection)) continue;
      // The not-following test takes the meter for proportional: on a meter that rises much
      // slower near the result, it may stop either search.
      if (!found(secant)) {
        ++lost;
        continue;
      }
      ++meters;
      secantTrials += int(secant.gains.size());
      bisectionTrials += int(bisection.gains.size());
      worst = std::max(worst, int(secant.gains.size() - bisection.gains.size()));
      QVERIFY2(secant.gains.size() <= bisection.gains.size() + 1,
               qPrintable(QString("%1: %2 trials against %3").arg(which).arg(secant.gains.size()).arg(bisection.gains.size())));
      QVERIFY2(std::abs(secant.readings.last() - target) <= std::abs(bisection.readings.last() - target) + meter.digit * 1.001,
               qPrintable(QString("%1: ends at %2 for %3, the bisection at %4")
                              .arg(which).arg(secant.readings.last()).arg(target).arg(bisection.readings.last())));
    }
    qInfo("%d meters without noise: secant %d trials, bisection %d; at worst %d more; %d stopped as not following "
          "where the bisection was not", meters, secantTrials, bisectionTrials, worst, lost);
    QVERIFY(2 * secantTrials < bisectionTrials);
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
