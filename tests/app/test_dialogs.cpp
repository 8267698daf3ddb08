// The start-up screen and the user, password and language dialogs around the real main window,
// with the user's values in a real INI file.
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <QAccessible>

#include "app/Main.h"
#include "records/Pobieranie.h"
#include "records/SpeedStep.h"
#include "app/settings/About.h"
#include "settings/Artwork.h"
#include "app/settings/Haslo.h"
#include "app/settings/JezykWin.h"
#include "app/settings/PortDevicesWin.h"
#include "settings/Jezyki.h"
#include "settings/UserSettings.h"
#include "app/settings/Uzytkownik.h"

namespace {
// Mean brightness (0..255) of the artwork under a label.
int Brightness(const QImage& image, const QRect& area) {
  qint64 sum = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) sum += qGray(image.pixel(x, y));
  return int(sum / (qint64(area.width()) * area.height()));
}

bool OnlyVisibleWindowIs(QWidget* window) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != window && w->isVisible()) return false;
  return true;
}
}  // namespace

namespace {
// A dialog of the main window by its class name; the start-up screen is shown as at start.
QWidget* MakeDialog(const QString& dialog, TMainWin* mw) {
  if (dialog == "THasloWin") return new THasloWin(mw);
  if (dialog == "TUzytkownikWin") return new TUzytkownikWin(mw);
  if (dialog == "TJezyk") return TJezyk::Open(mw);
  if (dialog == "TSpeedStepWin") return new TSpeedStepWin(mw);
  if (dialog == "TPobierzWin") return new TPobierzWin(mw);
  auto* about = new TAboutWin(mw);
  about->ShowBox();
  return about;
}
}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT
  std::unique_ptr<QTemporaryDir> dir_;
  QStringList opened_;

 public slots:
  void RecordOpened(const QUrl& url) { opened_ << url.toLocalFile(); }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    qputenv("FLUXA_SETTINGS", dir_->filePath("FLUXA3.ini").toLocal8Bit());
  }
  void cleanup() { CurrentLanguage = "Polski"; }

  void aboutBoxAtStart_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("service");
    QTest::addColumn<QString>("mark");
    QTest::newRow("service technician") << "Polski" << true << true << "TRYB SERWISOWY";
    QTest::newRow("service technician, English") << "Angielski" << true << true << "SERVICE MODE";
    QTest::newRow("user") << "Polski" << true << false << "TRYB SERWISOWY";
    QTest::newRow("nothing stored") << "Angielski" << false << false << "SERVICE MODE";
  }
  void aboutBoxAtStart() {
    QFETCH(QString, language);
    QFETCH(bool, stored);
    QFETCH(bool, service);
    QFETCH(QString, mark);
    if (stored) QVERIFY(WriteUserSettings({"Jan Kowalski", "Ferrolab", service}));
    CurrentLanguage = language;
    TMainWin mw;
    mw.show();
    TAboutWin about(&mw);
    about.ShowBox();
    QVERIFY(about.isVisible());
    QVERIFY(!mw.isVisible());
    QVERIFY(about.Timer1.isActive());
    QCOMPARE(about.Label1->text(), stored ? QString("Jan Kowalski") : QString());
    QCOMPARE(about.Label2->text(), stored ? QString("Ferrolab") : QString());
    QCOMPARE(about.Label3->isVisible(), service);
    QCOMPARE(about.Label3->text(), mark);
    QCOMPARE(about.ImagePol->isVisible(), language == "Polski");
    QCOMPARE(about.ImageAng->isVisible(), language == "Angielski");
    QCOMPARE(mw.InServiceMode(), service);  // no password asked
  }

  // Only the start-up showing grants service mode; the next start grants it again.
  void serviceModeOnlyOnFirstShow() {
    QVERIFY(WriteUserSettings({"Jan", "Ferrolab", true}));
    TMainWin mw;
    TAboutWin about(&mw);
    about.ShowBox();
    QVERIFY(mw.InServiceMode());
    about.Timer1Timer();
    mw.HideServiceMode();
    about.ShowBox();
    QVERIFY(about.Label3->isVisible());
    QVERIFY(!mw.InServiceMode());
    TAboutWin nextStart(&mw);
    nextStart.ShowBox();
    QVERIFY(mw.InServiceMode());
  }

  void aboutBoxGoesAway_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("clicked");  // empty: the timer
    QTest::newRow("timer") << "Polski" << "";
    QTest::newRow("Polish picture") << "Polski" << "ImagePol";
    QTest::newRow("English picture") << "Angielski" << "ImageAng";
    QTest::newRow("name") << "Polski" << "Label1";
    QTest::newRow("company") << "Polski" << "Label2";
    QTest::newRow("service mark") << "Polski" << "Label3";
  }
  void aboutBoxGoesAway() {
    QFETCH(QString, language);
    QFETCH(QString, clicked);
    QVERIFY(WriteUserSettings({"Jan", "Ferrolab", true}));
    CurrentLanguage = language;
    TMainWin mw;
    mw.setEnabled(false);
    TAboutWin about(&mw);
    QCOMPARE(about.Timer1.interval(), 5000);
    about.Timer1.setInterval(200);
    about.ShowBox();
    if (clicked.isEmpty()) {
      // It stays until its timer fires (a fixed wait here could outlast the timer on a busy
      // machine).
      QVERIFY(about.isVisible());
      QVERIFY(about.Timer1.isActive());
    } else {
      auto* target = about.findChild<QLabel*>(clicked);
      QVERIFY(target && target->isVisible());
      QTest::mouseClick(target, Qt::LeftButton);
    }
    QTRY_VERIFY(!about.isVisible());
    QVERIFY(!about.Timer1.isActive());
    QVERIFY(mw.isVisible());
    QVERIFY(mw.isEnabled());
  }

  void aboutBoxFrameAndArtwork() {
    TMainWin mw;
    TAboutWin about(&mw);
    QCOMPARE(about.size(), QSize(376, 260));
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(about.ImagePol->geometry(), about.rect());
    // Each language's picture is drawn when it is first shown, and they differ.
    for (const char* language : {"Polski", "Angielski"}) {
      CurrentLanguage = language;
      about.ShowBox();
      about.hide();
    }
    QVERIFY(!about.ImagePol->pixmap().isNull() && !about.ImageAng->pixmap().isNull());
    QVERIFY(about.ImagePol->pixmap().toImage() != about.ImageAng->pixmap().toImage());
    // The white name labels lie on dark artwork, the red service mark on light artwork.
    for (auto language : {ArtworkLanguage::Polish, ArtworkLanguage::English}) {
      const QImage art = StartupArtwork(language);
      QCOMPARE(art.size(), QSize(376, 260));
      QVERIFY(Brightness(art, about.Label1->geometry()) < 90);
      QVERIFY(Brightness(art, about.Label2->geometry()) < 90);
      QVERIFY(Brightness(art, about.Label3->geometry()) > 200);
    }
  }

  // The picture kept between runs reads back exactly as drawn; a damaged or foreign file in its
  // place is drawn again and replaced.
  void artworkCache_data() {
    QTest::addColumn<QByteArray>("before");  // the file's bytes before the start; "-": none
    QTest::newRow("first start") << QByteArray("-");
    QTest::newRow("damaged file") << QByteArray("\x89PNG\r\n\x1a\nbroken");
    QImage small(10, 10, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "png");
    QTest::newRow("a picture of another size") << png;
  }
  void artworkCache() {
    QFETCH(QByteArray, before);
    QTemporaryDir dir;
    for (auto language : {ArtworkLanguage::Polish, ArtworkLanguage::English}) {
      const QString file = ArtworkCacheFile(language, dir.path());
      if (before != "-") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(before);
      }
      const QImage drawn = CachedArtwork(language, QString());
      QCOMPARE(CachedArtwork(language, dir.path()), drawn);  // drawn, and kept
      QVERIFY(QImage(file).size() == drawn.size());
      QCOMPARE(CachedArtwork(language, dir.path()), drawn);  // read back
    }
    QVERIFY(CachedArtwork(ArtworkLanguage::Polish, dir.path()) != CachedArtwork(ArtworkLanguage::English, dir.path()));
  }

  void passwordDialog_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("enter");  // Enter in the edit instead of the OK button
    QTest::addColumn<bool>("service");
    QTest::newRow("lower case") << "kalmora" << "KALMORA" << false << true;
    QTest::newRow("mixed case, Enter") << "KalMora" << "KALMORA" << true << true;
    QTest::newRow("trailing space") << "KALMORA " << "KALMORA " << false << false;
    QTest::newRow("wrong") << "kalmor" << "KALMOR" << true << false;
    QTest::newRow("cut at 12") << "kalmorakalmora" << "KALMORAKALMO" << false << false;
  }
  void passwordDialog() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, enter);
    QFETCH(bool, service);
    TMainWin mw;
    mw.show();
    THasloWin haslo(&mw);
    for (int round = 0; round < 2; ++round) {  // the second showing starts empty again
      haslo.show();
      QVERIFY(!mw.isEnabled());
      QCOMPARE(haslo.focusWidget(), haslo.TekstHaslo);
      QCOMPARE(haslo.TekstHaslo->text(), QString());
      QTest::keyClicks(haslo.TekstHaslo, typed);
      QCOMPARE(haslo.TekstHaslo->text(), shown);
      QCOMPARE(haslo.TekstHaslo->displayText(), QString(shown.size(), QChar('*')));
      if (enter)
        QTest::keyClick(haslo.TekstHaslo, Qt::Key_Return);
      else
        QTest::mouseClick(haslo.OK, Qt::LeftButton);
      QVERIFY(!haslo.isVisible());
      QVERIFY(mw.isEnabled());
      QCOMPARE(mw.InServiceMode(), service);
      QVERIFY(OnlyVisibleWindowIs(&mw));  // no message for a wrong password
      mw.HideServiceMode();
    }
  }

  void passwordCancelAndLanguage() {
    TMainWin mw;
    mw.show();
    THasloWin haslo(&mw);
    haslo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&haslo));
    QCOMPARE(haslo.windowTitle(), QString("Hasło"));
    QCOMPARE(haslo.Anuluj->text(), QString("Anuluj"));
    CurrentLanguage = "Angielski";
    haslo.repaint();  // open windows relabel at their next paint
    QCOMPARE(haslo.windowTitle(), QString("Password"));
    QCOMPARE(haslo.Label1->text(), QString("Please write a password to enter to the service mode"));
    QCOMPARE(haslo.Anuluj->text(), QString("Cancel"));
    QTest::keyClicks(haslo.TekstHaslo, "kalmora");
    QTest::mouseClick(haslo.Anuluj, Qt::LeftButton);
    QVERIFY(!haslo.isVisible());
    QVERIFY(mw.isEnabled());
    QVERIFY(!mw.InServiceMode());
    QVERIFY(haslo.TekstHaslo->text().isEmpty());
  }

  void languageDialog_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("row");  // -1: nothing selected
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("fileMenu");
    QTest::newRow("to English") << "Polski" << 1 << "OK" << "Angielski" << "File";
    QTest::newRow("to Polish") << "Angielski" << 0 << "OK" << "Polski" << "Plik";
    QTest::newRow("cancel") << "Polski" << 1 << "Anuluj" << "Polski" << "Plik";
    QTest::newRow("nothing selected") << "Angielski" << -1 << "OK" << "Angielski" << "File";
  }
  void languageDialog() {
    QFETCH(QString, language);
    QFETCH(int, row);
    QFETCH(QString, button);
    QFETCH(QString, after);
    QFETCH(QString, fileMenu);
    TMainWin mw;  // labelled in Polish
    mw.show();
    CurrentLanguage = language;
    QPointer<TJezyk> jezyk = TJezyk::Open(&mw);
    QVERIFY(jezyk->isVisible());
    QVERIFY(!mw.isEnabled());
    QCOMPARE(jezyk->windowTitle(), LookupText(44));
    QCOMPARE(jezyk->WybranyJezyk->count(), 2);
    QCOMPARE(jezyk->WybranyJezyk->selectedItems().value(0)->text(), QString("Polski"));
    if (row < 0)
      jezyk->WybranyJezyk->clearSelection();
    else
      jezyk->WybranyJezyk->setCurrentRow(row);
    QTest::mouseClick(jezyk->findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(CurrentLanguage, after);
    if (button == "OK") QCOMPARE(mw.Plik1->title(), fileMenu);  // at once
    QTRY_VERIFY(jezyk.isNull());
    QVERIFY(mw.isEnabled());
  }

  void userDialogShowsStoredValues_data() {
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("service");
    QTest::newRow("user") << true << false;
    QTest::newRow("service technician") << true << true;
    QTest::newRow("nothing stored") << false << false;
  }
  void userDialogShowsStoredValues() {
    QFETCH(bool, stored);
    QFETCH(bool, service);
    if (stored) QVERIFY(WriteUserSettings({" Jan ", "Ferrolab", service}));
    TMainWin mw;
    mw.show();
    TUzytkownikWin user(&mw);
    user.show();
    QVERIFY(!mw.isEnabled());
    QCOMPARE(user.Nazwa->text(), stored ? QString(" Jan ") : QString());
    QCOMPARE(user.Miasto->text(), stored ? QString("Ferrolab") : QString());
    QCOMPARE(user.Serwisant->isChecked(), service);
    for (int click = 0; click < 3; ++click) {
      QCOMPARE(user.Nazwa->isEnabled(), !user.Serwisant->isChecked());
      QCOMPARE(user.Miasto->isEnabled(), !user.Serwisant->isChecked());
      QTest::mouseClick(user.Serwisant, Qt::LeftButton);
    }
    // Anuluj writes nothing, not even a file that was not there.
    user.Nazwa->setText("changed");
    QTest::mouseClick(user.Anuluj, Qt::LeftButton);
    QVERIFY(!user.isVisible());
    QVERIFY(mw.isEnabled());
    QCOMPARE(UserSettingsKeyExists(), stored);
    QCOMPARE(ReadUserSettings().name, stored ? QString(" Jan ") : QString());
    QCOMPARE(ReadUserSettings().service, service);
  }

  void userDialogSavesAsTyped_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("company");
    QTest::addColumn<bool>("service");
    QTest::newRow("spaces kept") << "  Jan Kowalski " << " Ferrolab, Sp. z o.o.  " << false;
    QTest::newRow("service technician") << "Serwis" << "\"Pole\"; #1" << true;
  }
  void userDialogSavesAsTyped() {
    QFETCH(QString, name);
    QFETCH(QString, company);
    QFETCH(bool, service);
    TMainWin mw;
    mw.show();
    TUzytkownikWin user(&mw);
    user.show();
    QTest::keyClicks(user.Nazwa, name);
    QTest::keyClicks(user.Miasto, company);
    if (service) QTest::mouseClick(user.Serwisant, Qt::LeftButton);
    QTest::mouseClick(user.OK, Qt::LeftButton);
    QVERIFY(!user.isVisible());
    QVERIFY(mw.isEnabled());
    const UserSettings saved = ReadUserSettings();
    QCOMPARE(saved.name, name);
    QCOMPARE(saved.company, company);
    QCOMPARE(saved.service, service);
    QVERIFY(!mw.InServiceMode());  // takes effect at the next start
  }

  // Assistive tools find each dialog as a dialog, by its title.
  void dialogsAreAnnouncedAsDialogs_data() {
    QTest::addColumn<QString>("dialog");
    QTest::newRow("password") << "THasloWin";
    QTest::newRow("user") << "TUzytkownikWin";
    QTest::newRow("language") << "TJezyk";
    QTest::newRow("step") << "TSpeedStepWin";
    QTest::newRow("wait") << "TPobierzWin";
  }
  void dialogsAreAnnouncedAsDialogs() {
    QFETCH(QString, dialog);
    TMainWin mw;
    mw.show();
    QPointer<QWidget> window = MakeDialog(dialog, &mw);
    window->show();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(window);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Dialog);
    QVERIFY(!window->windowTitle().isEmpty());
    QCOMPARE(accessible->text(QAccessible::Name), window->windowTitle());
    window->close();
    QVERIFY(mw.isEnabled());
    delete window.data();
  }

  // Every dialog stays on top without being modal; closing by the window's button also
  // gives the main window back.
  void dialogsStayOnTopAndReleaseTheMainWindow_data() {
    QTest::addColumn<QString>("dialog");
    QTest::newRow("password") << "THasloWin";
    QTest::newRow("user") << "TUzytkownikWin";
    QTest::newRow("language") << "TJezyk";
    QTest::newRow("about") << "TAboutWin";
  }
  void dialogsStayOnTopAndReleaseTheMainWindow() {
    QFETCH(QString, dialog);
    TMainWin mw;
    mw.show();
    QPointer<QWidget> window = MakeDialog(dialog, &mw);
    window->show();
    QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(window->windowModality(), Qt::NonModal);
    QCOMPARE(mw.isEnabled() && mw.isVisible(), false);
    window->close();
    QVERIFY(mw.isEnabled());
    delete window.data();
  }

  // The port dialog tells in full which variable decides a port, in either language (also one
  // chosen while it is open), however long the path: the note wraps within its width, nothing
  // below covers it, and the dialog holds it.
  void portDialogShowsTheWholeNote_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("note");
    const QString serial = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_AB0JXXXX-if00-port0";
    const QString polish = "Zmienna środowiskowa ma pierwszeństwo: FLUXA_COM1=";
    QTest::newRow("Polish") << "Polski" << "/tmp/fluxa-1000/COM1" << polish + "/tmp/fluxa-1000/COM1";
    QTest::newRow("Polish, long path") << "Polski" << serial << polish + serial;
    QTest::newRow("English after Polish, long path")
        << "Angielski" << serial << "The environment variable takes precedence: FLUXA_COM1=" + serial;
  }
  void portDialogShowsTheWholeNote() {
    QFETCH(QString, language);
    QFETCH(QString, device);
    QFETCH(QString, note);
    qputenv("FLUXA_COM1", device.toUtf8());
    TMainWin mw;
    mw.show();
    QPointer<TPortDevicesWin> dialog = TPortDevicesWin::Open(&mw, {{"/dev/ttyS0", ""}});
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    CurrentLanguage = language;
    dialog->repaint();
    const QLabel* shown = dialog->Note1;
    QCOMPARE(shown->text(), note);
    QVERIFY(shown->wordWrap() && shown->heightForWidth(shown->width()) <= shown->height());
    QVERIFY(dialog->rect().contains(shown->geometry()) && dialog->rect().contains(dialog->Anuluj->geometry()));
    for (const QWidget* below : std::initializer_list<const QWidget*>{dialog->Device2, dialog->Note2, dialog->Hint, dialog->OK})
      QVERIFY2(below->y() > shown->geometry().bottom(), qPrintable(below->objectName()));
    qunsetenv("FLUXA_COM1");
    delete dialog.data();
  }

  void userManual_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("opened");
    const QStringList both{"Instrukcja_Polska.pdf", "Instrukcja_Angielska.pdf"};
    QTest::newRow("Polish") << "Polski" << both << "Instrukcja_Polska.pdf";
    QTest::newRow("English") << "Angielski" << both << "Instrukcja_Angielska.pdf";
    QTest::newRow("Polish missing") << "Polski" << QStringList{"Instrukcja_Angielska.pdf"} << "";
  }
  void userManual() {
    QFETCH(QString, language);
    QFETCH(QStringList, present);
    QFETCH(QString, opened);
    for (const QString& name : present) {
      QFile file(dir_->filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    CurrentLanguage = language;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    opened_.clear();
    QDesktopServices::setUrlHandler("file", this, "RecordOpened");
    const bool handedOver = OpenUserManual();
    QDesktopServices::unsetUrlHandler("file");
    QDir::setCurrent(previous);
    QCOMPARE(handedOver, !opened.isEmpty());
    QCOMPARE(opened_, opened.isEmpty() ? QStringList() : QStringList{dir_->filePath(opened)});
  }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
