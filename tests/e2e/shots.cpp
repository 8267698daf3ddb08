// Screenshots of the main window for a person to look at (not part of CTest):
//   xvfb-run -a build/tests/e2e/shots <folder> [scene...]
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
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSpinBox>

#include "app/GuideWin.h"
#include "app/HistoryWin.h"
#include "app/settings/DatabaseWin.h"
#include "app/settings/MqttWin.h"
#include "store/RecordStore.h"
#include "app/PrintDialogs.h"
#include "app/settings/PortDevicesWin.h"
#include "common/PrintCanvas.h"
#include "parameters/PrintData.h"
#include "records/SpeedStep.h"
#include "records/RaportLayout.h"
#include "records/raport.h"
#include "settings/ProgramLanguage.h"
#include "app/FileDialogs.h"
#include "parameters/CardLayout.h"
#include "records/DataExport.h"
#include "tests/common/StartRecording.h"
#include <QCheckBox>
#include <QPdfWriter>
#include <QProcess>

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
                                                   return ms;
                                                 },
                                                 {}});
    live.window.Send->WyslijClick();
    live.sim.pumpUntil([&] { return !live.window.Send->Transferring(); }, 30000);
    SetPacingHooks(previous);
  }
  // The chart's scale live and in the file view, the chart's pictures with their scale as the
  // program writes them, the export's save dialog and the status line after a live export, the
  // chart's menu, the port dialog's note of a long device path, a transfer's end on the status
  // line, and the printouts with long typed texts as pages (pdftoppm).
  void dataOut() {
    QTemporaryDir dir;
    qputenv("FLUXA_SETTINGS", dir.filePath("FLUXA3.ini").toUtf8());
    LiveWindow live({"--rate", "40", "--wave", "sine", "--amplitude", "3", "--offset", "1",
                     "--period", "5"});
    QVERIFY(live.Start());
    QVERIFY(live.Connect());
    const QString data = dir.filePath("pomiar.F3D");
    StartRecordingEveryResult(live.window, data);
    QTest::qWait(6000);
    Save(live.window, "scale-live-recording");
    for (QAction* item : {live.window.ChartPng1, live.window.ChartPng2x1}) {
      const QString picture = QDir(folder).filePath(item->objectName() == "ChartPng1" ? "chart-picture.png"
                                                                                      : "chart-picture-2x.png");
      SetFileDialogHook([picture](bool, const FileDialogSettings&) { return picture; });
      item->trigger();
    }
    live.window.ZakonczClick();
    SetFileDialogHook([data](bool, const FileDialogSettings&) { return data; });
    live.window.Otwrz1Click();
    Save(live.window, "scale-file-view");
    SetFileDialogHook({});

    const FileDialogSettings csv = CsvFileDialogSettings();
    QFileDialog files(&live.window, csv.caption, dir.path(), csv.filter);
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.selectFile(csv.proposedName);
    files.show();
    Save(files, "export-dialog");
    files.close();
    live.window.SpeedButton1->click();  // live again: the export takes the results shown
    QTest::qWait(1000);
    SetFileDialogHook([&](bool, const FileDialogSettings& settings) { return dir.filePath(settings.proposedName); });
    live.window.ExportCsv1->trigger();
    SetFileDialogHook({});
    Save(live.window, "export-live-status");

    const QByteArray meter = qgetenv("FLUXA_COM1");
    qputenv("FLUXA_COM1", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_AB0JXXXX-if00-port0");
    auto* ports = TPortDevicesWin::Open(&live.window, {{"/dev/ttyS0", ""}, {"/dev/ttyUSB0", "FT232R USB UART"}});
    Save(*ports, "port-dialog-long-note");
    ports->close();
    qputenv("FLUXA_COM1", meter);
    QTimer::singleShot(500, [&] {
      if (QWidget* menu = QApplication::activePopupWidget()) {
        menu->grab().save(QDir(folder).filePath("chart-menu.png"));
        menu->close();
      }
    });
    emit live.window.Wykres1->customContextMenuRequested(QPoint(300, 100));

    live.window.ShowServiceMode();
    live.window.Send->SetParameters(ReferenceParameters());
    live.window.Send->SaveEPROM->setChecked(true);
    const PacingHooks previous = SetPacingHooks({[](int) { return 2; }, {}});
    live.window.Send->WyslijClick();
    live.sim.pumpUntil([&] { return !live.window.Send->Transferring(); }, 30000);
    SetPacingHooks(previous);
    Save(live.window, "service-transfer-done");
    qunsetenv("FLUXA_SETTINGS");

    const QString name = QString("Laboratorium Badań Pól Elektromagnetycznych i Ochrony Środowiska "
                                 "Pracy imienia Profesora Jana Kowalskiego w Łodzi, Oddział Północ").left(120);
    RaportContents report{name, "Łódź", 2, "16,7", name, "07.12.2026", name, name};
    for (int row = 1; row <= 5; ++row)
      report.rows << QStringList{QString::number(row), name.left(20 * row), "12,34 mT", name.left(25 * row)};
    CalibrationCard card{ReferenceParameters(), name, "07.12.2026", name.left(30), name.left(30),
                         name.left(30), name.left(30), name.left(30), name.left(30), name.left(30),
                         name.left(30)};
    for (const QString& language : {"Polski", "Angielski"}) {
      CurrentLanguage = language;
      const QString pdf = dir.filePath("report-long-" + language + ".pdf");
      QPdfWriter writer(pdf);
      writer.setResolution(300);
      writer.setPageSize(QPageSize(QPageSize::A4));
      QVERIFY(PrintDocument(writer, [&](PrintCanvas& canvas) { LayoutRaport(canvas, report); }));
      QProcess::execute("pdftoppm", {"-r", "70", "-png", "-singlefile", pdf,
                                     QDir(folder).filePath("report-long-" + language)});
    }
    CurrentLanguage = "Polski";
    const QString pdf = dir.filePath("card-long.pdf");
    QPdfWriter writer(pdf);
    writer.setResolution(300);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QVERIFY(PrintDocument(writer, [&](PrintCanvas& canvas) { LayoutCalibrationCard(canvas, card); }));
    QProcess::execute("pdftoppm", {"-r", "70", "-png", "-singlefile", pdf, QDir(folder).filePath("card-long")});
  }

  // The user's guide's pictures, in both languages: guide/update-pictures copies them.
  void guidePictures_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("pl") << "Polski";
    QTest::newRow("en") << "Angielski";
  }
  void guidePictures() {
    QFETCH(QString, language);
    SetProgramLanguage(language);
    const QString suffix = language == "Polski" ? "-pl" : "-en";
    LiveWindow live({"--rate", "20", "--wave", "sine", "--amplitude", "30", "--offset", "40",
                     "--period", "6", "--temp", "22.8"});
    QVERIFY(live.Start());
    live.window.ApplyLanguage();
    QVERIFY(live.Connect());
    QTest::qWait(7000);
    Save(live.window, "guide-main" + suffix);

    // The port dialog as on a PC with a USB adapter, the choices in a settings file of its own.
    QTemporaryDir settings;
    qputenv("FLUXA_SETTINGS", settings.filePath("FLUXA3.ini").toUtf8());
    qunsetenv("FLUXA_COM1");
    qunsetenv("FLUXA_COM2");
    StoreDeviceForPort("COM1", "/dev/ttyUSB0");
    StoreDeviceForPort("COM2", "/dev/ttyS1");
    auto* ports = TPortDevicesWin::Open(&live.window, {{"/dev/ttyS0", ""}, {"/dev/ttyS1", ""},
                                                       {"/dev/ttyUSB0", "FT232R USB UART"}});
    Save(*ports, "guide-ports" + suffix);
    ports->close();
    qunsetenv("FLUXA_SETTINGS");

    TSpeedStepWin step(&live.window);
    step.show();
    Save(step, "guide-record" + suffix);
    step.close();

    auto* report = TRaport_Win::Open(&live.window, ProgramDialogs());
    report->Edit1->setText(language == "Polski" ? "Laboratorium Pomiarowe" : "Measurement Laboratory");
    report->Edit2->setText(language == "Polski" ? "Łódź" : "Lodz");
    report->Edit3->setText(language == "Polski" ? "Hala 2, stanowisko 4" : "Hall 2, bench 4");
    Save(*report, "guide-report" + suffix);
    report->close();

    // Publishing to MQTT and the lab's server of the records, as a lab fills them in, in a
    // settings file of their own; the history of a store with a few records.
    {
      QTemporaryDir store;
      qputenv("FLUXA_SETTINGS", store.filePath("FLUXA3.ini").toUtf8());
      auto* mqtt = TMqttWin::Open(&live.window);
      mqtt->Publikuj->setChecked(true);
      mqtt->Broker->setText("broker.lab");
      mqtt->Prefiks->setText("fluxa");
      mqtt->Uzytkownik->setText("hala2");
      mqtt->Stanowisko->setText("hala2-st4");
      Save(*mqtt, "guide-mqtt" + suffix);
      mqtt->close();
      auto* database = TDatabaseWin::Open(&live.window);
      database->Serwer->setText("kalibracje.lab");
      database->Baza->setText("records");
      database->Uzytkownik->setText("fluxa");
      database->Stanowisko->setText("HALA2");
      Save(*database, "guide-database" + suffix);
      database->close();
      qputenv("FLUXA_RECORDS", store.filePath("records.sqlite").toUtf8());
      {
        RecordStore records("HALA2");
        QVERIFY(records.Open(store.filePath("records.sqlite"), nullptr));
        for (int day = 3; day <= 5; ++day) {
          CalibrationRecord r;
          r.serial = QString("KV-%1").arg(200 + day);
          r.at = QDateTime(QDate(2026, 12, day), QTime(9, 30));
          r.technician = "Anna Nowak";
          r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.05};
          r.asFound = {{100, 97.4, r.at}, {50, 48.8, r.at}};
          r.asLeft = {{100, 100.1, r.at}, {50, 50.04, r.at}};
          r.slope = 0.974;
          r.gainAfter = 16382 + day;
          r.uncertainty = 0.21;
          r.passed = true;
          QVERIFY(!records.Add(r, nullptr).isEmpty());
        }
      }
      THistoryWin history;
      history.resize(900, 520);
      history.show();
      history.Reload();
      history.Select(0);
      Save(history, "guide-history" + suffix);
      history.close();
      qunsetenv("FLUXA_RECORDS");
      qunsetenv("FLUXA_SETTINGS");
    }

    live.window.ShowServiceMode();
    live.window.Send->SetParameters(ReferenceParameters());
    Save(live.window, "guide-service" + suffix);
    if (language == "Polski") {
      auto* card = TPrintDataWin::Open(&live.window, ProgramDialogs(),
                                       [] { return ReferenceParameters(); });
      Save(*card, "guide-card");
      card->close();
    }
    live.window.HideServiceMode();

    TGuideWin guide;
    guide.ShowGuide();
    Save(guide, "guide-window" + suffix);
    SetProgramLanguage("Polski");
  }

  // The toolkit's own dialogs in Polish: file dialog, overwrite question, print preview.
  void toolkitDialogsPolish() {
    SetProgramLanguage("Polski");
    QTemporaryDir dir;
    QFile existing(dir.filePath("pomiar.F3D"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    QFileDialog files(nullptr, "Zapisz do pliku", dir.path(), "Pliki danych (*.F3D)");
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.show();
    Save(files, "toolkit-file-dialog-pl");
    files.close();
    QMessageBox question(QMessageBox::Warning, "Zapisz do pliku",
                         QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                             .arg("pomiar.F3D"),
                         QMessageBox::Yes | QMessageBox::No);
    question.show();
    Save(question, "toolkit-overwrite-pl");
    question.close();
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [](QPrinter* p) {
      RaportContents contents;
      contents.institution = "Laboratorium Pomiarowe";
      contents.city = "Łódź";
      contents.date = FormatProgramDate(QDate::currentDate());
      for (int row = 1; row <= 5; ++row)
        contents.rows << QStringList{QString::number(row), "Stanowisko " + QString::number(row),
                                     QString::number(10.5 * row, 'f', 1).replace('.', ',') + " mT", ""};
      PrintDocument(*p, [contents](PrintCanvas& canvas) { LayoutRaport(canvas, contents); });
    });
    preview.resize(900, 700);
    preview.show();
    Save(preview, "toolkit-print-preview-pl");
    preview.close();
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/fluxa-shots");
  QDir().mkpath(folder);
  Shots shots;
  // Arguments after the folder name scenes to run (all when none), e.g. guidePictures.
  QStringList args{QString::fromLocal8Bit(argv[0])};
  for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return QTest::qExec(&shots, args);
}
#include "shots.moc"
