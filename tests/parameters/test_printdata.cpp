// The calibration card dialog as a real (offscreen) window, printing a real PDF that is read
// back with pdftotext.
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
#include "app/PrintDialogs.h"
#include "app/ServicePanel.h"
#include "parameters/PrintData.h"
#include "settings/Jezyki.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/PdfText.h"
#include "tests/common/PrintAnswers.h"
#include "tests/parameters/ReferenceCalibration.h"

namespace {
QList<QLineEdit*> Fields(const TPrintDataWin& w) {
  return {w.Klient, w.R1, w.R2, w.R3, w.I1, w.I2, w.I3, w.O1, w.O2};
}

TPrintDataWin* OpenCard(QWidget* mainWindow) {
  return TPrintDataWin::Open(mainWindow, ProgramDialogs(), [] { return ReferenceParameters(); });
}
}  // namespace

class TestPrintData : public QObject {
  Q_OBJECT
  QWidget mainWindow_;
  QTemporaryDir dir_;

 private slots:
  void init() { qputenv("FLUXA_SETTINGS", dir_.filePath("FLUXA3.ini").toUtf8()); }
  void cleanup() { CurrentLanguage = "Polski"; }

  // The service panel's "Drukuj" opens the card, which prints the panel as it is at that moment.
  void servicePanelPrints() {
    FluxaApplication fluxa;
    TMainWin& main = fluxa.MainWin();
    main.show();
    main.ShowServiceMode();
    MeterParameters parameters = ReferenceParameters();
    main.Send->SetParameters(parameters);
    main.Send->BitBtn1->click();
    QPointer<TPrintDataWin> card;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* found = qobject_cast<TPrintDataWin*>(w); found && found->isVisible()) card = found;
    QVERIFY(card);
    QVERIFY(!main.isEnabled());
    parameters[MeterParameters::Wtemp] = "-17";
    main.Send->SetParameters(parameters);
    const QString pdf = dir_.filePath("panel.pdf");
    PrintAnswers answers({pdf});
    card->Drukuj->click();
    QTRY_VERIFY(card.isNull());
    QVERIFY(main.isEnabled());
    const QStringList pages = PdfPageTexts(pdf);
    QCOMPARE(pages.size(), 1);
    QVERIFY(Squeezed(pages.first()).contains("10 Współczynnik termometru -17\n"));
  }

  // Empty fields and the focus in Klient at every opening; the main window disabled meanwhile.
  void opening() {
    for (int opening = 0; opening < 2; ++opening) {
      QPointer<TPrintDataWin> w = OpenCard(&mainWindow_);
      QVERIFY(QTest::qWaitForWindowActive(w));
      QCOMPARE(w->windowTitle(), QString("Drukuj kartę kalibracyjną"));
      QStringList groups, labels;
      for (QGroupBox* g : {w->GroupBox1, w->GroupBox2, w->GroupBox3, w->GroupBox4})
        groups << g->title();
      QCOMPARE(groups, (QStringList{" Klient ", " R ", " I ", " Offsety "}));
      for (QLabel* l : {w->Label1, w->Label2, w->Label3, w->Label4, w->Label5, w->Label6,
                        w->Label7, w->Label8, w->Label9})
        labels << l->text();
      QCOMPARE(labels, (QStringList{"Klient:", "R 13:", "R 49:", "R 9:", "I dc (AC):",
                                    "I dc (DC):", "I ac (DC):", "Offset 1:", "Offset 2:"}));
      for (QLineEdit* field : Fields(*w)) QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
      QCOMPARE(w->Drukuj->text(), QString("Drukuj"));
      QTRY_VERIFY(w->Klient->hasFocus());
      QVERIFY(!mainWindow_.isEnabled());
      for (QLineEdit* field : Fields(*w)) field->setText("x");
      if (opening == 0)
        w->Anuluj->click();
      else
        w->close();
      QTRY_VERIFY(w.isNull());
      QVERIFY(mainWindow_.isEnabled());
    }
  }

  // A cancelled printer dialog, or a print that cannot start, keeps the dialog and its fields.
  void notPrinted_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("cancelled") << "" << QStringList();
    QTest::newRow("cannot start") << "/nonexistent-folder/card.pdf" << QStringList{"Błąd drukowania."};
  }
  void notPrinted() {
    QFETCH(QString, target);
    QFETCH(QStringList, messages);
    QPointer<TPrintDataWin> w = OpenCard(&mainWindow_);
    for (QLineEdit* field : Fields(*w)) field->setText(field->objectName() + " 1");
    PrintAnswers answers({target});
    MessageRecorder recorded;
    w->Drukuj->click();
    QCOMPARE(answers.asked, 1);
    QCOMPARE(recorded.texts(), messages);
    QCoreApplication::processEvents();
    QVERIFY(!w.isNull() && w->isVisible());
    QVERIFY(!mainWindow_.isEnabled());
    for (QLineEdit* field : Fields(*w)) QCOMPARE(field->text(), field->objectName() + " 1");
    w->AnulujClick();
    QTRY_VERIFY(w.isNull());
    QVERIFY(mainWindow_.isEnabled());
  }

  // One page with the serial number, the customer and every printed member, in Polish whatever
  // the interface language; the dialog closes once it is printed.
  void printsPdf_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("Polish") << "Polski";
    QTest::newRow("English") << "Angielski";
  }
  void printsPdf() {
    QFETCH(QString, language);
    CurrentLanguage = language;
    const QString pdf = dir_.filePath(QString("card-%1.pdf").arg(language));
    QPointer<TPrintDataWin> w = OpenCard(&mainWindow_);
    w->Klient->setText("Firma Łódź");
    w->R1->setText("13,1");
    w->I1->setText("2,5");
    w->O2->setText("7");
    PrintAnswers answers({pdf});
    MessageRecorder messages;
    w->DrukujClick();
    QVERIFY(messages.texts().isEmpty());
    QTRY_VERIFY(w.isNull());
    QVERIFY(mainWindow_.isEnabled());

    const QStringList pages = PdfPageTexts(pdf);
    QCOMPARE(pages.size(), 1);
    const QString card = Squeezed(pages.first());
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    QStringList expected = {"FLUXA H", "wersja 3.0", "KARTA KALIBRACYJNA", "miernika typu KV - 38",
                            "Data wydruku: " + today, "Numer seryjny: Ł-001",
                            "Klient: Firma Łódź", "L.p. Funkcja Wartość",
                            "24 R 13= 13,1 R 49= R 9=", "25 Jdc(AC)= 2,5 Jdc(DC)= Jac(DC)=",
                            "26 Offsety 1= 2=7"};  // a label ends where its value starts
    const MeterParameters reference = ReferenceParameters();
    for (int n = 1; n <= kCardParameterRows; ++n)
      expected << QString("%1 %2 %3").arg(n).arg(CardRowText(n), reference[CardRowMember(n)]);
    for (const QString& text : expected) QVERIFY2(card.contains(text), qPrintable(text));
  }
};

QTEST_MAIN(TestPrintData)
#include "test_printdata.moc"
