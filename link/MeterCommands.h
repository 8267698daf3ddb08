#pragma once
// The meter's wire protocol, send side. The meter answers nothing; the PC only keeps pauses.
//
// Parameter frame, 6 bytes: AA 55 43 address lo hi   (a 16-bit value, little-endian, or two
//                           independent bytes for the phase pair); 300 ms pause after each,
//                           which the sender keeps by a timer (parameters/Transfer.h).
// Command frame,   6 bytes: AA 55 letter 00 00 00     ("S" store, "H" end/prepare dump, "V" dump)
// Failures are shown here with the program's own message; the port stays as it was.
#include <QByteArray>
#include <QString>

class TComPort;

constexpr int kParameterPauseMs = 300;

QByteArray ParameterFrame(int address, quint8 byte4, quint8 byte5);
QByteArray CommandFrame(char letter);
// Writes a whole frame; false when the port refused it or took only part (nothing thrown).
bool WriteFrame(TComPort& port, const QByteArray& frame);

// Value text: decimal integer with an optional sign; its low 16 bits are sent. An empty text
// sends nothing. Returns whether the frame was written; the caller keeps the pause after it.
bool WriteParameterValue(TComPort& port, const QString& valueText, int address);
// One 16-bit word (0..65535) to an address, telling nobody: the caller says what a false means
// when it can (a step machine must not show a message inside its step).
bool WriteParameterWord(TComPort& port, int word, int address);
bool SendCommand(TComPort& port, const QString& command);
