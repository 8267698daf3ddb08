// The main window without a meter: its frame, menu, controls, languages and modes.
#include <QtTest>
#include <QCheckBox>
#include <QLineEdit>
#include <QSlider>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include "app/Main.h"
#include "measurement/WykresWidget.h"
#include "settings/Jezyki.h"

class TestMainWin : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { CurrentLanguage = "Polski"; }

  void frame() {
    TMainWin w;
    w.show();
    QCOMPARE(w.windowTitle(), QString("Ferrolab - Fluxa 3.1"));
    QCOMPARE(w.centralWidget()->width(), 665 + 52);  // the chart's scale beside the chart
    QCOMPARE(w.centralWidget()->height() + w.statusBar()->height(), 411);
    QCOMPARE(w.minimumSize(), w.maximumSize());  // not resizable
    QCOMPARE(w.Wykres1->geometry(), QRect(8, 168, 529, 217));
    QCOMPARE(w.StatusPanel0->width(), 200);
    QCOMPARE(w.StatusPanel1->width(), 320);
    QCOMPARE(w.StatusPanel0->text(), QString("Nie połączony"));
  }

  void everyComponentIsNamed_data() {
    QTest::addColumn<QString>("name");
    for (const char* n :
         {"MainMenu1", "StatusBar1", "Panel1", "GroupBox1", "GroupBox4", "Panel2", "Dane", "Min",
          "Max", "Avr", "Button1", "Panel4", "filtr", "Tau", "Panel8", "Panel9", "S_Polacz",
          "S_Zapisz", "SpeedButton1", "Button2", "Panel6", "Autoskalowanie", "W", "O", "Wykres1",
          "TrackBar1", "Kosz", "Send", "PokazSerwis", "UkrysSerwis", "Panel11", "SWynik", "Falka",
          "BP", "LastWYnik", "OneWynik", "STemp", "stopien", "Odbierz", "Label13", "Label14",
          "Min1", "Max1", "Avr1", "SprPolacz", "Timer1", "ZmienStan", "ComPort1"})
      QTest::newRow(n) << n;
  }
  void everyComponentIsNamed() {
    QFETCH(QString, name);
    TMainWin w;
    QVERIFY2(w.findChild<QObject*>(name) || w.objectName() == name ||
                 (name == "SprPolacz" && w.SprPolacz.objectName() == name) ||
                 (name == "Timer1" && w.Timer1.objectName() == name) ||
                 (name == "ZmienStan" && w.ZmienStan.objectName() == name),
             qPrintable(name));
  }

  // The menu tree: caption after the Polish labelling, shortcut, visible, enabled, checked.
  void menu_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("checked");
    QTest::newRow("Otwrz1") << "Otwrz1" << "&Otwórz plik..." << "Ctrl+O" << true << true << false;
    QTest::newRow("Zapisz1") << "Zapisz1" << "&Zapisz do pliku..." << "Ctrl+Z" << true << false << false;
    QTest::newRow("Zakoncz") << "Zakoncz" << "&Zakończ zapisywanie do pliku" << "" << true << false << false;
    QTest::newRow("ExportCsv1") << "ExportCsv1" << "Eksportuj do CSV…" << "" << true << true << false;
    QTest::newRow("ChartPng1") << "ChartPng1" << "Zapisz wykres jako PNG…" << "" << true << true << false;
    QTest::newRow("ChartPng2x1") << "ChartPng2x1" << "Zapisz wykres jako PNG (2×)…" << "" << true << true << false;
    QTest::newRow("Pobierz") << "Pobierzwynikizurzdzenia1" << "Pobierz wyniki z urządzenia" << ""
                             << true << false << false;  // enabled while the port is open
    QTest::newRow("N1") << "N1" << "" << "" << true << true << false;
    QTest::newRow("Koniec1") << "Koniec1" << "Koniec" << "" << true << true << false;
    QTest::newRow("Minmax1") << "Minmax1" << "Obróbka danych" << "" << true << true << true;
    QTest::newRow("Danezurzdzenia1") << "Danezurzdzenia1" << "Dane z urządzenia" << "" << true << true << true;
    QTest::newRow("Zmieuytkownika1") << "Zmieuytkownika1" << "Zmień użytkownika..." << "Ctrl+U" << true << true << false;
    QTest::newRow("Wyjdztryb1") << "Wyjdztryb1" << "Wyjdź z trybu serwisowego" << "" << true << true << false;
    QTest::newRow("Poczony1") << "Poczony1" << "Połączony" << "" << true << true << false;
    QTest::newRow("COM11") << "COM11" << "COM1" << "" << true << true << true;
    QTest::newRow("COM21") << "COM21" << "COM2" << "" << true << true << false;
    QTest::newRow("TimeOut") << "Zmieautomatycznewyczanie1" << "Włącz automatyczne wyłączanie urządzenia"
                             << "" << true << true << false;
    QTest::newRow("Ustawieniaserwisowe1") << "Ustawieniaserwisowe1" << "Tryb serwisowy" << "Ctrl+S" << true << true << false;
    QTest::newRow("ZmienJezyk") << "ZmienJezyk" << "Zmień język..." << "" << true << true << false;
    QTest::newRow("Twrzraport1") << "Twrzraport1" << "Twórz raport..." << "" << true << true << false;
    QTest::newRow("Instrukcjaobsugi1") << "Instrukcjaobsugi1" << "Instrukcja obsługi" << "" << false << true << false;
    QTest::newRow("N7") << "N7" << "" << "" << false << true << false;
    QTest::newRow("OProgramie1") << "OProgramie1" << "O programie" << "F1" << true << true << false;
  }
  void menu() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    QFETCH(bool, visible);
    QFETCH(bool, enabled);
    QFETCH(bool, checked);
    TMainWin w;
    auto* action = w.findChild<QAction*>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->shortcut().toString(), shortcut);
    QCOMPARE(action->isVisible(), visible);
    if (visible) QCOMPARE(action->isEnabled(), enabled);  // a hidden action reads disabled
    QCOMPARE(action->isChecked(), checked);
  }

  // A frame cut by a closing does not join the bytes of the next opening.
  void anOpeningStartsAFreshFrame() {
    const QByteArray frame = QByteArray::fromHex("AA5500FA00") + char(0x64) + char(0);
    TMainWin fresh;
    fresh.HandleArrival(frame);
    TMainWin w;
    w.HandleArrival(frame.left(4));  // the rest never came
    w.ComPort1Open();
    w.HandleArrival(frame);
    QCOMPARE(w.SWynik->text(), fresh.SWynik->text());
  }

  void englishRelabelsAtOnce() {
    TMainWin w;
    CurrentLanguage = "Angielski";
    w.ApplyLanguage();
    QCOMPARE(w.Plik1->title(), QString("File"));
    QStringList items;
    for (QAction* a : w.Plik1->actions())
      if (a->isVisible() && !a->isSeparator()) items << a->text();
    QCOMPARE(items, (QStringList{"&Open...", "&Save as...", "&Stop saving file", "Export to CSV…",
                                 "Save chart as PNG…", "Save chart as PNG (2×)…",
                                 "Take results from instrument", "Quit"}));
    QCOMPARE(w.S_Polacz->text(), QString("Connect"));
    QCOMPARE(w.StatusPanel0->text(), QString("Disconnected"));
    QCOMPARE(w.BP->text(), QString("No transmission"));
    QCOMPARE(w.GroupBox1->title(), QString(" Data "));
    QCOMPARE(w.LastWYnik->toolTip(), QString("Stop result"));
    QCOMPARE(w.Kosz->toolTip(), QString("Clear screen"));
    CurrentLanguage = "Polski";
    w.ApplyLanguage();
    QCOMPARE(w.Plik1->title(), QString("Plik"));
  }

  void serviceMode() {
    TMainWin w;
    w.show();
    QVERIFY(!w.Serwis->menuAction()->isVisible());
    QVERIFY(!w.Send->isVisible());
    QVERIFY(!w.PokazSerwis->isVisible());
    w.ShowServiceMode();
    QVERIFY(w.Serwis->menuAction()->isVisible());
    QVERIFY(w.Send->isVisible());
    QVERIFY(w.PokazSerwis->isVisible());
    // Hiding the panel keeps the mode; the button brings it back.
    w.UkrysSerwis->click();
    QVERIFY(!w.Send->isVisible());
    QVERIFY(w.InServiceMode());
    w.PokazSerwis->click();
    QVERIFY(w.Send->isVisible());
    // Hidden panel, then leaving the mode: panel stays hidden, the show button goes.
    w.UkrysSerwis->click();
    w.Wyjdztryb1->trigger();
    QVERIFY(!w.Send->isVisible());
    QVERIFY(!w.PokazSerwis->isVisible());
    QVERIFY(!w.Serwis->menuAction()->isVisible());
  }

  void pauseButton() {
    TMainWin w;
    w.show();
    QCOMPARE(w.LastWYnik->property("glyph").toString(), QString("PAUSE"));
    QVERIFY(!w.OneWynik->isVisible());
    w.LastWYnik->click();
    QVERIFY(w.Receiver().paused());
    QCOMPARE(w.LastWYnik->property("glyph").toString(), QString("PLAY"));
    QCOMPARE(w.LastWYnik->toolTip(), QString("Uruchom wynik"));
    QVERIFY(w.OneWynik->isVisible());
    QCOMPARE(w.OneWynik->toolTip(), QString("Pobierz pojedynczy wynik"));
    w.OneWynik->click();
    QVERIFY(w.Receiver().singleResultRequested());
    w.LastWYnik->click();
    QVERIFY(!w.Receiver().paused());
    QCOMPARE(w.LastWYnik->toolTip(), QString("Zatrzymaj wynik"));
    QVERIFY(!w.OneWynik->isVisible());
  }


  // Controls of the filters, statistics and the chart's range.
  void filterBoxTakesItsTimeConstant_data() {
    QTest::addColumn<QString>("tau");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<double>("t");
    QTest::newRow("comma") << "0,05" << true << 0.05;
    QTest::newRow("point") << "0.05" << true << 0.05;
    QTest::newRow("not a number") << "abc" << false << 1.0;
    QTest::newRow("empty") << "" << false << 1.0;
  }
  void filterBoxTakesItsTimeConstant() {
    QFETCH(QString, tau);
    QFETCH(bool, ticked);
    QFETCH(double, t);
    TMainWin w;
    w.Tau->setText(tau);
    w.filtr->click();
    QCOMPARE(w.filtr->isChecked(), ticked);
    QCOMPARE(w.Tau->isEnabled(), !ticked);
    QCOMPARE(w.Filter().TimeConstant(), t);
    // The temperature filter's empty time constant unticks its box at once.
    w.filtrTemp->click();
    QVERIFY(!w.filtrTemp->isChecked());
  }

  void statisticsBoxAndMenuStayInStep() {
    TMainWin w;
    QVERIFY(w.Dane->isChecked() && w.Minmax1->isChecked());
    w.Dane->click();
    QVERIFY(!w.Minmax1->isChecked());
    w.Minmax1->trigger();
    QVERIFY(w.Dane->isChecked());
    QVERIFY(w.Minmax1->isChecked());
    w.Minmax1->trigger();
    QVERIFY(!w.Dane->isChecked());
    QVERIFY(!w.Minmax1->isChecked());
  }

  void manualRangeFromTheTrackBars() {
    TMainWin w;
    TWykres& chart = w.Wykres1->Chart();
    QVERIFY(chart.AutoSkala());
    QVERIFY(!w.W->isEnabled() && !w.O->isEnabled());
    w.W->setValue(60);  // ignored while the chart scales itself
    QCOMPARE(chart.Max(), 0.1);
    w.W->setValue(52);
    w.Autoskalowanie->click();
    QVERIFY(!chart.AutoSkala());
    QVERIFY(w.W->isEnabled() && w.O->isEnabled());
    QCOMPARE(chart.Min(), 22.96);
    QCOMPARE(chart.Max(), 77.04);
    w.O->setValue(-100);
    QCOMPARE(chart.Min(), -10 - 27.04);
    w.Autoskalowanie->click();
    QVERIFY(chart.AutoSkala());
  }

  // Ctrl+T opens the port submenu, and only one shortcut claims the key.
  void ctrlTOpensThePortMenu() {
    QTest::failOnWarning(QRegularExpression("Ambiguous shortcut"));
    TMainWin w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
    QTRY_VERIFY(w.Trans->isVisible());
    w.Trans->close();
  }

  void portChoice() {
    TMainWin w;
    w.COM11->trigger();  // already chosen: nothing changes
    QVERIFY(w.COM11->isChecked());
    QVERIFY(!w.COM21->isChecked());
    QCOMPARE(w.ComPort1->PortName(), QString("COM1"));
    w.COM21->trigger();
    QVERIFY(!w.COM11->isChecked());
    QVERIFY(w.COM21->isChecked());
    QCOMPARE(w.ComPort1->PortName(), QString("COM2"));
    w.COM21->trigger();
    QVERIFY(w.COM21->isChecked());
    QCOMPARE(w.ComPort1->PortName(), QString("COM2"));
    w.COM11->trigger();
    QCOMPARE(w.ComPort1->PortName(), QString("COM1"));
  }
};

QTEST_MAIN(TestMainWin)
#include "test_mainwin.moc"
