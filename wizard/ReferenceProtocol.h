#pragma once
// The reference meter's protocol (9600 baud, 7 data bits, no parity, 1 stop bit; plain ASCII).
//
// Commands, each ESC ... CR:
//   ESC "LO2" CR                  remote control; answered "LO2"; pause 200 ms, then read <= 10
//   ESC "LO1" CR                  local control; answered "LO1"; pause 200 ms (100 ms when the
//                                 wizard closes), then read <= 10
//   ESC "ME" c "00000000" CR      one measurement on channel c; pause 100 ms, then read <= 20
// Measurement reply, fixed positions from 0:
//   0-1 "ME", 2 the channel asked, 3 the classifier ('0' expected), 4 the decade digit
//   ('1'..'7': x 0.0001 .. x 100), 5 unused, 6-10 five characters of a decimal number, 11 unused.
// The meter answers only these; it never speaks by itself, so every read follows a command.
#include <QByteArray>
#include <QString>

namespace reference {

constexpr int kMasterPauseMs = 200;
constexpr int kSlavePauseMs = 200;
constexpr int kReleasePauseMs = 100;
constexpr int kMeasurePauseMs = 100;
constexpr int kAfterOpenPauseMs = 200;
constexpr int kHandshakeReadLength = 10;
constexpr int kReplyReadLength = 20;
// A meter that has not answered "LO2"/"LO1" after this many commands is not going to.
constexpr int kHandshakeTries = 10;

// How long the wizard's steps wait at most for an exchange with the reference meter: its pauses
// and tries, with a port write's own time-out as the margin of each.
constexpr int kWriteMarginMs = 1200;
// The opening's Set Master (every try) and the pause after it.
constexpr int kConnectGuardMs = kHandshakeTries * (kMasterPauseMs + kWriteMarginMs) + kAfterOpenPauseMs;
// ESC LO1 CR until "LO1" before the wizard closes.
constexpr int kReleaseGuardMs = kHandshakeTries * (kReleasePauseMs + kWriteMarginMs);
// Set Slave after the exchange in flight (a handshake's try, or a measurement and the drain of its
// late reply) and its own pause.
constexpr int kSlaveGuardMs = kMasterPauseMs + 2 * kMeasurePauseMs + kSlavePauseMs + kWriteMarginMs;

QByteArray SetMasterCommand();  // ESC "LO2" CR
QByteArray SetSlaveCommand();   // ESC "LO1" CR
QByteArray MeasureCommand(const QString& channel);
inline const QString kMasterAnswer = QStringLiteral("LO2");
inline const QString kSlaveAnswer = QStringLiteral("LO1");

struct MeasurementReply {
  bool valid = false;           // header, channel, decade and number all good
  bool classifierWrong = false;  // a valid reply whose classifier is not '0'
  double value = 0;             // number x decade multiplier, when valid
};

// A reply that is short, for another channel, has an unknown decade digit or a number that does
// not convert to a finite value is not valid; the caller keeps its previous reading then.
MeasurementReply ParseMeasurementReply(const QString& reply, const QString& channel);

}  // namespace reference
