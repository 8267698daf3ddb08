// The calibration card: its layout on a recording canvas filled from the reference calibration,
// its dialog opened from the service panel, and a real PDF read back with pdftotext.
#include <QtTest>

#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/Application.h"
#include "app/Main.h"
#include "app/ServicePanel.h"
#include "parameters/PrintData.h"
#include "settings/Jezyki.h"
#include "settings/ProgramLanguage.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/PdfText.h"
#include "tests/common/PrintAnswers.h"
#include "tests/common/RecordingCanvas.h"
#include "tests/parameters/ReferenceCalibration.h"

namespace {
CalibrationCard ReferenceCard() {
  return {ReferenceParameters(), "Firma Łódź", "07.12.2024", "13,1", "49,2", "9,3",
          "2,5",                 "2,6",        "2,7",        "-4",   "7"};
}

// A text as Row lists it: "x:text", placed at x, ending at right, or centred on the page.
QString At(int x, const QString& text) { return QString("%1:%2").arg(x).arg(text); }
QString Ending(int right, const QString& text, int charWidth = RecordingCanvas::kCharWidth) {
  return At(right - RecordingCanvas::FakeWidth(text, 12, charWidth), text);
}
QString Centred(const QString& text, int size) {
  return At(2400 - RecordingCanvas::FakeWidth(text, size) / 2, text);
}

// The non-empty texts drawn at one height, from left to right.
QStringList Row(const RecordingCanvas& canvas, int y) {
  QMap<int, QString> row;
  for (const CanvasText& t : canvas.texts)
    if (t.y == y && !t.text.isEmpty()) row.insert(t.x, t.text);
  QStringList out;
  for (auto it = row.begin(); it != row.end(); ++it) out << At(it.key(), it.value());
  return out;
}

QList<QLineEdit*> Fields(const TPrintDataWin& w) {
  return {w.Klient, w.R1, w.R2, w.R3, w.I1, w.I2, w.I3, w.O1, w.O2};
}

// A running program in service mode, with the card opened from the service panel.
struct Program {
  Program() {
    main.show();
    main.ShowServiceMode();
    main.Send->SetParameters(ReferenceParameters());
    OpenCard();
  }
  void OpenCard() {
    main.Send->BitBtn1->click();
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* found = qobject_cast<TPrintDataWin*>(top); found && found->isVisible()) card = found;
  }
  FluxaApplication fluxa;
  TMainWin& main = fluxa.MainWin();
  QPointer<TPrintDataWin> card;
};
}  // namespace

