// fluxa-cli people and approve run as processes on a record store in a temporary folder
// (FLUXA_RECORDS), the passwords from the environment as a script gives them: the register
// kept and listed, a calibration signed only by the right password of an active approver, three
// wrong passwords pausing every later run, and bad command lines refused with nothing kept.
#include <QtTest>

#include "store/RecordStore.h"
#include "tests/cli/CliRun.h"

namespace {
const QString kRight = QStringLiteral("approver-password");

CalibrationRecord ACalibration() {
  CalibrationRecord r;
  r.serial = "A-100";
  r.at = QDateTime(QDate(2026, 12, 8), QTime(8, 0), Qt::UTC);
  r.technician = "jan";
  r.asFound = {{100, 80, r.at}, {50, 40, r.at}, {10, 8, r.at}};
  r.asLeft = {{100, 100.1, r.at}};
  r.gainAfter = 20000;
  return r;
}
}  // namespace

class TestCliApprove : public QObject {
  Q_OBJECT
  std::unique_ptr<QTemporaryDir> dir_;
  QString calibration_;

  QString records() const { return dir_->filePath("records.sqlite"); }
  // fluxa-cli on the test's store, with the people's and the approver's password when given.
  int Run(CliRun& cli, const QStringList& args, const QString& password = {}) {
    cli.env.insert("FLUXA_RECORDS", records());
    for (const char* name : {"FLUXA_PEOPLE_PASSWORD", "FLUXA_APPROVER_PASSWORD", "FLUXA_DB_PASSWORD"})
      cli.env.remove(name);
    if (!password.isNull()) {
      cli.env.insert("FLUXA_PEOPLE_PASSWORD", password);
      cli.env.insert("FLUXA_APPROVER_PASSWORD", password);
    }
    return cli.run(args);
  }
  int Run(const QStringList& args, const QString& password = {}) {
    CliRun cli;
    return Run(cli, args, password);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    RecordStore store("LAB");
    QString error;
    QVERIFY2(store.Open(records(), &error), qPrintable(error));
    CalibrationRecord r = ACalibration();
    calibration_ = store.Add(r, &error);
    QVERIFY(!calibration_.isEmpty());
    QCOMPARE(Run({"people", "add", "anna", "--name", "Anna Żak", "--role", "approver"}, kRight), 0);
    QCOMPARE(Run({"people", "add", "jan", "--name", "Jan Kowalski", "--role", "technician"}, kRight), 0);
    QCOMPARE(Run({"people", "add", "ewa", "--name", "Ewa Nowak", "--role", "approver"}, kRight), 0);
    QCOMPARE(Run({"people", "deactivate", "ewa"}), 0);
  }

  void peopleListed() {
    CliRun cli;
    QCOMPARE(Run(cli, {"people", "list"}), 0);
    const QStringList lines = QString::fromUtf8(cli.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0].section('\t', 0, 3), QString("anna\tAnna Żak\tapprover\tactive"));
    QCOMPARE(lines[1].section('\t', 0, 3), QString("ewa\tEwa Nowak\tapprover\tinactive"));
    QCOMPARE(lines[2].section('\t', 0, 3), QString("jan\tJan Kowalski\ttechnician\tactive"));
    QVERIFY(QDateTime::fromString(lines[0].section('\t', 4), Qt::ISODate).isValid());
  }

  // What a run of approve or people does, and whether the calibration is approved after it.
  void commands_data() {
    QTest::addColumn<QStringList>("args");  // NUMBER stands for the calibration's number
    QTest::addColumn<QString>("password");  // null: none in the environment
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("approved");
    QTest::newRow("the right password signs")
        << QStringList{"approve", "NUMBER", "--id", "anna"} << kRight << 0 << "Approved by Anna Żak (anna)" << true;
    QTest::newRow("in Polish, its meaning Polish")
        << QStringList{"approve", "NUMBER", "--id", "anna", "--lang", "pl"} << kRight << 0 << "„Zatwierdzam”" << true;
    QTest::newRow("a wrong password") << QStringList{"approve", "NUMBER", "--id", "anna"} << "not-the-password" << 1
                                      << "Wrong password for anna (2 tries left)" << false;
    QTest::newRow("no password and no terminal") << QStringList{"approve", "NUMBER", "--id", "anna"} << QString() << 1
                                                 << "FLUXA_APPROVER_PASSWORD" << false;
    QTest::newRow("an inactive approver") << QStringList{"approve", "NUMBER", "--id", "ewa"} << kRight << 1
                                          << "ewa is not active: nothing signed" << false;
    QTest::newRow("a technician") << QStringList{"approve", "NUMBER", "--id", "jan"} << kRight << 1
                                  << "jan is not an approver: nothing signed" << false;
    QTest::newRow("an id not registered") << QStringList{"approve", "NUMBER", "--id", "olga"} << kRight << 1
                                          << "olga is not in the register" << false;
    QTest::newRow("no such calibration") << QStringList{"approve", "LAB/2026/0099", "--id", "anna"} << kRight << 3
                                         << "There is no calibration LAB/2026/0099" << false;
    QTest::newRow("no --id") << QStringList{"approve", "NUMBER"} << kRight << 1 << "--id ID is missing" << false;
    QTest::newRow("an id taken") << QStringList{"people", "add", "ewa", "--name", "E", "--role", "approver"} << kRight
                                 << 3 << "registered already" << false;
    QTest::newRow("a short password") << QStringList{"people", "add", "olga", "--name", "O", "--role", "approver"}
                                      << "short" << 3 << "at least 8 characters" << false;
    QTest::newRow("no role") << QStringList{"people", "add", "olga", "--name", "O"} << kRight << 1 << "--role is missing"
                             << false;
    QTest::newRow("an unknown action") << QStringList{"people", "remove", "ewa"} << QString() << 1
                                       << "unknown action 'remove'" << false;
  }
  void commands() {
    QFETCH(QStringList, args);
    QFETCH(QString, password);
    QFETCH(int, exit);
    QFETCH(QString, told);
    QFETCH(bool, approved);
    args.replaceInStrings("NUMBER", calibration_);
    CliRun cli;
    cli.process.setStandardInputFile(QProcess::nullDevice());  // no terminal to ask on
    QCOMPARE(Run(cli, args, password), exit);
    QVERIFY2(QString::fromUtf8(cli.err).contains(told), cli.err.constData());
    RecordStore store("LAB");
    QString error;
    QVERIFY(store.Open(records(), &error));
    QCOMPARE(store.Approval(calibration_).has_value(), approved);
    QCOMPARE(store.History().size(), approved ? 2 : 1);
    QCOMPARE(store.People().size(), 3);
  }

  // Three wrong passwords in a row, in three runs, pause the fourth whatever its password.
  void threeWrongRunsPause() {
    const QStringList approve = {"approve", calibration_, "--id", "anna"};
    QCOMPARE(Run(approve, "wrong-one"), 1);
    QCOMPARE(Run(approve, "wrong-two"), 1);
    CliRun third;
    QCOMPARE(Run(third, approve, "wrong-three"), 1);
    QVERIFY2(third.err.contains("signing paused, try again in 60 s"), third.err.constData());
    CliRun fourth;
    QCOMPARE(Run(fourth, approve, kRight), 1);
    QVERIFY2(fourth.err.contains("signing paused"), fourth.err.constData());
    RecordStore store("LAB");
    QString error;
    QVERIFY(store.Open(records(), &error));
    QVERIFY(!store.Approval(calibration_));
  }
};

QTEST_GUILESS_MAIN(TestCliApprove)
#include "test_cli_approve.moc"
