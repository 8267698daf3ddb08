// The calibration certificate: its pages counted before drawing ("k of n" on each), tables that
// go on to further pages with their head, what it says for each kind of record (units, ISO
// dates, the laboratory, customer, meter, environment, traceability, U with k and ν_eff, the
// approval or the draft mark, the closing statements and the end mark), and real PDFs in both
// languages read back with pdftotext.
#include <QtTest>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "common/PrintCanvas.h"
#include "store/CertificateLayout.h"
#include "tests/common/PdfText.h"
#include "tests/common/RecordingCanvas.h"

namespace {
constexpr int W = 4800, H = 6600, u = 120, v = 132;  // u = W/40, v = H/50
constexpr auto kPl = CertificateLanguage::Polish;
constexpr auto kEn = CertificateLanguage::English;
const QString kDraft = QStringLiteral("PROJEKT / DRAFT — not a certificate");

// Taken at 23:41 in Warsaw (the test runs with TZ=Europe/Warsaw), the samples from 22:50 on.
CalibrationRecord ARecord(int asLeftRows = 3) {
  CalibrationRecord r;
  r.number = "LAB/2026/0007";
  r.serial = "Ł-0042";
  r.maker = "Fluxa Instruments";
  r.model = "FX-3";
  r.unit = "Gs";
  r.customer = "Huta Łabędy S.A.";
  r.customerAddress = "ul. Zawadzkiego 1, 44-109 Gliwice";
  r.laboratory = {"Laboratorium Pól Magnetycznych", "ul. Polna 7, 00-950 Warszawa", "AP 123", "PB-07 wyd. 3"};
  r.rangeIndex = 2;
  r.probeRow = 2;
  r.at = QDateTime(QDate(2026, 12, 7), QTime(22, 41, 5), Qt::UTC);
  const QDateTime sampled(QDate(2026, 12, 7), QTime(21, 50), Qt::UTC);
  r.technician = "Anna Żak";
  r.company = "Laboratorium Pól Magnetycznych";
  r.bench = "LAB";
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.5, 2, 0.01, "Gs"};
  r.asFound = {{100, 80, sampled}, {50, 40.2, sampled.addSecs(60)}};
  const QList<CalibrationPoint> asLeft = {{100, 100.3, r.at}, {50, 49.9, r.at}, {-100, -100.4, r.at}};
  for (int i = 0; i < asLeftRows; ++i) r.asLeft << asLeft[i % 3];
  r.slope = 0.8;
  r.offset = 0.1;
  r.residualSd = 0.12;
  r.resolution = 0.1;
  r.gainBefore = 16000;
  r.gainAfter = 20000;
  r.tolerancePercent = 1;
  r.toleranceDigits = 2;
  r.probeTemperatureMin = 21.3;
  r.probeTemperatureMax = 22.14;
  r.ambientTemperature = 22.5;
  r.humidity = 45;
  EvaluateCalibration(r);
  // U as the record keeps it: the certificate prints it as written.
  r.uncertainty = 0.5249;
  r.coverage = 2.2834;
  r.effectiveDof = 9.63;
  return r;
}

SignatureRecord AnApproval(const QDateTime& at = QDateTime(QDate(2026, 12, 8), QTime(9, 15, 27), Qt::UTC)) {
  return {"LAB/2026/0008", "LAB/2026/0007", "jnowak", "Jan Nowak", "approver", at, "Zatwierdzam",
          QString(64, u'a')};
}

CertificateHeader Approved(const QDateTime& at = QDateTime(QDate(2026, 12, 8), QTime(9, 15, 27), Qt::UTC)) {
  CertificateHeader header;
  header.approval = AnApproval(at);
  return header;
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

// A fact as it is drawn: its label at u and its value from 13u on the same line.
QString FactValue(const RecordingCanvas& canvas, const QString& label) {
  for (const CanvasText& l : canvas.texts)
    if (l.text == label && l.x == u)
      for (const CanvasText& t : canvas.texts)
        if (t.page == l.page && t.y == l.y && t.x == 13 * u) return t.text;
  return QStringLiteral("<no %1>").arg(label);
}

}  // namespace

