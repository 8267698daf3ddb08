// fluxa-cli history and certificate run as a process on a record store the test fills through
// RecordStore in a temporary folder (FLUXA_RECORDS): the history as a table, CSV and JSON, by
// serial number; a certificate PDF read back in each language; an unknown number, a transfer's
// number, a damaged store and a file that cannot be written refused.
#include <QtTest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "store/AsLeft.h"
#include "store/RecordStore.h"
#include "tests/cli/CliRun.h"
#include "tests/common/PdfText.h"

namespace {
CalibrationRecord ACalibration(const QString& serial, const QDateTime& at, const QString& technician) {
  CalibrationRecord r;
  r.serial = serial;
  r.rangeIndex = 0;
  r.probeRow = 1;
  r.at = at;
  r.technician = technician;
  r.company = "Laboratorium Pól";
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.5};
  r.asFound = {{100, 80, at}, {50, 40.2, at}, {10, 8.1, at}};
  r.asLeft = {{100, 100.3, at}, {-100, -100.4, at}};
  r.slope = 0.8;
  r.residualSd = 0.12;
  r.resolution = 0.1;
  r.gainAfter = 20000;
  EvaluateCalibration(r);
  return r;
}

// The history's rows, newest first: number, kind, serial, local time, technician, amends,
// superseded by, state.
using Rows = QList<QStringList>;
const QStringList kNewest = {"LAB/2026/0003", "calibration", "A-100", "2026-12-08T09:15:00.000+01:00", "Anna Żak",
                             "LAB/2026/0001", "", ""};
const QStringList kTransfer = {"LAB/2026/0002", "transfer", "B-200", "2026-12-08T00:00:00.000+01:00", "Jan", "", "", ""};
const QStringList kOldest = {"LAB/2026/0001", "calibration", "A-100", "2026-12-07T23:41:05.123+01:00",
                             "Kowalski, \"Jan\"", "", "LAB/2026/0003", ""};
}  // namespace

