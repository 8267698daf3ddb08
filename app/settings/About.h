#pragma once
// TAboutWin: the about box, which is also the start-up screen. It shows the user's name, company
// and the service mark over the program's picture, hides the main window while it is up, and goes
// away after five seconds or a click. Its first showing after start enters service mode for a
// user marked as service technician.
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;
class TMainWin;

class TAboutWin : public QWidget {
  Q_OBJECT
 public:
  // The start-up screen is created before the main window; it learns of it afterwards. Service
  // mode granted before then is entered when it does.
  explicit TAboutWin(TMainWin* mainWindow = nullptr);
  void SetMainWindow(TMainWin* mainWindow);
  // Where the main window comes from when the box goes before the program has made it.
  void SetMainWindowSource(std::function<TMainWin*()> source) { mainWindowSource_ = std::move(source); }
  // Called once, on the event loop's next turn after the box's first paint: the screen is up.
  std::function<void()> OnFirstPainted;

  // Shows the box and hides the main window (at start-up and from the Help menu).
  void ShowBox();

  QLabel* ImagePol;
  QLabel* ImageAng;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QTimer Timer1;

  void Timer1Timer();

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormShow();
  TMainWin* MainWindow();
  void ShowPictureOfLanguage(bool english);

  TMainWin* mainWindow_;
  std::function<TMainWin*()> mainWindowSource_;
  bool firstShow_ = true;
  bool serviceModeOwed_ = false;
  bool painted_ = false;
};

// The user manual of the current language, as a bare file name: the program looks for it in
// the current directory. Empty when the language is neither of the two.
QString UserManualFileName();

// Opens the manual with the program the system associates with PDF files. When the file is not
// there nothing happens; returns whether it was handed to the system.
bool OpenUserManual();