class TestCertificate : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void pages_data() {
    QTest::addColumn<int>("asLeftRows");
    QTest::addColumn<bool>("skipped");
    QTest::addColumn<bool>("approved");
    QTest::addColumn<int>("pages");
    // Page 1 holds lines 9..48: the facts, the reference, the environment and the as-found
    // table take 9..37, the as-left heading and head 39 and 40, rows 41..48 (8 of them). A
    // later page holds lines 4..48. After the rows: a blank, the results (heading and 8 facts),
    // a blank, the approval (heading and the draft's mark, or 3 facts), a blank and the closing
    // statements, a blank and the end mark, which stay together.
    QTest::newRow("short") << 3 << false << false << 2;                // results 45..53 do not fit
    QTest::newRow("page 1 full of rows") << 8 << false << true << 2;
    QTest::newRow("one row on page 2") << 9 << false << false << 2;   // head at 4, row 9 at 5
    // page 2: head 4, rows 9..34 at 5..30, results 32..40, approval 42..43, statements 45..48
    QTest::newRow("all on page 2") << 34 << false << false << 2;
    // one row more: the statements (46..49) and the end mark go to page 3 together
    QTest::newRow("statements pushed") << 35 << false << false << 3;
    // approved: the approval takes two lines more, so one row less pushes the statements
    QTest::newRow("approved, statements pushed") << 33 << false << true << 3;
    // 60 rows: 8 on page 1, the head and 44 rows on page 2, the head and 8 rows on page 3
    QTest::newRow("sixty rows") << 60 << false << false << 3;
    QTest::newRow("skipped") << 60 << true << false << 2;
  }
  // Each page says "k of n" once, n counted before the drawing; a draft says so on every page;
  // nothing passes the closing rule; every as-left row is drawn once, in order, and a page that
  // goes on with the table starts with its head; the end mark is drawn once, last, on the last
  // page, with the closing statements.
  void pages() {
    QFETCH(int, asLeftRows);
    QFETCH(bool, skipped);
    QFETCH(bool, approved);
    QFETCH(int, pages);
    CalibrationRecord r = ARecord(asLeftRows);
    r.asLeftSkipped = skipped;
    r.customerAddress = QString("ul. Długa 1, ").repeated(20);  // far wider than its room
    const CertificateHeader header = approved ? Approved() : CertificateHeader{};
    QCOMPARE(CertificatePageCount(r, header), pages);
    for (const auto& [language, pageOf, end, relate] :
         {std::tuple{kPl, QString("Strona %1 z %2"), QString("Koniec świadectwa"),
                     QString("Wyniki odnoszą się wyłącznie do wzorcowanego obiektu.")},
          std::tuple{kEn, QString("Page %1 of %2"), QString("End of certificate"),
                     QString("The results relate only to the item calibrated.")}}) {
      RecordingCanvas canvas(W, H);
      LayoutCertificate(canvas, r, header, language);
      QCOMPARE(canvas.PageNumber(), pages);
      for (int page = 1; page <= pages; ++page) {
        const QStringList texts = TextsOf(OnPage(canvas, page));
        QCOMPARE(texts.count(pageOf.arg(page).arg(pages)), 1);
        QCOMPARE(texts.count(language == kPl ? "Świadectwo nr LAB/2026/0007" : "Certificate No. LAB/2026/0007"), 1);
        QCOMPARE(texts.contains(kDraft), !approved);
      }
      for (const CanvasText& t : canvas.texts) {
        QVERIFY2(t.y < 49 * v - 3, qPrintable(t.text));
        QVERIFY2(t.x >= u && t.x + RecordingCanvas::FakeWidth(t.text, t.pointSize) <= 39 * u, qPrintable(t.text));
      }

      const CanvasText last = canvas.texts.last();
      QCOMPARE(last.text, end);
      QCOMPARE(last.page, pages);
      QCOMPARE(TextsOf(canvas.texts).count(end), 1);
      QCOMPARE(canvas.Find(relate).page, pages);

      // The as-left rows: the second table's numbers, after its heading.
      const QString heading = language == kPl ? "Stan po adjustacji" : "As left";
      int expected = 1;
      bool inAsLeft = false;
      int lastPage = 1;
      for (const CanvasText& t : canvas.texts) {
        if (t.text == heading) inAsLeft = true;
        if (!inAsLeft || t.pointSize != 10 || t.x != 3 * u - RecordingCanvas::FakeWidth(t.text, 10))
          continue;  // the first column
        if (t.page != lastPage) {
          lastPage = t.page;
          if (expected > asLeftRows) continue;  // the table has ended
          QCOMPARE(t.text, language == kPl ? QString("Lp.") : QString("No."));
          QCOMPARE(t.y, 4 * v);
          continue;
        }
        if (t.text == "Lp." || t.text == "No.") continue;
        QCOMPARE(t.text, QString::number(expected++));
      }
      QCOMPARE(expected - 1, skipped ? 0 : asLeftRows);
    }
  }

  // What the certificate says for records of each kind: each label with its value.
  void says_data() {
    QTest::addColumn<CalibrationRecord>("record");
    QTest::addColumn<CertificateHeader>("header");
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("facts");  // label, value, label, value, ...
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    CalibrationRecord failing = ARecord();
    failing.asLeft[1].calibrated = 49.2;  // -0.8 past 0.7 (1 % of 50 and 2 digits of 0.1)
    EvaluateCalibration(failing);
    failing.uncertainty = 0.5249;
    CalibrationRecord skipped = ARecord();
    skipped.asLeftSkipped = true;
    EvaluateCalibration(skipped);
    CalibrationRecord amending = ARecord();
    amending.amends = "LAB/2026/0003";
    amending.gainBefore.reset();
    CalibrationRecord noU = ARecord();
    noU.uncertainty.reset();
    noU.coverage.reset();
    noU.effectiveDof.reset();
    noU.initialGain = 12000;
    CalibrationRecord older = ARecord();  // written before k, ν_eff, units and the room's data
    older.unit.clear();
    older.coverage.reset();
    older.effectiveDof.reset();
    older.reference.uncertainty = 0;
    older.reference.resolution = 0;
    older.technician.clear();
    older.maker.clear();
    older.model.clear();
    older.laboratory = {};
    older.customer.clear();
    older.probeTemperatureMin.reset();
    older.probeTemperatureMax.reset();
    older.ambientTemperature.reset();
    older.humidity.reset();
    older.toleranceDigits = 5;
    CalibrationRecord overMidnight = ARecord();
    overMidnight.asLeft.last().at = QDateTime(QDate(2026, 12, 7), QTime(23, 10), Qt::UTC);  // 00:10 in Warsaw
    overMidnight.toleranceDigits = 1;
    overMidnight.uniformityPercent = 0.2;
    overMidnight.unit = "mT";
    CertificateHeader inKiloampere;
    inKiloampere.unit = "kA/m";
    inKiloampere.approval = AnApproval(QDateTime(QDate(2026, 12, 8), QTime(23, 30), Qt::UTC));  // 00:30 in Warsaw

    // The laboratory, customer, meter, dates and environment are read back from the PDF (pdf()).
    QTest::newRow("approved pl")
        << ARecord() << Approved() << int(kPl)
        << QStringList{"Zakres i sonda", "AC1, sonda TRANS", "Wzorcował", "Anna Żak",
                       "Wzorzec odniesienia", "RM-100, nr seryjny R-77",
                       "Niepewność wzorca", "U = 0,50 Gs (k = 2), rozdzielczość 0,01 Gs",
                       "Tolerancja", "± (1 % wskazania + 2 cyfry); cyfra = 0,1 Gs",
                       "Niepewność rozszerzona", "U = 0,52 Gs (k = 2,28, ν_eff = 9,6, 95,45 %)",
                       "Położenie sondy, jednorodność pola", "0 % wskazania", "Wynik", "ZGODNY",
                       "Zasada decyzyjna", "prosta akceptacja, |błąd| ≤ tolerancja",
                       "Prosta dopasowania", "Ucal = a · Uwz + b, a = 0,8, b = 0,1 Gs",
                       "Odchylenie reszt", "s = 0,12 Gs, n = 2", "Wzmocnienie", "przed 16000, po 20000",
                       "Zatwierdził", "Jan Nowak", "Data i czas (UTC)", "2026-12-08 09:15:27 UTC",
                       "Znaczenie podpisu", "Zatwierdzam"}
        << QStringList{"Stan zastany, przed jakąkolwiek adjustacją", "Uwz [Gs]", "Granica [Gs]", "U [Gs]",
                       "Wyniki są spójne pomiarowo z jednostkami SI przez wzorzec RM-100, nr seryjny R-77,"}
        << QStringList{kDraft, "NIEZGODNY", "niezgodny"};
    QTest::newRow("draft en")
        << ARecord() << CertificateHeader{} << int(kEn)
        << QStringList{"Laboratory", "Laboratorium Pól Magnetycznych", "Period of calibration", "2026-12-07",
                       "Its certificate", "PL/123/2026, due 2027-06-30", "Probe temperature", "21.3 … 22.1 °C",
                       "Fitted line", "meter = a · reference + b, a = 0.8, b = 0.1 Gs",
                       "Residual SD", "s = 0.12 Gs, n = 2"}
        << QStringList{kDraft, "As found, before any adjustment", "Reference [Gs]", "Meter [Gs]",
                       "Reference standard and traceability", "Environmental conditions",
                       "The results are traceable to the SI units through the reference standard RM-100, serial number R-77,",
                       "calibrated under certificate PL/123/2026."}
        << QStringList{"Approved by", "Zatwierdził", "Uwz [Gs]", "Stan po adjustacji", "Wyniki"};
    QTest::newRow("fail en") << failing << Approved() << int(kEn) << QStringList{"Verdict", "FAIL"}
                             << QStringList{"fail", "-0.8", "-1.60", "0.70"} << QStringList{"PASS"};
    QTest::newRow("skipped pl") << skipped << Approved() << int(kPl)
                                << QStringList{"Wynik", "brak orzeczenia", "Niepewność rozszerzona", "—"}
                                << QStringList{"pominięto"} << QStringList{"ZGODNY", "Granica [Gs]"};
    QTest::newRow("amends, gain unknown en")
        << amending << Approved() << int(kEn) << QStringList{"Gain", "before unknown, after 20000"}
        << QStringList{"Amends certificate LAB/2026/0003"} << QStringList{};
    QTest::newRow("no U, initial gain pl")
        << noU << Approved() << int(kPl)
        << QStringList{"Niepewność rozszerzona", "U nie może być podana (mniej niż trzy próbki)"}
        << QStringList{"Stan zastany, po wzmocnieniu początkowym 12000"}
        << QStringList{"Stan zastany, przed jakąkolwiek adjustacją"};
    QTest::newRow("no U, initial gain en")
        << noU << Approved() << int(kEn)
        << QStringList{"Expanded uncertainty", "U cannot be stated (fewer than three samples)"}
        << QStringList{"As found, after the initial gain 12000"} << QStringList{"As found, before any adjustment"};
    QTest::newRow("older record en")
        << older << CertificateHeader{} << int(kEn)
        << QStringList{"Calibrated by", "— (bench LAB)", "Its uncertainty", "not stated",
                       "Expanded uncertainty", "U = 0.52 (k = 2)", "Laboratory", "—", "Customer", "—",
                       "Item calibrated", "—, serial number Ł-0042", "Probe temperature", "not recorded",
                       "Tolerance", "± (1 % of reading + 5 digits); digit = 0.1"}
        << QStringList{"Reference", "Meter"} << QStringList{"U = 0", "U = 0 (k = 2)", "Ambient temperature",
                                                            "Relative humidity", "Reference []"};
    QTest::newRow("older record pl")
        << older << CertificateHeader{} << int(kPl)
        << QStringList{"Wzorcował", "— (stanowisko LAB)", "Niepewność wzorca", "nie podano",
                       "Tolerancja", "± (1 % wskazania + 5 cyfr); cyfra = 0,1"}
        << QStringList{"Uwz"} << QStringList{"Temperatura otoczenia"};
    CalibrationRecord guarded = ARecord();
    guarded.decisionRule = "guarded";
    QTest::newRow("guarded en") << guarded << Approved() << int(kEn)
                                << QStringList{"Decision rule", DecisionRuleText(kEn, "guarded")} << QStringList{}
                                << QStringList{DecisionRuleText(kEn, "simple")};
    QTest::newRow("over midnight, header's unit pl")
        << overMidnight << inKiloampere << int(kPl)
        << QStringList{"Okres wzorcowania", "2026-12-07 – 2026-12-08", "Data wydania", "2026-12-09",
                       "Data i czas (UTC)", "2026-12-08 23:30:00 UTC",
                       "Tolerancja", "± (1 % wskazania + 1 cyfra); cyfra = 0,1 kA/m",
                       "Położenie sondy, jednorodność pola", "0,2 % wskazania",
                       "Niepewność rozszerzona", "U = 0,52 kA/m (k = 2,28, ν_eff = 9,6, 95,45 %)"}
        << QStringList{"Uwz [kA/m]"} << QStringList{"Uwz [mT]"};
  }
  void says() {
    QFETCH(CalibrationRecord, record);
    QFETCH(CertificateHeader, header);
    QFETCH(int, language);
    QFETCH(QStringList, facts);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    RecordingCanvas canvas(W, H);
    LayoutCertificate(canvas, record, header, CertificateLanguage(language));
    const QStringList texts = TextsOf(canvas.texts);
    for (int i = 0; i + 1 < facts.size(); i += 2) QCOMPARE(FactValue(canvas, facts[i]), facts[i + 1]);
    for (const QString& text : present) QVERIFY2(texts.contains(text), qPrintable(text));
    for (const QString& text : absent) QVERIFY2(!texts.contains(text), qPrintable(text));
  }

  // The English certificate prints no Polish word of its own: with typed data in plain ASCII,
  // no text it draws holds a Polish letter, and none is a text of the Polish certificate that
  // is not the record's own data.
  void englishHasNoPolish() {
    CalibrationRecord r = ARecord(40);
    r.serial = "L-0042";
    r.customer = "Huta";
    r.customerAddress = "Gliwice";
    r.laboratory = {"Magnetic Lab", "Warsaw", "AP 123", "PB-07"};
    r.technician = "Anna Zak";
    r.company = "Magnetic Lab";
    r.initialGain = 12000;
    for (const CertificateHeader& header : {CertificateHeader{}, Approved()}) {
      RecordingCanvas english(W, H), polish(W, H);
      LayoutCertificate(english, r, header, kEn);
      LayoutCertificate(polish, r, header, kPl);
      const QStringList polishTexts = TextsOf(polish.texts);
      const QRegularExpression letters(QStringLiteral("[ąćęłńóśźżĄĆĘŁŃÓŚŹŻ]"));
      for (const CanvasText& t : english.texts) {
        QVERIFY2(!t.text.contains(letters), qPrintable(t.text));
        const bool number = t.text.contains(QRegularExpression(QStringLiteral("^[-+0-9.,—U %]*$")));
        if (!number && polishTexts.contains(t.text))
          QVERIFY2(QStringList({"Magnetic Lab", "Warsaw", "AP 123", "PB-07", "Huta", "Gliwice", "Anna Zak",
                                "LAB", "U [Gs]", kDraft, "Jan Nowak", "Zatwierdzam", "2026-12-07", "2026-12-08",
                                "2026-12-08 09:15:27 UTC"})
                       .contains(t.text),
                   qPrintable(t.text));
      }
    }
  }

  // A real PDF of three pages read back: what a reader sees on each page, the end mark and the
  // closing statements on the last page only, and no two words of it running into each other in
  // the real font.
  void pdf_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("approved");
    QTest::addColumn<QStringList>("page1");
    QTest::addColumn<QString>("pageOf");
    QTest::addColumn<QStringList>("page3");
    QTest::addColumn<QString>("end");
    QTest::newRow("pl approved")
        << int(kPl) << true
        << QStringList{"Świadectwo wzorcowania", "nr LAB/2026/0007",
                       "Wzorcowany miernik Fluxa Instruments FX-3, nr seryjny Ł-0042",
                       "Laboratorium Laboratorium Pól Magnetycznych", "Adres laboratorium ul. Polna 7, 00-950 Warszawa",
                       "Numer akredytacji AP 123", "Metoda wzorcowania PB-07 wyd. 3",
                       "Zleceniodawca Huta Łabędy S.A.", "Okres wzorcowania 2026-12-07", "Data wydania 2026-12-08",
                       "Temperatura sondy 21,3 ... 22,1 °C", "Temperatura otoczenia 22,5 °C",
                       "Wilgotność względna 45,0 %", "Świadectwo wzorca PL/123/2026, ważne do 2027-06-30",
                       "wzorcowany zgodnie ze świadectwem wzorcowania PL/123/2026.",
                       "Uwz [Gs] Ucal [Gs] Błąd [Gs]", "\n 1 100,0 80,0 -20,0\n", "Anna Żak"}
        << "Strona %1 z 3"
        << QStringList{"Niepewność rozszerzona U = 0,52 Gs (k = 2,28, ν_eff = 9,6, 95,45 %)",
                       "Zatwierdził Jan Nowak", "Data i czas (UTC) 2026-12-08 09:15:27 UTC",
                       "Znaczenie podpisu Zatwierdzam",
                       "Wyniki odnoszą się wyłącznie do wzorcowanego obiektu.",
                       "Świadectwo nie może być powielane inaczej niż w całości bez zgody laboratorium."}
        << "Koniec świadectwa";
    QTest::newRow("en draft")
        << int(kEn) << false
        << QStringList{"Calibration certificate", "No. LAB/2026/0007", kDraft,
                       "Item calibrated Fluxa Instruments FX-3, serial number Ł-0042",
                       "Customer's address ul. Zawadzkiego 1, 44-109 Gliwice", "Date of issue —",
                       "Its uncertainty U = 0.50 Gs (k = 2), resolution 0.01 Gs",
                       "Reference [Gs] Meter [Gs] Error [Gs]", "\n 1 100.0 80.0 -20.0\n"}
        << "Page %1 of 3"
        << QStringList{"Expanded uncertainty U = 0.52 Gs (k = 2.28, ν_eff = 9.6, 95.45 %)",
                       "Tolerance ± (1 % of reading + 2 digits); digit = 0.1 Gs", kDraft,
                       "The results relate only to the item calibrated.",
                       "This certificate shall not be reproduced except in full without the laboratory's approval."}
        << "End of certificate";
  }
  void pdf() {
    QFETCH(int, language);
    QFETCH(bool, approved);
    QFETCH(QStringList, page1);
    QFETCH(QString, pageOf);
    QFETCH(QStringList, page3);
    QFETCH(QString, end);
    const QString path = dir_.filePath(QString("certificate-%1.pdf").arg(language));
    {
      QPdfWriter writer(path);
      writer.setPageSize(QPageSize(QPageSize::A4));
      CertificateHeader header = approved ? Approved() : CertificateHeader{};
      header.unit = "Gs";
      QVERIFY(PrintDocument(writer, [&](PrintCanvas& canvas) {
        LayoutCertificate(canvas, ARecord(60), header, CertificateLanguage(language));
      }));
    }
    const QStringList pages = PdfPageTexts(path);
    QCOMPARE(pages.size(), 3);
    for (int page = 1; page <= 3; ++page) {
      const QString text = Squeezed(pages[page - 1]);
      QVERIFY2(text.contains(pageOf.arg(page)), qPrintable(text));
      QVERIFY2(text.contains("LAB/2026/0007"), qPrintable(text));
      QCOMPARE(text.contains(kDraft), !approved);
      QCOMPARE(text.contains(end), page == 3);
      QCOMPARE(text.contains(page3.last()), page == 3);
    }
    const QString first = "\n" + Squeezed(pages[0]);
    for (const QString& expected : page1) QVERIFY2(first.contains(expected), qPrintable(expected + "\n---\n" + first));
    const QString third = Squeezed(pages[2]);
    for (const QString& expected : page3) QVERIFY2(third.contains(expected), qPrintable(expected + "\n---\n" + third));
    QCOMPARE(OverlappingWords(PdfWords(path)), QStringList());
  }
};

QTEST_MAIN(TestCertificate)
#include "test_certificate.moc"
