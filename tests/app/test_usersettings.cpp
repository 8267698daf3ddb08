// The user's values in a real INI settings file: what is written, what a missing or damaged
// file reads as, and that the rest of the file survives.
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "settings/UserSettings.h"

class TestUserSettings : public QObject {
  Q_OBJECT
  std::unique_ptr<QTemporaryDir> dir_;
  QString path_;

  void WriteRaw(const QByteArray& text) {
    QFile file(path_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

 private slots:
  // A fresh file name for every case: QSettings caches files by name within a process.
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    path_ = dir_->filePath("FLUXA3.ini");
    qputenv("FLUXA_SETTINGS", path_.toLocal8Bit());
  }

  void roundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("company");
    QTest::addColumn<bool>("service");
    QTest::newRow("plain") << "Jan Kowalski" << "Ferrolab" << true;
    QTest::newRow("spaces kept") << "  Jan " << " Firma  " << false;
    QTest::newRow("comma, quotes, ini syntax") << "Kowalski, Jan" << "\"Pole\"; #1 [x] a=b\\c" << true;
    QTest::newRow("Polish letters") << "Żaneta Łęcka" << "Zakład Ćwiczeń" << false;
    QTest::newRow("looks like a number or variant") << "007" << "@Variant(1)" << false;
    QTest::newRow("empty") << "" << "" << true;
  }
  void roundTrip() {
    QFETCH(QString, name);
    QFETCH(QString, company);
    QFETCH(bool, service);
    QVERIFY(!UserSettingsKeyExists());
    QVERIFY(WriteUserSettings({name, company, service}));
    QVERIFY(UserSettingsKeyExists());
    const UserSettings read = ReadUserSettings();
    QCOMPARE(read.name, name);
    QCOMPARE(read.company, company);
    QCOMPARE(read.service, service);

    // Top level of the file, and the flag as a number rather than "true"/"false".
    QSettings raw(path_, QSettings::IniFormat);
    QVERIFY(raw.childGroups().isEmpty());
    QCOMPARE(raw.value("service").toString(), service ? QString("1") : QString("0"));
  }

  void missingFileReadsEmpty() {
    const UserSettings read = ReadUserSettings();
    QCOMPARE(read.name, QString(""));
    QCOMPARE(read.company, QString(""));
    QCOMPARE(read.service, false);
    QVERIFY(!UserSettingsKeyExists());
    QVERIFY(!QFile::exists(path_));  // reading creates nothing
  }

  // Only the port mapping: the user's key does not exist yet; writing keeps the mapping.
  void otherSectionsAreNotTheKeyAndSurvive() {
    WriteRaw("[ports]\nCOM1=/dev/ttyUSB0\n");
    QVERIFY(!UserSettingsKeyExists());
    QVERIFY(WriteUserSettings({"Jan", "Ferrolab", false}));
    QCOMPARE(QSettings(path_, QSettings::IniFormat).value("ports/COM1").toString(),
             QString("/dev/ttyUSB0"));
  }

  void storedFlag_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("service");
    QTest::addColumn<QString>("company");
    QTest::newRow("1") << QByteArray("service=1\n") << true << "";
    QTest::newRow("0") << QByteArray("service=0\n") << false << "";
    QTest::newRow("other number") << QByteArray("service=2\n") << true << "";
    QTest::newRow("unreadable") << QByteArray("service=abc\n") << false << "";
    QTest::newRow("number then text") << QByteArray("service=1abc\n") << false << "";
    QTest::newRow("empty") << QByteArray("service=\n") << false << "";
    QTest::newRow("boolean word") << QByteArray("service=true\n") << true << "";
    QTest::newRow("name only") << QByteArray("name=Jan\n") << false << "";
    QTest::newRow("unquoted comma") << QByteArray("company=Pole, Sp. z o.o.\n") << false
                                    << "Pole, Sp. z o.o.";
  }
  void storedFlag() {
    QFETCH(QByteArray, file);
    QFETCH(bool, service);
    QFETCH(QString, company);
    WriteRaw("[General]\n" + file);
    QVERIFY(UserSettingsKeyExists());
    QCOMPARE(ReadUserSettings().service, service);
    QCOMPARE(ReadUserSettings().company, company);
  }

  // A store that cannot be written is reported, not taken for saved.
  void unwritableStoreReportsFailure() {
    WriteRaw("");
    qputenv("FLUXA_SETTINGS", (path_ + "/FLUXA3.ini").toLocal8Bit());  // below a plain file
    QVERIFY(!WriteUserSettings({"Jan", "Ferrolab", true}));
  }
};

QTEST_GUILESS_MAIN(TestUserSettings)
#include "test_usersettings.moc"
