// The measurement report: its layout on a recording canvas, its dialog as a real (offscreen)
// window opened from the menu, and real PDFs read back with pdftotext.
#include <QtTest>

#include <QComboBox>
#include <QHeaderView>
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
#include "parameters/PrintData.h"
#include "records/raport.h"
#include "settings/Jezyki.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/PdfText.h"
#include "tests/common/PrintAnswers.h"
#include "tests/common/RecordingCanvas.h"

namespace {
constexpr int u = 120, v = 132, c = 2400;  // on a 4800 x 6600 page

int RightAt(int right, const QString& text, int pointSize) {
  return right - RecordingCanvas::FakeWidth(text, pointSize);
}

RaportContents Numbered(int rows) {
  RaportContents contents{"Instytut", "Kraków", 2, "16,7", "Hala 3"};
  for (int n = 1; n <= rows; ++n)
    contents.rows << QStringList{QString::number(n), QString("P%1").arg(n)};
  return contents;
}

QStringList Column(const TRaport_Win& w, int column) {
  QStringList cells;
  for (int row = 0; row < w.Wyniki->rowCount(); ++row)
    cells << (w.Wyniki->item(row, column) ? w.Wyniki->item(row, column)->text() : QString());
  return cells;
}

QStringList Numbers(int count) {
  QStringList numbers;
  for (int n = 1; n <= count; ++n) numbers << QString::number(n);
  return numbers;
}

void FillRows(TRaport_Win& w, int rows) {
  w.SpinEdit1->setValue(rows);
  for (int row = 0; row < rows; ++row) {
    w.Wyniki->setItem(row, 1, new QTableWidgetItem(QString("Punkt %1").arg(row + 1)));
    w.Wyniki->setItem(row, 2, new QTableWidgetItem(QString("%1.25").arg(row + 1)));
  }
}

struct OpenAnswer {
  explicit OpenAnswer(const QString& path)
      : previous(SetFileDialogHook([path](bool, const FileDialogSettings&) { return path; })) {}
  ~OpenAnswer() { SetFileDialogHook(previous); }
  FileDialogHook previous;
};
}  // namespace

class TestRaport : public QObject {
  Q_OBJECT
  QWidget main_;
  QTemporaryDir dir_;

 private slots:
  void init() { qputenv("FLUXA_SETTINGS", dir_.filePath("FLUXA3.ini").toUtf8()); }
  void cleanup() { CurrentLanguage = "Polski"; }

