#pragma once
// TSpeedStepWin: the step dialog of a recording, "Zapisz co [N] wynik". Created anew for every
// start so that it shows the current language.
#include <QDialog>

#include <optional>

class QLabel;
class QPushButton;
class QSpinBox;

class TSpeedStepWin : public QDialog {
  Q_OBJECT
 public:
  explicit TSpeedStepWin(QWidget* parent = nullptr);

  // Shows the dialog modally: the interval on OK; nothing when it was closed any other way,
  // which cancels the start of the recording.
  static std::optional<int> Ask(QWidget* parent);

  QLabel* Label1;
  QSpinBox* SpinEdit1;
  QLabel* Label2;
  QPushButton* Button1;

  void Button1Click();
};
