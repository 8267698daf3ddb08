// Screenshots of the main window for a person to look at (not part of CTest):
//   xvfb-run -a build/tests/e2e/shots <folder>
// Each scene runs the real window against fluxa-sim and saves <folder>/<scene>.png.
#include <QtTest>
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include "settings/Jezyki.h"
#include "measurement/WykresWidget.h"
#include "tests/e2e/LiveWindow.h"
#include "app/ServicePanel.h"
#include "common/Pacing.h"
#include "tests/parameters/ReferenceCalibration.h"
#include <QTabWidget>

namespace {
QString folder;

void Save(QWidget& w, const QString& name) {
  QTest::qWait(300);
  w.grab().save(QDir(folder).filePath(name + ".png"));
  qInfo("saved %s", qPrintable(QDir(folder).filePath(name + ".png")));
}
}  // namespace

class Shots : public QObject {
  Q_OBJECT
 private slots:
  void connectedPolish() {
    LiveWindow live({"--rate", "20", "--field", "12.34", "--noise", "0.3", "--temp", "23.4"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QTest::qWait(2500);
    Save(live.window, "connected-pl");
  }
  void sineAutoAndManual() {
    LiveWindow live({"--rate", "40", "--wave", "sine", "--amplitude", "40", "--offset", "50",
                     "--period", "4", "--unit", "Gs", "--range", "2"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    QTest::qWait(9000);
    Save(live.window, "chart-auto");
    live.window.Autoskalowanie->click();
    live.window.W->setValue(40);
    QTest::qWait(3000);
    Save(live.window, "chart-manual");
  }
  void englishServiceAcNoProbe() {
    CurrentLanguage = "Angielski";
    LiveWindow live({"--rate", "20", "--field", "-0.05", "--unit", "kA/m", "--ac", "--temp", "none"});
    QVERIFY(live.Start());
    live.window.ApplyLanguage();
    QVERIFY(live.Connect());
    live.window.ShowServiceMode();
    QTest::qWait(1500);
    live.window.LastWYnik->click();
    Save(live.window, "english-service-paused");
    QVERIFY(live.sim.command("silence on"));
    live.window.UkrysSerwisClick();
    QTest::qWait(1500);
    Save(live.window, "english-silent");
    CurrentLanguage = "Polski";
  }
  void servicePanelTabs() {
    LiveWindow live({"--rate", "20", "--field", "12.34", "--temp", "23.4"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    live.window.ShowServiceMode();
    live.window.Send->SetParameters(ReferenceParameters());
    const char* const names[] = {"sondy", "temperatura", "inne", "diagnostyka"};
    for (int tab = 0; tab < live.window.Send->PageControl1->count(); ++tab) {
      live.window.Send->PageControl1->setCurrentIndex(tab);
      Save(live.window, QString("service-") + names[tab]);
    }
    // Half-way through a transfer: the progress shows.
    int pauses = 0;
    const PacingHooks previous = SetPacingHooks({[&](int ms) {
                                                   if (++pauses == 12)
                                                     live.window.grab().save(QDir(folder).filePath("service-transfer.png"));
                                                   QThread::msleep(ms);
                                                 },
                                                 {}});
    live.window.Send->WyslijClick();
    SetPacingHooks(previous);
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/fluxa-shots");
  QDir().mkpath(folder);
  Shots shots;
  char* args[] = {argv[0]};
  return QTest::qExec(&shots, 1, args);
}
#include "shots.moc"
