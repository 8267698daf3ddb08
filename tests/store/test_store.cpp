// The record store on both back ends: the local SQLite file alone, and with a real PostgreSQL
// cluster that the test starts in a temporary folder on a free port. Records come back as
// written, the databases themselves refuse to change them, numbers never collide (two writers
// at once), a record waits while the server is away and arrives once, a damaged file is left as
// it is, a newer schema opens read-only.
#include <QtTest>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "store/RecordSql.h"
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
    // The lab's way: the schema belongs to the owner, the program works as "bench".
    worker_ = server_;
    worker_.user = "bench";
    {
      QSqlDatabase db = Direct("roles", true, {}, cluster_.port());
      QVERIFY(QSqlQuery(db).exec("CREATE ROLE bench LOGIN"));
    }
    QSqlDatabase::removeDatabase("roles");
    QString error;
    QVERIFY2(RecordStore::SetUpServer(server_, "bench", &error), qPrintable(error));
  }

  // What one installation, or two, meet on one server, and what the chain check finds after a
  // row is changed past the program: each row on the back end it names.
  void lab_data() {
    QTest::addColumn<bool>("postgres");
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QStringList>("found");  // Verify's findings of the bench after it: "year/seq kind"
    for (const bool postgres : {false, true}) {
      const QString tag = postgres ? "PostgreSQL: " : "SQLite: ";
      QTest::newRow(qPrintable(tag + "a row edited")) << postgres << "edited" << QStringList{"2026/0002 changed"};
      QTest::newRow(qPrintable(tag + "a row deleted")) << postgres << "deleted" << QStringList{"2026/0002 removed"};
      QTest::newRow(qPrintable(tag + "a row replaced, its hash made anew"))
          << postgres << "replaced" << QStringList{"2026/0002 replaced"};
      QTest::newRow(qPrintable(tag + "a replacing insert refused")) << postgres << "insert or replace" << QStringList{};
    }
    QTest::newRow("PostgreSQL: the working role cannot disable a trigger") << true << "trigger" << QStringList{};
    QTest::newRow("PostgreSQL: two installations, one bench id") << true << "two installations" << QStringList{};
    QTest::newRow("PostgreSQL: a lost local file") << true << "lost file" << QStringList{};
    QTest::newRow("PostgreSQL: a cloned local file, a conflict") << true << "cloned" << QStringList{};
    QTest::newRow("PostgreSQL: a refused record among good ones") << true << "refused" << QStringList{};
  }
  void lab() {
    QFETCH(bool, postgres);
    QFETCH(QString, scenario);
    QFETCH(QStringList, found);
    QTemporaryDir dir;
    QString error;
    const QString bench = QString("%1%2").arg(postgres ? "P" : "L").arg(++benches_);
    const auto number = [&](int seq) { return QString("%1/2026/%2").arg(bench).arg(seq, 4, 10, QChar('0')); };
    const auto station = [&](const QString& file) {
      auto store = std::make_unique<RecordStore>(bench);
      store->Open(dir.filePath(file), &error);
      return store;
    };
    const auto add = [&](RecordStore& store, const QString& serial) {
      TransferRecord t = ATransfer(serial);
      t.technician = store.Installation();
      return store.Add(t, &error);
    };
    auto a = station("a.sqlite");
    if (postgres) QVERIFY2(a->ConnectServer(worker_, &error), qPrintable(error));
    for (const QString& serial : {"S1", "S2", "S3"}) QVERIFY2(!add(*a, serial).isEmpty(), qPrintable(error));
    QSqlDatabase db = Direct("past the program", postgres, dir.filePath("a.sqlite"), cluster_.port());
    QSqlQuery q(db);
    const QString second = number(2);
    if (scenario == "edited" || scenario == "deleted" || scenario == "replaced") {
      // Anyone with the file, or the server's superuser, turns the guards off first.
      QVERIFY(q.exec(postgres ? "ALTER TABLE records DISABLE TRIGGER USER" : "DROP TRIGGER records_no_update"));
      QVERIFY(postgres || q.exec("DROP TRIGGER records_no_delete"));
      if (scenario == "edited") QVERIFY(q.exec(QString("UPDATE records SET serial = 'X' WHERE number = '%1'").arg(second)));
      if (scenario != "edited") QVERIFY(q.exec(QString("DELETE FROM records WHERE number = '%1'").arg(second)));
      if (scenario == "replaced") {  // another record under the number, sealed as the program would
        TransferRecord other = ATransfer("FORGED");
        QList<QVariant> v = {second, "transfer", bench, 2026, 2, 2, QVariant(), "FORGED", "2026-12-07T23:00:00.000Z",
                             "X", "{}", "2026-12-08T00:00:00.000Z", QVariant(), QVariant(), ""};
        QVERIFY(q.exec(QString("SELECT hash FROM records WHERE number = '%1'").arg(number(1))) && q.next());
        v[records_sql::kPrevHash] = q.value(0);
        v << records_sql::RowHash(v);
        q.prepare(QString("INSERT INTO records (%1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)").arg(records_sql::kColumns));
        for (const QVariant& value : v) q.addBindValue(value);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
      }
      if (postgres) QVERIFY(q.exec("ALTER TABLE records ENABLE TRIGGER USER"));
    } else if (scenario == "insert or replace") {
      QVERIFY(!q.exec(postgres ? QString("INSERT INTO records SELECT * FROM records WHERE number = '%1' ON CONFLICT"
                                         " (number) DO UPDATE SET serial = 'X'").arg(second)
                               : QString("INSERT OR REPLACE INTO records SELECT * FROM records WHERE number = '%1'").arg(second)));
      QVERIFY2(q.lastError().text().contains("never changed"), qPrintable(q.lastError().text()));
    } else if (scenario == "trigger") {
      QSqlDatabase worker = QSqlDatabase::addDatabase("QPSQL", "worker");
      worker.setHostName("127.0.0.1");
      worker.setPort(cluster_.port());
      worker.setDatabaseName("records");
      worker.setUserName("bench");
      QVERIFY(worker.open());
      for (const QString& sql : {QString("ALTER TABLE records DISABLE TRIGGER records_no_change"),
                                 QString("UPDATE records SET serial = 'X' WHERE number = '%1'").arg(second),
                                 QString("DROP TRIGGER records_no_change ON records")}) {
        QSqlQuery w(worker);
        QVERIFY2(!w.exec(sql), qPrintable(sql));
      }
      worker.close();
      worker = QSqlDatabase();
      QSqlDatabase::removeDatabase("worker");
    } else if (scenario == "two installations") {
      auto b = station("b.sqlite");  // another PC given the same bench id
      QVERIFY(!b->ConnectServer(worker_, &error));
      QVERIFY(b->BenchTaken());
      QVERIFY2(error.contains("another installation"), qPrintable(error));
      QCOMPARE(add(*b, "B1"), number(1));  // kept locally all the same, and waits
      QCOMPARE(b->Waiting(), 1);
      QVERIFY2(b->TakeOverBench(worker_, &error), qPrintable(error));  // told so explicitly
      QCOMPARE(b->Conflicts(), QStringList{number(1)});  // never counted as sent
      QCOMPARE(b->Waiting(), 1);
      QCOMPARE(add(*b, "B2"), number(4));  // after the server's highest
      QCOMPARE(b->Waiting(), 1);
      QCOMPARE(b->History("B1").first().state, QString("conflict"));
      auto again = station("a.sqlite");
      QVERIFY(!again->ConnectServer(worker_, &error) && again->BenchTaken());  // the bench is b's now
    } else if (scenario == "lost file") {
      a.reset();
      QVERIFY(QFile::remove(dir.filePath("a.sqlite")));
      auto fresh = station("a.sqlite");
      QVERIFY(!fresh->ConnectServer(worker_, &error) && fresh->BenchTaken());  // a new installation
      QVERIFY2(fresh->TakeOverBench(worker_, &error), qPrintable(error));
      QCOMPARE(add(*fresh, "S4"), number(4));  // never 1 again
      QCOMPARE(fresh->Waiting(), 0);
      QCOMPARE(fresh->Verify(false), QList<RecordStore::Finding>{});  // its chain goes on from the server's
    } else if (scenario == "cloned") {
      a.reset();
      QVERIFY(QFile::copy(dir.filePath("a.sqlite"), dir.filePath("clone.sqlite")));
      a = station("a.sqlite");
      auto clone = station("clone.sqlite");
      QVERIFY(a->ConnectServer(worker_, &error) && clone->ConnectServer(worker_, &error));  // one installation id
      QCOMPARE(add(*a, "FIRST"), number(4));
      QCOMPARE(add(*clone, "SECOND"), number(4));
      QCOMPARE(clone->Conflicts(), QStringList{number(4)});
      QCOMPARE(clone->Waiting(), 1);
      QCOMPARE(clone->Transfer(number(4))->serial, QString("SECOND"));  // its own, kept
      QCOMPARE(a->Transfer(number(4))->serial, QString("FIRST"));
      QVERIFY(!clone->Upload(&error) && error.contains("different record"));
      QCOMPARE(clone->Conflicts(), QStringList{number(4)});
    } else if (scenario == "refused") {
      QVERIFY(q.exec("ALTER TABLE records ADD CONSTRAINT no_refused CHECK (serial <> 'REFUSED') NOT VALID"));
      auto offline = station("offline.sqlite");
      offline = std::make_unique<RecordStore>(bench + "R");
      offline->Open(dir.filePath("offline.sqlite"), &error);
      for (const QString& serial : {"G1", "REFUSED", "G2"}) QVERIFY(!add(*offline, serial).isEmpty());
      QVERIFY(offline->ConnectServer(worker_, &error));  // sends what waits, each on its own
      QCOMPARE(offline->Waiting(), 1);
      QCOMPARE(offline->Conflicts(), QStringList{});
      QCOMPARE(offline->Upload(&error), 0);
      QVERIFY2(error.contains("no_refused"), qPrintable(error));
      QVERIFY(q.exec("ALTER TABLE records DROP CONSTRAINT no_refused"));
      QCOMPARE(offline->Upload(&error), 1);
      QCOMPARE(offline->Waiting(), 0);
    }
    q = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("past the program");
    QStringList findings;
    RecordStore check("CHECK-" + bench);  // any installation may check the server
    check.Open(dir.filePath("check.sqlite"), &error);
    if (postgres) QVERIFY2(check.ConnectServer(worker_, &error), qPrintable(error));
    const char* const kinds[] = {"changed", "removed", "removed before", "inserted", "replaced"};
    for (const RecordStore::Finding& f : (postgres ? check : *a).Verify(postgres))
      if (f.number.startsWith(bench + "/")) findings << f.number.mid(bench.size() + 1) + " " + kinds[f.kind];
    QCOMPARE(findings, found);
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

  // A store of the version before opens, keeps its record (sealed into the chain as it stands)
  // and numbers on after it.
  void versionOneUpgrades() {
    QTemporaryDir dir;
    const QString path = dir.filePath("records.sqlite");
    {
      QSqlDatabase db = Direct("v1", false, path, 0);
      QSqlQuery q(db);
      for (const char* sql :
           {"CREATE TABLE schema_version (version INTEGER NOT NULL)", "INSERT INTO schema_version VALUES (1)",
            "CREATE TABLE records (number TEXT PRIMARY KEY, kind TEXT NOT NULL, bench TEXT NOT NULL, year INTEGER NOT"
            " NULL, seq INTEGER NOT NULL, amends TEXT, serial TEXT NOT NULL, at_utc TEXT NOT NULL, technician TEXT NOT"
            " NULL, body TEXT NOT NULL, UNIQUE (bench, year, seq))",
            "CREATE TABLE uploaded (number TEXT PRIMARY KEY)",
            "CREATE TRIGGER records_no_update BEFORE UPDATE ON records BEGIN SELECT RAISE(ABORT, 'no'); END",
            "INSERT INTO records VALUES ('OLD/2026/0001', 'transfer', 'OLD', 2026, 1, NULL, 'SN-OLD',"
            " '2026-12-07T23:00:00.000Z', 'Jan', '{\"values\":[],\"stored\":true,\"framesSent\":25}')"})
        QVERIFY2(q.exec(sql), sql);
      q = QSqlQuery();
      db.close();
    }
    QSqlDatabase::removeDatabase("v1");
    RecordStore store("OLD");
    QString error;
    QVERIFY2(store.Open(path, &error), qPrintable(error));
    QVERIFY(!store.ReadOnly());
    QCOMPARE(store.Transfer("OLD/2026/0001")->serial, QString("SN-OLD"));
    TransferRecord next = ATransfer("SN");
    QCOMPARE(store.Add(next, &error), QString("OLD/2026/0002"));
    QCOMPARE(store.Verify(false), QList<RecordStore::Finding>{});
    QCOMPARE(store.Waiting(), 2);
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
  RecordStore::Server worker_;
  int benches_ = 0;
};

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
