// The register of people and the approval of calibrations by electronic signature, on the
// local SQLite file and on a real PostgreSQL cluster: who may sign, what a wrong password
// costs, what a record changed past the program does to its approval, and a version 2 store
// upgraded with its records and chains as they were.
#include <QtTest>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include "store/RecordSql.h"
#include "store/RecordStore.h"
#include "tests/common/PostgresCluster.h"

namespace {
const QString kRight = QStringLiteral("zaq1@WSX-right");

CalibrationRecord ACalibration(const QString& serial) {
  CalibrationRecord r;
  r.serial = serial;
  r.rangeIndex = 1;
  r.at = QDateTime(QDate(2026, 12, 8), QTime(9, 30), Qt::UTC);
  r.technician = "tech";
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.05};
  r.asFound = {{100, 80, r.at}, {50, 40, r.at.addSecs(10)}, {10, 8, r.at.addSecs(20)}};
  r.asLeft = {{100, 100.1, r.at.addSecs(60)}};
  r.slope = 0.8;
  r.gainAfter = 20000;
  r.uncertainty = 0.3;
  r.passed = true;
  return r;
}

// A statement past the program, on a file of the test's own (the guards dropped first when
// the statement changes what they keep).
bool PastTheProgram(const QString& path, const QStringList& statements, QString* error = nullptr) {
  bool ok = true;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "past");
    db.setDatabaseName(path);
    ok = db.open();
    for (const QString& sql : statements) {
      QSqlQuery q(db);
      if (ok && !q.exec(sql)) {
        ok = false;
        if (error) *error = q.lastError().text();
      }
    }
    db.close();
  }
  QSqlDatabase::removeDatabase("past");
  return ok;
}
}  // namespace

