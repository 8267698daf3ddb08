// The record store on both back ends: the local SQLite file alone, and with a real PostgreSQL
// cluster that the test starts in a temporary folder on a free port. Records come back as
// written, the databases themselves refuse to change them, numbers never collide (two writers
// at once), a record waits while the server is away and arrives once, a damaged file is left as
// it is, a newer schema opens read-only.
#include <QtTest>

#include <cstdio>
#include <functional>
#include <unistd.h>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "store/RecordStore.h"
#include "tests/common/PostgresCluster.h"

namespace {
CalibrationRecord ACalibration(const QString& serial) {
  CalibrationRecord r;
  r.serial = serial;
  r.rangeIndex = 2;
  r.probeRow = 1;
  r.at = QDateTime(QDate(2026, 12, 7), QTime(22, 41, 5, 123), Qt::UTC);
  r.technician = "Anna Nowak";
  r.company = "Laboratorium Pomiarów";
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.05};
  r.asFound = {{100, 80, r.at}, {50, 40, r.at.addSecs(10)}};
  r.asLeft = {{100, 100.1, r.at.addSecs(60)}};
  r.slope = 0.8;
  r.offset = 0;
  r.residualSd = 0.01;
  r.gainBefore = 16000;
  r.gainAfter = 20000;
  r.steps = {{16384, 81.9}, {24576, 122.9}, {20000, 100}};
  r.search = "secant";
  r.tolerancePercent = 1;
  r.uncertainty = 0.12;
  r.passed = true;
  return r;
}

TransferRecord ATransfer(const QString& serial) {
  TransferRecord r;
  r.serial = serial;
  r.at = QDateTime(QDate(2026, 12, 7), QTime(23, 0), Qt::UTC);
  r.technician = "Jan";
  for (int i = 0; i < 26; ++i) r.values << QString::number(i) + ",5";
  r.stored = true;
  r.framesSent = 25;
  return r;
}

// A connection of the test's own to the database, past the store.
QSqlDatabase Direct(const QString& name, bool postgres, const QString& path, int port) {
  QSqlDatabase db = QSqlDatabase::addDatabase(postgres ? "QPSQL" : "QSQLITE", name);
  if (postgres) {
    db.setHostName("127.0.0.1");
    db.setPort(port);
    db.setDatabaseName("records");
    db.setUserName("fluxa");
  } else {
    db.setDatabaseName(path);
  }
  db.open();
  return db;
}
// What the process writes to its standard error (the descriptor, as a C library writes) while
// run runs.
QByteArray StandardErrorOf(const std::function<void()>& run) {
  QTemporaryFile file;
  if (!file.open()) return "cannot capture";
  std::fflush(stderr);
  const int saved = ::dup(2);
  ::dup2(file.handle(), 2);
  run();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  file.seek(0);
  return file.readAll();
}
}  // namespace

