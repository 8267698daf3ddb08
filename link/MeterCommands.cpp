#include "link/MeterCommands.h"

#include "common/Messages.h"
#include "link/ComPort.h"

QByteArray ParameterFrame(int address, quint8 byte4, quint8 byte5) {
  QByteArray frame(6, Qt::Uninitialized);
  frame[0] = char(0xAA);
  frame[1] = char(0x55);
  frame[2] = 'C';
  frame[3] = char(quint8(address));
  frame[4] = char(byte4);
  frame[5] = char(byte5);
  return frame;
}

QByteArray CommandFrame(char letter) {
  QByteArray frame(6, '\0');
  frame[0] = char(0xAA);
  frame[1] = char(0x55);
  frame[2] = letter;
  return frame;
}

bool WriteFrame(TComPort& port, const QByteArray& frame) {
  try {
    return port.Write(frame) == frame.size();
  } catch (const EComPort&) {
    return false;
  }
}

bool WriteParameterValue(TComPort& port, const QString& valueText, int address) {
  if (valueText.isEmpty()) return false;
  bool ok = false;
  const int value = valueText.toInt(&ok, 10);
  const auto word = quint16(value);
  if (!ok || !WriteFrame(port, ParameterFrame(address, quint8(word & 0xFF), quint8(word >> 8)))) {
    ShowMessage("Nie można wysłać tekstu " + valueText + " do adresu " + QString::number(address));
    return false;
  }
  return true;
}

bool WriteParameterWord(TComPort& port, int word, int address) {
  if (word < 0 || word > 0xFFFF) return false;
  return WriteFrame(port, ParameterFrame(address, quint8(word & 0xFF), quint8(word >> 8)));
}

bool SendCommand(TComPort& port, const QString& command) {
  if (command.isEmpty() || !WriteFrame(port, CommandFrame(command.at(0).toLatin1()))) {
    ShowMessage(QStringLiteral("Wysłać polecenia"));
    return false;
  }
  return true;
}
