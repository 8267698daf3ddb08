#pragma once
// The parameter transfer: MeterParameters written into the meter, one parameter frame per
// value, optionally followed by the store command.
//
//   value    AA 55 43 address lo hi, then a 300 ms pause (a timer's: nothing is held)
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
#include <QObject>
#include <QTimer>
#include <functional>

#include "parameters/MeterParameters.h"

class TComPort;

// ---- The transfer's messages ----
// Each has a Polish and an English form. The service panel and the calibration wizard speak
// Polish only, as their captions do; fluxa-cli and the history window use the program's
// language.
enum class TextLanguage { Polish, English };
// The program's language (settings/Jezyki: CurrentLanguage) as one of the two.
TextLanguage ProgramTextLanguage();

QString CannotSendText(const QString& valueText, int address, TextLanguage language = TextLanguage::Polish);
// The same words in both languages.
QString NotAnIntegerText(const QString& text);
// The Polish forms, as the service panel shows them.
inline const QString kFilterFormatText = QStringLiteral("Nieprawidłowy format danych filtru :");
inline const QString kThresholdRangeText =
    QStringLiteral("Niedozwolona wartość komórki: próg rodzaju sondy!");
inline const QString kCorrectionText =
    QStringLiteral("Niepoprawnie wprowadzona wartość współczynnika korekcji temp.");
inline const QString kBadDataText = QStringLiteral("Błędne dane!");
inline const QString kStoreFailedText = QStringLiteral("Wysłać polecenia");
// The same in the language asked for; the refused value follows the filter's text at once.
QString FilterFormatText(TextLanguage language);
QString ThresholdRangeText(TextLanguage language);
QString CorrectionText(TextLanguage language);
QString BadDataText(TextLanguage language);
QString StoreFailedText(TextLanguage language);
struct TransferTally;
// TransferReportText (below) in the language asked for.
QString TransferReportText(const TransferTally& tally, TextLanguage language);

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
// The grids' captions in English, for the messages in English.
inline const GridCaptions kSondyEnglishCaptions = {
    QStringLiteral("Probes"), kRangeCaptions, {QStringLiteral("AXIAL gain"), QStringLiteral("TRANS gain")}};
inline const GridCaptions kKfiltrEnglishCaptions = {
    QStringLiteral("Filter"), kRangeCaptions, {QStringLiteral("Gain"), QStringLiteral("Threshold")}};
inline const GridCaptions kSFazaEnglishCaptions = {QStringLiteral("Range"),
                                                   {QStringLiteral("Phase")},
                                                   {QStringLiteral("Range 1"), QStringLiteral("Range 2")}};
// The caption of a member that has an edit of its own, without its colon ("Offset
// termometru", "Thermometer offset"); empty for a grid cell.
QString FieldLabel(int member, TextLanguage language = TextLanguage::Polish);
// "<grid>: <row> / <column>" for a grid cell ("Sondy: AXIAL wzm. / DC 1", "Probes: AXIAL gain /
// DC 1"), else FieldLabel.
QString CellName(int member, TextLanguage language = TextLanguage::Polish);

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

// Each step's text is in the language given.
TransferStep SignedWordStep(const QString& text, int address, TextLanguage language = TextLanguage::Polish);
TransferStep UnsignedWordStep(const QString& text, int address, TextLanguage language = TextLanguage::Polish);
TransferStep GainStep(const QString& text, int address, TextLanguage language = TextLanguage::Polish);
TransferStep FilterConstantStep(const QString& text, int address, TextLanguage language = TextLanguage::Polish);
TransferStep CorrectionStep(const QString& text, TextLanguage language = TextLanguage::Polish);
TransferStep PhasePairStep(const QString& phase1, const QString& phase2,
                           TextLanguage language = TextLanguage::Polish);
TransferStep ProbeThresholdStep(const QString& text, int address, TextLanguage language = TextLanguage::Polish);

struct TransferPlan {
  // The 25 value steps in order, then the store when asked for; none when a value is refused.
  QList<TransferStep> steps;
  // The first refused value's message, naming its cell (RefusedCellText); empty when every
  // value can be sent.
  QString refusal;
  bool ok() const { return refusal.isEmpty(); }
};
// The plan's texts (the refusal, a failed write's message) are in the language given.
TransferPlan PlanTransfer(const MeterParameters& parameters, bool saveEeprom,
                          TextLanguage language = TextLanguage::Polish);

enum class TransferEnd {
  Completed,    // every step ran (a write may have failed on a port that stayed open)
  Refused,      // a refused step, which a plan from PlanTransfer never holds: nothing after it
  PortLost,     // a write failed and the port is no longer open
  StoreFailed,  // the store command could not be written
  Cancelled,    // stopped by the user before its next frame
};

// What reached the meter: the plan's value frames, those written, and the store command.
struct TransferTally {
  int planned = 0;
  int sent = 0;
  bool storeAsked = false;
  bool stored = false;
  bool cancelled = false;
};
// The service panel's status line after a transfer: "Wysłano parametrów: 25, zapisano w EEPROM",
// with "z <planned>" when some were not written.
QString TransferReportText(const TransferTally& tally);

// Runs the steps of a plan that is ok() on the port, paced by a timer: each frame is written
// when the pause after the one before has passed (PaceMs), so the thread that runs it is never
// held and the port's arrivals are handled as usual meanwhile. A failed write shows its message
// and the run goes on after the pause unless the port is gone by then; a refused step shows
// its message and ends the run. Cancel stops before the next frame.
class TransferRun : public QObject {
 public:
  TransferRun(TComPort& port, QList<TransferStep> steps, QObject* parent = nullptr);
  ~TransferRun() override;

  void Start();
  // Before the next frame: nothing more is written, the run ends with Cancelled.
  void Cancel();
  bool Running() const { return running_; }
  const TransferTally& Tally() const { return tally_; }

  // At the start and after every value step (its pause included) with the steps done so far
  // and kTransferValueSteps.
  std::function<void(int done, int total)> OnProgress;
  // Once, at the end; the run may be destroyed from here.
  std::function<void(TransferEnd end)> OnFinished;

 private:
  void Next();
  void Finish(TransferEnd end);
  void Wait(int ms);

  TComPort& port_;
  QList<TransferStep> steps_;
  QTimer pace_;
  TransferTally tally_;
  qsizetype index_ = 0;
  int done_ = 0;
  bool running_ = false;
  bool cancelRequested_ = false;
  bool framePaused_ = false;  // the current step's frame is out (or failed); its pause runs
  bool writeFailed_ = false;
  bool storeDue_ = false;     // the store's pause has passed
};

// A whole run on the calling thread's event loop, for a program without a window of its own
// (fluxa-cli): returns when the run has ended. tally, when given, is filled.
TransferEnd RunTransfer(TComPort& port, const QList<TransferStep>& steps,
                        const std::function<void(int done, int total)>& progress = {},
                        TransferTally* tally = nullptr);

// The diagnostic tool: any value to any address. The address text must be an integer (else
// "Błędne dane!"); its low 8 bits are the address; the value is sent as its low 16 bits and
// unchecked, since service may need any word at any address, followed by its pause. Its one
// step, or nothing with the reason in refusal.
TransferPlan PlanAnyValue(const QString& addressText, const QString& valueText);