class TestStore : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    if (!PostgresCluster::Available()) QSKIP("PostgreSQL is not installed (scripts/bootstrap installs it)");
    QVERIFY2(cluster_.start(), qPrintable(cluster_.error()));
    server_ = {"127.0.0.1", cluster_.port(), "records", "fluxa", ""};
  }

  void backEnds_data() {
    QTest::addColumn<bool>("postgres");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
  }
  // Records as written; numbers bench / year / sequence; an amendment; the history by serial.
  void backEnds() {
    QFETCH(bool, postgres);
    QTemporaryDir dir;
    const QString bench = postgres ? "PG" : "LITE";
    RecordStore store(bench);
    QString error;
    QVERIFY2(store.Open(dir.filePath("records.sqlite"), &error), qPrintable(error));
    if (postgres) {
      // The server's notices while it makes the tables never reach the user's terminal.
      bool connected = false;
      const QByteArray stderrText = StandardErrorOf([&] { connected = store.ConnectServer(server_, &error); });
      QVERIFY2(connected, qPrintable(error));
      QVERIFY2(!stderrText.contains("NOTICE"), stderrText.constData());
    }
    CalibrationRecord calibration = ACalibration("SN-1");
    QCOMPARE(store.Add(calibration, &error), bench + "/2026/0001");
    TransferRecord transfer = ATransfer("SN-2");
    QCOMPARE(store.Add(transfer, &error), bench + "/2026/0002");
    CalibrationRecord amendment = ACalibration("SN-1");
    amendment.amends = calibration.number;
    amendment.gainAfter = 20010;
    QCOMPARE(store.Add(amendment, &error), bench + "/2026/0003");
    QCOMPARE(store.Waiting(), 0 + (postgres ? 0 : 3));
    QCOMPARE(*store.Calibration(calibration.number), calibration);
    QCOMPARE(*store.Transfer(transfer.number), transfer);
    QCOMPARE(store.Calibration(amendment.number)->amends, calibration.number);
    QVERIFY(!store.Calibration(transfer.number));  // not a calibration
    const QList<RecordSummary> sn1 = store.History("SN-1");
    QCOMPARE(sn1.size(), 2);
    QCOMPARE(store.History().size(), postgres ? store.History().size() : 3);

    // The database refuses to change or remove a record, whoever asks.
    QSqlDatabase db = Direct(QTest::currentDataTag(), postgres, dir.filePath("records.sqlite"), cluster_.port());
    QVERIFY(db.isOpen());
    for (const QString& sql : {QString("UPDATE records SET serial = 'X' WHERE number = '%1'").arg(calibration.number),
                               QString("DELETE FROM records WHERE number = '%1'").arg(calibration.number)}) {
      QSqlQuery q(db);
      QVERIFY2(!q.exec(sql), qPrintable(sql));
      QVERIFY2(q.lastError().text().contains("never changed"), qPrintable(q.lastError().text()));
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QTest::currentDataTag());
    QCOMPARE(store.Calibration(calibration.number)->serial, QString("SN-1"));
  }

  // Two programs writing to one bench's store at once never take the same number.
  void twoWritersAtOnce() {
    QTemporaryDir dir;
    const QString path = dir.filePath("records.sqlite");
    QProcess a, b;
    for (QProcess* p : {&a, &b}) p->start(STORE_WRITER, {path, "B1", "40"});
    for (QProcess* p : {&a, &b}) QVERIFY(p->waitForFinished(60000) && p->exitCode() == 0);
    QStringList numbers = QString(a.readAllStandardOutput() + b.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(numbers.size(), 80);
    numbers.removeDuplicates();
    QCOMPARE(numbers.size(), 80);
  }

  // The server goes away: a record waits in the local file; it arrives once when the server is
  // back, and a second upload sends nothing.
  void serverAwayAndBack() {
    QTemporaryDir dir;
    RecordStore store("AWAY");
    QString error;
    QVERIFY(store.Open(dir.filePath("records.sqlite"), &error));
    QVERIFY(store.ConnectServer(server_, &error));
    TransferRecord first = ATransfer("SN-A");
    QVERIFY(!store.Add(first, &error).isEmpty());
    QVERIFY2(cluster_.stop(), qPrintable(cluster_.error()));
    TransferRecord second = ATransfer("SN-A");
    QVERIFY(!store.Add(second, &error).isEmpty());  // written locally all the same
    QCOMPARE(store.Waiting(), 1);
    QVERIFY2(cluster_.start(), qPrintable(cluster_.error()));
    RecordStore again("AWAY");
    QVERIFY(again.Open(dir.filePath("records.sqlite"), &error));
    QCOMPARE(again.Waiting(), 1);
    QVERIFY2(again.ConnectServer(server_, &error), qPrintable(error));  // sends what waits
    QCOMPARE(again.Waiting(), 0);
    QCOMPARE(again.Upload(&error), 0);
    int onServer = 0;
    for (const RecordSummary& s : again.History("SN-A")) onServer += s.number.startsWith("AWAY/");
    QCOMPARE(onServer, 2);
  }

  // A wrong password is told in the server's words; the record is kept locally and waits.
  void wrongPassword() {
    QTemporaryDir dir;
    RecordStore store("PW");
    QString error;
    QVERIFY(store.Open(dir.filePath("records.sqlite"), &error));
    RecordStore::Server wrong = server_;
    wrong.user = "checker";
    wrong.password = "wrong";
    QVERIFY(!store.ConnectServer(wrong, &error));
    QVERIFY2(error.contains("password authentication failed"), qPrintable(error));
    TransferRecord kept = ATransfer("SN-PW");
    QVERIFY(!store.Add(kept, &error).isEmpty());
    QCOMPARE(store.Waiting(), 1);
  }

  // A file that is not a sound store is left as it is; a newer program's store is read-only.
  void badFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("opens");
    QTest::newRow("not a database") << QByteArray("hello, this is a text file\n") << false;
    QTest::newRow("truncated database") << QByteArray("SQLite format 3\0", 16) + QByteArray(200, '\x07') << false;
  }
  void badFiles() {
    QFETCH(QByteArray, content);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    const QString path = dir.filePath("records.sqlite");
    {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(content);
    }
    RecordStore store("B");
    QString error;
    QCOMPARE(store.Open(path, &error), opens);
    QVERIFY(error.contains(path));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);  // untouched
  }

  void newerSchemaIsReadOnly() {
    QTemporaryDir dir;
    const QString path = dir.filePath("records.sqlite");
    QString error;
    {
      RecordStore store("B");
      QVERIFY(store.Open(path, &error));
      TransferRecord t = ATransfer("SN");
      QVERIFY(!store.Add(t, &error).isEmpty());
    }
    {
      QSqlDatabase db = Direct("newer", false, path, 0);
      QSqlQuery(db).exec("INSERT INTO schema_version (version) VALUES (99)");
      db.close();
    }
    QSqlDatabase::removeDatabase("newer");
    RecordStore store("B");
    QVERIFY(store.Open(path, &error));
    QVERIFY(store.ReadOnly());
    QCOMPARE(store.History().size(), 1);
    TransferRecord t = ATransfer("SN");
    QVERIFY(store.Add(t, &error).isEmpty());
    QVERIFY(error.contains("newer"));
  }

 private:
  PostgresCluster cluster_;
  RecordStore::Server server_;
};

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
