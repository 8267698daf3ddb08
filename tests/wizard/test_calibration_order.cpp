// What a calibration's record takes beside the two meters: the earlier calibrations of a serial
// number offer their customers and the meter's maker and model, the order and the settings fill
// the record, and every field of it comes back from the store as it was written.
#include <QtTest>

#include <QTemporaryDir>

#include "store/RecordStore.h"
#include "store/RecordsSettings.h"
#include "wizard/CalibrationOrder.h"

namespace {
CalibrationRecord Calibration(const QString& serial, const QString& customer, const QString& address, int minute) {
  CalibrationRecord r;
  r.serial = serial;
  r.customer = customer;
  r.customerAddress = address;
  r.at = QDateTime(QDate(2026, 12, 7), QTime(10, minute), Qt::UTC);
  r.technician = "Anna Nowak";
  r.gainAfter = 20000;
  return r;
}
}  // namespace

class TestCalibrationOrder : public QObject {
  Q_OBJECT
 private slots:
  void earlierDetails_data();
  void earlierDetails();
  void recordTakesOrderAndSettings();
  void everyFieldComesBack();
  void techniciansFromTheRegister();
};

// Each row: the records kept, as "serial|customer|address|maker|model" in the order written (the
// last is the newest); the serial asked for; the customers offered; the maker and model offered.
void TestCalibrationOrder::earlierDetails_data() {
  QTest::addColumn<QStringList>("kept");
  QTest::addColumn<QString>("serial");
  QTest::addColumn<QStringList>("customers");
  QTest::addColumn<QString>("makerModel");
  QTest::newRow("none") << QStringList{} << "M-1" << QStringList{} << "|";
  QTest::newRow("newest first, each once")
      << QStringList{"M-1|Huta A|Kraków|Fluxa|FM-3", "M-1|Zakład B|Gdańsk||", "M-1|Huta A|Kraków||"}
      << "M-1" << QStringList{"Huta A|Kraków", "Zakład B|Gdańsk"} << "Fluxa|FM-3";
  QTest::newRow("same name, new address")
      << QStringList{"M-1|Huta A|Kraków||", "M-1|Huta A|Katowice|Fluxa|FM-4"} << "M-1"
      << QStringList{"Huta A|Katowice", "Huta A|Kraków"} << "Fluxa|FM-4";
  QTest::newRow("another meter's, and one without a customer")
      << QStringList{"M-2|Huta A|Kraków|Other|X", "M-1||||", "M-10|Zakład B|Gdańsk|Fluxa|FM-3"} << "M-1"
      << QStringList{} << "|";
}

void TestCalibrationOrder::earlierDetails() {
  QFETCH(QStringList, kept);
  QFETCH(QString, serial);
  QFETCH(QStringList, customers);
  QFETCH(QString, makerModel);
  QTemporaryDir dir;
  RecordStore store("B1");
  QVERIFY(store.Open(dir.filePath("records.sqlite"), nullptr));
  int minute = 0;
  for (const QString& line : kept) {
    const QStringList f = line.split('|');
    CalibrationRecord r = Calibration(f[0], f[1], f[2], ++minute);
    r.maker = f[3];
    r.model = f[4];
    QString error;
    QVERIFY2(!store.Add(r, &error).isEmpty(), qPrintable(error));
  }
  const EarlierDetails details = EarlierDetailsOf(store, serial);
  QStringList offered;
  for (const Customer& c : details.customers) offered << c.name + '|' + c.address;
  QCOMPARE(offered, customers);
  QCOMPARE(details.maker + '|' + details.model, makerModel);
}

