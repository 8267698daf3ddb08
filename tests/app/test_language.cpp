// The program's language everywhere, under an English system locale (CTest sets LC_ALL): the
// toolkit's own dialogs follow Ustawienia → Język, the card and the report write dates as the
// program's language does, and the user's guide opens from Pomoc in that language.
#include <QtTest>
#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QRegularExpression>
#include <QGroupBox>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>

#include "app/Application.h"
#include "app/FileDialogs.h"
#include "app/GuideWin.h"
#include "app/Main.h"
#include "app/PrintDialogs.h"
#include "app/settings/DatabaseWin.h"
#include "app/settings/JezykWin.h"
#include "app/settings/LaboratoriumWin.h"
#include "app/settings/MqttWin.h"
#include "app/settings/OsobyWin.h"
#include "app/HistoryWin.h"
#include "wizard/KalibracjaMain.h"
#include "parameters/PrintData.h"
#include "records/raport.h"
#include "settings/Jezyki.h"
#include "settings/ProgramLanguage.h"
#include "store/RecordStore.h"
#include "store/RecordsSettings.h"

namespace {
// Chooses the languages in the language dialog, one after another, as a user does.
void ChooseLanguages(TMainWin& main, const QStringList& languages) {
  for (const QString& language : languages) {
    TJezyk* dialog = TJezyk::Open(&main);
    dialog->WybranyJezyk->setCurrentRow(language == "English" ? 1 : 0);
    dialog->OKClick();
  }
}

// Saves over an existing file through the save dialog, answering the overwrite question with yes;
// returns what they said: look in, file name, the question, its yes button, the path chosen.
QStringList SaveOverExistingFile(const QString& path) {
  QStringList seen(4);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen[2] = box->text();
      seen[3] = box->button(QMessageBox::Yes)->text();
      box->button(QMessageBox::Yes)->click();
    } else if (auto* files = qobject_cast<QFileDialog*>(modal); files && seen[0].isEmpty()) {
      seen[0] = files->findChild<QLabel*>("lookInLabel")->text();
      seen[1] = files->findChild<QLabel*>("fileNameLabel")->text();
      files->findChild<QLineEdit*>("fileNameEdit")->setText(path);
      QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
    }
  });
  poll.start(10);
  return seen << AskSaveFileName(nullptr, {QStringLiteral("Zapisz"), kPdfFilter, kPdfSuffix});
}
}  // namespace

// Every caption a window shows: its menus and their items, buttons, labels, group boxes, tabs
// and the columns of its tables, without accelerator marks.
QSet<QString> CaptionsOf(QWidget* window) {
  QSet<QString> captions;
  const auto add = [&](QString text) { captions << text.remove(u'&').trimmed(); };
  for (QMenu* menu : window->findChildren<QMenu*>()) {
    add(menu->title());
    for (QAction* action : menu->actions()) add(action->text());
  }
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) add(button->text());
  for (QLabel* label : window->findChildren<QLabel*>()) add(label->text());
  for (QGroupBox* box : window->findChildren<QGroupBox*>()) add(box->title());
  for (QTabWidget* tabs : window->findChildren<QTabWidget*>())
    for (int i = 0; i < tabs->count(); ++i) add(tabs->tabText(i));
  for (QTableView* table : window->findChildren<QTableView*>())
    if (table->model())
      for (int i = 0; i < table->model()->columnCount(); ++i)
        add(table->model()->headerData(i, Qt::Horizontal).toString());
  return captions;
}

