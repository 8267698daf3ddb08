#pragma once
// The parameter transfer: MeterParameters written into the meter, one parameter frame per
// value, optionally followed by the store command.
//
//   value    AA 55 43 address lo hi, then a 300 ms blocking pause
//   store    a 500 ms pause after the last value, then AA 55 53 00 00 00 ("S": the meter keeps
//            what it was sent in its EEPROM)
//
// The meter answers nothing. The whole transfer is planned from the texts before anything is
// sent: each value must fit its encoding (a gain within [-1;1], a whole number in the range
// its hint gives, ...). The first value that does not is reported once, with the cell it came
// from, and then nothing is sent at all, not even the store command: the meter keeps its old
// calibration whole rather than a mix of old and new values. Empty texts are skipped. A plan
// that is good goes out to the end; a failed write shows its message, and when the port is
// gone the transfer ends there (one message, no store).
//
// The order: gains AXIAL DC1, DC2, AC1, AC2 (addresses 0, 4, 8, 12), TRANSVERSE DC1, DC2, AC1,
// AC2 (16, 20, 24, 22); Stala 10, Wtemp 50, OTemp 48, OKor 6, WKor 2; the temperature filter
// gain 44; the constant 1000 to 46; the KFILTR time constants 32, 36, 40, 26 and thresholds 34,
// 38, 42, 28; the phase pair 55; the probe threshold 18; then the store when asked for.
#include <QByteArray>
#include <QList>
#include <QStringList>
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

// A refused value's message with the name of the cell it came from, as shown to the user.
QString RefusedCellText(const QString& message, const QString& cellName);

// ---- What the panel calls each member, so that a message names it as the user sees it ----
struct GridCaptions {
  QString corner;       // also the grid's name in a message
  QStringList columns;  // from column 1 on
  QStringList rows;     // from row 1 on
};
inline const QStringList kRangeCaptions = {QStringLiteral("DC 1"), QStringLiteral("DC 2"),
                                           QStringLiteral("AC 1"), QStringLiteral("AC 2")};
inline const GridCaptions kSondyCaptions = {
    QStringLiteral("Sondy"), kRangeCaptions, {QStringLiteral("AXIAL wzm."), QStringLiteral("TRANS wzm.")}};
inline const GridCaptions kKfiltrCaptions = {
    QStringLiteral("Filtr"), kRangeCaptions, {QStringLiteral("Wzm."), QStringLiteral("Próg")}};
inline const GridCaptions kSFazaCaptions = {QStringLiteral("Zakres"),
                                            {QStringLiteral("Faza")},
                                            {QStringLiteral("Zakres 1"), QStringLiteral("Zakres 2")}};
// The caption of a member that has an edit of its own, without its colon ("Offset
// termometru"); empty for a grid cell.
QString FieldLabel(int member);
// "<grid>: <row> / <column>" for a grid cell ("Sondy: AXIAL wzm. / DC 1"), else FieldLabel.
QString CellName(int member);

// One step, decided from the texts alone.
struct TransferStep {
  enum class Kind {
    Skip,     // nothing sent, nothing shown
    Frame,    // write the frame and pause; show the text when the write fails
    Refused,  // the value cannot be sent: show the text, send nothing
    Store,    // pause, then the store command
  };
  Kind kind = Kind::Skip;
  QByteArray frame;
  QString text;
  bool operator==(const TransferStep&) const = default;
};

TransferStep SignedWordStep(const QString& text, int address);
TransferStep UnsignedWordStep(const QString& text, int address);
TransferStep GainStep(const QString& text, int address);
TransferStep FilterConstantStep(const QString& text, int address);
TransferStep CorrectionStep(const QString& text);
TransferStep PhasePairStep(const QString& phase1, const QString& phase2);
TransferStep ProbeThresholdStep(const QString& text, int address);

struct TransferPlan {
  // The 25 value steps in order, then the store when asked for; none when a value is refused.
  QList<TransferStep> steps;
  // The first refused value's message, naming its cell (RefusedCellText); empty when every
  // value can be sent.
  QString refusal;
  bool ok() const { return refusal.isEmpty(); }
};
TransferPlan PlanTransfer(const MeterParameters& parameters, bool saveEeprom);

enum class StepResult { Done, WriteFailed, Refused };
// Runs one step on the port: writes, pauses, shows its message.
StepResult RunStep(TComPort& port, const TransferStep& step);

// The typed senders: each sends nothing for an empty text.
StepResult SendGain(TComPort& port, const QString& text, int address);
StepResult SendFilterConstant(TComPort& port, const QString& text, int address);
StepResult SendProbeThreshold(TComPort& port, const QString& text, int address);

enum class TransferEnd {
  Completed,    // every step ran (a write may have failed on a port that stayed open)
  Refused,      // a refused step, which a plan from PlanTransfer never holds: nothing after it
  PortLost,     // a write failed and the port is no longer open
  StoreFailed,  // the store command could not be written
};
// Called at the start and after every value step with the steps done so far and
// kTransferValueSteps.
using TransferProgress = std::function<void(int done, int total)>;

// What reached the meter: the plan's value frames, those written, and the store command.
struct TransferTally {
  int planned = 0;
  int sent = 0;
  bool storeAsked = false;
  bool stored = false;
};
// The service panel's status line after a transfer: "Wysłano parametrów: 25, zapisano w EEPROM",
// with "z <planned>" when some were not written.
QString TransferReportText(const TransferTally& tally);

// Runs the steps of a plan that is ok() on the port. While it runs, arrivals stay in the
// port's queue (they are handled as usual only while a message is shown); the port's receive
// handler is restored at the end. tally, when given, is filled.
TransferEnd RunTransfer(TComPort& port, const QList<TransferStep>& steps,
                        const TransferProgress& progress = {}, TransferTally* tally = nullptr);

// The diagnostic tool: any value to any address. The address text must be an integer (else
// "Błędne dane!"); its low 8 bits are the address; the value goes by SendParameterFrame, as
// its low 16 bits and unchecked, since service may need any word at any address.
void SendAnyValue(TComPort& port, const QString& addressText, const QString& valueText);
