// fluxa-cli certificate end to end, as a process on a record store the test fills and signs
// through RecordStore: an approved calibration's PDF/A-3 carries the DCC that --dcc writes
// beside it (valid against dcc/ offline, the same bytes qpdf extracts), and its text holds the
// number, the unit, the dates and the approver; an unapproved one is a draft without a DCC, and
// --dcc for it or a unit the DCC does not know writes nothing.
#include <QtTest>
#include <QProcess>

#include "store/RecordStore.h"
#include "tests/cli/CliRun.h"
#include "tests/common/PdfText.h"

namespace {
// Sampled from 23:10 on 7 December in Warsaw (22:10 UTC) to the check at 09:00 on the 8th.
CalibrationRecord ACalibration(const QString& serial, const QString& unit, bool stated) {
  CalibrationRecord r;
  r.serial = serial;
  r.maker = "Magnetix";
  r.model = "MF-3";
  r.unit = unit;
  r.customer = "Huta Łaziska S.A.";
  r.laboratory = {"Laboratorium Pól Magnetycznych", "ul. Polna 5, Warszawa", "AP 123", "PW-07"};
  const QDateTime first(QDate(2026, 12, 7), QTime(22, 10), Qt::UTC);
  const QDateTime check(QDate(2026, 12, 8), QTime(8, 0), Qt::UTC);
  r.at = check;
  r.technician = "Anna Żak";
  r.company = "LPM";
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.5, 2, 0.1, unit};
  r.asFound = {{100, 80, first}, {50, 40.2, first.addSecs(60)}, {10, 8.1, first.addSecs(120)}};
  r.asLeft = {{100, 100.3, check.addSecs(-60)}, {-100, -100.4, check}};
  r.slope = 0.8;
  r.residualSd = 0.12;
  r.resolution = 0.1;
  r.gainAfter = 20000;
  r.passed = true;
  if (stated) {
    r.uncertainty = 0.62;
    r.coverage = 2.87;
    r.effectiveDof = 4.2;
  }
  return r;
}

QString SourceDir() { return QStringLiteral(FLUXA_SOURCE_DIR); }

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