class TestSignatures : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    store_ = std::make_unique<RecordStore>("B1");
    QVERIFY2(store_->Open(path(), &error_), qPrintable(error_));
    QVERIFY2(store_->AddPerson({"anna", "Anna Nowak", "approver"}, kRight, &error_), qPrintable(error_));
    QVERIFY2(store_->AddPerson({"jan", "Jan Kowalski", "technician"}, kRight, &error_), qPrintable(error_));
    QVERIFY2(store_->AddPerson({"ewa", "Ewa Zielińska", "approver"}, kRight, &error_), qPrintable(error_));
    QVERIFY2(store_->DeactivatePerson("ewa", &error_), qPrintable(error_));
    calibration_ = ACalibration("SN-1");
    QVERIFY2(!store_->Add(calibration_, &error_).isEmpty(), qPrintable(error_));
  }
  void cleanup() { store_.reset(); }

  // Who may sign what: only the right password of an active approver signs a calibration that
  // is sound, current and not approved yet; everything else is told and nothing is kept.
  void signing_data() {
    QTest::addColumn<QString>("setup");  // what happens before the signing
    QTest::addColumn<QString>("signer");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("outcome");
    using R = RecordStore::SignResult;
    QTest::newRow("the right password signs") << "" << "anna" << kRight << int(R::Signed);
    QTest::newRow("a wrong password does not") << "" << "anna" << "zaq1@WSX-wrong" << int(R::WrongPassword);
    QTest::newRow("the password of another person does not") << "other password" << "anna" << kRight
                                                                << int(R::WrongPassword);
    QTest::newRow("an inactive approver") << "" << "ewa" << kRight << int(R::Inactive);
    QTest::newRow("a technician") << "" << "jan" << kRight << int(R::NotApprover);
    QTest::newRow("an id not registered") << "" << "nobody" << kRight << int(R::UnknownPerson);
    QTest::newRow("a number that is no calibration") << "transfer" << "anna" << kRight << int(R::NotFound);
    QTest::newRow("a calibration changed past the program") << "tamper" << "anna" << kRight << int(R::HashMismatch);
    QTest::newRow("a calibration amended since") << "amend" << "anna" << kRight << int(R::Superseded);
    QTest::newRow("a calibration approved already") << "signed" << "anna" << kRight << int(R::AlreadyApproved);
  }
  void signing() {
    QFETCH(QString, setup);
    QFETCH(QString, signer);
    QFETCH(QString, password);
    QFETCH(int, outcome);
    QString number = calibration_.number;
    if (setup == "other password") {
      QVERIFY2(store_->SetPassword("anna", "a-new-one-for-anna", &error_), qPrintable(error_));
    } else if (setup == "transfer") {
      TransferRecord t;
      t.serial = "SN-1";
      t.at = calibration_.at;
      number = store_->Add(t, &error_);
      QVERIFY(!number.isEmpty());
    } else if (setup == "tamper") {
      QVERIFY(PastTheProgram(path(), {"DROP TRIGGER records_no_update",
                                      QString("UPDATE records SET body = replace(body, '100.1', '100.0') WHERE number"
                                              " = '%1'").arg(number)}));
    } else if (setup == "amend") {
      CalibrationRecord amendment = calibration_;
      amendment.amends = number;
      amendment.author = "Anna";
      amendment.reason = "the reference's certificate";
      QVERIFY(!store_->Add(amendment, &error_).isEmpty());
      // The amendment is a record of its own and takes its own signature.
      QCOMPARE(int(store_->Sign(amendment.number, "anna", kRight, "Approved").outcome), int(RecordStore::SignResult::Signed));
      QVERIFY(store_->Approval(amendment.number));
    } else if (setup == "signed") {
      QCOMPARE(int(store_->Sign(number, "anna", kRight, "Zatwierdzam").outcome), int(RecordStore::SignResult::Signed));
    }
    const int before = store_->History().size();
    const std::optional<SignatureRecord> approvalBefore = store_->Approval(number);
    const RecordStore::SignResult result = store_->Sign(number, signer, password, "Zatwierdzam");
    QCOMPARE(int(result.outcome), outcome);
    QVERIFY(!SignResultText(result, number, signer).isEmpty());
    if (outcome != int(RecordStore::SignResult::Signed)) {
      QCOMPARE(store_->History().size(), before);  // nothing kept
      QCOMPARE(store_->Approval(number), approvalBefore);
      return;
    }
    // The signature: a record of its own, chained, linked to the calibration by its number and
    // the SHA-256 of its stored content.
    const std::optional<SignatureRecord> approval = store_->Approval(number);
    QVERIFY(approval);
    QCOMPARE(*approval, result.signature);
    QCOMPARE(approval->signer, QString("anna"));
    QCOMPARE(approval->printedName, QString("Anna Nowak"));
    QCOMPARE(approval->role, QString("approver"));
    QCOMPARE(approval->meaning, QString("Zatwierdzam"));
    QCOMPARE(approval->calibration, number);
    QVERIFY(approval->at.isValid() && approval->at.timeSpec() == Qt::UTC);
    const QString stored = Rows(QString("SELECT hash FROM records WHERE number = '%1'").arg(number)).value(0);
    QCOMPARE(approval->recordHash, stored);
    QCOMPARE(store_->Signature(approval->number), approval);
    const QList<RecordSummary> history = store_->History("SN-1");
    QVERIFY(std::any_of(history.begin(), history.end(), [&](const RecordSummary& r) {
      return r.number == approval->number && r.kind == "signature" && r.technician == "anna";
    }));
    QCOMPARE(store_->Verify(false), QList<RecordStore::Finding>{});
  }

  // After the signing, a change to either record past the program takes the approval away
  // (and the chain check names the record).
  void changedAfterSigning_data() {
    QTest::addColumn<bool>("signature");  // which record is changed: the signature, else the calibration
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("resealed");  // its own hash made anew, as one who knows the program would
    QTest::newRow("the calibration's readings") << false << "100.1" << "100.0" << false;
    QTest::newRow("the calibration's readings, resealed") << false << "100.1" << "100.0" << true;
    QTest::newRow("the calibration's serial column") << false << "SN-1" << "SN-2" << false;
    QTest::newRow("the signature's meaning") << true << "Zatwierdzam" << "Odrzucam" << false;
    QTest::newRow("the signature's hash of the calibration") << true << "record_hash\":\"" << "record_hash\":\"0"
                                                             << false;
  }
  void changedAfterSigning() {
    QFETCH(bool, signature);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, resealed);
    const RecordStore::SignResult signed_ = store_->Sign(calibration_.number, "anna", kRight, "Zatwierdzam");
    QCOMPARE(int(signed_.outcome), int(RecordStore::SignResult::Signed));
    const QString number = signature ? signed_.signature.number : calibration_.number;
    QVERIFY(PastTheProgram(path(), {"DROP TRIGGER records_no_update",
                                    QString("UPDATE records SET body = replace(body, '%1', '%2'), serial ="
                                            " replace(serial, '%1', '%2') WHERE number = '%3'")
                                        .arg(from, to, number)}));
    if (resealed) {
      QList<QVariant> row;
      for (const QString& value : Rows(QString("SELECT %1 FROM records WHERE number = '%2'")
                                           .arg(records_sql::kColumns, number)).value(0).split('|'))
        row << value;
      QVERIFY(PastTheProgram(path(), {QString("UPDATE records SET hash = '%1' WHERE number = '%2'")
                                          .arg(records_sql::RowHash(row), number)}));
    }
    QVERIFY(!store_->Approval(calibration_.number));
    if (!resealed)
      QCOMPARE(store_->Verify(false), (QList<RecordStore::Finding>{{number, RecordStore::Finding::Changed}}));
    else
      QVERIFY(!store_->Verify(false).isEmpty());  // the signature after it names the old hash
  }

  // Three wrong passwords in a row pause signing as that person, for every program of the
  // installation, whatever the password then; a right one before the third starts the count
  // anew; after the pause there are three tries again.
  void threeWrongPasswordsPause() {
    using R = RecordStore::SignResult;
    const QString number = calibration_.number;
    QCOMPARE(store_->Sign(number, "anna", "wrong-1x", "Zatwierdzam").triesLeft, 2);
    QCOMPARE(store_->Sign(number, "anna", "wrong-2x", "Zatwierdzam").triesLeft, 1);
    // Another person's tries are their own.
    QCOMPARE(store_->Sign(number, "jan", "wrong-1x", "Zatwierdzam").triesLeft, 2);
    const R third = store_->Sign(number, "anna", "wrong-3x", "Zatwierdzam");
    QCOMPARE(int(third.outcome), int(R::WrongPassword));
    QCOMPARE(third.triesLeft, 0);
    QCOMPARE(third.secondsLeft, RecordStore::kSigningPauseSeconds);
    const R paused = store_->Sign(number, "anna", kRight, "Zatwierdzam");
    QCOMPARE(int(paused.outcome), int(R::Paused));
    QVERIFY(paused.secondsLeft > 0 && paused.secondsLeft <= RecordStore::kSigningPauseSeconds);
    QVERIFY(!store_->Approval(number));
    {
      RecordStore other("B1");  // another program on the same file
      QVERIFY(other.Open(path(), &error_));
      QCOMPARE(int(other.Sign(number, "anna", kRight, "Zatwierdzam").outcome), int(R::Paused));
    }
    // The pause is over (its tries moved back past it): three tries again.
    QVERIFY(PastTheProgram(path(), {"UPDATE sign_attempts SET at_utc = '2026-01-01T00:00:0' || rowid || '.000Z'"}));
    QCOMPARE(store_->Sign(number, "anna", "wrong-4x", "Zatwierdzam").triesLeft, 2);
    QCOMPARE(int(store_->Sign(number, "anna", kRight, "Zatwierdzam").outcome), int(R::Signed));
  }

  // The register: an id once, fields checked, states added and never changed, the newest counts;
  // a password kept only as its Argon2id hash.
  void registering_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("refusal");  // a part of the reason; empty: registered
    QTest::newRow("a technician") << "piotr" << "Piotr Wiśniewski" << "technician" << kRight << "";
    QTest::newRow("an id taken, even by one deactivated") << "ewa" << "Ewa Nowa" << "approver" << kRight << "already";
    QTest::newRow("an id with a space") << "piotr w" << "Piotr" << "technician" << kRight << "spaces";
    QTest::newRow("no name") << "piotr" << "  " << "technician" << kRight << "name";
    QTest::newRow("another role") << "piotr" << "Piotr" << "manager" << kRight << "role";
    QTest::newRow("a short password") << "piotr" << "Piotr" << "approver" << "1234567" << "8 characters";
  }
  void registering() {
    QFETCH(QString, id);
    QFETCH(QString, name);
    QFETCH(QString, role);
    QFETCH(QString, password);
    QFETCH(QString, refusal);
    const int before = store_->People().size();
    QString error;
    QCOMPARE(store_->AddPerson({id, name, role}, password, &error), refusal.isEmpty());
    QVERIFY2(error.contains(refusal), qPrintable(error));
    QCOMPARE(store_->People().size(), before + refusal.isEmpty());
    if (!refusal.isEmpty()) return;
    const std::optional<Person> added = store_->FindPerson(id);
    QVERIFY(added && added->active && added->version == 1 && added->name == name && added->role == role);
  }
  void registerIsAppendOnly() {
    QCOMPARE(store_->People().size(), 3);
    QCOMPARE(store_->People(true).size(), 2);  // ewa is not active
    QVERIFY(!store_->FindPerson("ewa")->active);
    QCOMPARE(store_->FindPerson("ewa")->version, 2);
    QVERIFY2(store_->SetPassword("jan", "jan's-new-password", &error_), qPrintable(error_));
    QCOMPARE(store_->FindPerson("jan")->version, 2);
    QCOMPARE(store_->FindPerson("jan")->name, QString("Jan Kowalski"));
    QString error;
    for (const QString& sql : {QString("UPDATE people SET active = 1 WHERE id = 'ewa'"),
                               QString("DELETE FROM people WHERE id = 'ewa'"),
                               QString("INSERT OR REPLACE INTO people SELECT * FROM people WHERE id = 'ewa'")}) {
      QVERIFY2(!PastTheProgram(path(), {sql}, &error), qPrintable(sql));
      QVERIFY2(error.contains("never"), qPrintable(error));
    }
    const QStringList hashes = Rows("SELECT password FROM people");
    QCOMPARE(hashes.size(), 5);  // three people, two of them with a second state
    for (const QString& hash : hashes) {
      QVERIFY2(hash.startsWith("$argon2id$"), qPrintable(hash));
      QVERIFY(!hash.contains(kRight));
    }
  }

  // A store of version 2 (no register) opens as version 3 with every record and its chain as
  // they were, and the chain goes on from them.
  void versionTwoUpgrades() {
    TransferRecord t;
    t.serial = "SN-2";
    t.at = calibration_.at;
    QVERIFY(!store_->Add(t, &error_).isEmpty());
    store_.reset();
    const QStringList before = Rows("SELECT * FROM records ORDER BY number");
    QCOMPARE(before.size(), 2);
    QVERIFY(PastTheProgram(path(), {"DROP TABLE people", "DROP TABLE sign_attempts", "DELETE FROM schema_version",
                                    "INSERT INTO schema_version VALUES (2)"}));
    RecordStore store("B1");
    QVERIFY2(store.Open(path(), &error_), qPrintable(error_));
    QVERIFY(!store.ReadOnly());
    QVERIFY(store.People().isEmpty());
    QCOMPARE(Rows("SELECT * FROM records ORDER BY number"), before);
    QCOMPARE(Rows("SELECT MAX(version) FROM schema_version"), QStringList{"3"});
    QCOMPARE(store.Verify(false), QList<RecordStore::Finding>{});
    QVERIFY2(store.AddPerson({"anna", "Anna Nowak", "approver"}, kRight, &error_), qPrintable(error_));
    QCOMPARE(int(store.Sign(calibration_.number, "anna", kRight, "Approved").outcome),
             int(RecordStore::SignResult::Signed));
    QCOMPARE(store.Verify(false), QList<RecordStore::Finding>{});
    QCOMPARE(Rows("SELECT link FROM records ORDER BY link"), (QStringList{"1", "2", "3"}));
  }

  // One register for the lab, the server's: a person registered at one bench signs at another,
  // the signature goes to the server and the other bench sees the approval; while the server is
  // away the register cannot change; the working role cannot change a person.
  void postgresRoundTrip() {
    if (!PostgresCluster::Available()) QSKIP("PostgreSQL is not installed (scripts/bootstrap installs it)");
    PostgresCluster cluster;
    QVERIFY2(cluster.start(), qPrintable(cluster.error()));
    const RecordStore::Server owner{"127.0.0.1", cluster.port(), "records", "fluxa", ""};
    RecordStore::Server worker = owner;
    worker.user = "bench";
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "roles");
      db.setHostName("127.0.0.1");
      db.setPort(cluster.port());
      db.setDatabaseName("records");
      db.setUserName("fluxa");
      QVERIFY(db.open());
      QVERIFY(QSqlQuery(db).exec("CREATE ROLE bench LOGIN"));
      db.close();
    }
    QSqlDatabase::removeDatabase("roles");
    QVERIFY2(RecordStore::SetUpServer(owner, "bench", &error_), qPrintable(error_));
    // The bench of init() was a lab of its own: its people go to the server when it connects.
    QVERIFY2(store_->ConnectServer(worker, &error_), qPrintable(error_));
    QCOMPARE(store_->Waiting(), 0);

    RecordStore other("B2");
    QVERIFY(other.Open(dir_->filePath("other.sqlite"), &error_));
    QVERIFY2(other.ConnectServer(worker, &error_), qPrintable(error_));
    QCOMPARE(other.People().size(), 3);
    QVERIFY2(other.AddPerson({"olga", "Olga Wójcik", "approver"}, kRight, &error_), qPrintable(error_));
    QVERIFY(store_->FindPerson("olga"));
    const RecordStore::SignResult signed_ = store_->Sign(calibration_.number, "olga", kRight, "Approved");
    QCOMPARE(int(signed_.outcome), int(RecordStore::SignResult::Signed));
    QCOMPARE(store_->Waiting(), 0);
    QCOMPARE(other.Approval(calibration_.number), signed_.signature);
    QCOMPARE(other.Verify(true), QList<RecordStore::Finding>{});

    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "worker");
      db.setHostName("127.0.0.1");
      db.setPort(cluster.port());
      db.setDatabaseName("records");
      db.setUserName("bench");
      QVERIFY(db.open());
      for (const char* sql : {"UPDATE people SET active = 1", "DELETE FROM people", "TRUNCATE people",
                              "ALTER TABLE people DISABLE TRIGGER people_no_change"}) {
        QSqlQuery q(db);
        QVERIFY2(!q.exec(sql), sql);
      }
      db.close();
    }
    QSqlDatabase::removeDatabase("worker");

    // A server named but away: the copy of the register serves the signing, and does not change.
    RecordStore away("B2");
    QVERIFY(away.Open(dir_->filePath("other.sqlite"), &error_));
    RecordStore::Server gone = worker;
    gone.port = 1;
    QVERIFY(!away.ConnectServer(gone, &error_));
    QCOMPARE(away.People().size(), 4);
    QVERIFY(!away.AddPerson({"piotr", "Piotr", "technician"}, kRight, &error_));
    QVERIFY2(error_.contains("cannot be reached"), qPrintable(error_));
    QVERIFY(!away.DeactivatePerson("olga", &error_));
  }

 private:
  QString path() const { return dir_->filePath("records.sqlite"); }
  // The rows a query gives on the file, each as its columns joined.
  QStringList Rows(const QString& sql) const {
    QStringList rows;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "rows");
      db.setDatabaseName(path());
      QSqlQuery q(db);
      if (db.open() && q.exec(sql))
        while (q.next()) {
          QStringList columns;
          for (int i = 0; i < q.record().count(); ++i) columns << q.value(i).toString();
          rows << columns.join('|');
        }
      q = QSqlQuery();
      db.close();
    }
    QSqlDatabase::removeDatabase("rows");
    return rows;
  }
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<RecordStore> store_;
  CalibrationRecord calibration_;
  QString error_;
};

QTEST_GUILESS_MAIN(TestSignatures)
#include "test_signatures.moc"
