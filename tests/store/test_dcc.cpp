// The Digital Calibration Certificate and the certificate's PDF/A-3: every DCC made here is
// validated with xmllint against the project's copy of the schemas (dcc/, offline catalog); the
// units of the three meter units and the ones refused; each PDF's attachment read back with qpdf
// and compared with the DCC, its PDF/A parts in the file, its text with pdftotext.
#include <QtTest>
#include <QProcess>
#include <QTemporaryDir>

#include "store/Dcc.h"
#include "store/PdfA3.h"
#include "tests/common/PdfText.h"

Q_DECLARE_METATYPE(CalibrationRecord)
Q_DECLARE_METATYPE(SignatureRecord)

namespace {
constexpr auto kPl = CertificateLanguage::Polish;
constexpr auto kEn = CertificateLanguage::English;

// Sampled from 23:10 on 7 December in Warsaw (the test runs with TZ=Europe/Warsaw: 22:10 UTC)
// to the check at 09:00 on the 8th; approved at 00:30 on the 9th, which is still the 8th in UTC.
CalibrationRecord ARecord(const QString& unit) {
  CalibrationRecord r;
  r.number = "LAB/2026/0007";
  r.serial = "Ł-0042";
  r.maker = "Magnetix";
  r.model = "MF-3";
  r.unit = unit;
  r.customer = "Huta Łaziska S.A.";
  r.customerAddress = "ul. Hutnicza 1, 43-170 Łaziska Górne";
  r.laboratory = {"Laboratorium Pól Magnetycznych", "ul. Polna 5, 00-001 Warszawa", "AP 123", "PW-07 wyd. 2"};
  r.rangeIndex = 0;
  r.probeRow = 1;
  const QDateTime first(QDate(2026, 12, 7), QTime(22, 10), Qt::UTC);
  const QDateTime check(QDate(2026, 12, 8), QTime(8, 0), Qt::UTC);
  r.at = check;
  r.technician = "Anna Żak";
  r.company = "LPM";
  r.bench = "LAB";
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.5, 2, 0.1, unit};
  r.asFound = {{100, 80, first}, {50, 40.2, first.addSecs(60)}, {-100, -80.1, first.addSecs(120)}};
  r.asLeft = {{100, 100.3, check.addSecs(-120)}, {50, 49.9, check.addSecs(-60)}, {-100, -100.4, check}};
  r.slope = 0.8;
  r.offset = 0.1;
  r.residualSd = 0.12;
  r.resolution = 0.1;
  r.initialGain = 15000;
  r.gainBefore = 16000;
  r.gainAfter = 20000;
  r.probeTemperatureMin = 22.5;
  r.probeTemperatureMax = 23.25;
  r.ambientTemperature = 21;
  r.humidity = 45;
  r.tolerancePercent = 1;
  r.toleranceDigits = 2;
  r.uncertainty = 0.62;
  r.coverage = 2.87;
  r.effectiveDof = 4.2;
  r.passed = true;
  return r;
}

SignatureRecord Approval(const QString& calibration = "LAB/2026/0007") {
  return {"LAB/2026/0008", calibration, "jkow", "Jan Kowalski", "approver",
          QDateTime(QDate(2026, 12, 8), QTime(23, 30), Qt::UTC), "Zatwierdzam", QString(64, u'a')};
}

QString SourceDir() { return QStringLiteral(FLUXA_SOURCE_DIR); }

struct Run {
  int code = -1;
  QByteArray out, err;
};
Run Execute(const QString& program, const QStringList& arguments, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, arguments);
  Run run;
  if (!p.waitForFinished(120000)) return run;
  run.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  run.out = p.readAllStandardOutput();
  run.err = p.readAllStandardError();
  return run;
}

// xmllint against dcc/dcc-3.1.2.xsd through dcc/catalog.xml, without the network: "" when valid,
// else what it says.
QString SchemaErrors(const QString& file) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XML_CATALOG_FILES", SourceDir() + "/dcc/catalog.xml");
  const Run run = Execute("xmllint", {"--nonet", "--noout", "--schema", SourceDir() + "/dcc/dcc-3.1.2.xsd", file}, env);
  return run.code == 0 ? QString() : QString::fromUtf8(run.err + run.out);
}

// A quantity's D-SI list of values in a unit, as the XML spells it without its indentation.
QString ValueList(const QString& values, const QString& unit) {
  return QStringLiteral("<si:valueXMLList>%1</si:valueXMLList><si:unitXMLList>%2</si:unitXMLList>").arg(values, unit);
}
// The XML without the line breaks and indentation between elements.
QString Unindented(const QByteArray& xml) {
  return QString::fromUtf8(xml).replace(QRegularExpression(">\\s+<"), "><");
}
// A data tag as a file name.
QString FileTag() { return QString(QTest::currentDataTag()).replace(QRegularExpression("\\W+"), "_"); }
}  // namespace

