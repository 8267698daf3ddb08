#pragma once
// TPobierzWin: the wait dialog of a download. While it is shown the main window is disabled;
// closing it by any path (Anuluj, the close button, Escape, the download finishing) puts its
// label back, enables the main window again and runs OnClosed, where the window sets the
// download stage and the receive mode to 0. Its texts do not follow the language.
//
// It is a window of its own, not a child of the main window: a child would be disabled along
// with its parent, and Anuluj could not be clicked.
#include <QDialog>
#include <QPointer>

#include <functional>

class QLabel;
class QPushButton;

class TPobierzWin : public QDialog {
  Q_OBJECT
 public:
  explicit TPobierzWin(QWidget* mainWindow);
  ~TPobierzWin() override;

  QLabel* Label1;
  QPushButton* Anuluj;

  std::function<void()> OnAnuluj;  // the main window's AnulujClick
  std::function<void()> OnClosed;

  // Stage 2 of the download: "Trwa odbieranie wyniku..".
  void ShowReceiving();
  void AnulujClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QPointer<QWidget> mainWindow_;
  bool shown_ = false;
};
