// The calibration certificate: its pages counted before drawing ("k of n" on each), tables that
// go on to further pages with their head, what it says for each kind of record, and real PDFs
// in both languages read back with pdftotext.
#include <QtTest>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "common/PrintCanvas.h"
#include "store/CertificateLayout.h"
#include "tests/common/PdfText.h"
#include "tests/common/RecordingCanvas.h"

namespace {
constexpr int W = 4800, H = 6600, u = 120, v = 132;  // u = W/40, v = H/50
constexpr auto kPl = CertificateLanguage::Polish;
constexpr auto kEn = CertificateLanguage::English;

// Taken at 23:41 in Warsaw (the test runs with TZ=Europe/Warsaw).
CalibrationRecord ARecord(int asLeftRows = 3) {
  CalibrationRecord r;
  r.number = "LAB/2026/0007";
  r.serial = "Ł-0042";
  r.rangeIndex = 2;
  r.probeRow = 2;
  r.at = QDateTime(QDate(2026, 12, 7), QTime(22, 41, 5), Qt::UTC);
  r.technician = "Anna Żak";
  r.company = "Laboratorium Pól Magnetycznych";
  r.bench = "LAB";
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.5};
  r.asFound = {{100, 80, r.at}, {50, 40.2, r.at}};
  const QList<CalibrationPoint> asLeft = {{100, 100.3, r.at}, {50, 49.9, r.at}, {-100, -100.4, r.at}};
  for (int i = 0; i < asLeftRows; ++i) r.asLeft << asLeft[i % 3];
  r.slope = 0.8;
  r.offset = 0.1;
  r.residualSd = 0.12;
  r.resolution = 0.1;
  r.gainBefore = 16000;
  r.gainAfter = 20000;
  r.tolerancePercent = 1;
  EvaluateCalibration(r);  // U = 2 √(0.12² + 0.25² + 0.0289²) = 0.5576: "0,56"
  return r;
}

QList<CanvasText> OnPage(const RecordingCanvas& canvas, int page) {
  QList<CanvasText> texts;
  for (const CanvasText& t : canvas.texts)
    if (t.page == page) texts << t;
  return texts;
}

QStringList TextsOf(const QList<CanvasText>& texts) {
  QStringList list;
  for (const CanvasText& t : texts) list << t.text;
  return list;
}

}  // namespace

