// The records' windows: the history lists the local file (or the lab's server) newest first,
// filters by serial number as it is typed, shows a calibration's certificate and saves it as a
// PDF that reads back, exports the list as CSV; the database dialog keeps the server's settings
// but never its password, and connects to a real PostgreSQL cluster, sending what waits.
#include <QtTest>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>

#include "app/FileDialogs.h"
#include "app/HistoryWin.h"
#include "app/Main.h"
#include "app/settings/DatabaseWin.h"
#include "publish/PublishSettings.h"
#include "settings/Jezyki.h"
#include "store/RecordsSettings.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/PdfText.h"
#include "tests/common/PostgresCluster.h"

namespace {
CalibrationRecord ACalibration(const QString& serial, int day) {
  CalibrationRecord r;
  r.serial = serial;
  r.at = QDateTime(QDate(2026, 11, day), QTime(9, 30), Qt::UTC);
  r.technician = "Anna Nowak";
  r.company = "Laboratorium Pomiarów";
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.05};
  r.asFound = {{100, 80, r.at}, {50, 40, r.at}, {150, 120, r.at}};  // three: a scatter can be stated
  r.asLeft = {{100, 100.2, r.at}, {50, 50.1, r.at}};
  r.slope = 0.8;
  r.gainAfter = 20000;
  r.uncertainty = 0.21;
  r.passed = true;
  return r;
}

TransferRecord ATransfer(const QString& serial, int day) {
  TransferRecord r;
  r.serial = serial;
  r.at = QDateTime(QDate(2026, 11, day), QTime(10, 0), Qt::UTC);
  r.technician = "Jan Kowalski";
  for (int i = 0; i < 26; ++i) r.values << QString::number(i * 3);
  r.stored = true;
  r.framesSent = 25;
  return r;
}
}  // namespace

