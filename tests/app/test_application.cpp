// The program's windows together: start-up order, the start-up screen, the menu's dialogs.
#include <QtTest>
#include <QLabel>
#include <QLineEdit>

#include "app/Application.h"
#include "app/Main.h"
#include "app/settings/About.h"
#include "app/settings/Haslo.h"
#include "settings/Jezyki.h"
#include "app/settings/Uzytkownik.h"
#include "settings/UserSettings.h"
#include "records/Pobieranie.h"

class TestApplication : public QObject {
  Q_OBJECT
 private slots:
  // Each test starts without a settings file.
  void init() {
    QFile::remove(tmp_.filePath("settings.ini"));
    qputenv("FLUXA_SETTINGS", tmp_.filePath("settings.ini").toUtf8());
  }

  void startShowsOnlyTheStartUpScreen() {
    CurrentLanguage = "Angielski";
    FluxaApplication fluxa;
    QCOMPARE(CurrentLanguage, QString("Polski"));  // every run starts in Polish
    fluxa.Start();
    QVERIFY(fluxa.AboutWin().isVisible());
    QVERIFY(!fluxa.MainWin().isVisible());
    QVERIFY(!fluxa.PobierzWin().isVisible());
    fluxa.AboutWin().Timer1Timer();  // as after 5 s
    QVERIFY(!fluxa.AboutWin().isVisible());
    QVERIFY(fluxa.MainWin().isVisible());
    QVERIFY(fluxa.MainWin().isEnabled());
    QVERIFY(!fluxa.MainWin().InServiceMode());
  }

  // The start-up screen is put up before the main window is made; the main window follows once
  // the screen is painted, in the mode the screen granted.
  void mainWindowIsMadeOnceTheStartUpScreenIsUp_data() {
    QTest::addColumn<bool>("service");
    QTest::newRow("user") << false;
    QTest::newRow("service technician") << true;
  }
  void mainWindowIsMadeOnceTheStartUpScreenIsUp() {
    QFETCH(bool, service);
    QVERIFY(WriteUserSettings({"Jan", "Ferrolab", service}));
    const auto mainWindows = [] {
      int count = 0;
      for (QWidget* top : QApplication::topLevelWidgets()) count += qobject_cast<TMainWin*>(top) != nullptr;
      return count;
    };
    FluxaApplication fluxa;
    fluxa.Start();
    QVERIFY(fluxa.AboutWin().isVisible());
    QCOMPARE(mainWindows(), 0);
    QTRY_COMPARE(mainWindows(), 1);
    QCOMPARE(fluxa.MainWin().InServiceMode(), service);
    QVERIFY(!fluxa.MainWin().isVisible());
    fluxa.AboutWin().Timer1Timer();
    QVERIFY(fluxa.MainWin().isVisible());
  }

  void menuOpensTheDialogs() {
    FluxaApplication fluxa;
    fluxa.Start();
    fluxa.AboutWin().Timer1Timer();
    TMainWin& w = fluxa.MainWin();
    w.Ustawieniaserwisowe1->trigger();
    QVERIFY(fluxa.HasloWin().isVisible());
    QVERIFY(!w.isEnabled());
    QTest::keyClicks(fluxa.HasloWin().findChild<QLineEdit*>("TekstHaslo"), "kalmora");
    QTest::keyClick(fluxa.HasloWin().findChild<QLineEdit*>("TekstHaslo"), Qt::Key_Return);
    QVERIFY(!fluxa.HasloWin().isVisible());
    QVERIFY(w.isEnabled());
    QVERIFY(w.InServiceMode());
    w.Zmieuytkownika1->trigger();
    QVERIFY(fluxa.UzytkownikWin().isVisible());
    QVERIFY(!w.isEnabled());
    fluxa.UzytkownikWin().close();
    QVERIFY(w.isEnabled());
    w.OProgramie1->trigger();
    QVERIFY(fluxa.AboutWin().isVisible());
    QVERIFY(!w.isVisible());
    fluxa.AboutWin().Timer1Timer();
    QVERIFY(w.isVisible());
    QVERIFY(w.PobierzWin() == &fluxa.PobierzWin());
  }

  // Ctrl+S asks for the password in any mode; Ctrl+U reaches the user dialog in service mode only.
  void shortcuts() {
    FluxaApplication fluxa;
    fluxa.Start();
    fluxa.AboutWin().Timer1Timer();
    TMainWin& w = fluxa.MainWin();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_U, Qt::ControlModifier);
    QVERIFY(!fluxa.UzytkownikWin().isVisible());
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY(fluxa.HasloWin().isVisible());
    fluxa.HasloWin().hide();
    w.ShowServiceMode();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_U, Qt::ControlModifier);
    QTRY_VERIFY(fluxa.UzytkownikWin().isVisible());
  }

 private:
  QTemporaryDir tmp_;
};

QTEST_MAIN(TestApplication)
#include "test_application.moc"