class TestCertificate : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void pages_data() {
    QTest::addColumn<int>("asLeftRows");
    QTest::addColumn<bool>("skipped");
    QTest::addColumn<int>("pages");
    // page 1 holds lines 18..48: 2 as-found rows take lines 18..21, the as-left heading and head
    // 23 and 24, rows 25..48 (24 of them); a later page holds lines 4..48
    QTest::newRow("short") << 3 << false << 1;  // rows to 27, results 29..36
    QTest::newRow("results pushed to page 2") << 16 << false << 2;  // rows to 40: 42..49 does not fit
    QTest::newRow("one row on page 2") << 25 << false << 2;        // head at 4, row 25 at 5
    // 60 rows: 24 on page 1, the head and 36 rows on page 2 (4..40), results 42..49 do not fit
    QTest::newRow("sixty rows") << 60 << false << 3;
    QTest::newRow("skipped") << 60 << true << 1;
  }
  // Each page says "k of n" once, n counted before the drawing; nothing passes the closing rule;
  // every as-left row is drawn once, in order, and a page that goes on with the table starts
  // with its head.
  void pages() {
    QFETCH(int, asLeftRows);
    QFETCH(bool, skipped);
    QFETCH(int, pages);
    CalibrationRecord r = ARecord(asLeftRows);
    r.asLeftSkipped = skipped;
    QCOMPARE(CertificatePageCount(r), pages);
    for (const auto& [language, pageOf] : {std::pair{kPl, QString("Strona %1 z %2")}, std::pair{kEn, QString("Page %1 of %2")}}) {
      RecordingCanvas canvas(W, H);
      LayoutCertificate(canvas, r, {}, language);
      QCOMPARE(canvas.PageNumber(), pages);
      for (int page = 1; page <= pages; ++page) {
        const QStringList texts = TextsOf(OnPage(canvas, page));
        QCOMPARE(texts.count(pageOf.arg(page).arg(pages)), 1);
        QCOMPARE(texts.count(language == kPl ? "Świadectwo nr LAB/2026/0007" : "Certificate No. LAB/2026/0007"), 1);
      }
      for (const CanvasText& t : canvas.texts) QVERIFY2(t.y < 49 * v - 3, qPrintable(t.text));

      // The as-left rows: the second table's numbers, after its heading.
      const QString heading = language == kPl ? "Stan po adjustacji" : "As left";
      int expected = 1;
      bool inAsLeft = false;
      int lastPage = 1;
      for (const CanvasText& t : canvas.texts) {
        if (t.text == heading) inAsLeft = true;
        if (!inAsLeft || t.x != 3 * u - RecordingCanvas::FakeWidth(t.text, 10)) continue;  // the first column
        if (t.page != lastPage) {
          QCOMPARE(t.text, language == kPl ? QString("Lp.") : QString("No."));
          QCOMPARE(t.y, 4 * v);
          lastPage = t.page;
          continue;
        }
        if (t.text == "Lp." || t.text == "No.") continue;
        QCOMPARE(t.text, QString::number(expected++));
      }
      QCOMPARE(expected - 1, skipped ? 0 : asLeftRows);
    }
  }

  // What the certificate says for records of each kind.
  void says_data() {
    QTest::addColumn<CalibrationRecord>("record");
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    CalibrationRecord failing = ARecord();
    failing.asLeft[1].calibrated = 49.4;  // -0.6 past 0.5
    EvaluateCalibration(failing);
    CalibrationRecord skipped = ARecord();
    skipped.asLeftSkipped = true;
    EvaluateCalibration(skipped);
    CalibrationRecord amending = ARecord();
    amending.amends = "LAB/2026/0003";
    amending.gainBefore.reset();
    QTest::newRow("pass pl") << ARecord() << int(kPl)
                             << QStringList{"ZGODNY", "U = 0,56 (k = 2)", "±1 % wskazania wzorca",
                                            "przed 16000, po 20000", "Ucal = a · Uwz + b, a = 0,8, b = 0,1",
                                            "s = 0,12, n = 2"}
                             << QStringList{"NIEZGODNY", "niezgodny"};
    QTest::newRow("fail en") << failing << int(kEn) << QStringList{"FAIL", "fail", "-0.6", "-1.20"}
                             << QStringList{"PASS"};
    QTest::newRow("skipped pl") << skipped << int(kPl) << QStringList{"pominięto", "brak orzeczenia"}
                                << QStringList{"ZGODNY", "Granica"};
    QTest::newRow("amends, gain unknown en")
        << amending << int(kEn) << QStringList{"Amends certificate LAB/2026/0003", "before unknown, after 20000"}
        << QStringList{};
  }
  void says() {
    QFETCH(CalibrationRecord, record);
    QFETCH(int, language);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    RecordingCanvas canvas(W, H);
    LayoutCertificate(canvas, record, {}, CertificateLanguage(language));
    const QStringList texts = TextsOf(canvas.texts);
    for (const QString& text : present) QVERIFY2(texts.contains(text), qPrintable(text));
    for (const QString& text : absent) QVERIFY2(!texts.contains(text), qPrintable(text));
  }

  // A real PDF of three pages read back: what a reader sees on each page, and no two words of it
  // running into each other in the real font.
  void pdf_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("page1");
    QTest::addColumn<QString>("pageOf");
    QTest::addColumn<QString>("page3");
    QTest::newRow("pl") << int(kPl)
                        << QStringList{"Świadectwo wzorcowania", "nr LAB/2026/0007", "Numer seryjny miernika Ł-0042",
                                       "\n 1 100,0 80,0 -20,0\n", "\n 3 -100,0 -100,4 -0,4 0,40 1,00 zgodny\n",
                                       "Anna Żak"}
                        << "Strona %1 z 3" << "Niepewność rozszerzona U = 0,56 Gs (k = 2)";
    QTest::newRow("en") << int(kEn)
                        << QStringList{"Calibration certificate", "No. LAB/2026/0007", "Meter serial number Ł-0042",
                                       "\n 1 100.0 80.0 -20.0\n", "\n 3 -100.0 -100.4 -0.4 0.40 1.00 pass\n",
                                       "Uwz [Gs]"}
                        << "Page %1 of 3" << "Expanded uncertainty U = 0.56 Gs (k = 2)";
  }
  void pdf() {
    QFETCH(int, language);
    QFETCH(QStringList, page1);
    QFETCH(QString, pageOf);
    QFETCH(QString, page3);
    const QString path = dir_.filePath(QString("certificate-%1.pdf").arg(language));
    {
      QPdfWriter writer(path);
      writer.setPageSize(QPageSize(QPageSize::A4));
      QVERIFY(PrintDocument(writer, [&](PrintCanvas& canvas) {
        LayoutCertificate(canvas, ARecord(60), {"", "Gs"}, CertificateLanguage(language));
      }));
    }
    const QStringList pages = PdfPageTexts(path);
    QCOMPARE(pages.size(), 3);
    for (int page = 1; page <= 3; ++page) {
      const QString text = Squeezed(pages[page - 1]);
      QVERIFY2(text.contains(pageOf.arg(page)), qPrintable(text));
      QVERIFY2(text.contains("LAB/2026/0007"), qPrintable(text));
    }
    const QString first = "\n" + Squeezed(pages[0]);
    for (const QString& expected : page1) QVERIFY2(first.contains(expected), qPrintable(expected + "\n---\n" + first));
    QVERIFY2(Squeezed(pages[2]).contains(page3), qPrintable(Squeezed(pages[2])));
    QCOMPARE(OverlappingWords(PdfWords(path)), QStringList());
  }
};

QTEST_MAIN(TestCertificate)
#include "test_certificate.moc"
