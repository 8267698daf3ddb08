// The report dialog as a real (offscreen) window: its controls and texts, the rows, filling them
// from a data file, and printing a real PDF read back with pdftotext.
#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/Application.h"
#include "app/FileDialogs.h"
#include "app/Main.h"
#include "app/PrintDialogs.h"
#include "records/raport.h"
#include "settings/Jezyki.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/PdfText.h"
#include "tests/common/PrintAnswers.h"

namespace {
// Acts on the modal dialog once it is up.
void WhenModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    if (QWidget* modal = QApplication::activeModalWidget())
      act(modal);
    else
      WhenModal(act);
  });
}

// Answers every open dialog with the path given (or "" for a cancel).
struct OpenAnswer {
  explicit OpenAnswer(const QString& path) {
    previous_ = SetFileDialogHook([path](bool, const FileDialogSpec&) { return path; });
  }
  ~OpenAnswer() { SetFileDialogHook(previous_); }
  FileDialogHook previous_;
};

QString Cell(const TRaport_Win& w, int row, int column) {
  const QTableWidgetItem* item = w.Wyniki->item(row, column);
  return item ? item->text() : QString();
}

QStringList Column(const TRaport_Win& w, int column) {
  QStringList cells;
  for (int row = 0; row < w.Wyniki->rowCount(); ++row) cells << Cell(w, row, column);
  return cells;
}

QStringList Numbers(int count) {
  QStringList numbers;
  for (int n = 1; n <= count; ++n) numbers << QString::number(n);
  return numbers;
}

QString WriteLines(const QTemporaryDir& dir, const QStringList& lines) {
  const QString path = dir.filePath("data.F3D");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  for (const QString& line : lines) file.write(line.toLatin1() + "\r\n");
  return path;
}

// Types a row's place and remark so that a print shows each row's place in full.
void FillRows(TRaport_Win& w, int rows) {
  w.SpinEdit1->setValue(rows);
  for (int row = 0; row < rows; ++row) {
    w.Wyniki->setItem(row, 1, new QTableWidgetItem(QString("Punkt %1").arg(row + 1)));
    w.Wyniki->setItem(row, 2, new QTableWidgetItem(QString("%1.25").arg(row + 1)));
  }
}
}  // namespace

class TestRaport : public QObject {
  Q_OBJECT
  QWidget mainWindow_;
  QTemporaryDir dir_;

 private slots:
  void cleanup() { CurrentLanguage = "Polski"; }

