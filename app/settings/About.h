#pragma once
// TAboutWin: the about box, which is also the start-up screen. It shows the user's name, company
// and the service mark over the program's picture, hides the main window while it is up, and goes
// away after five seconds or a click. Its first showing after start enters service mode for a
// user marked as service technician.
#include <QString>
#include <QTimer>
#include <QWidget>

class QLabel;
class TMainWin;

class TAboutWin : public QWidget {
  Q_OBJECT
 public:
  // The start-up screen is created before the main window; it learns of it afterwards.
  explicit TAboutWin(TMainWin* mainWindow = nullptr);
  void SetMainWindow(TMainWin* mainWindow) { mainWindow_ = mainWindow; }

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
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormShow();

  TMainWin* mainWindow_;
  bool firstShow_ = true;
};

// The user manual of the current language, as a bare file name: the program looks for it in
// the current directory. Empty when the language is neither of the two.
QString UserManualFileName();

// Opens the manual with the program the system associates with PDF files. When the file is not
// there nothing happens; returns whether it was handed to the system.
bool OpenUserManual();
