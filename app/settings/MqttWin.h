#pragma once
// TMqttWin: Ustawienia → "Publikowanie MQTT…". The broker, its port, the topic prefix, the user,
// TLS and its CA file, the bench's id and whether results are published, kept in the settings
// store; the password is never kept there: it comes from FLUXA_MQTT_PASSWORD or is asked when
// publishing starts. OK applies the settings at once. A new one is made for every use (Open)
// and deletes itself when closed.
#include <functional>

#include "app/settings/DialogWindow.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TMqttWin : public TDialogWindow {
  Q_OBJECT
 public:
  explicit TMqttWin(TMainWin* mainWindow);
  static TMqttWin* Open(TMainWin* mainWindow);

  QCheckBox* Publikuj;
  QLineEdit* Broker;
  QSpinBox* Port;
  QLineEdit* Prefiks;
  QLineEdit* Uzytkownik;
  QCheckBox* Tls;
  QLineEdit* PlikCa;
  QLineEdit* Stanowisko;
  QLabel* Blad;  // why OK was refused
  QPushButton* OK;
  QPushButton* Anuluj;

  void OKClick();
  void AnulujClick();

 private:
  void FormShow() override;
  void FormPaint() override;
  QList<QLabel*> captions_;
};
