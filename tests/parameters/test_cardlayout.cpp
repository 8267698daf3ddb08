// The calibration card's layout on a recording canvas, filled from a reference parameter set.
#include <QtTest>

#include "parameters/CardLayout.h"
#include "settings/Jezyki.h"
#include "tests/common/RecordingCanvas.h"
#include "tests/parameters/ReferenceCalibration.h"

namespace {
CalibrationCard ReferenceCard() {
  CalibrationCard card;
  card.parameters = ReferenceParameters();
  card.customer = "Firma Łódź";
  card.printDate = "07.12.2024";
  card.r1 = "13,1";
  card.r2 = "49,2";
  card.r3 = "9,3";
  card.i1 = "2,5";
  card.i2 = "2,6";
  card.i3 = "2,7";
  card.o1 = "-4";
  card.o2 = "7";
  return card;
}

int RightAt(int right, const QString& text, int pointSize = 12) {
  return right - RecordingCanvas::FakeWidth(text, pointSize);
}

// The texts drawn at one height, by their x.
QMap<int, QString> Row(const RecordingCanvas& canvas, int y) {
  QMap<int, QString> row;
  for (const CanvasText& t : canvas.texts)
    if (t.y == y && !t.text.isEmpty()) row.insert(t.x, t.text);
  return row;
}
}  // namespace

