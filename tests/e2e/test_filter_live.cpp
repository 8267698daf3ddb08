// The digital filter on live results: noise is smoothed on the display and the chart, a step
// larger than the jump threshold passes at once.
#include <QtTest>
#include <QCheckBox>
#include <QLabel>

#include "measurement/WykresWidget.h"
#include "tests/e2e/LiveWindow.h"

namespace {
double ValueOf(const QString& resultText) {
  QString t = resultText;
  t.remove(" mT").remove(' ');
  return t.toDouble();
}

// The next count values shown on the display, one per change (a busy machine only makes them
// come later), or fewer after timeoutMs.
QVector<double> Collect(LiveWindow& live, int count, int timeoutMs = 60000) {
  QVector<double> shown;
  QString last = live.window.SWynik->text();
  QElapsedTimer t;
  t.start();
  while (shown.size() < count && t.elapsed() < timeoutMs) {
    QTest::qWait(5);
    if (live.window.SWynik->text() != last) {
      last = live.window.SWynik->text();
      shown << ValueOf(last);
    }
  }
  return shown;
}

double Spread(const QVector<double>& v) {
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  return *hi - *lo;
}

double Spread(const std::vector<double>& v) {
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  return *hi - *lo;
}
}  // namespace

class TestFilterLive : public QObject {
  Q_OBJECT
 private slots:
  void noiseIsSmoothedAndAStepPassesAtOnce() {
    // Noise of +-0.04 mT stays under the 0.05 mT jump threshold of a filtered value.
    LiveWindow live({"--rate", "40", "--field", "10.00", "--noise", "0.04", "--seed", "3"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QTRY_VERIFY_WITH_TIMEOUT(!live.window.SWynik->text().isEmpty(), 3000);
    const QVector<double> raw = Collect(live, 40);
    const double rawChartSpread = Spread(live.window.Wykres1->Chart().Values());

    live.window.filtr->click();  // Tau "0,05"
    QVERIFY(live.window.filtr->isChecked());
    Collect(live, 20);  // let the filter settle
    live.window.Wykres1->Chart().Clear();
    const QVector<double> smooth = Collect(live, 12);
    const double smoothChartSpread = Spread(live.window.Wykres1->Chart().Values());
    QVERIFY2(raw.size() == 40 && smooth.size() == 12,
             qPrintable(QString("%1 %2").arg(raw.size()).arg(smooth.size())));
    QVERIFY2(Spread(smooth) < Spread(raw) / 2,
             qPrintable(QString("raw %1, filtered %2").arg(Spread(raw)).arg(Spread(smooth))));
    QVERIFY2(smoothChartSpread < rawChartSpread / 2,
             qPrintable(QString("chart raw %1, filtered %2").arg(rawChartSpread).arg(smoothChartSpread)));

    // A step far above the threshold is shown at once: no value on the way from 10 to 20.
    QVERIFY(live.sim.command("field 20.00"));
    QVector<double> after;
    QElapsedTimer t;
    t.start();
    QString last = live.window.SWynik->text();
    while (t.elapsed() < 30000 && (after.isEmpty() || after.last() < 15)) {
      QTest::qWait(2);
      if (live.window.SWynik->text() != last) {
        last = live.window.SWynik->text();
        after << ValueOf(last);
      }
    }
    QVERIFY(!after.isEmpty());
    QVERIFY2(after.last() > 19.9, qPrintable(last));
    for (double v : after) QVERIFY2(v < 10.2 || v > 19.9, qPrintable(QString::number(v)));
  }
};

QTEST_MAIN(TestFilterLive)
#include "test_filter_live.moc"
