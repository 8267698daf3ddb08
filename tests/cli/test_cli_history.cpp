// fluxa-cli history and certificate run as a process on a record store the test fills through
// RecordStore in a temporary folder (FLUXA_RECORDS): the history as a table, CSV and JSON, by
// serial number; one record's whole content (--number) as JSON under the keys the man page
// documents, as CSV and as text with a unit on every number; a certificate PDF read back in each
// language; an unknown number, a transfer's number, a damaged store and a file that cannot be
// written refused.
#include <QtTest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cmath>

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

// A calibration with everything a record holds. Its U is the budget "five samples, nu_eff 5.6"
// of tests/store/test_asleft.cpp: u_A = 0.4 × 20000 / 16000 = 0.5 (nu 3), u_ref = 0.6 / 2 =
// 0.3, u_d = 0.1 / (2 √3) = 0.0288675; u_c = 0.583809, nu_eff = 5.576, k = 2.6487,
// U = 1.54631 mT. L = 2 % of 100 + 1 × 0.1 = 2.1; guarded: 0.3 + 1.546 and 0.4 + 1.546 ≤ 2.1.
CalibrationRecord AWholeCalibration() {
  const QDateTime at(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC);
  CalibrationRecord r = ACalibration("C-300", at, "Anna Żak");
  r.maker = "Fluxa";
  r.model = "FX-3";
  r.unit = "mT";
  r.customer = "Huta Pól S.A.";
  r.customerAddress = "ul. Stalowa 1, Kraków";
  r.laboratory = {"Laboratorium Pól", "ul. Polna 2, Gdańsk", "AP 123", "PB-07"};
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.6, 2, 0, "mT"};
  r.asFound = {{100, 80, at}, {75, 60.1, at}, {50, 40.2, at}, {25, 19.8, at}, {10, 8.1, at}};
  r.slope = 0.8;
  r.offset = 0.05;
  r.residualSd = 0.4;
  r.initialGain = 15000;
  r.gainBefore = 16000;
  r.gainAfter = 20000;
  r.steps = {{18000, 95.2}, {20000, 100.1}};
  r.search = "secant";
  r.probeTemperatureMin = 22.5;
  r.probeTemperatureMax = 23.25;
  r.ambientTemperature = 21;
  r.humidity = 45;
  r.tolerancePercent = 2;
  r.toleranceDigits = 1;
  r.decisionRule = "guarded";
  EvaluateCalibration(r);
  return r;
}

