#pragma once
// TPortDevicesWin: the port dialog (Ustawienia → Parametry transmisji). For each of the program's
// ports, COM1 and COM2, it offers the serial devices on the machine and the device the name maps
// to now, takes a typed device path too, and stores the choice in the settings store, where the
// port mapping reads it at the next connection. When an environment variable decides a name's
// device, the dialog says so in full under that name, on as many lines as it takes, and what
// lies below moves down. A new one is made for every use (Open) and deletes itself when closed.
#include <QList>

#include "app/settings/DialogWindow.h"
#include "link/PortNames.h"

class QComboBox;
class QLabel;
class QPushButton;

class TPortDevicesWin : public TDialogWindow {
  Q_OBJECT
 public:
  // present: the devices on the machine (PresentSerialDevices()), passed in so a test chooses.
  TPortDevicesWin(TMainWin* mainWindow, const QList<SerialDevice>& present);
  static TPortDevicesWin* Open(TMainWin* mainWindow,
                               const QList<SerialDevice>& present = PresentSerialDevices());

  QLabel* Label1;
  QLabel* Label2;
  QComboBox* Device1;  // COM1
  QComboBox* Device2;  // COM2
  QLabel* Note1;
  QLabel* Note2;
  QLabel* Hint;
  QPushButton* OK;
  QPushButton* Anuluj;

  void OKClick();
  void AnulujClick();
  // The device a box holds: the chosen entry's device, or the typed text.
  static QString ChosenDevice(const QComboBox& box);

 private:
  void FormPaint() override;
  int LayOut();
};