class TestLanguage : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    qputenv("FLUXA_SETTINGS", tmp_.filePath("settings.ini").toUtf8());
    QCOMPARE(QLocale::system().language(), QLocale::English);
  }
  void cleanup() { SetProgramLanguage("Polski"); }

  void toolkitDialogsSpeakTheProgramLanguage_data() {
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("expected");  // look in, file name, question part, yes
    const QStringList polish = {"Szukaj w:", "Nazwa &pliku:", "Czy chcesz go zastąpić?", "&Tak"};
    const QStringList english = {"Look in:", "File &name:", "Do you want to replace it?", "&Yes"};
    QTest::newRow("Polish from the start") << QStringList() << polish;
    QTest::newRow("English") << QStringList{"English"} << english;
    QTest::newRow("English, then Polish again") << QStringList{"English", "Polski"} << polish;
  }
  void toolkitDialogsSpeakTheProgramLanguage() {
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, expected);
    FluxaApplication fluxa;
    ChooseLanguages(fluxa.MainWin(), chosen);
    const QString path = tmp_.filePath("karta.pdf");
    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    const QStringList seen = SaveOverExistingFile(path);
    QCOMPARE(seen[0], expected[0]);
    QCOMPARE(seen[1], expected[1]);
    QVERIFY2(seen[2].contains(expected[2]) && seen[2].contains("karta.pdf"), qPrintable(seen[2]));
    QCOMPARE(seen[3], expected[3]);
    QCOMPARE(seen[4], path);
  }

  void datesInTheProgramLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("format");
    QTest::newRow("Polish") << "Polski" << "dd.MM.yyyy";
    QTest::newRow("English") << "English" << "dd/MM/yyyy";
  }
  void datesInTheProgramLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, format);
    FluxaApplication fluxa;
    ChooseLanguages(fluxa.MainWin(), {language});
    const QString today = QDate::currentDate().toString(format);
    QPointer<TPrintDataWin> card =
        TPrintDataWin::Open(&fluxa.MainWin(), ProgramDialogs(), [] { return MeterParameters(); });
    QCOMPARE(card->Card().printDate, today);
    card->close();
    QPointer<TRaport_Win> report = TRaport_Win::Open(&fluxa.MainWin(), ProgramDialogs());
    QCOMPARE(report->Edit5->text(), today);
    report->close();
  }

  // The guide's sections on the service panel, publishing, the as-left check, the history and
  // the database name only what the program shows: each bold text, each step of a menu path, is
  // the caption of a menu, a menu item, a control, a field or a column of the program's windows
  // in one of its two languages.
  void guideNamesRealCaptions_data() {
    QTest::addColumn<QString>("guide");
    QTest::addColumn<QString>("section");
    for (const char* guide : {"pl", "en"})
      for (const char* section : {"panel", "mqtt", "asleft", "records", "database", "laboratory", "people"})
        QTest::addRow("%s %s", guide, section) << guide << section;
  }
  void guideNamesRealCaptions() {
    QFETCH(QString, guide);
    QFETCH(QString, section);
    FluxaApplication fluxa;
    TMainWin& main = fluxa.MainWin();
    // The wizard's "Dalej >>" reads "Zakoncz" from page 2 on, which a wizard that is not open
    // never shows.
    QSet<QString> captions{QStringLiteral("Zakoncz")};
    for (const QString& language : {"Polski", "English"}) {
      ChooseLanguages(main, {language});
      TkKalibracja wizard;
      THistoryWin history;
      QPointer<TMqttWin> mqtt = TMqttWin::Open(&main);
      QPointer<TDatabaseWin> database = TDatabaseWin::Open(&main);
      QPointer<TLaboratoriumWin> laboratory = TLaboratoriumWin::Open(&main);
      QPointer<TOsobyWin> people = TOsobyWin::Open(&main);
      for (QWidget* window : QList<QWidget*>{&main, &history, &wizard, mqtt, database, laboratory, people})
        captions += CaptionsOf(window);
      mqtt->close();
      database->close();
      laboratory->close();
      people->close();
    }
    QFile file(":/guide/" + guide + "/index.html");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    const QRegularExpression part("id=\"" + section + "\">(.*?)(?=<h[23] |</body>)",
                                  QRegularExpression::DotMatchesEverythingOption);
    const QString text = part.match(html).captured(1);
    QVERIFY(!text.isEmpty());
    int named = 0;
    for (const QRegularExpressionMatch& bold : QRegularExpression("<b>(.*?)</b>").globalMatch(text)) {
      QTextDocument plain;
      plain.setHtml(bold.captured(1));
      for (const QString& step : plain.toPlainText().split(QStringLiteral(" → "))) {
        QVERIFY2(captions.contains(step.trimmed()), qPrintable(step));
        ++named;
      }
    }
    QVERIFY(named >= 5);
  }

  // Ustawienia → "Laboratorium…" opens the laboratory's window in the program's language: it
  // shows what the settings hold, OK keeps what is typed (trimmed) and Anuluj keeps nothing.
  void laboratoryWindow_data() {
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("Polish") << QStringList() << "Laboratorium…"
                            << QStringList{"Nazwa:", "Adres:", "Numer akredytacji:", "Metoda / procedura:"};
    QTest::newRow("English") << QStringList{"English"} << "Laboratory…"
                             << QStringList{"Name:", "Address:", "Accreditation number:", "Method / procedure:"};
  }
  void laboratoryWindow() {
    QFETCH(QStringList, chosen);
    QFETCH(QString, item);
    QFETCH(QStringList, labels);
    RecordsSettings settings = ReadRecordsSettings();
    settings.laboratory = {"Lab A", "ul. Polna 7", "AP 1", "PB-1"};
    QVERIFY(WriteRecordsSettings(settings));
    FluxaApplication fluxa;
    TMainWin& main = fluxa.MainWin();
    ChooseLanguages(main, chosen);
    auto* action = main.Ustawienia->findChild<QAction*>("Laboratorium1");
    QVERIFY(action);
    QCOMPARE(action->text(), item);
    const auto open = [&] {
      action->trigger();
      for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<TLaboratoriumWin*>(window); dialog && dialog->isVisible()) return dialog;
      return static_cast<TLaboratoriumWin*>(nullptr);
    };
    QPointer<TLaboratoriumWin> dialog = open();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QString(item).remove(QChar(0x2026)));
    const QSet<QString> captions = CaptionsOf(dialog);
    for (const QString& label : labels) QVERIFY2(captions.contains(label), qPrintable(label));
    QCOMPARE((QStringList{dialog->Nazwa->text(), dialog->Adres->text(), dialog->Akredytacja->text(),
                          dialog->Metoda->text()}),
             (QStringList{"Lab A", "ul. Polna 7", "AP 1", "PB-1"}));
    dialog->Nazwa->setText("  Laboratorium Pól Magnetycznych ");
    dialog->Adres->setText("ul. Łąkowa 3, 00-950 Warszawa");
    dialog->Akredytacja->setText(" AP 123");
    dialog->Metoda->setText("PB-07 wyd. 3");
    dialog->OKClick();
    QTRY_VERIFY(dialog.isNull());
    const Laboratory kept = {"Laboratorium Pól Magnetycznych", "ul. Łąkowa 3, 00-950 Warszawa", "AP 123", "PB-07 wyd. 3"};
    QCOMPARE(ReadRecordsSettings().laboratory, kept);
    dialog = open();
    QVERIFY(dialog);
    QCOMPARE(dialog->Nazwa->text(), kept.name);
    dialog->Nazwa->setText("Inne");
    dialog->AnulujClick();
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(ReadRecordsSettings().laboratory, kept);
  }

  // Ustawienia → "Osoby…" in either language: its captions, a person added with the password
  // typed twice (a mismatch adds nobody), the register keeping only an Argon2id hash, and a
  // person deactivated, never removed.
  void peopleWindow_data() {
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("mismatch");
    QTest::newRow("Polish") << QStringList() << "Osoby…"
                            << QStringList{"Identyfikator:", "Imię i nazwisko:", "Rola:", "Hasło:", "Powtórz hasło:", "Dodaj", "Dezaktywuj"}
                            << "Hasła się różnią";
    QTest::newRow("English") << QStringList{"English"} << "People…"
                             << QStringList{"Id:", "Printed name:", "Role:", "Password:", "Password again:", "Add", "Deactivate"}
                             << "The passwords differ";
  }
  void peopleWindow() {
    QFETCH(QStringList, chosen);
    QFETCH(QString, item);
    QFETCH(QStringList, labels);
    QFETCH(QString, mismatch);
    QTemporaryDir dir;
    const QByteArray records = qgetenv("FLUXA_RECORDS");
    qputenv("FLUXA_RECORDS", dir.filePath("records.sqlite").toUtf8());
    const auto restore = qScopeGuard([&] { qputenv("FLUXA_RECORDS", records); });
    FluxaApplication fluxa;
    TMainWin& main = fluxa.MainWin();
    ChooseLanguages(main, chosen);
    auto* action = main.Ustawienia->findChild<QAction*>("Osoby1");
    QVERIFY(action);
    QCOMPARE(action->text(), item);
    action->trigger();
    QPointer<TOsobyWin> dialog;
    for (QWidget* window : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<TOsobyWin*>(window); d && d->isVisible()) dialog = d;
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QString(item).remove(QChar(0x2026)));
    const QSet<QString> captions = CaptionsOf(dialog);
    for (const QString& label : labels) QVERIFY2(captions.contains(label), qPrintable(label));
    dialog->Id->setText("elis");
    dialog->Nazwisko->setText("Ewa Lis");
    dialog->Rola->setCurrentIndex(1);
    dialog->Haslo->setText("hasło-ewy-12");
    dialog->Haslo2->setText("hasło-ewy-13");
    dialog->DodajClick();
    QCOMPARE(dialog->Stan->text(), mismatch);
    QCOMPARE(dialog->Lista->rowCount(), 0);
    dialog->Haslo2->setText("hasło-ewy-12");
    dialog->DodajClick();
    QCOMPARE(dialog->Lista->rowCount(), 1);
    QCOMPARE(dialog->Lista->item(0, 1)->text(), QString("Ewa Lis"));
    QVERIFY(dialog->Haslo->text().isEmpty());  // a password is never left in a field
    RecordStore store("any");
    QVERIFY(store.Open(RecordsPath(), nullptr));
    const std::optional<Person> kept = store.FindPerson("elis");
    QVERIFY(kept && kept->active && kept->role == "approver");
    QFile file(RecordsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("$argon2id$"));
    QVERIFY(!bytes.contains(QString("hasło-ewy-12").toUtf8()));
    dialog->Lista->setCurrentCell(0, 0);
    dialog->DezaktywujClick();
    QCOMPARE(dialog->Lista->rowCount(), 1);
    QVERIFY(dialog->Lista->item(0, 3)->text().isEmpty());
    QVERIFY(!store.FindPerson("elis")->active);
    dialog->close();
  }

  // The guide opens from Pomoc at the contents of the language, every picture it shows is in the
  // program, and it follows a switch of language while open.
  void guideOpensFromHelp_data() {
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("title");
    QTest::newRow("Polish") << QStringList() << "Instrukcja obsługi" << "Fluxa 3.1 – instrukcja obsługi";
    QTest::newRow("English") << QStringList{"English"} << "Tutorial" << "Fluxa 3.1 – user's guide";
  }
  void guideOpensFromHelp() {
    QFETCH(QStringList, chosen);
    QFETCH(QString, item);
    QFETCH(QString, title);
    FluxaApplication fluxa;
    ChooseLanguages(fluxa.MainWin(), chosen);
    QCOMPARE(fluxa.UserGuide1->text(), item);
    fluxa.UserGuide1->trigger();
    TGuideWin& guide = fluxa.GuideWin();
    QVERIFY(guide.isVisible());
    QCOMPARE(guide.Tekst->documentTitle(), title);
    const QString html = guide.Tekst->toHtml();
    const QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\""));
    int pictures = 0;
    for (const QRegularExpressionMatch& m : image.globalMatch(html)) {
      const QUrl url = guide.Tekst->source().resolved(QUrl(m.captured(1)));
      const QImage picture =
          QImage::fromData(guide.Tekst->loadResource(QTextDocument::ImageResource, url).toByteArray());
      QVERIFY2(picture.width() > 100, qPrintable(url.toString()));
      ++pictures;
    }
    QVERIFY(pictures >= 8);
    ChooseLanguages(fluxa.MainWin(), {chosen.isEmpty() ? "English" : "Polski"});
    QVERIFY(guide.Tekst->documentTitle() != title);
  }

 private:
  QTemporaryDir tmp_;
};

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
