#pragma once
// The port seam: the program names its ports "COM1" and "COM2", and each name maps to a device:
// $FLUXA_COM1 / $FLUXA_COM2 first, then the settings store's ports/COM1 / ports/COM2 (which the
// port dialog writes), then the name's own device: on Windows the name itself, elsewhere
// /dev/ttyS0 / /dev/ttyS1.
#include <QList>
#include <QString>
#include <QStringList>

QString DeviceForPort(const QString& portName);

// The names the menu and the status line use.
QStringList ProgramPortNames();

// "FLUXA_COM1" for "COM1": the environment variable that wins over the stored choice.
QString PortVariable(const QString& portName);
// Its value, "" when it is not set.
QString DeviceFromEnvironment(const QString& portName);

// The stored choice, "" when there is none; storing "" removes it.
QString StoredDeviceForPort(const QString& portName);
void StoreDeviceForPort(const QString& portName, const QString& device);

struct SerialDevice {
  QString device;       // what the port opens: /dev/ttyUSB0, COM5
  QString description;  // the system's word for it, "" when it has none
  friend bool operator==(const SerialDevice&, const SerialDevice&) = default;
};

// The serial devices on the machine, in the order of their names (Qt's port list: USB and ACM
// adapters and built-in ports; pseudo-terminals are not in it).
QList<SerialDevice> PresentSerialDevices();

// What the port dialog offers for every name: the device each program port maps to now (so a
// device missing from the system's list, such as a pseudo-terminal, can still be chosen), then
// every present device not already offered.
QList<SerialDevice> DeviceChoices(const QList<SerialDevice>& present);

// "/dev/ttyUSB0 (FT232R USB UART)", or the bare device without a description.
QString DeviceChoiceText(const SerialDevice& device);
