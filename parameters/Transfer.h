#pragma once
// The parameter transfer: MeterParameters written into the meter, one parameter frame per
// value, optionally followed by the store command.
//
//   value    AA 55 43 address lo hi, then a 300 ms blocking pause
//   store    a 500 ms pause after the last value, then AA 55 53 00 00 00 ("S": the meter keeps
//            what it was sent in its EEPROM)
//
// The meter answers nothing. A value that cannot be encoded is reported and not sent; the
// transfer goes on with the next one. It ends early only for a probe threshold that is not an
// integer (no store) and when the port is gone (one message, no store).
//
// The order: gains AXIAL DC1, DC2, AC1, AC2 (addresses 0, 4, 8, 12), TRANSVERSE DC1, DC2, AC1,
// AC2 (16, 20, 24, 22); Stala 10, Wtemp 50, OTemp 48, OKor 6, WKor 2; the temperature filter
// gain 44; the constant 1000 to 46; the KFILTR time constants 32, 36, 40, 26 and thresholds 34,
// 38, 42, 28; the phase pair 55; the probe threshold 18; then the store when asked for.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

#include "parameters/MeterParameters.h"

class TComPort;

// ---- The transfer's messages ----
QString CannotSendText(const QString& valueText, int address);
QString NotAnIntegerText(const QString& text);
inline const QString kFilterFormatText = QStringLiteral("Nieprawidłowy format danych filtru :");
inline const QString kThresholdRangeText =
    QStringLiteral("Niedozwolona wartość komórki: próg rodzaju sondy!");
inline const QString kCorrectionText =
    QStringLiteral("Niepoprawnie wprowadzona wartość współczynnika korekcji temp.");
inline const QString kBadDataText = QStringLiteral("Błędne dane!");

inline constexpr int kStorePauseMs = 500;
inline constexpr int kTransferValueSteps = 25;

// One step, decided from the texts alone.
struct TransferStep {
  enum class Kind {
    Skip,     // nothing sent, nothing shown
    Frame,    // write the frame and pause; show the text when the write fails
    Message,  // the value is refused: show the text, send nothing
    Abort,    // show the text and end the transfer
    Store,    // pause, then the store command
  };
  Kind kind = Kind::Skip;
  QByteArray frame;
  QString text;
  bool operator==(const TransferStep&) const = default;
};

TransferStep IntegerStep(const QString& text, int address);
TransferStep GainStep(const QString& text, int address);
TransferStep FilterConstantStep(const QString& text, int address);
TransferStep CorrectionStep(const QString& text);
TransferStep PhasePairStep(const QString& phase1, const QString& phase2);
TransferStep ProbeThresholdStep(const QString& text, int address);

// The 25 value steps in order, then the store when saveEeprom is set.
QList<TransferStep> PlanTransfer(const MeterParameters& parameters, bool saveEeprom);

enum class StepResult { Done, WriteFailed, Aborted };
// Runs one step on the port: writes, pauses, shows its message.
StepResult RunStep(TComPort& port, const TransferStep& step);

// The typed senders: each sends nothing for an empty text.
StepResult SendGain(TComPort& port, const QString& text, int address);
StepResult SendFilterConstant(TComPort& port, const QString& text, int address);
StepResult SendProbeThreshold(TComPort& port, const QString& text, int address);

enum class TransferEnd {
  Completed,    // every step ran (some values may have been refused or failed)
  Aborted,      // a probe threshold that is not an integer
  PortLost,     // a write failed and the port is no longer open
  StoreFailed,  // the store command could not be written
};
// Called at the start and after every value step with the steps done so far and
// kTransferValueSteps.
using TransferProgress = std::function<void(int done, int total)>;

// Runs the plan on the port. While it runs, arrivals stay in the port's queue (they are
// handled as usual only while a message is shown); the port's receive handler is restored at
// the end.
TransferEnd RunTransfer(TComPort& port, const QList<TransferStep>& plan,
                        const TransferProgress& progress = {});

// The diagnostic tool: any value to any address. The address text must be an integer (else
// "Błędne dane!"); its low 8 bits are the address; the value goes by SendParameterFrame.
void SendAnyValue(TComPort& port, const QString& addressText, const QString& valueText);