class TestCard : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void init() { qputenv("FLUXA_SETTINGS", dir_.filePath("FLUXA3.ini").toUtf8()); }
  void cleanup() { CurrentLanguage = "Polski"; }

  // A 4800 x 6600 page: a = 120, U = 132, c = 2400, d = 2640; halves to the even neighbour.
  void layout_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("y");
    QTest::addColumn<QStringList>("row");
    const QStringList head = {Ending(360, "L.p."), At(480, "Funkcja"), At(3120, "Wartość")};
    QTest::newRow("name") << 4800 << 6600 << 132 << QStringList{At(120, "FLUXA H")};
    QTest::newRow("version") << 4800 << 6600 << 264 << QStringList{At(120, "wersja 3.0")};
    QTest::newRow("title") << 4800 << 6600 << 924
                           << QStringList{Centred("KARTA KALIBRACYJNA", 24)};
    QTest::newRow("subtitle") << 4800 << 6600 << 1188
                              << QStringList{Centred("miernika typu KV - 38", 16)};
    QTest::newRow("date") << 4800 << 6600 << 1584
                          << QStringList{Ending(2400, "Data wydruku:"), At(2640, "07.12.2024")};
    QTest::newRow("serial") << 4800 << 6600 << 1716
                            << QStringList{Ending(2400, "Numer seryjny:"), At(2640, "Ł-001")};
    QTest::newRow("customer") << 4800 << 6600 << 1848
                              << QStringList{Ending(2400, "Klient:"), At(2640, "Firma Łódź")};
    QTest::newRow("head") << 4800 << 6600 << 2178 << head;
    QTest::newRow("head, U 133: 2194.5") << 4800 << 6650 << 2194 << head;
    QTest::newRow("row 24") << 4800 << 6600 << 5544
                            << QStringList{Ending(360, "24"), At(480, "R 13="), At(720, "13,1"),
                                           Ending(1920, "R 49="), At(1920, "49,2"),
                                           Ending(3120, "R 9="), At(3120, "9,3")};
    QTest::newRow("row 25") << 4800 << 6600 << 5676
                            << QStringList{Ending(360, "25"), At(480, "Jdc(AC)="), At(900, "2,5"),
                                           Ending(1920, "Jdc(DC)="), At(1920, "2,6"),
                                           Ending(3120, "Jac(DC)="), At(3120, "2,7")};
    QTest::newRow("row 25, a 123: 922.5")
        << 4920 << 6600 << 5676
        << QStringList{Ending(369, "25"), At(492, "Jdc(AC)="), At(922, "2,5"),
                       Ending(1968, "Jdc(DC)="), At(1968, "2,6"), Ending(3198, "Jac(DC)="),
                       At(3198, "2,7")};
    QTest::newRow("row 26") << 4800 << 6600 << 5808
                            << QStringList{Ending(360, "26"), At(480, "Offsety"), Ending(1920, "1="),
                                           At(1920, "-4"), Ending(3120, "2="), At(3120, "7")};
  }
  void layout() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, y);
    QFETCH(QStringList, row);
    RecordingCanvas canvas(width, height);
    LayoutCalibrationCard(canvas, ReferenceCard());
    QCOMPARE(Row(canvas, y), row);
  }

  // Rows 1-23 of the reference set, fonts, rules, and what is left off; in any language.
  void tableRows() {
    CurrentLanguage = "Angielski";
    RecordingCanvas canvas(4800, 6600);
    LayoutCalibrationCard(canvas, ReferenceCard());
    const char* const values[23] = {"0,5",  "0,25", "0,75", "0,9634", "-0,25", "1",     "0,001", "-1",
                                    "500",  "-2",   "300",  "-0,5",   "-300",  "0,1",   "0,5",   "0",
                                    "-0,5", "65535", "1000", "0",     "40000", "10",    "20"};
    for (int n = 1; n <= 23; ++n) {
      const QStringList row = {Ending(360, QString::number(n)), At(480, CardRowText(n)),
                               At(3120, values[n - 1])};
      QCOMPARE(Row(canvas, (18 + n) * 132), row);
    }
    QCOMPARE(CardRowText(5), QString("Współczynnik wzmocnienia sondy TRANSVERSE (DC1)"));
    for (const CanvasText& t : canvas.texts) {
      const int size = t.text == "KARTA KALIBRACYJNA"      ? 24
                       : t.text == "miernika typu KV - 38" ? 16
                       : t.text == "wersja 3.0"            ? 8
                                                           : 12;
      QCOMPARE(t.pointSize, size);
      QCOMPARE(t.family, QString("Tahoma"));
    }
    QList<int> rules;
    for (const CanvasLine& l : canvas.lines)
      rules << l.x1 << l.x2 << l.y1 - l.y2 << l.y1 << l.penWidth;
    QCOMPARE(rules, (QList<int>{120, 4680, 0, 264, 3, 120, 4680, 0, 2109, 3,
                                120, 4680, 0, 2373, 3, 120, 4680, 0, 6465, 3}));
    QCOMPARE(canvas.Find("100").page + canvas.Find("0,05").page, 0);  // Stala, temperature filter
    QCOMPARE(canvas.PageNumber(), 1);
  }

  // In a font wider than the card's own, a value moves a space past the text before it.
  void valueAfterLongerText() {
    RecordingCanvas canvas(4800, 6600, 5);
    LayoutCalibrationCard(canvas, ReferenceCard());
    const int space = RecordingCanvas::FakeWidth(" ", 12, 5);
    const auto after = [space](const QString& text) {
      return 480 + RecordingCanvas::FakeWidth(text, 12, 5) + space;
    };
    QCOMPARE(Row(canvas, 19 * 132).last(), At(3120, "0,5"));  // 42 characters still fit
    QCOMPARE(Row(canvas, 23 * 132).last(), At(after(CardRowText(5)), "-0,25"));
    QCOMPARE(Row(canvas, 42 * 132)[2], At(after("R 13="), "13,1"));
  }

  // Empty fields and the focus in Klient at every opening; the main window waits meanwhile.
  void opening() {
    Program program;
    for (int opening = 0; opening < 2; ++opening) {
      TPrintDataWin* w = program.card;
      QVERIFY(w && QTest::qWaitForWindowActive(w));
      QStringList texts = {w->windowTitle()};
      for (QGroupBox* g : {w->GroupBox1, w->GroupBox2, w->GroupBox3, w->GroupBox4})
        texts << g->title();
      for (QLabel* l : {w->Label1, w->Label2, w->Label3, w->Label4, w->Label5, w->Label6,
                        w->Label7, w->Label8, w->Label9})
        texts << l->text();
      QCOMPARE(texts.join('|'), QString("Drukuj kartę kalibracyjną| Klient | R | I | Offsety |"
                                        "Klient:|R 13:|R 49:|R 9:|I dc (AC):|I dc (DC):|"
                                        "I ac (DC):|Offset 1:|Offset 2:"));
      for (QLineEdit* field : Fields(*w)) QVERIFY(field->text().isEmpty());
      QTRY_VERIFY(w->Klient->hasFocus());
      QVERIFY(!program.main.isEnabled());
      w->Klient->setText("x");
      w->Anuluj->click();
      QTRY_VERIFY(program.card.isNull());
      QVERIFY(program.main.isEnabled());
      program.OpenCard();
    }
    program.card->close();
  }

  // A cancelled printer dialog, or a print that cannot start, keeps the dialog and its fields.
  void notPrinted_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("cancelled") << "" << QStringList();
    QTest::newRow("cannot start") << "/nonexistent-folder/card.pdf"
                                  << QStringList{"Błąd drukowania."};
  }
  void notPrinted() {
    QFETCH(QString, target);
    QFETCH(QStringList, messages);
    Program program;
    for (QLineEdit* field : Fields(*program.card)) field->setText(field->objectName() + "!");
    PrintAnswers answers({target});
    MessageRecorder recorded;
    program.card->Drukuj->click();
    QCOMPARE(answers.asked, 1);
    QCOMPARE(recorded.texts(), messages);
    QCoreApplication::processEvents();
    QVERIFY(program.card && program.card->isVisible() && !program.main.isEnabled());
    for (QLineEdit* field : Fields(*program.card))
      QCOMPARE(field->text(), field->objectName() + "!");
    program.card->close();
  }

  // One page with the serial number, the customer and every printed member as the panel holds
  // them when printing, in Polish whatever the language; the dialog closes once printed.
  void printsPdf_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("Polish") << "Polski";
    QTest::newRow("English") << "Angielski";
  }
  void printsPdf() {
    QFETCH(QString, language);
    CurrentLanguage = language;
    Program program;
    MeterParameters changed = ReferenceParameters();
    changed[MeterParameters::Wtemp] = "-17";
    program.main.Send->SetParameters(changed);
    program.card->Klient->setText("Firma Łódź");
    program.card->R1->setText("13,1");
    program.card->I1->setText("2,5");
    program.card->O2->setText("7");
    const QString pdf = dir_.filePath(language + ".pdf");
    PrintAnswers answers({pdf});
    MessageRecorder recorded;
    program.card->DrukujClick();
    QVERIFY(recorded.texts().isEmpty());
    QTRY_VERIFY(program.card.isNull());
    QVERIFY(program.main.isEnabled());

    const QStringList pages = PdfPageTexts(pdf);
    QCOMPARE(pages.size(), 1);
    const QString card = Squeezed(pages.first());
    const QString today = FormatProgramDate(QDate::currentDate());
    QStringList expected = {"FLUXA H", "wersja 3.0", "KARTA KALIBRACYJNA", "miernika typu KV - 38",
                            "Data wydruku: " + today, "Numer seryjny: Ł-001",
                            "Klient: Firma Łódź", "L.p. Funkcja Wartość",
                            "24 R 13= 13,1 R 49= R 9=\n", "25 Jdc(AC)= 2,5 Jdc(DC)= Jac(DC)=\n",
                            "26 Offsety 1= 2=7\n"};  // a label ends where its value starts
    for (int n = 1; n <= kCardParameterRows; ++n)
      expected << QString("\n %1 %2 %3\n").arg(n).arg(CardRowText(n), changed[CardRowMember(n)]);
    for (const QString& text : expected) QVERIFY2(card.contains(text), qPrintable(text));
  }
};

QTEST_MAIN(TestCard)
#include "test_card.moc"
