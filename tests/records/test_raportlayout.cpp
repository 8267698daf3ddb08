// The measurement report's layout on a recording canvas: every position, the pagination and the
// texts of both languages.
#include <QtTest>

#include "records/RaportLayout.h"
#include "settings/Jezyki.h"
#include "tests/common/RecordingCanvas.h"

namespace {
constexpr int W = 4800, H = 6600, u = 120, v = 132, c = 2400;

RaportContents Numbered(int rows) {
  RaportContents contents;
  contents.institution = "Instytut Fizyki";
  contents.city = "Kraków";
  contents.place = "Hala 3";
  contents.date = "7 XII";
  contents.person = "J. Nowak";
  contents.source = "Transformator";
  for (int n = 1; n <= rows; ++n)
    contents.rows << QStringList{QString::number(n), QString("P%1").arg(n), QString("I%1").arg(n),
                                 QString("U%1").arg(n)};
  return contents;
}

int RightAt(int right, const QString& text, int pointSize) {
  return right - RecordingCanvas::FakeWidth(text, pointSize);
}
}  // namespace

class TestRaportLayout : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { CurrentLanguage = "Polski"; }

  void firstPage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("pointSize");
    QTest::newRow("name") << "FLUXA H" << u << v << 12;
    QTest::newRow("page") << "Strona 1" << RightAt(39 * u, "Strona 1", 8) << 2 * v << 8;
    QTest::newRow("version") << "wersja 3.1" << u << 2 * v << 8;
    QTest::newRow("institution") << "Instytut Fizyki" << RightAt(39 * u, "Instytut Fizyki", 16)
                                 << 3 * v << 16;
    QTest::newRow("city, 4.2v") << "Kraków" << RightAt(39 * u, "Kraków", 16) << 554 << 16;
    QTest::newRow("title") << "RAPORT" << c - RecordingCanvas::FakeWidth("RAPORT", 24) / 2 << 7 * v << 24;
    QTest::newRow("place label") << "Miejsce pomiarów:" << RightAt(c, "Miejsce pomiarów:", 12)
                                 << 11 * v << 12;
    QTest::newRow("place") << "Hala 3" << c + W / 20 << 11 * v << 12;
    QTest::newRow("date") << "7 XII" << c + W / 20 << 12 * v << 12;
    QTest::newRow("person label") << "Pomiar wykonał:" << RightAt(c, "Pomiar wykonał:", 12)
                                  << 13 * v << 12;
    QTest::newRow("source") << "Transformator" << c + W / 20 << 14 * v << 12;
    QTest::newRow("head No") << "L.p." << RightAt(3 * u, "L.p.", 12) << 2178 << 12;
    QTest::newRow("head place") << "Miejsce" << 4 * u << 2178 << 12;
    QTest::newRow("head induction") << "Indukcja pola" << 16 * u << 2178 << 12;
    QTest::newRow("head remark") << "Uwaga" << 26 * u << 2178 << 12;
  }
  void firstPage() {
    QFETCH(QString, text);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, pointSize);
    RecordingCanvas canvas(W, H);
    LayoutRaport(canvas, Numbered(10));
    const CanvasText t = canvas.Find(text);
    QCOMPARE(t.page, 1);
    QCOMPARE(t.x, x);
    QCOMPARE(t.y, y);
    QCOMPARE(t.pointSize, pointSize);
    QCOMPARE(t.family, QString("Tahoma"));
  }

  // Rows 1-31 on page 1 from 18v, then 43 a page from 6v; headings, page number and rules on
  // every page, the title block on the first only.
  void pagination_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("10") << 10 << 1;
    QTest::newRow("31") << 31 << 1;
    QTest::newRow("32") << 32 << 2;
    QTest::newRow("40") << 40 << 2;
    QTest::newRow("74") << 74 << 2;
    QTest::newRow("75") << 75 << 3;
    QTest::newRow("500") << 500 << 12;
  }
  void pagination() {
    QFETCH(int, rows);
    QFETCH(int, pages);
    RecordingCanvas canvas(W, H);
    LayoutRaport(canvas, Numbered(rows));
    QCOMPARE(canvas.PageNumber(), pages);
    for (int n = 1; n <= rows; ++n) {
      const int page = n <= 31 ? 1 : 2 + (n - 32) / 43;
      const int y = (n <= 31 ? 17 + n : 6 + (n - 32) % 43) * v;
      const QString number = QString::number(n);
      const CanvasText numberText = canvas.Find(number);
      QCOMPARE(numberText.page, page);
      QCOMPARE(numberText.y, y);
      QCOMPARE(numberText.x, RightAt(3 * u, number, 12));
      const std::pair<QString, int> cells[] = {{"P%1", 4 * u}, {"I%1", 16 * u}, {"U%1", 26 * u}};
      for (const auto& [cell, x] : cells) {
        const CanvasText t = canvas.Find(cell.arg(n));
        QCOMPARE(t.page, page);
        QCOMPARE(t.x, x);
        QCOMPARE(t.y, y);
        QCOMPARE(t.pointSize, 12);
      }
    }
    for (int page = 1; page <= pages; ++page) {
      const QList<CanvasText> texts = canvas.TextsOnPage(page);
      const QString pageText = QString("Strona %1").arg(page);
      auto count = [&texts](const QString& text) {
        return std::count_if(texts.begin(), texts.end(),
                             [&text](const CanvasText& t) { return t.text == text; });
      };
      QCOMPARE(count("FLUXA H"), 1);
      QCOMPARE(count(pageText), 1);
      QCOMPARE(count("RAPORT"), page == 1 ? 1 : 0);
      for (const CanvasText& t : texts) {
        if (t.text == pageText) QCOMPARE(t.x, RightAt(39 * u, pageText, 8));
        if (t.text == "Uwaga") QCOMPARE(t.y, page == 1 ? 2178 : 594);
      }
      QCOMPARE(count("Uwaga"), 1);
      QList<int> rules;
      for (const CanvasLine& l : canvas.LinesOnPage(page)) {
        QCOMPARE(l.x1, u);
        QCOMPARE(l.x2, 39 * u);
        QCOMPARE(l.y1, l.y2);
        QCOMPARE(l.penWidth, 3);
        rules << l.y1;
      }
      const QList<int> expected = page == 1 ? QList<int>{2 * v, 16 * v - 3, 18 * v - 3, 49 * v - 3}
                                            : QList<int>{2 * v, 4 * v - 3, 6 * v - 3, 49 * v - 3};
      QCOMPARE(rules, expected);
    }
  }

  // Half-way positions round to the even neighbour.
  void halvesToEven_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("firstHead");
    QTest::addColumn<int>("laterHead");
    QTest::addColumn<int>("city");
    QTest::newRow("v 132") << 6600 << 2178 << 594 << 554;
    QTest::newRow("v 133: 2194.5, 598.5") << 6650 << 2194 << 598 << 559;
    QTest::newRow("v 131: 2161.5, 589.5") << 6550 << 2162 << 590 << 550;
  }
  void halvesToEven() {
    QFETCH(int, height);
    QFETCH(int, firstHead);
    QFETCH(int, laterHead);
    QFETCH(int, city);
    RecordingCanvas canvas(W, height);
    LayoutRaport(canvas, Numbered(32));
    QList<int> heads;
    for (const CanvasText& t : canvas.texts)
      if (t.text == "Indukcja pola") heads << t.y;
    QCOMPARE(heads, (QList<int>{firstHead, laterHead}));
    QCOMPARE(canvas.Find("Kraków").y, city);
  }

  void languages_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<QStringList>("texts");
    const QStringList polish = {"RAPORT", "Strona 1", "wersja 3.1", "L.p.", "Miejsce",
                                "Indukcja pola", "Uwaga", "Miejsce pomiarów:", "Data pomiarów:",
                                "Pomiar wykonał:", "Dane o źródle pola:"};
    const QStringList english = {"REPORT", "Page 1", "version 3.1", "No", "Location",
                                 "Field induction", "Note", "Location:", "Date:", "Measured by:",
                                 "Field source data:"};
    QTest::newRow("dc") << "Polski" << 0
                        << "z pomiarów natężenia pola magnetycznego stałego (dc)" << polish;
    QTest::newRow("50 Hz") << "Polski" << 1
                           << "z pomiarów natężenia pola magnetycznego f = 50 Hz" << polish;
    QTest::newRow("ac") << "Polski" << 2
                        << "z pomiarów natężenia pola magnetycznego zmiennego f = 16,7 Hz"
                        << polish;
    QTest::newRow("dc, English") << "Angielski" << 0 << "of dc magnetic field measurement"
                                 << english;
    QTest::newRow("50 Hz, English") << "Angielski" << 1
                                    << "of ac magnetic field measurement (f = 50 Hz)" << english;
    QTest::newRow("ac, English") << "Angielski" << 2
                                 << "of ac magnetic field measurement f = 16,7 Hz" << english;
  }
  void languages() {
    QFETCH(QString, language);
    QFETCH(int, kind);
    QFETCH(QString, subtitle);
    QFETCH(QStringList, texts);
    CurrentLanguage = language;
    RaportContents contents = Numbered(3);
    contents.fieldKind = kind;
    contents.frequency = "16,7";
    RecordingCanvas canvas(W, H);
    LayoutRaport(canvas, contents);
    const CanvasText s = canvas.Find(subtitle);
    QCOMPARE(s.page, 1);
    QCOMPARE(s.x, c - RecordingCanvas::FakeWidth(subtitle, 16) / 2);
    QCOMPARE(s.y, 9 * v);
    QCOMPARE(s.pointSize, 16);
    for (const QString& text : texts) QVERIFY2(canvas.Find(text).page == 1, qPrintable(text));
  }
};

QTEST_GUILESS_MAIN(TestRaportLayout)
#include "test_raportlayout.moc"