class TestCardLayout : public QObject {
  Q_OBJECT
 private slots:
  // A 4800 x 6600 page: a = 120, U = 132, c = 2400, d = 2640.
  void header_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("pointSize");
    QTest::newRow("name") << "FLUXA H" << 120 << 132 << 12;
    QTest::newRow("version") << "wersja 3.0" << 120 << 264 << 8;
    QTest::newRow("title") << "KARTA KALIBRACYJNA"
                           << 2400 - RecordingCanvas::FakeWidth("KARTA KALIBRACYJNA", 24) / 2 << 924
                           << 24;
    QTest::newRow("subtitle") << "miernika typu KV - 38"
                              << 2400 - RecordingCanvas::FakeWidth("miernika typu KV - 38", 16) / 2
                              << 1188 << 16;
    QTest::newRow("date label") << "Data wydruku:" << RightAt(2400, "Data wydruku:") << 1584 << 12;
    QTest::newRow("date") << "07.12.2024" << 2640 << 1584 << 12;
    QTest::newRow("serial label") << "Numer seryjny:" << RightAt(2400, "Numer seryjny:") << 1716
                                  << 12;
    QTest::newRow("serial") << "Ł-001" << 2640 << 1716 << 12;
    QTest::newRow("customer label") << "Klient:" << RightAt(2400, "Klient:") << 1848 << 12;
    QTest::newRow("customer") << "Firma Łódź" << 2640 << 1848 << 12;
    QTest::newRow("head No") << "L.p." << RightAt(360, "L.p.") << 2178 << 12;
    QTest::newRow("head text") << "Funkcja" << 480 << 2178 << 12;
    QTest::newRow("head value") << "Wartość" << 3120 << 2178 << 12;
  }
  void header() {
    QFETCH(QString, text);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, pointSize);
    RecordingCanvas canvas(4800, 6600);
    LayoutCalibrationCard(canvas, ReferenceCard());
    const CanvasText t = canvas.Find(text);
    QCOMPARE(t.x, x);
    QCOMPARE(t.y, y);
    QCOMPARE(t.pointSize, pointSize);
    QCOMPARE(t.family, QString("Tahoma"));
  }

  void rulesAndPage() {
    RecordingCanvas canvas(4800, 6600);
    LayoutCalibrationCard(canvas, ReferenceCard());
    QCOMPARE(canvas.PageNumber(), 1);
    QList<int> ys;
    for (const CanvasLine& l : canvas.lines) {
      QCOMPARE(l.x1, 120);
      QCOMPARE(l.x2, 4680);
      QCOMPARE(l.y1, l.y2);
      QCOMPARE(l.penWidth, 3);
      ys << l.y1;
    }
    QCOMPARE(ys, (QList<int>{264, 2109, 2373, 6465}));
    // Stala and the temperature filter's gain are not on the card.
    QCOMPARE(canvas.Find("100").page, 0);
    QCOMPARE(canvas.Find("0,05").page, 0);
  }

  // Every row: its number ending at 3a, its text at 4a and its value at 26a, at (18 + n)U.
  void rows_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("value");
    const char* const values[23] = {"0,5", "0,25", "0,75", "0,9634", "-0,25", "1", "0,001", "-1",
                                    "500", "-2", "300", "-0,5", "-300", "0,1", "0,5", "0", "-0,5",
                                    "65535", "1000", "0", "40000", "10", "20"};
    for (int n = 1; n <= 23; ++n)
      QTest::addRow("%d %s", n, qPrintable(CardRowText(n))) << n << QString(values[n - 1]);
  }
  void rows() {
    QFETCH(int, n);
    QFETCH(QString, value);
    RecordingCanvas canvas(4800, 6600);
    LayoutCalibrationCard(canvas, ReferenceCard());
    const QString number = QString::number(n);
    const QMap<int, QString> expected = {
        {RightAt(360, number), number}, {480, CardRowText(n)}, {3120, value}};
    QCOMPARE(Row(canvas, (18 + n) * 132), expected);
  }

  void measurementRows() {
    RecordingCanvas canvas(4800, 6600);
    LayoutCalibrationCard(canvas, ReferenceCard());
    const QMap<int, QString> r = {{RightAt(360, "24"), "24"},   {480, "R 13="},
                                  {720, "13,1"},                {RightAt(1920, "R 49="), "R 49="},
                                  {1920, "49,2"},               {RightAt(3120, "R 9="), "R 9="},
                                  {3120, "9,3"}};
    QCOMPARE(Row(canvas, 42 * 132), r);
    const QMap<int, QString> i = {{RightAt(360, "25"), "25"},
                                  {480, "Jdc(AC)="},
                                  {900, "2,5"},
                                  {RightAt(1920, "Jdc(DC)="), "Jdc(DC)="},
                                  {1920, "2,6"},
                                  {RightAt(3120, "Jac(DC)="), "Jac(DC)="},
                                  {3120, "2,7"}};
    QCOMPARE(Row(canvas, 43 * 132), i);
    const QMap<int, QString> o = {{RightAt(360, "26"), "26"}, {480, "Offsety"},
                                  {RightAt(1920, "1="), "1="}, {1920, "-4"},
                                  {RightAt(3120, "2="), "2="}, {3120, "7"}};
    QCOMPARE(Row(canvas, 5808), o);
  }

  // nint(16.5U) and nint(7.5a) take a half to the even neighbour.
  void halvesToEven_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("head");
    QTest::addColumn<int>("i1");
    QTest::newRow("4800 x 6600") << 4800 << 6600 << 2178 << 900;
    QTest::newRow("U 133: 2194.5") << 4800 << 6650 << 2194 << 900;
    QTest::newRow("U 131: 2161.5") << 4800 << 6550 << 2162 << 900;
    QTest::newRow("a 123: 922.5") << 4920 << 6600 << 2178 << 922;
  }
  void halvesToEven() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, head);
    QFETCH(int, i1);
    RecordingCanvas canvas(width, height);
    LayoutCalibrationCard(canvas, ReferenceCard());
    QCOMPARE(canvas.Find("Funkcja").y, head);
    QCOMPARE(canvas.Find("2,5").x, i1);
  }

  // In a wider font a value moves a space past the text before it rather than run into it.
  void valueAfterLongerText() {
    constexpr int wide = 5;
    RecordingCanvas canvas(4800, 6600, wide);
    LayoutCalibrationCard(canvas, ReferenceCard());
    const int space = RecordingCanvas::FakeWidth(" ", 12, wide);
    QCOMPARE(Row(canvas, 19 * 132).key("0,5"), 3120);  // 42 characters still end before 26a
    QCOMPARE(Row(canvas, 23 * 132).key("-0,25"),
             480 + RecordingCanvas::FakeWidth(CardRowText(5), 12, wide) + space);
    QCOMPARE(Row(canvas, 42 * 132).key("13,1"), 480 + RecordingCanvas::FakeWidth("R 13=", 12, wide) + space);
    QCOMPARE(Row(canvas, 43 * 132).key("2,5"),
             480 + RecordingCanvas::FakeWidth("Jdc(AC)=", 12, wide) + space);
  }

  // Empty fields leave blanks; every number and text stays, in Polish whatever the language.
  void emptyFieldsAnyLanguage() {
    CurrentLanguage = "Angielski";
    RecordingCanvas canvas(4800, 6600);
    LayoutCalibrationCard(canvas, CalibrationCard());
    CurrentLanguage = "Polski";
    for (int n = 1; n <= 26; ++n) {
      const QMap<int, QString> row = Row(canvas, (18 + n) * 132);
      QVERIFY(row.values().contains(QString::number(n)));
      if (n <= 23) QCOMPARE(row.value(480), CardRowText(n));
      QVERIFY2(!row.contains(3120) || n > 23, qPrintable(row.value(3120)));
    }
    QCOMPARE(canvas.Find("KARTA KALIBRACYJNA").page, 1);
    QCOMPARE(canvas.Find("Klient:").page, 1);
  }
};

QTEST_GUILESS_MAIN(TestCardLayout)
#include "test_cardlayout.moc"