class TestHistory : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    qputenv("FLUXA_SETTINGS", dir_.filePath("settings.ini").toUtf8());
    qputenv("FLUXA_RECORDS", dir_.filePath("records.sqlite").toUtf8());
    qunsetenv("FLUXA_DB_PASSWORD");
    RecordStore store("B1");
    QVERIFY(store.Open(RecordsPath(), nullptr));
    // Oldest first: KV-100 calibrated, then sent its values; KV-200 calibrated twice.
    CalibrationRecord c1 = ACalibration("KV-100", 2), c3 = ACalibration("KV-200", 5), c4 = ACalibration("KV-200", 9);
    TransferRecord t2 = ATransfer("KV-100", 3);
    for (CalibrationRecord* c : {&c1, &c3, &c4}) QVERIFY(!store.Add(*c, nullptr).isEmpty());
    QVERIFY(!store.Add(t2, nullptr).isEmpty());
    numbers_ = {{"KV-100 cal", c1.number}, {"KV-100 transfer", t2.number}, {"KV-200 first", c3.number},
                {"KV-200 second", c4.number}};
  }

  void listAndFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");  // keys of numbers_, newest first
    QTest::newRow("all") << "" << QStringList{"KV-200 second", "KV-200 first", "KV-100 transfer", "KV-100 cal"};
    QTest::newRow("one meter") << "KV-1" << QStringList{"KV-100 transfer", "KV-100 cal"};
    QTest::newRow("part of the number") << "200" << QStringList{"KV-200 second", "KV-200 first"};
    QTest::newRow("none") << "XYZ" << QStringList{};
  }
  void listAndFilter() {
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);
    THistoryWin window;
    window.show();
    window.Filtr->setText(filter);
    QStringList numbers;
    for (const RecordSummary& r : window.Shown()) numbers << r.number;
    QStringList expected;
    for (const QString& key : shown) expected << numbers_.value(key);
    QCOMPARE(numbers, expected);
    QCOMPARE(window.EksportCsv->isEnabled(), !shown.isEmpty());
    QCOMPARE(window.Stan->text(), QString("Bez serwera: tylko plik lokalny"));  // no server named
    QCOMPARE(window.Drukuj->text(), QString("Drukuj świadectwo…"));
  }

  // A calibration shows its certificate, a transfer its values; the certificate saved as a PDF
  // reads back in the language chosen, and the list goes to CSV as shown.
  void certificateAndExport() {
    THistoryWin window;
    window.show();
    window.Filtr->setText("KV-100");
    window.Select(0);  // the transfer
    QCOMPARE(window.Szczegoly->currentWidget(), window.Przeslanie);
    QVERIFY(window.Przeslanie->toPlainText().contains(CellName(1) + ": 3"));
    QVERIFY(!window.ZapiszPdf->isEnabled());
    window.Select(1);  // the calibration
    QCOMPARE(window.Szczegoly->currentWidget(), static_cast<QWidget*>(window.Swiadectwo));
    QVERIFY(window.ZapiszPdf->isEnabled());

    QString asked;
    SetFileDialogHook([&](bool, const FileDialogSettings&) { return asked; });
    for (const auto& [language, title] : {std::pair{0, QString("Świadectwo wzorcowania")},
                                          std::pair{1, QString("Calibration certificate")}}) {
      asked = dir_.filePath(QString("certificate-%1.pdf").arg(language));
      window.Jezyk->setCurrentIndex(language);
      window.ZapiszPdfClick();
      const QString text = PdfPageTexts(asked).join('\n');
      QVERIFY2(text.contains(title), qPrintable(text));
      QVERIFY(text.contains(numbers_["KV-100 cal"]));
      QVERIFY(text.contains("KV-100"));
    }
    asked = dir_.filePath("history.csv");
    window.EksportCsvClick();
    SetFileDialogHook({});
    QFile csv(asked);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 4);  // the head, two records, the last line's end
    QVERIFY(lines[1].startsWith(numbers_["KV-100 transfer"].toUtf8()));
    QVERIFY(lines[2].startsWith(numbers_["KV-100 cal"].toUtf8()));
  }

  // The dialog keeps the server's settings, never the password; "connect" reaches a real server
  // and sends what waited in the local file; the history then reads the server.
  // A transfer shows each value under its cell's name, and its report, in the program's
  // language.
  void transferInTheLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("Polish") << "Polski"
                            << QStringList{"Sondy: AXIAL wzm. / DC 2: 3", "Filtr: Próg / DC 1: 51",
                                           "Zakres: Zakres 2 / Faza: 66", "Próg rodzaju sondy mV: 69",
                                           "Wysłano parametrów: 25, zapisano w EEPROM"};
    QTest::newRow("English") << "Angielski"
                             << QStringList{"Probes: AXIAL gain / DC 2: 3", "Filter: Threshold / DC 1: 51",
                                            "Range: Range 2 / Phase: 66", "Probe type threshold mV: 69",
                                            "Parameters sent: 25, stored in EEPROM"};
  }
  void transferInTheLanguage() {
    QFETCH(QString, language);
    QFETCH(QStringList, lines);
    CurrentLanguage = language;
    const auto polishAgain = qScopeGuard([] { CurrentLanguage = QStringLiteral("Polski"); });
    THistoryWin window;
    window.show();
    window.Filtr->setText("KV-100");
    window.Select(0);  // the transfer
    const QStringList shown = window.Przeslanie->toPlainText().split('\n');
    for (const QString& line : lines) QVERIFY2(shown.contains(line), qPrintable(shown.join('\n')));
  }

  void databaseDialog() {
    if (!PostgresCluster::Available()) QSKIP("PostgreSQL is not installed (scripts/bootstrap installs it)");
    PostgresCluster cluster;
    QVERIFY2(cluster.start(), qPrintable(cluster.error()));
    TMainWin main;
    auto* dialog = TDatabaseWin::Open(&main);
    dialog->Serwer->setText("127.0.0.1");
    dialog->Port->setValue(cluster.port());
    dialog->Baza->setText("records");
    dialog->Uzytkownik->setText("fluxa");
    dialog->Haslo->setText("tajne-haslo");
    dialog->Stanowisko->setText("B1");
    dialog->PolaczClick();
    QCOMPARE(dialog->Stan->text(), LookupText(120).arg(0));
    dialog->OKClick();
    QFile settings(dir_.filePath("settings.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray ini = settings.readAll();
    QVERIFY(ini.contains("127.0.0.1"));
    QVERIFY(!ini.contains("tajne-haslo"));
    QCOMPARE(DatabasePassword(), QString("tajne-haslo"));  // for this run only

    THistoryWin window;
    window.show();
    QCOMPARE(window.Shown().size(), 4);  // what the file held is on the server now
    QCOMPARE(window.Stan->text(), LookupText(120).arg(0));
    QVERIFY(cluster.stop());
    window.Reload();  // the server gone: the local file, and why
    QVERIFY(window.Stan->text().startsWith(LookupText(121).section('(', 0, 0)));
    QCOMPARE(window.Shown().size(), 4);
    RecordsSettings none = ReadRecordsSettings();
    none.host.clear();
    QVERIFY(WriteRecordsSettings(none));
  }

  // A correction is a new record naming the one it amends, its U worked out again; the
  // original stays as it was.
  void amendment() {
    THistoryWin window;
    window.show();
    window.Filtr->setText("KV-200");
    window.Select(0);
    const QString original = numbers_["KV-200 second"];
    QCOMPARE(window.Shown().first().number, original);
    window.PoprawClick();
    QVERIFY(window.Korekta);
    window.Korekta->Serial->setText("KV-201");
    window.Korekta->ReferenceU->setValue(0.5);
    QCOMPARE(window.Korekta->Autor->text(), QString());  // nothing filled in for the user
    // Without who and why nothing is kept, and the dialog stays with what was typed.
    for (const auto& [author, reason] : {std::pair{"", "typo"}, std::pair{"Ewa Lis", " "}}) {
      MessageRecorder messages;
      window.Korekta->Autor->setText(author);
      window.Korekta->Powod->setText(reason);
      window.Korekta->OK->click();
      QVERIFY(window.Korekta);
      QCOMPARE(messages.texts(), QStringList{LookupText(163)});
      QCOMPARE(window.Shown().first().number, original);
    }
    window.Korekta->Powod->setText("wrong serial typed");
    window.Korekta->OK->click();
    QVERIFY(!window.Korekta);
    const QString amended = window.Shown().first().number;
    QVERIFY(amended != original);
    QCOMPARE(window.Shown().first().amends, original);
    RecordStore store("any");
    QVERIFY(store.Open(RecordsPath(), nullptr));
    const auto corrected = store.Calibration(amended);
    QVERIFY(corrected);
    QCOMPARE(corrected->serial, QString("KV-201"));
    QCOMPARE(corrected->at, store.Calibration(original)->at);
    // U = k · 0.5 / 2 with the scatter 0 and the reference alone: k = 2 at infinite degrees of freedom
    QVERIFY(corrected->uncertainty && std::abs(*corrected->uncertainty - 0.5) < 1e-4);
    QCOMPARE(store.Calibration(original)->serial, QString("KV-200"));
    QCOMPARE(*store.Calibration(original)->uncertainty, 0.21);
    // What the user did not touch stays as the original has it.
    QCOMPARE(corrected->reference.due, store.Calibration(original)->reference.due);
    // Who, when and why are kept; the original is shown superseded by the correction.
    QCOMPARE(corrected->author, QString("Ewa Lis"));
    QCOMPARE(corrected->reason, QString("wrong serial typed"));
    QVERIFY(qAbs(corrected->written.secsTo(QDateTime::currentDateTimeUtc())) < 3600);
    window.Filtr->setText("KV-200");
    QCOMPARE(window.Shown().first().number, original);
    QCOMPARE(window.Shown().first().supersededBy, amended);
    window.Select(0);
    QVERIFY(window.Korekty->text().contains(amended));
  }

  // The amendment's calendar speaks the program's language and, with no date given, opens at
  // today's month.
  void amendmentCalendar() {
    THistoryWin window;
    window.show();
    window.Filtr->setText("KV-200");
    window.Select(0);
    window.PoprawClick();
    QVERIFY(window.Korekta);
    QDateEdit* due = window.Korekta->ReferenceDue;
    QCOMPARE(due->date(), QDate(2027, 6, 30));
    due->setDate(due->minimumDate());  // the user takes the date away
    QCOMPARE(due->text(), QString::fromUtf8("—"));
    QCalendarWidget* calendar = due->calendarWidget();
    calendar->window()->show();  // the popup, as the arrow opens it
    QCOMPARE(calendar->yearShown(), QDate::currentDate().year());
    QCOMPARE(calendar->monthShown(), QDate::currentDate().month());
    QCOMPARE(calendar->locale().language(), ProgramLocale().language());
    calendar->window()->hide();
    window.Korekta->Autor->setText("Ewa Lis");
    window.Korekta->Powod->setText("no due date on the reference's certificate");
    window.Korekta->OK->click();
    RecordStore store("any");
    QVERIFY(store.Open(RecordsPath(), nullptr));
    QVERIFY(!store.Calibration(window.Shown().first().number)->reference.due.isValid());
  }

 private:
  QTemporaryDir dir_;
  QMap<QString, QString> numbers_;
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
