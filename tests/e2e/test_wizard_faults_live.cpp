// The wizard against fluxa-sim on its last paths: the meter gone as a gain frame is written,
// "<< Wstecz" while the reference meter's reply is on its way, a target too near zero, the
// units of both meters, a store that cannot keep the record (at the start, and at the end), and
// the initial gain left in the meter.
#include <QtTest>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include "store/RecordsSettings.h"
#include "tests/e2e/LiveWizard.h"
#include "wizard/GainSearch.h"
#include "wizard/PendingRecords.h"
#include "wizard/WizardTexts.h"

namespace {
bool AnyContains(const QStringList& texts, const QString& part) {
  return std::any_of(texts.begin(), texts.end(), [&](const QString& t) { return t.contains(part); });
}
void SetReferenceUnit(const QString& unit) {
  RecordsSettings settings = ReadRecordsSettings();
  settings.reference.unit = unit;
  QVERIFY(WriteRecordsSettings(settings));
}
}  // namespace

class TestWizardFaultsLive : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    qputenv("FLUXA_SETTINGS", dir_.filePath("settings.ini").toUtf8());
    qputenv("FLUXA_RECORDS", dir_.filePath("records.sqlite").toUtf8());
  }
  void init() { SetReferenceUnit("Gs"); }

  // The adapter pulled as the search's trial frame is written: the wizard closes and says so,
  // and a double-click opens it again (it never stays locked until the program restarts).
  void meterGoneAsAGainIsWritten() {
    LiveWizard live;
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QVERIFY(live.Readings("50.00", "40"));
    QVERIFY(live.Register());
    QVERIFY(live.sim.command("field 100"));
    QVERIFY(live.Readings("100.00", "80"));
    QVERIFY(live.Register());
    QVERIFY(live.sim.command("hangup-on-gain on"));
    live.wizard.kDalejClick();
    QVERIFY(live.Is(Phase::Ready));
    live.wizard.kStartClick();
    QVERIFY(live.sim.pumpUntil([&] { return !live.wizard.isVisible(); }, kStepTimeoutMs));
    QVERIFY(live.sim.pumpUntil([&] { return AnyContains(live.messages.texts(), wizard_text::kMeterLost); }, 5000));
    QVERIFY(live.Is(Phase::Idle));
    QCOMPARE(live.wizard.Steps().Refused(), 0);
    QVERIFY(!live.wizard.Link().kComKalib.Connected());
    QVERIFY(live.sim.pumpUntil([&] { return !live.wizard.Link().kComWzor.Connected(); }, kStepTimeoutMs));
    QVERIFY(live.wizard.OpenFor(nullptr, 0, 1, QStringLiteral("KV-0001")));
    QVERIFY(live.wizard.isVisible());
    QCOMPARE(live.Page(), 0);
  }

  // "<< Wstecz" on page 1, four times, each just after a frame asked the reference meter for a
  // measurement: ESC LO1 CR goes out only once the reply (20 ms after the query, then 12 bytes at
  // the line rate) is in, and no query follows it.
  void backWaitsForTheReply() {
    LiveWizard live;
    QVERIFY(live.Start());
    for (int round = 0; round < 4; ++round) {
      QVERIFY(live.Connect());
      QVERIFY(live.MorePolls(1));
      QVERIFY(live.BackToPage0());
      QVERIFY(live.sim.pumpUntil([&] { return live.sim.referenceCommands().last().bytes == kLo1; }, 5000));
      const auto commands = live.sim.referenceCommands();
      const qsizetype slave = commands.size() - 1;
      qsizetype lastQuery = slave;
      while (lastQuery >= 0 && commands[lastQuery].bytes != kMe1) --lastQuery;
      QVERIFY(lastQuery >= 0);
      const double gap = commands[slave].ms - commands[lastQuery].ms;
      QVERIFY2(gap >= 32, qPrintable(QString("ESC LO1 CR %1 ms after the query").arg(gap)));
      for (qsizetype i = lastQuery + 1; i < slave; ++i) QVERIFY(commands[i].bytes != kMe1);
    }
  }

  // Samples with the probe out of the field (readings near zero): "Dalej >>" on page 1 says so
  // and stays; the reference meter's unit must be chosen, and be the meter's.
  void page1Refusals_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("referenceUnit");
    QTest::addColumn<QString>("message");
    QTest::newRow("target near zero") << "0.5" << "Gs" << QString("zbyt bliski zera");
    QTest::newRow("no reference unit") << "50" << "" << wizard_text::kReferenceUnitNotChosen;
    QTest::newRow("another reference unit") << "50" << "mT" << wizard_text::UnitsDiffer("mT", "Gs");
  }
  void page1Refusals() {
    QFETCH(QString, field);
    QFETCH(QString, referenceUnit);
    QFETCH(QString, message);
    SetReferenceUnit(referenceUnit);
    LiveWizard live({"--field", field});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QVERIFY(live.MorePolls(2));
    QVERIFY(live.Register());
    QVERIFY(live.sim.command("field " + QString::number(field.toDouble() * 1.5)));
    QVERIFY(live.MorePolls(3));
    QVERIFY(live.Register());
    live.wizard.kDalejClick();
    QVERIFY(live.Is(Phase::Sampling));
    QVERIFY2(AnyContains(live.messages.texts(), message), qPrintable(live.messages.texts().join(" | ")));
    QCOMPARE(live.wizard.Samples().Count(), 2);
  }

  // A store that cannot keep a record: the wizard does not start, says why, and opens no port.
  void noStartWithoutTheStore() {
    QFile garbage(dir_.filePath("garbage.sqlite"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a record store at all");
    garbage.close();
    qputenv("FLUXA_RECORDS", garbage.fileName().toUtf8());
    LiveWizard live;
    QVERIFY(live.Start());
    live.wizard.kDalejClick();
    qputenv("FLUXA_RECORDS", dir_.filePath("records.sqlite").toUtf8());
    QVERIFY(live.Is(Phase::Idle));
    QCOMPARE(live.messages.texts().size(), 1);
    QVERIFY(live.messages.texts().first().startsWith("Nie można zapisać protokołu kalibracji ("));
    QVERIFY(!live.wizard.Link().kComKalib.Connected());
    QVERIFY(!live.wizard.Link().kComWzor.Connected());
    QVERIFY(live.sim.referenceCommands().isEmpty());
  }

  // The initial gain typed on page 0 stays in the meter when the wizard closes: the user is told.
  void initialGainLeftIsTold() {
    LiveWizard live;
    QVERIFY(live.Start());
    live.wizard.CheckBox3->setChecked(true);
    live.wizard.SpinEdit2->setValue(18000);
    QVERIFY(live.Connect());
    QVERIFY(live.Readings("50.00", "45"));  // 18000 of the true 20000
    live.wizard.close();
    QVERIFY(live.sim.pumpUntil([&] { return !live.wizard.isVisible(); }, kStepTimeoutMs));
    QVERIFY(live.sim.pumpUntil([&] { return AnyContains(live.messages.texts(), wizard_text::InitialGainKept(18000)); },
                               5000));
  }

  // A double-click on a Sondy cell while the wizard runs brings it to the front, as it was.
  void openWhileRunning() {
    LiveWizard live;
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    live.wizard.hide();
    QVERIFY(live.wizard.OpenFor(nullptr, 2, 2, QStringLiteral("KV-9")));
    QVERIFY(live.wizard.isVisible());
    QVERIFY(live.Is(Phase::Sampling));
    QCOMPARE(live.wizard.Steps().rangeIndex(), 0);
  }

  // The store refuses the record at the end (its file damaged meanwhile): the gain still goes
  // into the cell, the user is told where the record waits, and the next start stores it.
  void recordRefusedAtTheEndWaits() {
    const QString records = dir_.filePath("end.sqlite");
    qputenv("FLUXA_RECORDS", records.toUtf8());
    LiveWizard live({"--field", "100"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QVERIFY(live.Readings("100.00", "80"));
    QVERIFY(live.Register());
    QVERIFY(live.sim.command("field 50"));
    QVERIFY(live.Readings("50.00", "40"));
    QVERIFY(live.Register());
    QVERIFY(live.sim.command("field 100"));
    QVERIFY(live.Readings("100.00", "80"));
    live.wizard.kDalejClick();
    QVERIFY(live.Is(Phase::Ready));
    live.wizard.kStartClick();
    QVERIFY(live.Await({Phase::Found, Phase::Ready}));
    QVERIFY(live.Is(Phase::Found));
    live.wizard.kDalejClick();
    QVERIFY(live.Await({Phase::Checking}));
    // The file goes bad before "Zakoncz".
    QVERIFY(QFile::remove(records));
    QFile bad(records);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("damaged");
    bad.close();
    QString cell;
    live.wizard.OnGainChosen = [&](int, int, const QString& text) { cell = text; };
    live.wizard.kPomin->click();
    QVERIFY(live.sim.pumpUntil([&] { return !live.wizard.isVisible(); }, kStepTimeoutMs));
    QVERIFY(live.sim.pumpUntil([&] { return AnyContains(live.messages.texts(), "zostanie zapisany przy następnym"); }, 5000));
    QVERIFY(!cell.isEmpty());
    QCOMPARE(QDir(PendingRecordsFolder()).entryList({"*.json"}, QDir::Files).size(), 1);
    // The file mended: the next start stores the waiting record first.
    QVERIFY(QFile::remove(records));
    QVERIFY(live.wizard.OpenFor(nullptr, 0, 1, QStringLiteral("KV-0001")));
    live.messages.clear();
    QVERIFY(live.Connect());
    QCOMPARE(QDir(PendingRecordsFolder()).entryList({"*.json"}, QDir::Files).size(), 0);
    live.wizard.close();
    QVERIFY(live.sim.pumpUntil([&] { return !live.wizard.isVisible(); }, kStepTimeoutMs));
    qputenv("FLUXA_RECORDS", dir_.filePath("records.sqlite").toUtf8());
  }

 private:
  QTemporaryDir dir_;
};

QTEST_MAIN(TestWizardFaultsLive)
#include "test_wizard_faults_live.moc"