class TestDcc : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  QString Save(const QString& name, const QByteArray& data) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) return {};
    return path;
  }
  // Validates the DCC against the schemas; fails the test when it is not valid.
  void Validate(const QByteArray& xml) {
    const QString path = Save(FileTag() + ".xml", xml);
    QVERIFY(!path.isEmpty());
    QCOMPARE(SchemaErrors(path), QString());
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY2(!QStandardPaths::findExecutable("xmllint").isEmpty(), "xmllint (libxml2-utils) is missing");
    QVERIFY2(!QStandardPaths::findExecutable("qpdf").isEmpty(), "qpdf is missing");
  }

  // The schema itself refuses what the README says it does: the validator is not a rubber stamp.
  void schemaRefusesBrokenDocuments_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("lower-case country") << "<dcc:countryCodeISO3166_1>PL<" << "<dcc:countryCodeISO3166_1>pl<";
    QTest::newRow("k below 1") << "<si:coverageFactorXMLList>2.87<" << "<si:coverageFactorXMLList>0.87<";
    QTest::newRow("core data out of order") << "<dcc:performanceLocation>laboratory</dcc:performanceLocation>"
                                            << "<dcc:receiptDate>2026-12-01</dcc:receiptDate>";
  }
  void schemaRefusesBrokenDocuments() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    const DccResult dcc = WriteDcc(ARecord("mT"), Approval());
    QVERIFY(dcc.ok);
    QString xml = QString::fromUtf8(dcc.xml);
    QVERIFY(xml.contains(from));
    xml.replace(from, to);
    const QString path = Save("broken-" + FileTag() + ".xml", xml.toUtf8());
    QVERIFY(!SchemaErrors(path).isEmpty());
  }

  // The meter's unit in D-SI: the readings, their uncertainty and the offset in that unit; the
  // gauss only beside a tesla value; any other unit, or a reference in another unit, refused
  // with a message that names both.
  void units_data() {
    QTest::addColumn<QString>("meter");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QStringList>("expected");  // in the XML; empty: refused
    QTest::addColumn<QString>("refusal");
    QTest::newRow("mT") << "mT" << "mT"
                        << QStringList{ValueList("100 50 -100", "\\milli\\tesla"),
                                       "<si:valueExpandedMUXMLList>0.62 0.62 0.62</si:valueExpandedMUXMLList>",
                                       "<si:coverageFactorXMLList>2.87</si:coverageFactorXMLList>",
                                       "<si:coverageProbabilityXMLList>0.9545</si:coverageProbabilityXMLList>",
                                       "<si:value>0.1</si:value><si:unit>\\milli\\tesla</si:unit>"}
                        << "";
    QTest::newRow("Gs") << "Gs" << "Gs"
                        << QStringList{"<si:hybrid>", ValueList("0.01 0.005 -0.01", "\\tesla"),
                                       ValueList("100 50 -100", "|gauss"),
                                       "<si:valueExpandedMUXMLList>6.2e-05 6.2e-05 6.2e-05</si:valueExpandedMUXMLList>",
                                       "<si:valueExpandedMUXMLList>0.62 0.62 0.62</si:valueExpandedMUXMLList>",
                                       "<si:value>1e-05</si:value><si:unit>\\tesla</si:unit>"}
                        << "";
    QTest::newRow("kA/m") << "kA/m" << ""
                          << QStringList{ValueList("100 50 -100", "\\kilo\\ampere\\metre\\tothe{-1}")} << "";
    QTest::newRow("older record: the reference's unit") << "" << "mT"
                                                        << QStringList{ValueList("100 50 -100", "\\milli\\tesla")} << "";
    QTest::newRow("tesla is not a meter unit") << "T" << "" << QStringList{} << "unknown unit \"T\" (the DCC knows Gs, mT and kA/m)";
    QTest::newRow("lower-case gs") << "gs" << "" << QStringList{} << "unknown unit \"gs\" (the DCC knows Gs, mT and kA/m)";
    QTest::newRow("no unit at all") << "" << "" << QStringList{} << "the readings' unit is not known";
    QTest::newRow("reference in another unit") << "mT" << "Gs" << QStringList{}
                                               << "the meter reads in mT and the reference in Gs";
  }
  void units() {
    QFETCH(QString, meter);
    QFETCH(QString, reference);
    QFETCH(QStringList, expected);
    QFETCH(QString, refusal);
    CalibrationRecord record = ARecord(meter);
    record.reference.unit = reference;
    const DccResult dcc = WriteDcc(record, Approval(), {kEn});
    if (!refusal.isEmpty()) {
      QVERIFY(!dcc.ok);
      QVERIFY(dcc.xml.isEmpty());
      QCOMPARE(dcc.message, refusal);
      // and the certificate's file with it: nothing that looks like a certificate is made
      CertificateHeader header;
      header.approval = Approval();
      const CertificatePdf pdf = MakeCertificatePdf(record, header, {kEn});
      QVERIFY(!pdf.ok);
      QVERIFY(pdf.pdf.isEmpty());
      QCOMPARE(pdf.message, refusal);
      return;
    }
    QVERIFY2(dcc.ok, qPrintable(dcc.message));
    Validate(dcc.xml);
    const QString xml = Unindented(dcc.xml);
    for (const QString& text : expected) QVERIFY2(xml.contains(text), qPrintable(text));
    QCOMPARE(xml.contains("|gauss"), meter == "Gs");
  }

  // What the DCC says of the calibration besides its numbers: the period from the first sample
  // to the check in the local calendar, the date of issue the approval's, the signer with the
  // meaning, the item, the laboratory and the customer; a U that is not stated gives no
  // uncertainty of the meter's readings and a note.
  void administrativeData_data() {
    QTest::addColumn<bool>("stated");
    QTest::addColumn<int>("language");
    QTest::newRow("U stated, Polish") << true << int(kPl);
    QTest::newRow("U not stated, English") << false << int(kEn);
  }
  void administrativeData() {
    QFETCH(bool, stated);
    QFETCH(int, language);
    CalibrationRecord record = ARecord("mT");
    record.amends = "LAB/2026/0005";
    if (!stated) record.uncertainty.reset(), record.coverage.reset(), record.effectiveDof.reset();
    const DccResult dcc = WriteDcc(record, Approval(), {CertificateLanguage(language)});
    QVERIFY2(dcc.ok, qPrintable(dcc.message));
    Validate(dcc.xml);
    const QString xml = QString::fromUtf8(dcc.xml);
    for (const char* text :
         {"<dcc:uniqueIdentifier>LAB/2026/0007</dcc:uniqueIdentifier>",
          "<dcc:beginPerformanceDate>2026-12-07</dcc:beginPerformanceDate>",
          "<dcc:endPerformanceDate>2026-12-08</dcc:endPerformanceDate>", "<dcc:date>2026-12-09</dcc:date>",
          "<dcc:release>3.1</dcc:release>", "<dcc:content>Jan Kowalski</dcc:content>",
          "Zatwierdzam, 2026-12-08T23:30:00Z UTC", "<dcc:mainSigner>true</dcc:mainSigner>",
          "<dcc:content>Anna Żak</dcc:content>", "<dcc:content>Magnetix</dcc:content>", "<dcc:model>MF-3</dcc:model>",
          "<dcc:value>Ł-0042</dcc:value>", "<dcc:calibrationLaboratoryCode>AP 123</dcc:calibrationLaboratoryCode>",
          "<dcc:content>ul. Polna 5, 00-001 Warszawa</dcc:content>", "<dcc:content>Huta Łaziska S.A.</dcc:content>",
          "<dcc:value>LAB/2026/0005</dcc:value>", "<dcc:content>PW-07 wyd. 2</dcc:content>",
          "<si:value>15000</si:value>", "<si:value>23.25</si:value>", "<dcc:conformity>pass</dcc:conformity>",
          "<dcc:traceable>true</dcc:traceable>"})
      QVERIFY2(xml.contains(QString::fromUtf8(text)), text);
    // the reference's own U always (as found and as left, k = 2); the as-left readings' and
    // errors' only when stated
    QCOMPARE(xml.count("<si:expandedMUXMLList>"), stated ? 4 : 2);
    QCOMPARE(dcc.notes.isEmpty(), stated);
    QCOMPARE(xml.contains(language == int(kPl) ? "po wysłaniu wzmocnienia początkowego 15000"
                                              : "after the initial gain 15000 was sent"),
             true);
  }

  void refusals_data() {
    QTest::addColumn<CalibrationRecord>("record");
    QTest::addColumn<SignatureRecord>("approval");
    QTest::addColumn<QString>("message");
    CalibrationRecord empty = ARecord("mT");
    empty.asFound.clear();
    empty.asLeft.clear();
    CalibrationRecord infinite = ARecord("mT");
    infinite.asLeft[1].calibrated = qInf();
    CalibrationRecord smallK = ARecord("mT");
    smallK.coverage = 0.9;
    QTest::newRow("another record's signature") << ARecord("mT") << Approval("LAB/2026/0006")
                                                << "the signature LAB/2026/0008 signs record LAB/2026/0006, not LAB/2026/0007";
    QTest::newRow("no readings") << empty << Approval() << "the record holds no readings";
    QTest::newRow("an infinite reading") << infinite << Approval() << "an infinite or undefined number in the record";
    QTest::newRow("k below 1") << smallK << Approval() << "the coverage factor 0.9 is below 1";
  }
  void refusals() {
    QFETCH(CalibrationRecord, record);
    QFETCH(SignatureRecord, approval);
    QFETCH(QString, message);
    const DccResult dcc = WriteDcc(record, approval, {kEn});
    QVERIFY(!dcc.ok);
    QCOMPARE(dcc.message, message);
  }

  // The certificate as a real PDF/A-3: a signed one carries its DCC as an associated file that
  // qpdf gives back byte for byte, a draft carries none; both declare PDF/A-3b in their XMP and
  // have an sRGB output intent; the text holds the number, the unit and the dates.
  void certificatePdf_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("signed_");
    QTest::addColumn<int>("language");
    QTest::newRow("signed, Gs, English") << "Gs" << true << int(kEn);
    QTest::newRow("signed, kA/m, Polish") << "kA/m" << true << int(kPl);
    QTest::newRow("draft, mT") << "mT" << false << int(kEn);
  }
  void certificatePdf() {
    QFETCH(QString, unit);
    QFETCH(bool, signed_);
    QFETCH(int, language);
    const CalibrationRecord record = ARecord(unit);
    CertificateHeader header;
    if (signed_) header.approval = Approval();
    const CertificatePdf made = MakeCertificatePdf(record, header, {CertificateLanguage(language)});
    QVERIFY2(made.ok, qPrintable(made.message));
    QCOMPARE(made.draft, !signed_);
    const QString tag = FileTag();
    const QString pdf = dir_.filePath(tag + ".pdf");
    QString error;
    QVERIFY2(WriteWholeFile(pdf, made.pdf, &error), qPrintable(error));

    const Run check = Execute("qpdf", {"--check", pdf});
    QVERIFY2(check.code == 0, check.out + check.err);
    const Run list = Execute("qpdf", {"--list-attachments", pdf});
    if (!signed_) {
      QVERIFY(made.dcc.isEmpty());
      QVERIFY2(list.out.contains("no embedded files"), list.out);
    } else {
      Validate(made.dcc);
      const Run shown = Execute("qpdf", {"--show-attachment=DCC-LAB-2026-0007.xml", pdf});
      QCOMPARE(shown.code, 0);
      QCOMPARE(shown.out, made.dcc);
    }
    // The catalog's parts, in a plain (uncompressed) rewrite of the file.
    const QString plain = dir_.filePath(tag + "-plain.pdf");
    QCOMPARE(Execute("qpdf", {"--qdf", "--object-streams=disable", pdf, plain}).code, 0);
    QFile file(plain);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray body = file.readAll();
    for (const char* part : {"<pdfaid:part>3</pdfaid:part>", "<pdfaid:conformance>B</pdfaid:conformance>",
                             "/OutputIntents", "/GTS_PDFA1", "/DestOutputProfile", "/Type /Metadata"})
      QVERIFY2(body.contains(part), part);
    // (a name's #2F is the same name in either case of its hex digits; qpdf writes #2f)
    for (const char* part : {"/AFRelationship /Data", "/subtype /application#2fxml", "/embeddedfiles", "/AF [", "/UF (",
                             "/Params <<", "/CheckSum", "(DCC-LAB-2026-0007.xml)"})
      QVERIFY2(body.toLower().contains(QByteArray(part).toLower()) == signed_, part);

    // PDF/A wants every font embedded: pdffonts' "emb" column says yes for each
    const Run fonts = Execute("pdffonts", {pdf});
    const QList<QByteArray> fontLines = fonts.out.split('\n');
    QVERIFY(fonts.code == 0 && fontLines.size() > 3);
    const qsizetype emb = fontLines[0].indexOf(" emb ") + 1;
    QVERIFY(emb > 0);
    for (const QByteArray& line : fontLines.mid(2))
      if (!line.trimmed().isEmpty()) QVERIFY2(line.mid(emb, 3) == "yes", line);

    const QString text = PdfPageTexts(pdf).join('\n');
    QVERIFY(text.contains("LAB/2026/0007"));
    QVERIFY2(text.contains(unit), qPrintable(text));
    for (const char* date : {"2026-12-07", "2026-12-08"}) QVERIFY2(text.contains(date), date);
    QCOMPARE(text.contains("2026-12-09"), signed_);
  }
};

QTEST_MAIN(TestDcc)
#include "test_dcc.moc"
