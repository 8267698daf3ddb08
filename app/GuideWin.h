#pragma once
// TGuideWin: the user's guide (Pomoc → Instrukcja obsługi), shown in the program's own window in
// the program's language. The guide's pages and pictures are compiled into the program (a Qt
// resource), so it is there wherever the program is; links to other sites open in the system's
// browser. It follows a switch of language while it is open.
#include <QUrl>
#include <QWidget>

class QPushButton;
class QTextBrowser;

class TGuideWin : public QWidget {
  Q_OBJECT
 public:
  TGuideWin();

  // Shows the window at the guide's contents, in the current language.
  void ShowGuide();
  // The first page of the guide in the current language.
  static QUrl StartPage();

  QPushButton* SpisTresci;
  QPushButton* Wstecz;
  QTextBrowser* Tekst;

 private:
  void ApplyLanguage();
};