  void opening_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("texts");  // caption, labels 1-3, 5-9, buttons, headers, items
    QTest::newRow("Polish") << "Polski"
                            << QStringList{"Raport", "Nazwa instytucji:", "Miasto:", "Rodzaj pola:",
                                           "Miejsce pomiarów:", "Data pomiarów:", "Pomiar wykonał:",
                                           "Dane o źródle pola:", "Ilość wyników:", "Drukuj",
                                           "Anuluj", "Pobierz dane", "L.p.", "Miejsce",
                                           "Indukcja pola", "Uwaga", "Stałe (dc)", "50 Hz",
                                           "Zmienne (ac)"};
    QTest::newRow("English") << "Angielski"
                             << QStringList{"Report", "Company:", "City:", "Magnetic field:",
                                            "Location:", "Date:", "Measured by:",
                                            "Field source data:", "No of results:", "Print",
                                            "Cancel", "Data from file", "No", "Location",
                                            "Field induction", "Note", "Constant (dc)", "50 Hz",
                                            "Alternating (ac)"};
  }
  void opening() {
    QFETCH(QString, language);
    QFETCH(QStringList, texts);
    CurrentLanguage = language;
    QPointer<TRaport_Win> w = TRaport_Win::Open(&mainWindow_, ProgramDialogs());
    QVERIFY(!mainWindow_.isEnabled());
    QStringList shown = {w->windowTitle()};
    for (QLabel* l : {w->Label1, w->Label2, w->Label3, w->Label5, w->Label6, w->Label7,
                      w->Label8, w->Label9})
      shown << l->text();
    shown << w->Button1->text() << w->Button2->text() << w->Zpliku->text();
    for (int column = 0; column < 4; ++column) shown << w->Wyniki->horizontalHeaderItem(column)->text();
    for (int item = 0; item < 3; ++item) shown << w->ComboBox1->itemText(item);
    QCOMPARE(shown, texts);
    QCOMPARE(w->ComboBox1->currentIndex(), 0);
    QVERIFY(!w->Edit4->isVisible() && !w->Label4->isVisible());
    QCOMPARE(w->SpinEdit1->value(), 10);
    QCOMPARE(Column(*w, 0), Numbers(10));
    QCOMPARE(w->Wyniki->columnWidth(1), 168);
    for (const char* name : {"Edit1", "Edit2", "ComboBox1", "Edit3", "Edit4", "Edit5", "Edit6",
                             "Edit7", "Wyniki", "SpinEdit1", "Button1", "Button2", "Zpliku"})
      QVERIFY2(w->findChild<QWidget*>(name), name);

    // The frequency shows with "Zmienne (ac)" only; the language may change while it is open.
    w->ComboBox1->setCurrentIndex(2);
    QVERIFY(w->Edit4->isVisible() && w->Label4->isVisible());
    w->ComboBox1->setCurrentIndex(1);
    QVERIFY(!w->Edit4->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(w));
    CurrentLanguage = language == "Polski" ? "Angielski" : "Polski";
    w->update();
    QTRY_COMPARE(w->Zpliku->text(),
                 CurrentLanguage == "Polski" ? QString("Pobierz dane") : QString("Data from file"));

    w->Button2->click();
    QTRY_VERIFY(w.isNull());
    QVERIFY(mainWindow_.isEnabled());
  }

  void openedFromTheMenu() {
    qputenv("FLUXA_SETTINGS", dir_.filePath("FLUXA3.ini").toUtf8());
    FluxaApplication fluxa;
    TMainWin& main = fluxa.MainWin();
    main.show();
    QPointer<TRaport_Win> first, second;
    for (QPointer<TRaport_Win>* opened : {&first, &second}) {
      main.Twrzraport1->trigger();
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<TRaport_Win*>(w); found && found->isVisible()) *opened = found;
      QVERIFY(*opened);
      QVERIFY(!main.isEnabled());
      QVERIFY((*opened)->Edit1->text().isEmpty());
      (*opened)->Edit1->setText("typed");
      (*opened)->Button2->click();
      QTRY_VERIFY(opened->isNull());
      QVERIFY(main.isEnabled());
    }
  }

  void rowCount() {
    TRaport_Win w(&mainWindow_, ProgramDialogs());
    FillRows(w, 5);
    w.SpinEdit1->setValue(3);
    QCOMPARE(Column(w, 0), Numbers(3));
    w.SpinEdit1->setValue(6);
    QCOMPARE(Column(w, 0), Numbers(6));
    QCOMPARE(Column(w, 1), (QStringList{"Punkt 1", "Punkt 2", "Punkt 3", "", "", ""}));
    w.SpinEdit1->setValue(501);
    QCOMPARE(w.Wyniki->rowCount(), 500);
  }

  // Column 2 from the file, the other columns of the rows kept; beyond 500 lines the user is
  // told how many were left out; a file that cannot be read changes nothing.
  void fromFile_data() {
    QTest::addColumn<int>("lines");  // -1: a file that cannot be read
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("12 lines") << 12 << 12 << QStringList();
    QTest::newRow("3 lines") << 3 << 3 << QStringList();
    QTest::newRow("empty file") << 0 << 1 << QStringList();
    QTest::newRow("500 lines") << 500 << 500 << QStringList();
    QTest::newRow("600 lines")
        << 600 << 500 << QStringList{"Plik zawiera więcej niż 500 wyników. Pominięto ostatnie: 100."};
    QTest::newRow("1200 lines")
        << 1200 << 500 << QStringList{"Plik zawiera więcej niż 500 wyników. Pominięto ostatnie: 700."};
    QTest::newRow("unreadable") << -1 << 4 << QStringList{"Błąd. Nie można odczytac pliku."};
  }
  void fromFile() {
    QFETCH(int, lines);
    QFETCH(int, rows);
    QFETCH(QStringList, messages);
    QStringList fileLines;
    for (int k = 1; k <= lines; ++k) fileLines << QString("%1.5").arg(k, 6);  // leading spaces
    // A folder opens as no data file does.
    const QString path = lines < 0 ? dir_.path() : WriteLines(dir_, fileLines);
    TRaport_Win w(&mainWindow_, ProgramDialogs());
    FillRows(w, 4);
    w.Wyniki->item(0, 0)->setText("A");
    const QStringList before = Column(w, 2);
    MessageRecorder messages_;
    OpenAnswer answer(path);
    w.ZplikuClick();
    QCOMPARE(messages_.texts(), messages);
    QCOMPARE(w.SpinEdit1->value(), rows);
    const QStringList numbers = lines < 0 ? QStringList{"A", "2", "3", "4"} : Numbers(rows);
    QCOMPARE(Column(w, 0), numbers);
    if (lines < 0) {
      QCOMPARE(Column(w, 2), before);
      return;
    }
    const QStringList induction = Column(w, 2);
    for (int k = 0; k < qMin(lines, rows); ++k) QCOMPARE(induction[k], fileLines[k]);
    QCOMPARE(Cell(w, 0, 1), QString("Punkt 1"));
    if (lines == 0) QCOMPARE(induction, QStringList{"1.25"});
  }

  void fromFileCancelled() {
    TRaport_Win w(&mainWindow_, ProgramDialogs());
    FillRows(w, 4);
    OpenAnswer cancel("");
    MessageRecorder messages;
    w.ZplikuClick();
    QCOMPARE(w.Wyniki->rowCount(), 4);
    QCOMPARE(Cell(w, 3, 2), QString("4.25"));
    QVERIFY(messages.texts().isEmpty());
  }

  // A real PDF: the page count, the first and last rows, the texts of the language.
  void printsPdf_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("firstPage");
    QTest::addColumn<QString>("headings");
    const QString polish = "L.p. Miejsce Indukcja pola Uwaga";
    const QString english = "No Location Field induction Note";
    QTest::newRow("10 rows") << "Polski" << 10 << 1
                             << QStringList{"FLUXA H", "Strona 1", "wersja 3.1", "RAPORT",
                                            "z pomiarów natężenia pola magnetycznego f = 50 Hz",
                                            "Miejsce pomiarów: Hala 3", "Instytut Fizyki"}
                             << polish;
    QTest::newRow("500 rows") << "Polski" << 500 << 12 << QStringList{"Strona 1", "RAPORT"}
                              << polish;
    QTest::newRow("English") << "Angielski" << 40 << 2
                             << QStringList{"Page 1", "version 3.1", "REPORT",
                                            "of ac magnetic field measurement (f = 50 Hz)",
                                            "Location: Hala 3"}
                             << english;
  }
  void printsPdf() {
    QFETCH(QString, language);
    QFETCH(int, rows);
    QFETCH(int, pages);
    QFETCH(QStringList, firstPage);
    QFETCH(QString, headings);
    CurrentLanguage = language;
    const QString pdf = dir_.filePath(QString("raport-%1.pdf").arg(QTest::currentDataTag()));
    QPointer<TRaport_Win> w = TRaport_Win::Open(&mainWindow_, ProgramDialogs());
    w->Edit1->setText("Instytut Fizyki");
    w->Edit3->setText("Hala 3");
    w->ComboBox1->setCurrentIndex(1);
    FillRows(*w, rows);
    PrintAnswers answers({pdf});
    MessageRecorder messages;
    w->Button1->click();
    QCOMPARE(answers.asked, 1);
    QVERIFY(messages.texts().isEmpty());
    QTRY_VERIFY(w.isNull());  // closed once printed
    QVERIFY(mainWindow_.isEnabled());

    const QStringList text = PdfPageTexts(pdf);
    QCOMPARE(text.size(), pages);
    const QString first = Squeezed(text.first());
    for (const QString& expected : firstPage + QStringList{headings})
      QVERIFY2(first.contains(expected), qPrintable(expected));
    QVERIFY(first.contains("\n 1 Punkt 1 1.25\n"));
    const QString last = Squeezed(text.last());
    QVERIFY(last.contains(QString(language == "Polski" ? "Strona %1" : "Page %1").arg(pages)));
    QVERIFY(last.contains(QString("\n %1 Punkt %1 %1.25\n").arg(rows)));
    if (pages > 1) {
      // Page 2 starts with row 32, under its own headings.
      const QString second = Squeezed(text[1]);
      QVERIFY(second.contains(headings));
      QVERIFY(second.indexOf(headings) < second.indexOf("32 Punkt 32 32.25"));
      QVERIFY(!second.contains("Punkt 31 "));
    }
  }

  // A print that cannot start keeps the dialog and what was typed; a cancel does nothing.
  void printFailsOrIsCancelled_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("cancelled") << "" << QStringList();
    QTest::newRow("cannot start") << "/nonexistent-folder/raport.pdf" << QStringList{"Błąd drukowania."};
  }
  void printFailsOrIsCancelled() {
    QFETCH(QString, target);
    QFETCH(QStringList, messages);
    QPointer<TRaport_Win> w = TRaport_Win::Open(&mainWindow_, ProgramDialogs());
    w->Edit1->setText("Instytut Fizyki");
    FillRows(*w, 3);
    PrintAnswers answers({target});
    MessageRecorder recorded;
    w->Button1Click();
    QCOMPARE(answers.asked, 1);
    QCOMPARE(recorded.texts(), messages);
    QCoreApplication::processEvents();
    QVERIFY(!w.isNull() && w->isVisible());
    QVERIFY(!mainWindow_.isEnabled());
    QCOMPARE(w->Edit1->text(), QString("Instytut Fizyki"));
    QCOMPARE(Cell(*w, 2, 1), QString("Punkt 3"));
    delete w;
    QVERIFY(mainWindow_.isEnabled());
  }

  // "Save as PDF" writes the same layout and keeps the dialog; the preview shows its pages.
  void pdfAndPreview() {
    const QString pdf = dir_.filePath("saved.pdf");
    TRaport_Win w(&mainWindow_, ProgramDialogs());
    w.show();
    FillRows(w, 32);
    {
      OpenAnswer answer(pdf);
      w.ZapiszPdf->click();
    }
    QVERIFY(w.isVisible());
    const QStringList text = PdfPageTexts(pdf);
    QCOMPARE(text.size(), 2);
    QVERIFY(Squeezed(text[1]).contains("32 Punkt 32 32.25"));

    int previewPages = 0;
    WhenModal([&previewPages](QWidget* modal) {
      if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
        previewPages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
        preview->close();
      }
    });
    w.Podglad->click();
    QCOMPARE(previewPages, 2);
  }
};

QTEST_MAIN(TestRaport)
#include "test_raport.moc"