// The keys of a JSON value, as paths "a/b/0/c" (array items by index; the first of an array).
void Keys(const QJsonValue& v, const QString& path, QStringList& keys) {
  if (v.isObject()) {
    const QJsonObject o = v.toObject();
    for (auto i = o.begin(); i != o.end(); ++i) {
      const QString key = path.isEmpty() ? i.key() : path + "/" + i.key();  // a copy: keys grows below
      keys << key;
      Keys(i.value(), key, keys);
    }
  } else if (v.isArray() && !v.toArray().isEmpty()) {
    Keys(v.toArray().first(), path + "/0", keys);
  }
}
QJsonValue At(QJsonValue v, const QString& path) {
  for (const QString& key : path.split('/'))
    v = v.isArray() ? v.toArray().at(key.toInt()) : v.toObject().value(key);
  return v;
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
  QString wholeStore_;   // one whole calibration (LAB/2026/0001) and one transfer (LAB/2026/0002)
  QJsonObject whole_;    // history --number LAB/2026/0001 -f json on it
  SignatureRecord approval_;  // LAB/2026/0001's

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

    wholeStore_ = dir_.filePath("whole.sqlite");
    RecordStore whole("LAB");
    QVERIFY2(whole.Open(wholeStore_, &error), qPrintable(error));
    CalibrationRecord calibration = AWholeCalibration();
    QCOMPARE(whole.Add(calibration, &error), QString("LAB/2026/0001"));
    TransferRecord values;
    values.serial = "C-300";
    values.at = QDateTime(QDate(2026, 12, 8), QTime(11, 0), Qt::UTC);
    values.technician = "Jan";
    values.values = {"1,000", "C-300", "a \"quoted\", text"};
    values.stored = true;
    values.framesSent = 25;
    QCOMPARE(whole.Add(values, &error), QString("LAB/2026/0002"));
    QVERIFY2(whole.AddPerson({"ewa", "Ewa Lis", "approver"}, "Tajne hasło 1", &error), qPrintable(error));
    const RecordStore::SignResult signed_ = whole.Sign("LAB/2026/0001", "ewa", "Tajne hasło 1", "Approved");
    QVERIFY2(signed_.outcome == RecordStore::SignResult::Signed, qPrintable(signed_.error));
    approval_ = signed_.signature;
    CliRun json;
    OnStore(json, wholeStore_);
    QCOMPARE(json.run({"history", "--number", "LAB/2026/0001", "-f", "json"}), 0);
    QCOMPARE(json.err, QByteArray());
    whole_ = QJsonDocument::fromJson(json.out).object();
    QVERIFY2(!whole_.isEmpty(), json.out.constData());
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

  // One calibration's whole content, key by key (numbers to 5e-6).
  void wholeRecord_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QJsonValue>("value");
    const QList<QPair<QString, QJsonValue>> rows = {
        {"number", "LAB/2026/0001"}, {"kind", "calibration"}, {"time", "2026-12-08T11:00:00.000+01:00"},
        {"technician", "Anna Żak"}, {"maker", "Fluxa"}, {"model", "FX-3"}, {"unit", "mT"},
        {"customer/name", "Huta Pól S.A."}, {"customer/address", "ul. Stalowa 1, Kraków"},
        {"laboratory/accreditation", "AP 123"}, {"laboratory/method", "PB-07"},
        {"environment/probe_temperature/min", 22.5}, {"environment/probe_temperature/max", 23.25},
        {"environment/probe_temperature/unit", "°C"}, {"environment/ambient_temperature/value", 21},
        {"environment/humidity/value", 45}, {"environment/humidity/unit", "% RH"},
        {"reference_standard/certificate", "PL/123/2026"}, {"reference_standard/due", "2027-06-30"},
        {"reference_standard/uncertainty", 0.6}, {"reference_standard/coverage", 2}, {"reference_standard/unit", "mT"},
        {"as_found/4/uwz", 10}, {"as_found/4/ucal", 8.1}, {"as_found/0/error", -20},
        {"as_found/1/time", "2026-12-08T11:00:00.000+01:00"},
        {"fit/slope", 0.8}, {"fit/offset", 0.05}, {"fit/residual_sd", 0.4}, {"fit/samples", 5}, {"fit/dof", 3},
        {"gains/initial", 15000}, {"gains/before", 16000}, {"gains/after", 20000},
        {"search/method", "secant"}, {"search/steps/1/gain", 20000}, {"search/steps/1/reading", 100.1},
        {"tolerance/percent", 2}, {"tolerance/digits", 1}, {"tolerance/resolution", 0.1},
        {"decision_rule", "guarded"}, {"as_left/skipped", false},
        {"as_left/points/1/uwz", -100}, {"as_left/points/1/error", -0.4}, {"as_left/points/1/error_percent", 0.4},
        {"as_left/points/1/limit", 2.1}, {"as_left/points/1/uncertainty", 1.546309},
        {"as_left/points/1/verdict", "pass"},
        {"uncertainty/expanded", 1.546309}, {"uncertainty/coverage", 2.648654},
        {"uncertainty/effective_dof", 5.576033}, {"uncertainty/coverage_probability", 0.9545},
        {"uncertainty/budget/type_a", "as_found"}, {"uncertainty/budget/gain_ratio", 1.25},
        {"uncertainty/budget/gain_scaled", true}, {"uncertainty/budget/combined", 0.583809},
        {"uncertainty/budget/components/0/name", "repeatability"},
        {"uncertainty/budget/components/0/standard_uncertainty", 0.5}, {"uncertainty/budget/components/0/dof", 3},
        {"uncertainty/budget/components/1/name", "meter_resolution"},
        {"uncertainty/budget/components/1/standard_uncertainty", 0.0288675},
        {"uncertainty/budget/components/1/dof", QJsonValue()},
        {"uncertainty/budget/components/3/name", "reference"},
        {"uncertainty/budget/components/3/standard_uncertainty", 0.3},
        {"uncertainty/budget/components/3/distribution", "normal"},
        {"passed", true}, {"amends", QJsonValue()},
        {"signature/signer", "ewa"}, {"signature/printed_name", "Ewa Lis"}, {"signature/role", "approver"},
        {"signature/meaning", "Approved"}, {"signature/number", approval_.number},
        {"signature/record_hash", approval_.recordHash}, {"signature/time", approval_.at.toString(Qt::ISODateWithMs)}};
    for (const auto& [path, value] : rows) QTest::newRow(qPrintable(path)) << path << value;
  }
  void wholeRecord() {
    QFETCH(QString, path);
    QFETCH(QJsonValue, value);
    const QJsonValue got = At(whole_, path);
    if (path.endsWith("/time"))  // the same instant, whatever the offset
      QCOMPARE(QDateTime::fromString(got.toString(), Qt::ISODateWithMs), QDateTime::fromString(value.toString(), Qt::ISODateWithMs));
    else if (value.isDouble())
      QVERIFY2(got.isDouble() && std::abs(got.toDouble() - value.toDouble()) < 5e-6, qPrintable(QString::number(got.toDouble(), 'g', 10)));
    else
      QCOMPARE(got, value);
  }

  // Every key --number gives (of a calibration and of a transfer) is one the man page's history
  // section names, as "key" or as a path "a/b".
  void everyKeyDocumented() {
    CliRun transfer;
    OnStore(transfer, wholeStore_);
    QCOMPARE(transfer.run({"history", "--number", "LAB/2026/0002", "-f", "json"}), 0);
    QStringList keys;
    Keys(whole_, {}, keys);
    Keys(QJsonDocument::fromJson(transfer.out).object(), {}, keys);
    QVERIFY(keys.size() > 80);
    QFile page(FLUXA_MAN_DIR "/fluxa-cli.1");
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString man = QString::fromUtf8(page.readAll()).replace("\\-", "-").replace("\\(em", "—");
    const qsizetype from = man.indexOf(".B history"), to = man.indexOf(".B certificate", from);
    const QString section = man.mid(from, to - from);
    QRegularExpression index("/\\d+(/|$)");
    for (QString key : keys) {
      key.replace(index, "[]\\1");
      QVERIFY2(section.contains(key), qPrintable(key));
    }
  }

  // A transfer's values in JSON and CSV (one a line, quoted as RFC 4180 does); the readings of a
  // calibration in CSV; an unknown number and --number beside --serial refused.
  void wholeRecordFormats_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");  // all of it
    QTest::addColumn<QString>("err");
    QTest::newRow("transfer csv") << QStringList{"--number", "LAB/2026/0002", "-f", "csv"} << 0
                                  << "index,value\n1,\"1,000\"\n2,C-300\n3,\"a \"\"quoted\"\", text\"\n" << "";
    QTest::newRow("calibration csv")
        << QStringList{"--number", "LAB/2026/0001", "--format", "csv"} << 0
        << "series,index,time,uwz,ucal,unit,error,error_percent,limit,uncertainty,verdict\n"
           "as_found,1,2026-12-08T11:00:00.000+01:00,100,80,mT,-20,,,,\n"
           "as_found,2,2026-12-08T11:00:00.000+01:00,75,60.1,mT,-14.9,,,,\n"
           "as_found,3,2026-12-08T11:00:00.000+01:00,50,40.2,mT,-9.8,,,,\n"
           "as_found,4,2026-12-08T11:00:00.000+01:00,25,19.8,mT,-5.2,,,,\n"
           "as_found,5,2026-12-08T11:00:00.000+01:00,10,8.1,mT,-1.9,,,,\n"
           "as_left,1,2026-12-08T11:00:00.000+01:00,100,100.3,mT,0.3,0.3,2.1,1.54630,pass\n"
           "as_left,2,2026-12-08T11:00:00.000+01:00,-100,-100.4,mT,-0.4,0.4,2.1,1.54630,pass\n"
        << "";
    QTest::newRow("unknown number") << QStringList{"--number", "LAB/2026/0099"} << 3 << ""
                                    << "fluxa-cli: no record numbered LAB/2026/0099 in %1\n";
    QTest::newRow("with --serial") << QStringList{"--number", "LAB/2026/0001", "--serial", "C"} << 1 << ""
                                   << "fluxa-cli: history: --number and --serial do not go together\n";
  }
  void wholeRecordFormats() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    CliRun cli;
    OnStore(cli, wholeStore_);
    QCOMPARE(cli.run(QStringList{"history"} + args), code);
    QString got = QString::fromUtf8(cli.out);
    got.replace(QRegularExpression(",1\\.54630\\d*,"), ",1.54630,");  // U to its hand-worked digits
    QCOMPARE(got, out);
    QCOMPARE(QString::fromUtf8(cli.err), QString(err).replace("%1", wholeStore_));
  }

  // The text to read: every reading, error, limit, uncertainty and component in the record's
  // unit, temperatures in °C, humidity in % RH; a record written before units were kept says so
  // beside every number.
  void wholeRecordText_data() {
    QTest::addColumn<QString>("records");  // "whole" or "" (the history's store: no unit kept)
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("lines");  // some lines, spaces squeezed
    QTest::newRow("mT") << "whole" << "LAB/2026/0001" << "mT"
                        << QStringList{"unit mT", "environment probe 22.5 °C to 23.25 °C; ambient 21 °C; humidity 45 % RH",
                                       "uncertainty U = 1.55 mT (k = 2.649, ν_eff = 5.576, p = 95.45 %)",
                                       "tolerance ±(2 % of reading + 1 × 0.1 mT)",
                                       "gains initial 15000, before 16000, after 20000",
                                       "verdict pass"};
    QTest::newRow("a draft") << "" << "LAB/2026/0003" << "(no unit)"
                             << QStringList{"signature none: a draft, not a certificate"};
    QTest::newRow("no unit kept") << "" << "LAB/2026/0003" << "(no unit)"
                                  << QStringList{"unit not recorded (a record written before units were kept)"};
  }
  void wholeRecordText() {
    QFETCH(QString, records);
    QFETCH(QString, number);
    QFETCH(QString, unit);
    QFETCH(QStringList, lines);
    CliRun cli;
    OnStore(cli, records == "whole" ? wholeStore_ : store_);
    QCOMPARE(cli.run({"history", "--number", number}), 0);
    const QString text = QString::fromUtf8(cli.out);
    QStringList squeezed;
    for (const QString& line : text.split('\n')) squeezed << line.simplified();
    for (const QString& line : lines) QVERIFY2(squeezed.contains(line), qPrintable(line + "\n---\n" + text));
    // A quantity's number is followed by the unit.
    const QRegularExpression quantity("(?:Uwz |Ucal |error |limit ±|U = |U |resolution |reading |s = |× Uwz \\+ |× )(-?[0-9][0-9.e+-]*)");
    // and a budget line's value: "    Meter resolution     0.0289 mT  Type B, rectangular, ν = ∞"
    const QRegularExpression component("^ {4}\\S.*? {2,}(-?[0-9][0-9.e+-]*)(?=.*(?:Type [AB], |$))");
    int seen = 0;
    for (const QString& line : text.split('\n')) {
      for (const QRegularExpression& number : {quantity, component}) {
        if (&number == &component && !line.contains(", ν = ") && !line.contains("combined u_c")) continue;
        for (auto m = number.globalMatch(line); m.hasNext(); ++seen) {
          const QRegularExpressionMatch q = m.next();
          QVERIFY2(line.mid(q.capturedEnd(1)).startsWith(" " + unit), qPrintable(line));
        }
      }
    }
    QVERIFY2(seen >= 20, qPrintable(QString::number(seen)));
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
    // U = 0.583 beside each as-left point: three samples, u_A = 0.12 (nu 1), u_ref = 0.25,
    // u_d = 0.0289: u_c = 0.2788, nu_eff = (0.2788 / 0.12)^4 = 29.1 → 29, k = 2.09
    const QStringList pl = {"Świadectwo wzorcowania", "nr LAB/2026/0003", "Okres wzorcowania 2026-12-08",
                            "\n 2 -100,0 -100,4 -0,4 0,40 1,00 0,58 zgodny\n", "Strona 1 z %1"};
    const QStringList en = {"Calibration certificate", "No. LAB/2026/0003", "\n 1 100.0 80.0 -20.0\n", "Page 1 of %1"};
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
    QVERIFY(!pages.isEmpty());
    const QString page = "\n" + Squeezed(pages[0]);
    for (QString text : texts) {
      text.replace("%1", QString::number(pages.size()));
      QVERIFY2(page.contains(text), qPrintable(text + "\n---" + page));
    }
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