class TestCliCertificate : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString store_;
  QMap<QString, QString> numbers_;  // by serial number (signatures take numbers too)

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    store_ = dir_.filePath("records.sqlite");
    RecordStore store("LAB");
    QString error;
    QVERIFY2(store.Open(store_, &error), qPrintable(error));
    QVERIFY2(store.AddPerson({"jkow", "Jan Kowalski", "approver"}, "tajne-haslo-1", &error), qPrintable(error));
    const QList<std::tuple<QString, QString, bool, bool>> calibrations = {
        {"A-100", "Gs", true, true},     // approved
        {"A-200", "mT", true, false},    // not approved
        {"A-300", "T", true, true},      // approved, a unit the DCC does not know
        {"A-400", "kA/m", false, true},  // approved, U not stated
    };
    for (const auto& [serial, unit, stated, approve] : calibrations) {
      CalibrationRecord record = ACalibration(serial, unit, stated);
      const QString number = store.Add(record, &error);
      QVERIFY2(!number.isEmpty(), qPrintable(error));
      numbers_[serial] = number;
      if (!approve) continue;
      const RecordStore::SignResult signature = store.Sign(number, "jkow", "tajne-haslo-1", "Zatwierdzam");
      QVERIFY2(signature.outcome == RecordStore::SignResult::Signed, qPrintable(signature.error));
    }
  }

  void certificate_data() {
    QTest::addColumn<QString>("serial");  // of the calibration; %1 in err and texts: its number
    QTest::addColumn<bool>("dcc");  // --dcc given
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");  // the messages hold it
    QTest::addColumn<QStringList>("texts");  // the PDF's text holds them; empty: no PDF
    QTest::newRow("approved, with --dcc") << "A-100" << true << 0 << "the DCC of %1 written to"
                                          << QStringList{"%1", "Gs", "2026-12-07", "2026-12-08", "Jan Kowalski"};
    QTest::newRow("approved, U not stated") << "A-400" << false << 0 << "The uncertainty cannot be stated"
                                            << QStringList{"%1", "kA/m"};
    QTest::newRow("not approved: a draft") << "A-200" << false << 0
                                           << "calibration %1 is not approved: written to"
                                           << QStringList{"%1", "DRAFT"};
    QTest::newRow("not approved, with --dcc") << "A-200" << true << 3
                                              << "only an approved certificate has a DCC (fluxa-cli approve %1); nothing written"
                                              << QStringList{};
    QTest::newRow("a unit the DCC does not know") << "A-300" << true << 3
                                                  << "the DCC of %1 is refused: unknown unit \"T\""
                                                  << QStringList{};
  }
  void certificate() {
    QFETCH(QString, serial);
    QFETCH(bool, dcc);
    QFETCH(int, code);
    QFETCH(QString, err);
    QFETCH(QStringList, texts);
    const QString number = numbers_.value(serial);
    QVERIFY(!number.isEmpty());
    err.replace("%1", number);
    for (QString& t : texts) t.replace("%1", number);
    const QString tag = QString(QTest::currentDataTag()).replace(QRegularExpression("\\W+"), "_");
    const QString pdf = dir_.filePath(tag + ".pdf");
    const QString xml = dir_.filePath(tag + ".xml");
    CliRun cli;
    cli.env.insert("FLUXA_RECORDS", store_);
    cli.env.insert("TZ", "Europe/Warsaw");
    QStringList args = {"certificate", number, "-o", pdf, "--lang", "en"};
    if (dcc) args << "--dcc" << xml;
    QCOMPARE(cli.run(args), code);
    QVERIFY2(cli.err.contains(err.toUtf8()), cli.err.constData());
    QVERIFY(cli.out.isEmpty());
    if (texts.isEmpty()) {
      QVERIFY(!QFile::exists(pdf));
      QVERIFY(!QFile::exists(xml));
      return;
    }
    const QString text = PdfPageTexts(pdf).join('\n');
    for (const QString& t : texts) QVERIFY2(text.contains(t), qPrintable(t + "\n---\n" + text));

    QProcess qpdf;
    qpdf.start("qpdf", {"--list-attachments", pdf});
    QVERIFY(qpdf.waitForFinished(60000));
    const QByteArray attachments = qpdf.readAllStandardOutput();
    const QString name = QString("DCC-%1.xml").arg(number).replace('/', '-');
    const bool approved = code == 0 && !text.contains("DRAFT");
    QCOMPARE(attachments.contains(name.toUtf8()), approved);
    if (!approved) return;
    qpdf.start("qpdf", {"--show-attachment=" + name, pdf});
    QVERIFY(qpdf.waitForFinished(60000));
    const QByteArray inside = qpdf.readAllStandardOutput();
    QVERIFY(inside.startsWith("<?xml"));
    const QString checked = dcc ? xml : dir_.filePath(tag + "-inside.xml");
    if (dcc) {
      QCOMPARE(ReadAll(xml), inside);
    } else {
      QFile file(checked);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(inside);
    }
    QProcess lint;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XML_CATALOG_FILES", SourceDir() + "/dcc/catalog.xml");
    lint.setProcessEnvironment(env);
    lint.start("xmllint", {"--nonet", "--noout", "--schema", SourceDir() + "/dcc/dcc-3.1.2.xsd", checked});
    QVERIFY(lint.waitForFinished(60000));
    QVERIFY2(lint.exitCode() == 0, lint.readAllStandardError().constData());
    QVERIFY(inside.contains("<dcc:uniqueIdentifier>" + number.toUtf8() + "</dcc:uniqueIdentifier>"));
    QVERIFY(inside.contains("<dcc:content>Jan Kowalski</dcc:content>"));
  }
};

QTEST_GUILESS_MAIN(TestCliCertificate)
#include "test_cli_certificate.moc"
