// Screenshots of the calibration wizard for a person to look at (not part of CTest):
//   xvfb-run -a build/tests/wizard/shots_wizard <folder>
// The wizard runs against fluxa-sim (--unit Gs) through a whole calibration and saves
// <folder>/wizard-<scene>.png.
#include <QtTest>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTabWidget>

#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"
#include "store/RecordsSettings.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/KalibracjaWykres.h"

namespace {
using Phase = CalibrationSteps::Phase;
QString folder;

void Save(QWidget& w, const QString& name) {
  QTest::qWait(300);
  const QString path = QDir(folder).filePath("wizard-" + name + ".png");
  w.grab().save(path);
  qInfo("saved %s", qPrintable(path));
}
}  // namespace

class WizardShots : public QObject {
  Q_OBJECT
 private slots:
  void pages() {
    MessageRecorder messages;
    SimProcess sim({"--unit", "Gs", "--field", "100", "--gain", "16000", "--noise", "0.3"});
    QVERIFY(sim.start());
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    qputenv("FLUXA_COM2", sim.referencePath().toUtf8());
    // Settings and records of the scene's own: the reference reads in the meter's unit.
    QTemporaryDir dir;
    qputenv("FLUXA_SETTINGS", dir.filePath("settings.ini").toUtf8());
    qputenv("FLUXA_RECORDS", dir.filePath("records.sqlite").toUtf8());
    RecordsSettings settings = ReadRecordsSettings();
    settings.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.05, 2, 0.01, "Gs"};
    QVERIFY(WriteRecordsSettings(settings));
    TkKalibracja wizard;
    QVERIFY(wizard.OpenFor(nullptr, 0, 1, QStringLiteral("KV-0001")));
    wizard.kKlient->setEditText(QStringLiteral("Huta Łabędy S.A."));
    wizard.kKlientAdres->setText(QStringLiteral("ul. Zawadzkiego 1, 44-109 Gliwice"));
    wizard.kProducent->setText(QStringLiteral("Fluxa Instruments"));
    wizard.kModel->setText(QStringLiteral("FX-3"));
    wizard.kTechnik->setEditText(QStringLiteral("Anna Żak"));
    wizard.kTemperatura->setValue(22.5);
    wizard.kWilgotnosc->setValue(45);
    Save(wizard, "page0");
    wizard.kDalejClick();
    QTRY_VERIFY_WITH_TIMEOUT(wizard.Phase() == Phase::Sampling, 20000);
    for (const char* field : {"100", "200", "300", "-150"}) {
      QVERIFY(sim.command(QString("field ") + field));
      QTest::qWait(1200);
      wizard.kWizardRejestrujClick();
      QTRY_VERIFY_WITH_TIMEOUT(wizard.Phase() == Phase::Sampling, 5000);
    }
    QTest::qWait(800);
    Save(wizard, "page1");
    wizard.kPageControl->setCurrentIndex(2);
    Save(wizard, "opcje");
    wizard.kPageControl->setCurrentIndex(1);
    Save(wizard, "wykres");
    wizard.kTabWykres->kWykresCheckBox5->click();
    wizard.kTabWykres->kWykresCheckBox6->click();
    Save(wizard, "wykres-po-zmianie");
    wizard.kPageControl->setCurrentIndex(0);
    QVERIFY(sim.command("field 100"));
    QTest::qWait(1200);
    wizard.kDalejClick();
    QTRY_VERIFY_WITH_TIMEOUT(wizard.Phase() == Phase::Ready, 5000);
    Save(wizard, "page2");
    wizard.kStartClick();
    QTRY_VERIFY_WITH_TIMEOUT(wizard.Phase() == Phase::Found, 60000);
    Save(wizard, "page2-found");
    wizard.close();
    QTRY_VERIFY_WITH_TIMEOUT(!wizard.isVisible(), 20000);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/fluxa-shots");
  QDir().mkpath(folder);
  WizardShots shots;
  char* args[] = {argv[0]};
  return QTest::qExec(&shots, 1, args);
}
#include "shots_wizard.moc"
