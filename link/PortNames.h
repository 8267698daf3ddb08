#pragma once
// The port seam: the program names its ports "COM1" and "COM2". On Windows that is the device.
// Elsewhere the device comes from $FLUXA_COM1 / $FLUXA_COM2, then from the settings store's
// ports/COM1 / ports/COM2, then /dev/ttyS0 / /dev/ttyS1.
#include <QString>

QString DeviceForPort(const QString& portName);