class TestCliHistory : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString store_;

  // fluxa-cli on the test's store (or the one given), in Warsaw's time.
  void OnStore(CliRun& cli, const QString& records = {}) {
    cli.env.insert("FLUXA_RECORDS", records.isEmpty() ? store_ : records);
    cli.env.insert("TZ", "Europe/Warsaw");
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    store_ = dir_.filePath("records.sqlite");
    RecordStore store("LAB");
    QString error;
    QVERIFY2(store.Open(store_, &error), qPrintable(error));
    CalibrationRecord first =
        ACalibration("A-100", QDateTime(QDate(2026, 12, 7), QTime(22, 41, 5, 123), Qt::UTC), "Kowalski, \"Jan\"");
    QCOMPARE(store.Add(first, &error), QString("LAB/2026/0001"));
    TransferRecord transfer;
    transfer.serial = "B-200";
    transfer.at = QDateTime(QDate(2026, 12, 7), QTime(23, 0), Qt::UTC);
    transfer.technician = "Jan";
    QCOMPARE(store.Add(transfer, &error), QString("LAB/2026/0002"));
    CalibrationRecord amending = ACalibration("A-100", QDateTime(QDate(2026, 12, 8), QTime(8, 15), Qt::UTC), "Anna Żak");
    amending.amends = first.number;
    QCOMPARE(store.Add(amending, &error), QString("LAB/2026/0003"));
  }

  void history_data() {
    QTest::addColumn<QString>("serial");  // "": no --serial
    QTest::addColumn<Rows>("rows");
    QTest::newRow("all") << "" << Rows{kNewest, kTransfer, kOldest};
    QTest::newRow("a serial's part") << "A-" << Rows{kNewest, kOldest};
    QTest::newRow("none") << "Z-9" << Rows{};
  }
  // The same rows in each format: CSV exactly (a comma and quotes in a name quoted as RFC 4180
  // does, LF line ends), JSON as objects, the table in aligned columns.
  void history() {
    QFETCH(QString, serial);
    QFETCH(Rows, rows);
    const QStringList filter = serial.isEmpty() ? QStringList{} : QStringList{"--serial", serial};

    CliRun csv;
    OnStore(csv);
    QCOMPARE(csv.run(QStringList{"history", "-f", "csv"} + filter), 0);
    QByteArray expected = "number,kind,serial,time,technician,amends,superseded_by,state\n";
    for (const QStringList& row : rows) {
      QStringList fields = row;
      if (fields[4].contains(',')) fields[4] = '"' + QString(fields[4]).replace("\"", "\"\"") + '"';
      expected += fields.join(',').toUtf8() + '\n';
    }
    QCOMPARE(csv.out, expected);
    QCOMPARE(csv.err, QByteArray());

    CliRun json;
    OnStore(json);
    QCOMPARE(json.run(QStringList{"history", "--format", "json"} + filter), 0);
    const QJsonArray array = QJsonDocument::fromJson(json.out).array();
    QCOMPARE(array.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
      const QJsonObject o = array[i].toObject();
      QCOMPARE((QStringList{o["number"].toString(), o["kind"].toString(), o["serial"].toString(),
                            o["time"].toString(), o["technician"].toString(), o["amends"].toString(),
                            o["superseded_by"].toString(), o["state"].toString()}),
               rows[i]);
    }

    CliRun table;
    OnStore(table);
    QCOMPARE(table.run(QStringList{"history"} + filter), 0);
    const QStringList lines = QString::fromUtf8(table.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), rows.size() + 1);
    QCOMPARE(lines[0].split(QRegularExpression(" {2,}")),
             (QStringList{"NUMBER", "KIND", "SERIAL", "TIME", "TECHNICIAN", "AMENDS", "STATE"}));
    for (int i = 0; i < rows.size(); ++i) {  // columns two spaces apart at least, the time to the second
      QStringList cells = rows[i].mid(0, 6);
      cells[3] = QDateTime::fromString(cells[3], Qt::ISODateWithMs).toString("yyyy-MM-dd HH:mm:ss");
      if (!rows[i][6].isEmpty()) {  // under its caption
        cells << "superseded by " + rows[i][6];
        QCOMPARE(lines[i + 1].mid(lines[0].indexOf("STATE")), cells.last());
      }
      cells.removeAll(QString());
      QCOMPARE(lines[i + 1].split(QRegularExpression(" {2,}")), cells);
      QCOMPARE(lines[i + 1].indexOf(cells[3]), lines[0].indexOf("TIME"));
    }
  }

  // verify: 0 and nothing on standard output while the chain holds; a row changed past the
  // program is named on standard output with exit 5, and the file is left as it was.
  void verify() {
    const QString copy = dir_.filePath("tampered.sqlite");
    QVERIFY(QFile::copy(store_, copy));
    CliRun sound;
    OnStore(sound, copy);
    QCOMPARE(sound.run({"verify", "--lang", "en"}), 0);
    QCOMPARE(sound.out, QByteArray());
    QVERIFY2(sound.err.contains("the record chain is intact"), sound.err.constData());
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "tamper");
      db.setDatabaseName(copy);
      QVERIFY(db.open());
      QSqlQuery q(db);
      QVERIFY(q.exec("DROP TRIGGER records_no_update"));
      QVERIFY(q.exec("UPDATE records SET technician = 'Someone else' WHERE number = 'LAB/2026/0002'"));
      q = QSqlQuery();
      db.close();
    }
    QSqlDatabase::removeDatabase("tamper");
    CliRun broken;
    OnStore(broken, copy);
    QCOMPARE(broken.run({"verify", "--lang", "en"}), 5);
    QCOMPARE(broken.out, QByteArray("local\tLAB/2026/0002\tchanged\n"));
    QVERIFY2(broken.err.contains("the record chain is broken"), broken.err.constData());
  }

  void certificate_data() {
    QTest::addColumn<QStringList>("language");  // the arguments, or none
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("texts");  // on the page, spaces squeezed
    const QStringList pl = {"Świadectwo wzorcowania", "nr LAB/2026/0003", "Data wzorcowania 08.12.2026 09:15",
                            "\n 2 -100,0 -100,4 -0,4 0,40 1,00 zgodny\n", "Strona 1 z 1"};
    const QStringList en = {"Calibration certificate", "No. LAB/2026/0003", "\n 1 100.0 80.0 -20.0\n", "Page 1 of 1"};
    QTest::newRow("--lang pl") << QStringList{"--lang", "pl"} << "C.UTF-8" << pl;
    QTest::newRow("--lang en") << QStringList{"--lang", "en"} << "pl_PL.UTF-8" << en;
    QTest::newRow("the program's language") << QStringList{} << "pl_PL.UTF-8" << pl;
  }
  void certificate() {
    QFETCH(QStringList, language);
    QFETCH(QString, locale);
    QFETCH(QStringList, texts);
    const QString pdf = dir_.filePath(QString("certificate-%1.pdf").arg(QTest::currentDataTag()));
    CliRun cli;
    OnStore(cli);
    cli.env.insert("LANG", locale);
    QCOMPARE(cli.run(QStringList{"certificate", "LAB/2026/0003", "-o", pdf} + language), 0);
    QVERIFY2(cli.err.contains(pdf.toUtf8()), cli.err.constData());
    const QStringList pages = PdfPageTexts(pdf);
    QCOMPARE(pages.size(), 1);
    const QString page = "\n" + Squeezed(pages[0]);
    for (const QString& text : texts) QVERIFY2(page.contains(text), qPrintable(text + "\n---" + page));
  }

  void refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("records");  // "damaged": a file that is no database; "": the test's
    QTest::addColumn<QString>("err");
    const QString out = "%1/out.pdf";
    QTest::newRow("unknown number") << QStringList{"certificate", "LAB/2026/0099", "-o", out} << ""
                                    << "fluxa-cli: no calibration numbered LAB/2026/0099 in %2\n";
    QTest::newRow("a transfer's number") << QStringList{"certificate", "LAB/2026/0002", "-o", out} << ""
                                         << "fluxa-cli: LAB/2026/0002 is a transfer of parameters, not a calibration\n";
    QTest::newRow("damaged store, history")
        << QStringList{"history"} << "damaged"
        << "fluxa-cli: cannot open the record store: %2 is not a record store (left as it is)\n";
    QTest::newRow("damaged store, certificate")
        << QStringList{"certificate", "LAB/2026/0001", "-o", out} << "damaged"
        << "fluxa-cli: cannot open the record store: %2 is not a record store (left as it is)\n";
    QTest::newRow("file not writable") << QStringList{"certificate", "LAB/2026/0001", "-o", "%1/no/such/out.pdf"}
                                       << "" << "fluxa-cli: cannot write %1/no/such/out.pdf\n";
    // A folder the user named that is not there: said, and not made.
    QTest::newRow("FLUXA_RECORDS in a missing folder")
        << QStringList{"history"} << "missing"
        << "fluxa-cli: cannot open the record store: the folder of %2 does not exist\n";
  }
  // Each ends with 3, one line that says why, nothing on standard output and no file; a damaged
  // store is left as it was.
  void refusals() {
    QFETCH(QStringList, args);
    QFETCH(QString, records);
    QFETCH(QString, err);
    const QByteArray damaged = "this is no database, and the store must leave it so\n";
    QString path = store_;
    if (records == "damaged") {
      path = dir_.filePath("damaged.sqlite");
      QVERIFY(WriteFile(path, damaged));
    }
    if (records == "missing") path = dir_.filePath("typo/records.sqlite");
    for (QString& arg : args) arg.replace("%1", dir_.path());
    CliRun cli;
    OnStore(cli, path);
    QCOMPARE(cli.run(args), 3);
    QCOMPARE(QString::fromUtf8(cli.err).remove(QRegularExpression("^QStandardPaths: [^\n]*\n")),
             QString(err).replace("%1", dir_.path()).replace("%2", path));
    QCOMPARE(cli.out, QByteArray());
    QVERIFY(!QFile::exists(dir_.filePath("out.pdf")));
    QCOMPARE(QFileInfo::exists(dir_.filePath("typo")), false);
    if (records == "damaged") {
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(file.readAll(), damaged);
    }
  }
};

QTEST_GUILESS_MAIN(TestCliHistory)
#include "test_cli_history.moc"
