// Drawing at the line rate: results faster than the display are painted together, an isolated
// result at once, and what is painted last is the last result.
#include <QtTest>
#include <QLabel>
#include <QPushButton>

#include "app/Main.h"
#include "app/RepaintThrottle.h"
#include "measurement/WykresWidget.h"

namespace {
QByteArray Frame(qint16 reading) {
  QByteArray f;
  f.append(char(0xAA)).append(char(0x55)).append(char(0x01));  // mT, range 1, DC
  f.append(char(250 & 0xFF)).append(char(0));
  f.append(char(reading & 0xFF)).append(char((reading >> 8) & 0xFF));
  return f;
}

// Counts the paints a widget gets, and the text it had at the latest one.
struct PaintCounter : QObject {
  explicit PaintCounter(QWidget* widget) : widget_(widget) { widget->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      if (auto* label = qobject_cast<QLabel*>(widget_)) lastText = label->text();
    }
    return false;
  }
  QWidget* widget_;
  int paints = 0;
  QString lastText;
};
}  // namespace

class TestRepaint : public QObject {
  Q_OBJECT
 private slots:
  void isolatedResultIsPaintedAtOnce() {
    TMainWin w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    PaintCounter result(w.SWynik);
    QTest::qWait(3 * RepaintThrottle::kFrameMs);  // a quiet spell
    w.HandleArrival(Frame(1234));
    QCoreApplication::processEvents();  // the first turn of the event loop paints
    QCOMPARE(result.paints, 1);
    QCOMPARE(result.lastText, QString("  12.34 mT"));
  }

  void aBurstIsPaintedTogetherAndEndsWithItsLastResult() {
    TMainWin w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    PaintCounter result(w.SWynik);
    PaintCounter chart(w.Wykres1);
    TWykres expected;  // the same values straight into a chart of the same set-up
    SetUpMainWindowChart(expected);
    expected.Clear();
    QElapsedTimer clock;
    clock.start();
    constexpr int kResults = 200;
    for (int i = 1; i <= kResults; ++i) {
      w.HandleArrival(Frame(qint16(i * 7)));  // each in its own turn, as from the port
      expected.AddValue(i * 7 / 100.0);
      QCoreApplication::processEvents();
    }
    const qint64 elapsed = clock.elapsed();
    // At most one paint per frame interval (and the first at once), however fast they came.
    QVERIFY2(result.paints <= elapsed / RepaintThrottle::kFrameMs + 2,
             qPrintable(QString("%1 paints in %2 ms").arg(result.paints).arg(elapsed)));
    QVERIFY(chart.paints <= elapsed / RepaintThrottle::kFrameMs + 2);
    // Every result went through the chart; the last paint shows the last result.
    QCOMPARE(w.Wykres1->Chart().Values(), expected.Values());
    QTRY_COMPARE(result.lastText, QString("  14.00 mT"));
    QCOMPARE(w.Wykres1->Chart().Picture(), expected.Picture());
  }

  // A widget under another is painted again whenever the one on top is; the statistics row has
  // none lying over another.
  void controlsDoNotOverlap() {
    TMainWin w;
    const QList<QWidget*> row = w.Panel2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QVERIFY(row.size() >= 8);
    for (QWidget* a : row)
      for (QWidget* b : row)
        if (a != b)
          QVERIFY2(!a->geometry().intersects(b->geometry()),
                   qPrintable(a->objectName() + " overlaps " + b->objectName()));
  }
};

QTEST_MAIN(TestRepaint)
#include "test_repaint.moc"