  // Rows 1-31 on page 1 from 18v, then 43 a page from 6v; headings, page number and rules on
  // every page.
  void pagination_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    for (auto [rows, pages] : std::initializer_list<std::pair<int, int>>{
             {1, 1}, {31, 1}, {32, 2}, {40, 2}, {74, 2}, {75, 3}, {500, 12}})
      QTest::addRow("%d rows", rows) << rows << pages;
  }
  void pagination() {
    QFETCH(int, rows);
    QFETCH(int, pages);
    RecordingCanvas canvas(4800, 6600);
    LayoutRaport(canvas, Numbered(rows));
    QCOMPARE(canvas.PageNumber(), pages);
    for (int n = 1; n <= rows; ++n) {
      const int page = n <= 31 ? 1 : 2 + (n - 32) / 43;
      const int y = (n <= 31 ? 17 + n : 6 + (n - 32) % 43) * v;
      const CanvasText number = canvas.Find(QString::number(n));
      const CanvasText place = canvas.Find(QString("P%1").arg(n));
      QCOMPARE(QList<int>({number.page, number.x, number.y, place.page, place.x, place.y}),
               QList<int>({page, RightAt(3 * u, QString::number(n), 12), y, page, 4 * u, y}));
    }
    QList<int> headings, pageNumbers, rules, expectedHeadings, expectedNumbers, expectedRules;
    for (const CanvasText& t : canvas.texts) {
      if (t.text == "Indukcja pola") headings << t.page << t.x << t.y;
      if (t.text.startsWith("Strona ")) pageNumbers << t.text.mid(7).toInt() << t.x;
    }
    for (const CanvasLine& l : canvas.lines)
      rules << l.page << l.x1 << l.x2 << l.y1 - l.y2 << l.y1 << l.penWidth;
    for (int page = 1; page <= pages; ++page) {
      expectedHeadings << page << 16 * u << (page == 1 ? 2178 : 594);
      expectedNumbers << page << RightAt(39 * u, QString("Strona %1").arg(page), 8);
      for (int line : page == 1 ? QList<int>{2 * v, 16 * v - 3, 18 * v - 3, 49 * v - 3}
                                : QList<int>{2 * v, 4 * v - 3, 6 * v - 3, 49 * v - 3})
        expectedRules << page << u << 39 * u << 0 << line << 3;
    }
    QCOMPARE(headings, expectedHeadings);
    QCOMPARE(pageNumbers, expectedNumbers);
    QCOMPARE(rules, expectedRules);
    QCOMPARE(canvas.Find("RAPORT").page, 1);
  }

  // The title block; halves go to the even neighbour (v = 133: 2194.5, 598.5).
  void positions_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("expected");  // page, x, y, point size
    QTest::newRow("name") << 6600 << "FLUXA H" << QList<int>{1, u, v, 12};
    QTest::newRow("version") << 6600 << "wersja 3.1" << QList<int>{1, u, 2 * v, 8};
    QTest::newRow("institution") << 6600 << "Instytut"
                                 << QList<int>{1, RightAt(39 * u, "Instytut", 16), 3 * v, 16};
    QTest::newRow("city") << 6600 << "Kraków"
                          << QList<int>{1, RightAt(39 * u, "Kraków", 16), 554, 16};
    const auto centred = [](const QString& text, int size) {
      return c - RecordingCanvas::FakeWidth(text, size) / 2;
    };
    QTest::newRow("title") << 6600 << "RAPORT" << QList<int>{1, centred("RAPORT", 24), 7 * v, 24};
    const QString subtitle = "z pomiarów natężenia pola magnetycznego zmiennego f = 16,7 Hz";
    QTest::newRow("subtitle") << 6600 << subtitle
                              << QList<int>{1, centred(subtitle, 16), 9 * v, 16};
    QTest::newRow("label") << 6600 << "Miejsce pomiarów:"
                           << QList<int>{1, RightAt(c, "Miejsce pomiarów:", 12), 11 * v, 12};
    QTest::newRow("value") << 6600 << "Hala 3" << QList<int>{1, c + 240, 11 * v, 12};
    QTest::newRow("head") << 6600 << "L.p." << QList<int>{1, RightAt(3 * u, "L.p.", 12), 2178, 12};
    QTest::newRow("head, v 133") << 6650 << "Uwaga" << QList<int>{1, 26 * u, 2194, 12};
    QTest::newRow("page 2 head, v 133") << 6650 << "Miejsce" << QList<int>{2, 4 * u, 598, 12};
  }
  void positions() {
    QFETCH(int, height);
    QFETCH(QString, text);
    QFETCH(QList<int>, expected);
    RecordingCanvas canvas(4800, height);
    LayoutRaport(canvas, Numbered(32));
    QList<int> found;
    for (const CanvasText& t : canvas.texts)
      if (t.text == text && t.page == expected[0]) found << t.page << t.x << t.y << t.pointSize;
    QCOMPARE(found, expected);
  }

  // Each menu use opens a new dialog in the current language; the main window waits meanwhile.
  void openedFromTheMenu_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("texts");
    QTest::newRow("Polish") << "Polski"
                            << "Raport|Nazwa instytucji:|Dane o źródle pola:|Ilość wyników:|Drukuj|"
                               "Anuluj|Pobierz dane|L.p.|Uwaga|Stałe (dc)|50 Hz|Zmienne (ac)";
    QTest::newRow("English") << "Angielski"
                             << "Report|Company:|Field source data:|No of results:|Print|Cancel|"
                                "Data from file|No|Note|Constant (dc)|50 Hz|Alternating (ac)";
  }
  void openedFromTheMenu() {
    QFETCH(QString, language);
    QFETCH(QString, texts);
    FluxaApplication fluxa;
    CurrentLanguage = language;
    TMainWin& main = fluxa.MainWin();
    main.show();
    for (int opening = 0; opening < 2; ++opening) {
      main.Twrzraport1->trigger();
      QPointer<TRaport_Win> w;
      for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<TRaport_Win*>(top); found && found->isVisible()) w = found;
      QVERIFY(w && !main.isEnabled());
      QStringList shown = {w->windowTitle(), w->Label1->text(), w->Label8->text(),
                           w->Label9->text(),  w->Button1->text(), w->Button2->text(),
                           w->Zpliku->text(),  w->Wyniki->horizontalHeaderItem(0)->text(),
                           w->Wyniki->horizontalHeaderItem(3)->text()};
      for (int item = 0; item < 3; ++item) shown << w->ComboBox1->itemText(item);
      QCOMPARE(shown.join('|'), texts);
      QCOMPARE(Column(*w, 0), Numbers(10));
      for (int column = 0; column < 4; ++column)  // every heading whole, none cut short
        QVERIFY(w->Wyniki->columnWidth(column) >= w->Wyniki->horizontalHeader()->sectionSizeHint(column));
      QVERIFY(w->Edit1->text().isEmpty() && w->Edit4->isHidden());
      w->ComboBox1->setCurrentIndex(2);
      QVERIFY(w->Edit4->isVisible() && w->Label4->isVisible());
      QTest::keyClicks(w->Edit4, "1234,5678 Hz");
      QCOMPARE(w->Edit4->text(), QString("1234,567"));  // a frequency, not a sentence
      w->Edit1->setText("typed");
      w->Button2->click();
      QTRY_VERIFY(w.isNull());
      QVERIFY(main.isEnabled());
    }
  }

  // Column 2 from the file, other columns kept; lines past 500 are counted and reported; a file
  // that cannot be read, or a cancelled dialog, changes nothing.
  void fromFile_data() {
    QTest::addColumn<int>("lines");  // -1: a folder, which no data file opens as; -2: cancelled
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("12 lines") << 12 << 12 << QStringList();
    QTest::newRow("empty file") << 0 << 1 << QStringList();
    const QString leftOut = "Plik zawiera więcej niż 500 wyników. Pominięto ostatnie: %1.";
    QTest::newRow("600 lines") << 600 << 500 << QStringList{leftOut.arg(100)};
    QTest::newRow("1200 lines") << 1200 << 500 << QStringList{leftOut.arg(700)};
    QTest::newRow("unreadable") << -1 << 4 << QStringList{"Błąd. Nie można odczytac pliku."};
    QTest::newRow("cancelled") << -2 << 4 << QStringList();
  }
  void fromFile() {
    QFETCH(int, lines);
    QFETCH(int, rows);
    QFETCH(QStringList, messages);
    QStringList fileLines;
    QString path = lines == -1 ? dir_.path() : QString();
    if (lines >= 0) {
      path = dir_.filePath("data.F3D");
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      for (int k = 1; k <= lines; ++k) fileLines << QString("%1.5").arg(k, 6);  // leading spaces
      file.write(fileLines.join("\r\n").toLatin1() + (lines ? "\r\n" : ""));
    }
    TRaport_Win w(&main_, ProgramDialogs());
    FillRows(w, 4);
    w.Wyniki->item(0, 0)->setText("A");
    QStringList induction = Column(w, 2);
    MessageRecorder recorded;
    OpenAnswer answer(path);
    w.ZplikuClick();
    QCOMPARE(recorded.texts(), messages);
    QCOMPARE(w.SpinEdit1->value(), rows);
    const QStringList numbers = lines < 0 ? QStringList{"A", "2", "3", "4"} : Numbers(rows);
    QCOMPARE(Column(w, 0), numbers);
    if (lines > 0) induction = fileLines.mid(0, rows);
    if (lines == 0) induction = induction.mid(0, 1);
    QCOMPARE(Column(w, 2), induction);
    QCOMPARE(Column(w, 1).first(), QString("Punkt 1"));
  }

  // A real PDF: its pages, the first and last rows, the texts of the language; the dialog closes.
  void printsPdf_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("texts");  // first page; the headings last, on every page
    QTest::newRow("10 rows") << "Polski" << 10 << 1
        << QStringList{"FLUXA H", "Strona 1", "wersja 3.1", "RAPORT", "Instytut Fizyki",
                       "z pomiarów natężenia pola magnetycznego f = 50 Hz",
                       "Miejsce pomiarów: Hala 3",
                       "L.p. Miejsce Indukcja pola Uwaga"};
    QTest::newRow("500 rows") << "Polski" << 500 << 12
                              << QStringList{"RAPORT", "L.p. Miejsce Indukcja pola Uwaga"};
    QTest::newRow("English") << "Angielski" << 40 << 2
        << QStringList{"Page 1", "version 3.1", "REPORT",
                       "of ac magnetic field measurement (f = 50 Hz)",
                       "Location: Hala 3", "No Location Field induction Note"};
  }
  void printsPdf() {
    QFETCH(QString, language);
    QFETCH(int, rows);
    QFETCH(int, pages);
    QFETCH(QStringList, texts);
    CurrentLanguage = language;
    const QString pdf = dir_.filePath(QString("%1.pdf").arg(QTest::currentDataTag()));
    QPointer<TRaport_Win> w = TRaport_Win::Open(&main_, ProgramDialogs());
    w->Edit1->setText("Instytut Fizyki");
    w->Edit3->setText("Hala 3");
    w->ComboBox1->setCurrentIndex(1);
    FillRows(*w, rows);
    PrintAnswers answers({pdf});
    MessageRecorder recorded;
    w->Button1->click();
    QVERIFY(recorded.texts().isEmpty());
    QTRY_VERIFY(w.isNull());
    QVERIFY(main_.isEnabled());

    const QStringList text = PdfPageTexts(pdf);
    QCOMPARE(text.size(), pages);
    const QString first = Squeezed(text.first()), last = Squeezed(text.last());
    for (const QString& expected : texts) QVERIFY2(first.contains(expected), qPrintable(expected));
    QVERIFY(first.contains("\n 1 Punkt 1 1.25\n"));
    QVERIFY(last.contains(QString(language == "Polski" ? "Strona %1" : "Page %1").arg(pages)));
    QVERIFY(last.contains(QString("\n %1 Punkt %1 %1.25\n").arg(rows)));
    if (pages > 1) {  // page 2 starts with row 32, under its own headings
      const QString second = Squeezed(text[1]);
      QVERIFY(second.indexOf(texts.last()) >= 0);
      QVERIFY(second.indexOf(texts.last()) < second.indexOf("\n 32 Punkt 32 32.25\n"));
      QVERIFY(!second.contains("Punkt 31 "));
    }
  }

  // Texts of 120 characters stay on the page and out of the next column (smaller, then cut
  // with "…"): the report in either language, with its headings whole, and the card.
  void longTextsKeepToThePage_data() {
    QTest::addColumn<QString>("language");  // none: the card
    QTest::addColumn<QString>("heading");
    QTest::newRow("report") << "Polski" << "Indukcja";
    QTest::newRow("English report") << "Angielski" << "induction";
    QTest::newRow("card") << "" << "Klient:";
  }
  void longTextsKeepToThePage() {
    QFETCH(QString, language);
    QFETCH(QString, heading);
    const QString name = QString("Laboratorium Pomiarów Pola Magnetycznego ").repeated(3).left(119) + "x";
    const QString pdf = dir_.filePath(QString(QTest::currentDataTag()) + ".pdf");
    PrintAnswers answers({pdf});
    if (language.isEmpty()) {
      QPointer<TPrintDataWin> w = TPrintDataWin::Open(&main_, ProgramDialogs(), [] { return MeterParameters{}; });
      for (QLineEdit* field : w->findChildren<QLineEdit*>()) field->setText(name);
      w->Drukuj->click();
      QTRY_VERIFY(w.isNull());
    } else {
      CurrentLanguage = language;
      QPointer<TRaport_Win> w = TRaport_Win::Open(&main_, ProgramDialogs());
      for (QLineEdit* edit : {w->Edit1, w->Edit2, w->Edit3, w->Edit6, w->Edit7}) edit->setText(name);
      FillRows(*w, 1);
      for (int column : {1, 2, 3}) w->Wyniki->setItem(0, column, new QTableWidgetItem(name.left(60)));
      w->Button1->click();
      QTRY_VERIFY(w.isNull());
    }
    const QList<PdfWord> words = PdfWords(pdf);
    QStringList shown;
    for (const PdfWord& word : words) {
      QVERIFY2(word.box.right() <= PrintAnswers::RuleEndInPoints() + 0.5, qPrintable(word.text));
      shown << word.text;
    }
    QCOMPARE(OverlappingWords(words), QStringList());
    QVERIFY(shown.contains("Laboratorium") && shown.contains(heading));
    QVERIFY(std::any_of(shown.begin(), shown.end(), [](const QString& t) { return t.endsWith("…"); }));
  }

  // A cancelled printer dialog, or a print that cannot start, keeps the dialog and its contents.
  void notPrinted_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("cancelled") << "" << QStringList();
    QTest::newRow("cannot start") << "/nonexistent-folder/raport.pdf"
                                  << QStringList{"Błąd drukowania."};
  }
  void notPrinted() {
    QFETCH(QString, target);
    QFETCH(QStringList, messages);
    QPointer<TRaport_Win> w = TRaport_Win::Open(&main_, ProgramDialogs());
    w->Edit1->setText("Instytut Fizyki");
    FillRows(*w, 3);
    PrintAnswers answers({target});
    MessageRecorder recorded;
    w->Button1Click();
    QCOMPARE(answers.asked, 1);
    QCOMPARE(recorded.texts(), messages);
    QCoreApplication::processEvents();
    QVERIFY(w && w->isVisible() && !main_.isEnabled());
    QCOMPARE(w->Edit1->text() + '|' + Column(*w, 1).join(','),
             QString("Instytut Fizyki|Punkt 1,Punkt 2,Punkt 3"));
    delete w;
    QVERIFY(main_.isEnabled());
  }

  // "Save as PDF" writes the same layout and keeps the dialog; the preview shows its pages.
  void pdfAndPreview() {
    const QString pdf = dir_.filePath("saved.pdf");
    TRaport_Win w(&main_, ProgramDialogs());
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
    std::function<void()> whenModal = [&] {
      if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
        previewPages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
        preview->close();
      } else {
        QTimer::singleShot(10, whenModal);
      }
    };
    QTimer::singleShot(0, whenModal);
    w.Podglad->click();
    QCOMPARE(previewPages, 2);
  }
};

QTEST_MAIN(TestRaport)
#include "test_raport.moc"
