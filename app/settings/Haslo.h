#pragma once
// THasloWin: the password dialog, the way into service mode. The password is a fixed constant;
// a wrong one just closes the dialog, with no message and no count of attempts.
#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TMainWin;

class THasloWin : public QWidget {
  Q_OBJECT
 public:
  explicit THasloWin(TMainWin* mainWindow);

  static constexpr int kMaxPasswordLength = 12;

  QFrame* Panel1;
  QLabel* Label1;
  QLineEdit* TekstHaslo;
  QPushButton* OK;
  QPushButton* Anuluj;

  void OKClick();
  void AnulujClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void FormShow();
  void FormHide();
  void FormPaint();

  TMainWin* mainWindow_;
};