void TestCalibrationOrder::recordTakesOrderAndSettings() {
  RecordsSettings settings;
  settings.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.05, 2.5, 0.01, "mT"};
  settings.tolerancePercent = 0.5;
  settings.toleranceDigits = 3;
  settings.uniformityPercent = 0.2;
  settings.decisionRule = "guarded";
  settings.laboratory = {"Lab", "ul. Polna 1, Łódź", "AP 123", "PB-07 wyd. 2"};
  CalibrationOrder order{" Huta A ", "Kraków", "Fluxa", "FM-3", "", 21.5, std::nullopt};
  CalibrationRecord r;
  FillFromOrder(r, order, settings, "Jan Kowalski", "Serwis");
  QCOMPARE(r.customer, QString("Huta A"));
  QCOMPARE(r.technician, QString("Jan Kowalski"));  // nobody chosen: the user
  QCOMPARE(r.company, QString("Serwis"));
  QCOMPARE(r.reference, settings.reference);
  QCOMPARE(r.laboratory, settings.laboratory);
  QCOMPARE(r.toleranceDigits, 3.0);
  QCOMPARE(r.uniformityPercent, 0.2);
  QCOMPARE(r.decisionRule, QString("guarded"));
  QCOMPARE(r.ambientTemperature, std::optional<double>(21.5));
  QVERIFY(!r.humidity);
  order.technician = "Ewa Lis";
  FillFromOrder(r, order, settings, "Jan Kowalski", "Serwis");
  QCOMPARE(r.technician, QString("Ewa Lis"));
}

// Every field a certificate prints is kept: a field the body forgets comes back different.
void TestCalibrationOrder::everyFieldComesBack() {
  QTemporaryDir dir;
  RecordStore store("B1");
  QVERIFY(store.Open(dir.filePath("records.sqlite"), nullptr));
  CalibrationRecord r = Calibration("M-1", "Huta A", "Kraków", 1);
  r.maker = "Fluxa";
  r.model = "FM-3";
  r.unit = "mT";
  r.laboratory = {"Lab", "ul. Polna 1", "AP 123", "PB-07"};
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.05, 2.5, 0.01, "mT"};
  r.asFound = {{10, 8.1, r.at}, {20, 16.2, r.at.addSecs(5)}, {30, 24.2, r.at.addSecs(9)}};
  r.asLeft = {{10, 10.01, r.at.addSecs(60)}};
  r.initialGain = 18000;
  r.gainBefore = 18000;
  r.probeTemperatureMin = 22.5;
  r.probeTemperatureMax = 23.25;
  r.ambientTemperature = 21;
  r.humidity = 45;
  r.toleranceDigits = 2;
  r.uniformityPercent = 0.1;
  r.decisionRule = "guarded";
  r.uncertainty = 0.031;
  r.coverage = 2.52;
  r.effectiveDof = 6.4;
  r.passed = true;
  QString error;
  const QString number = store.Add(r, &error);
  QVERIFY2(!number.isEmpty(), qPrintable(error));
  const std::optional<CalibrationRecord> back = store.Calibration(number);
  QVERIFY(back);
  r.written = back->written;
  QCOMPARE(*back, r);
}

// The register's active people are offered; the user's name only when it names nobody.
void TestCalibrationOrder::techniciansFromTheRegister() {
  QTemporaryDir dir;
  RecordStore store("B1");
  QVERIFY(store.Open(dir.filePath("records.sqlite"), nullptr));
  QCOMPARE(TechnicianChoices(store, " Jan Kowalski "), QStringList{"Jan Kowalski"});
  QCOMPARE(TechnicianChoices(store, ""), QStringList{});
  QString error;
  QVERIFY2(store.AddPerson({"anowak", "Anna Nowak", "technician"}, "hasło-anny-1", &error), qPrintable(error));
  QVERIFY2(store.AddPerson({"elis", "Ewa Lis", "approver"}, "hasło-ewy-12", &error), qPrintable(error));
  QVERIFY2(store.AddPerson({"pwolny", "Piotr Wolny", "technician"}, "hasło-piotra", &error), qPrintable(error));
  QVERIFY2(store.DeactivatePerson("pwolny", &error), qPrintable(error));
  QStringList names = TechnicianChoices(store, "Jan Kowalski");
  names.sort();
  QCOMPARE(names, (QStringList{"Anna Nowak", "Ewa Lis"}));
}

QTEST_GUILESS_MAIN(TestCalibrationOrder)
#include "test_calibration_order.moc"
