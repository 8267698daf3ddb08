#pragma once
// TServicePanel: the service panel `Send` (" Kalibracja "), shown over the chart in service mode.
// It owns its controls and the handlers that concern only the meter's parameters; the main window
// holds it as `Send` and keeps the diagnostics handlers, which act on its own filter state.
#include <QGroupBox>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TServicePanel : public QGroupBox {
  Q_OBJECT
 public:
  explicit TServicePanel(QWidget* parent = nullptr);

  QToolButton* UkrysSerwis;
  QPushButton* Wyslij;
  QPushButton* Odbierz;
  // Diagnostics: the temperature filter and the largest jump between two results.
  QGroupBox* TabSheet1;
  QCheckBox* filtrTemp;
  QLineEdit* TauTemp;
  QLabel* SSkok;
  QPushButton* Button3;
};
