// The step dialog, the wait dialog and the file-dialog seam, as real (offscreen) widgets.
#include <QtTest>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <functional>

#include "app/FileDialogs.h"
#include "settings/Jezyki.h"
#include "records/DataFile.h"
#include "records/Pobieranie.h"
#include "records/SpeedStep.h"

namespace {
// Acts on the modal dialog once it is up (exec() has not returned yet).
void WhenModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      WhenModal(act);
      return;
    }
    act(modal);
  });
}
}  // namespace

class TestRecordDialogs : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { CurrentLanguage = "Polski"; }

  void speedStepTexts_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("Polish") << "Polski" << " Parametry zapisu" << "Zapisz co " << " wynik";
    QTest::newRow("English") << "Angielski" << " Saving parameters" << "Save every "
                             << "th result";
  }
  void speedStepTexts() {
    QFETCH(QString, language);
    QFETCH(QString, caption);
    QFETCH(QString, before);
    QFETCH(QString, after);
    CurrentLanguage = language;
    TSpeedStepWin w;
    QCOMPARE(w.windowTitle(), caption);
    QCOMPARE(w.Label1->text(), before);
    QVERIFY(w.Label1->alignment() & Qt::AlignRight);
    QCOMPARE(w.Label2->text(), after);
    QCOMPARE(w.Button1->text(), QString("OK"));
    QCOMPARE(w.SpinEdit1->minimum(), 1);
    QCOMPARE(w.SpinEdit1->maximum(), 500);
    QCOMPARE(w.SpinEdit1->value(), 1);
    QVERIFY(w.windowFlags().testFlag(Qt::Tool));
    for (const char* name : {"Label1", "SpinEdit1", "Label2", "Button1"})
      QVERIFY2(w.findChild<QWidget*>(name), name);
    // Reads "Zapisz co [N] wynik" from left to right.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.Label1->geometry().right() <= w.SpinEdit1->geometry().left());
    QVERIFY(w.SpinEdit1->geometry().right() <= w.Label2->geometry().left());
  }

  void speedStepAsk_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");  // 0: cancelled
    QTest::newRow("OK untouched") << "ok" << 1;
    QTest::newRow("7, OK") << "7 ok" << 7;
    QTest::newRow("typed 250, Enter") << "type 250" << 250;
    QTest::newRow("typed 500, Enter") << "type 500" << 500;
    QTest::newRow("closed") << "close" << 0;
    QTest::newRow("Escape") << "escape" << 0;
  }
  void speedStepAsk() {
    QFETCH(QString, action);
    QFETCH(int, result);
    WhenModal([action](QWidget* modal) {
      auto* w = qobject_cast<TSpeedStepWin*>(modal);
      if (!w) return;
      if (action == "ok") {
        QTest::mouseClick(w->Button1, Qt::LeftButton);
      } else if (action == "7 ok") {
        w->SpinEdit1->setValue(7);
        QTest::mouseClick(w->Button1, Qt::LeftButton);
      } else if (action.startsWith("type ")) {
        w->SpinEdit1->setFocus();
        w->SpinEdit1->selectAll();
        QTest::keyClicks(w->SpinEdit1, action.mid(5));
        QTest::keyClick(w->SpinEdit1, Qt::Key_Return);
      } else if (action == "close") {
        w->close();
      } else if (action == "escape") {
        QTest::keyClick(w, Qt::Key_Escape);
      }
    });
    const std::optional<int> n = TSpeedStepWin::Ask(nullptr);
    QCOMPARE(n.has_value(), result != 0);
    if (n) QCOMPARE(*n, result);
  }

  void pobierzWinTexts() {
    QWidget mainWindow;
    TPobierzWin w(&mainWindow);
    QCOMPARE(w.windowTitle(), QString("Pobieranie wyników"));
    QCOMPARE(w.Label1->text(), QString("Proszę czekać."));
    QVERIFY(w.Label1->alignment() & Qt::AlignHCenter);
    QCOMPARE(w.Anuluj->text(), QString("Anuluj"));
    QVERIFY(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(w.findChild<QLabel*>("Label1"), w.Label1);
    QCOMPARE(w.findChild<QPushButton*>("Anuluj"), w.Anuluj);
    CurrentLanguage = "Angielski";
    TPobierzWin english(&mainWindow);
    QCOMPARE(english.windowTitle(), QString("Pobieranie wyników"));
    QCOMPARE(english.Anuluj->text(), QString("Anuluj"));
  }

  // Whichever way the wait dialog goes, the main window comes back and the window hears of it.
  void pobierzWinCloses_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("Anuluj") << "anuluj";
    QTest::newRow("close button") << "close";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("hidden by the window") << "hide";
  }
  void pobierzWinCloses() {
    QFETCH(QString, path);
    QWidget mainWindow;
    mainWindow.show();
    TPobierzWin w(&mainWindow);
    int anuluj = 0;
    int closed = 0;
    int round = 1;
    bool anulujBeforeClose = true;  // the window's AnulujClick runs before the dialog closes
    w.OnAnuluj = [&] {
      ++anuluj;
      anulujBeforeClose = anulujBeforeClose && closed == round - 1;
    };
    w.OnClosed = [&] { ++closed; };
    for (; round <= 2; ++round) {
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      QVERIFY(!mainWindow.isEnabled());
      QVERIFY(w.isEnabled());
      QVERIFY(w.Anuluj->isEnabled());
      w.ShowReceiving();
      QCOMPARE(w.Label1->text(), QString("Trwa odbieranie wyniku.."));
      if (path == "anuluj")
        QTest::mouseClick(w.Anuluj, Qt::LeftButton);
      else if (path == "close")
        w.close();
      else if (path == "escape")
        QTest::keyClick(&w, Qt::Key_Escape);
      else
        w.hide();
      QVERIFY(!w.isVisible());
      QVERIFY(mainWindow.isEnabled());
      QCOMPARE(w.Label1->text(), QString("Proszę czekać."));
      QCOMPARE(closed, round);
      QCOMPARE(anuluj, path == "anuluj" ? round : 0);
      QVERIFY(anulujBeforeClose);
    }
  }

  void pobierzWinDestroyedWhileShownEnablesTheWindow() {
    QWidget mainWindow;
    mainWindow.show();
    auto* w = new TPobierzWin(&mainWindow);
    w->show();
    QVERIFY(!mainWindow.isEnabled());
    delete w;
    QVERIFY(mainWindow.isEnabled());
  }

  void fileDialogHook() {
    QList<std::pair<bool, QString>> calls;
    const FileDialogHook previous = SetFileDialogHook([&](bool save, const FileDialogSettings& dialogSettings) {
      calls.append({save, dialogSettings.filter + "|" + dialogSettings.defaultSuffix});
      return save ? QString("/tmp/a.F3D") : QString();
    });
    QVERIFY(!previous);
    QCOMPARE(AskSaveFileName(nullptr, DataFileDialogSettings()), QString("/tmp/a.F3D"));
    QCOMPARE(AskOpenFileName(nullptr, DataFileDialogSettings()), QString());
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0], std::make_pair(true, QString("Pliki danych Fluxa 3.0 (*.F3D)|F3D")));
    QCOMPARE(calls[1].first, false);
    QVERIFY(SetFileDialogHook(nullptr));
  }

  // The production dialog: the default extension is added to a bare name, a cancel gives "".
  void fileDialogItself_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("typed");  // empty: cancel
    QTest::addColumn<QString>("chosen");
    QTest::newRow("save, bare name") << true << "pomiar" << "pomiar.F3D";
    QTest::newRow("save, with extension") << true << "seria.F3D" << "seria.F3D";
    QTest::newRow("save, cancelled") << true << "" << "";
    QTest::newRow("open existing") << false << "istniejacy.F3D" << "istniejacy.F3D";
    QTest::newRow("open, cancelled") << false << "" << "";
  }
  void fileDialogItself() {
    QFETCH(bool, save);
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    QVERIFY(WriteDataFile(dir.filePath("istniejacy.F3D"), {"  1.00"}));
    const QString folder = dir.path();
    WhenModal([typed, folder](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (!dialog) return;
      if (typed.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->setDirectory(folder);
      dialog->selectFile(folder + "/" + typed);
      static_cast<QDialog*>(dialog)->accept();  // public there, protected in QFileDialog
    });
    const QString name = save ? AskSaveFileName(nullptr, DataFileDialogSettings())
                              : AskOpenFileName(nullptr, DataFileDialogSettings());
    QCOMPARE(name, chosen.isEmpty() ? QString() : QDir(folder).filePath(chosen));
  }
};

QTEST_MAIN(TestRecordDialogs)
#include "test_recorddialogs.moc"
