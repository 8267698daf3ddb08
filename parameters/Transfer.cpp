#include "parameters/Transfer.h"

#include <QEventLoop>

#include <algorithm>
#include <utility>

#include "common/Messages.h"
#include "common/Pacing.h"
#include "link/ComPort.h"
#include "link/MeterCommands.h"
#include "settings/Jezyki.h"

TextLanguage ProgramTextLanguage() {
  return CurrentLanguage == QLatin1String("Angielski") ? TextLanguage::English : TextLanguage::Polish;
}

namespace {
QString In(TextLanguage language, const QString& polish, const char* english) {
  return language == TextLanguage::English ? QString::fromUtf8(english) : polish;
}
}  // namespace

QString CannotSendText(const QString& valueText, int address, TextLanguage language) {
  if (language == TextLanguage::English)
    return QStringLiteral("Cannot send text %1 to address %2").arg(valueText).arg(address);
  return QStringLiteral("Nie można wysłać tekstu ") + valueText + QStringLiteral(" do adresu ") +
         QString::number(address);
}

QString FilterFormatText(TextLanguage language) {
  return In(language, kFilterFormatText, "Invalid filter data format: ");
}

QString ThresholdRangeText(TextLanguage language) {
  return In(language, kThresholdRangeText, "Value not allowed in the cell: probe type threshold!");
}

QString CorrectionText(TextLanguage language) {
  return In(language, kCorrectionText, "Invalid value of the temperature correction coefficient.");
}

QString BadDataText(TextLanguage language) { return In(language, kBadDataText, "Invalid data!"); }

QString StoreFailedText(TextLanguage language) {
  return In(language, kStoreFailedText, "The store command could not be sent");
}

QString TransferReportText(const TransferTally& tally, TextLanguage language) {
  if (language == TextLanguage::Polish) return TransferReportText(tally);
  QString text = QStringLiteral("Parameters sent: %1").arg(tally.sent);
  if (tally.sent != tally.planned) text += QStringLiteral(" of %1").arg(tally.planned);
  if (tally.stored) return text + QStringLiteral(", stored in EEPROM");
  return text + (tally.storeAsked ? QStringLiteral(", not stored in EEPROM")
                                  : QStringLiteral(", EEPROM store not asked for"));
}

QString NotAnIntegerText(const QString& text) {
  return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

QString RefusedCellText(const QString& message, const QString& cellName) {
  return message + QLatin1Char('\n') + cellName;
}

QString FieldLabel(int member, TextLanguage l) {
  using P = MeterParameters;
  switch (member) {
    case P::Stala: return In(l, QStringLiteral("Składowa stała na przetworniku"), "DC component at the converter");
    case P::Wtemp: return In(l, QStringLiteral("Współczynnik termometru."), "Thermometer coefficient");
    case P::OTemp: return In(l, QStringLiteral("Offset termometru"), "Thermometer offset");
    case P::WKor: return In(l, QStringLiteral("Współczynnik korekcji temp."), "Temperature correction coefficient");
    case P::OKor: return In(l, QStringLiteral("Offset korekcji temp."), "Temperature correction offset");
    case P::WzmocnienieFiltruTemp: return In(l, QStringLiteral("Wzmocnienie filtru temp."), "Temperature filter gain");
    case P::ProgRodzajuSondy: return In(l, QStringLiteral("Próg rodzaju sondy mV"), "Probe type threshold mV");
    case P::NumerSeryjnyMiernika: return In(l, QStringLiteral("Numer seryjny miernika"), "Meter serial number");
    default: return {};
  }
}

namespace {

QString GridCellName(const GridCaptions& grid, int column, int row) {
  return grid.corner + QStringLiteral(": ") + grid.rows[row - 1] + QStringLiteral(" / ") +
         grid.columns[column - 1];
}

}  // namespace

QString CellName(int member, TextLanguage language) {
  using P = MeterParameters;
  const bool english = language == TextLanguage::English;
  for (int row = 1; row <= 2; ++row) {
    for (int column = 1; column <= 4; ++column) {
      if (member == P::Sondy(column, row))
        return GridCellName(english ? kSondyEnglishCaptions : kSondyCaptions, column, row);
      if (member == P::Kfiltr(column, row))
        return GridCellName(english ? kKfiltrEnglishCaptions : kKfiltrCaptions, column, row);
    }
    if (member == P::SFaza(row)) return GridCellName(english ? kSFazaEnglishCaptions : kSFazaCaptions, 1, row);
  }
  return FieldLabel(member, language);
}

namespace {

using Kind = TransferStep::Kind;

TransferStep Frame(int address, quint16 word, const QString& failureText) {
  return {Kind::Frame, ParameterFrame(address, quint8(word & 0xFF), quint8(word >> 8)), failureText};
}

TransferStep Refused(const QString& text) { return {Kind::Refused, {}, text}; }

TransferStep WordStep(const EncodedWord& e, const QString& text, int address, TextLanguage language) {
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Refused(CannotSendText(text, address, language));
  return Frame(address, e.word, CannotSendText(text, address, language));
}

}  // namespace

TransferStep SignedWordStep(const QString& text, int address, TextLanguage language) {
  return WordStep(EncodeSignedWord(text), text, address, language);
}

TransferStep UnsignedWordStep(const QString& text, int address, TextLanguage language) {
  return WordStep(EncodeUnsignedWord(text), text, address, language);
}

TransferStep GainStep(const QString& text, int address, TextLanguage language) {
  return WordStep(EncodeGain(text), WithDecimalPoint(text), address, language);
}

TransferStep FilterConstantStep(const QString& text, int address, TextLanguage language) {
  const EncodedWord e = EncodeFilterConstant(text);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Refused(FilterFormatText(language) + WithDecimalPoint(text));
  // Sent as the integer text of the signed word, so a failed write quotes that number.
  return SignedWordStep(QString::number(e.signedWord()), address, language);
}

TransferStep CorrectionStep(const QString& text, TextLanguage language) {
  const EncodedWord e = EncodeBoundedFraction(text);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Refused(CorrectionText(language));
  return SignedWordStep(QString::number(e.signedWord()), kCorrectionAddress, language);
}

TransferStep PhasePairStep(const QString& phase1, const QString& phase2, TextLanguage language) {
  const EncodedPhasePair e = EncodePhasePair(phase1, phase2);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Refused(CannotSendText(e.offendingText, kPhasePairAddress, language));
  return {Kind::Frame, ParameterFrame(kPhasePairAddress, e.phase1, e.phase2),
          CannotSendText(QString::number(e.phase1), kPhasePairAddress, language)};
}

TransferStep ProbeThresholdStep(const QString& text, int address, TextLanguage language) {
  const EncodedWord e = EncodeProbeThreshold(text);
  switch (e.refusal) {
    case Refusal::Empty: return {};
    case Refusal::NotANumber: return Refused(NotAnIntegerText(text));
    case Refusal::OutOfRange: return Refused(ThresholdRangeText(language));
    case Refusal::None: break;
  }
  return Frame(address, e.word, CannotSendText(text, address, language));
}

TransferPlan PlanTransfer(const MeterParameters& p, bool saveEeprom, TextLanguage language) {
  using P = MeterParameters;
  struct Planned {
    int member;  // whose text the step sends, to name it when it is refused
    TransferStep step;
  };
  const TextLanguage l = language;
  const auto gain = [&](int m, int address) { return Planned{m, GainStep(p[m], address, l)}; };
  const auto signedWord = [&](int m, int address) { return Planned{m, SignedWordStep(p[m], address, l)}; };
  const auto unsignedWord = [&](int m, int address) { return Planned{m, UnsignedWordStep(p[m], address, l)}; };
  const auto filter = [&](int m, int address) { return Planned{m, FilterConstantStep(p[m], address, l)}; };
  const int refusedPhase = EncodePhasePair(p[P::SFaza(1)], p[P::SFaza(2)]).offendingPhase;
  const QList<Planned> values = {
      gain(P::Sondy(1, 1), 0),
      gain(P::Sondy(2, 1), 4),
      gain(P::Sondy(3, 1), 8),
      gain(P::Sondy(4, 1), kAxialAc2GainAddress),
      gain(P::Sondy(1, 2), 16),
      gain(P::Sondy(2, 2), 20),
      gain(P::Sondy(3, 2), 24),
      gain(P::Sondy(4, 2), 22),
      signedWord(P::Stala, 10),
      signedWord(P::Wtemp, 50),
      signedWord(P::OTemp, 48),
      signedWord(P::OKor, 6),
      {P::WKor, CorrectionStep(p[P::WKor], l)},
      filter(P::WzmocnienieFiltruTemp, 44),
      {-1, SignedWordStep(kConstantText, kConstantAddress, l)},
      filter(P::Kfiltr(1, 1), 32),
      filter(P::Kfiltr(2, 1), 36),
      filter(P::Kfiltr(3, 1), 40),
      filter(P::Kfiltr(4, 1), 26),
      unsignedWord(P::Kfiltr(1, 2), 34),
      unsignedWord(P::Kfiltr(2, 2), 38),
      unsignedWord(P::Kfiltr(3, 2), 42),
      unsignedWord(P::Kfiltr(4, 2), 28),
      {P::SFaza(refusedPhase == 2 ? 2 : 1), PhasePairStep(p[P::SFaza(1)], p[P::SFaza(2)], l)},
      {P::ProgRodzajuSondy, ProbeThresholdStep(p[P::ProgRodzajuSondy], kProbeThresholdAddress, l)},
  };
  TransferPlan plan;
  for (const Planned& value : values) {
    // One refused value keeps the whole calibration back: a store after a partial transfer
    // would leave the meter with a mix of old and new values.
    if (value.step.kind == Kind::Refused)
      return {{}, RefusedCellText(value.step.text, CellName(value.member, language))};
    plan.steps << value.step;
  }
  if (saveEeprom) plan.steps.append({Kind::Store, CommandFrame('S'), {}});
  return plan;
}

QString TransferReportText(const TransferTally& tally) {
  QString text = QStringLiteral("Wysłano parametrów: %1").arg(tally.sent);
  if (tally.sent != tally.planned) text += QStringLiteral(" z %1").arg(tally.planned);
  if (tally.stored) return text + QStringLiteral(", zapisano w EEPROM");
  return text + (tally.storeAsked ? QStringLiteral(", nie zapisano w EEPROM")
                                  : QStringLiteral(", bez zapisu w EEPROM"));
}

TransferRun::TransferRun(TComPort& port, QList<TransferStep> steps, QObject* parent)
    : QObject(parent), port_(port), steps_(std::move(steps)) {
  for (const TransferStep& step : steps_) {
    if (step.kind == Kind::Frame) ++tally_.planned;
    if (step.kind == Kind::Store) tally_.storeAsked = true;
  }
  pace_.setSingleShot(true);
  pace_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5 % early
  connect(&pace_, &QTimer::timeout, this, [this] { Next(); });
}

TransferRun::~TransferRun() = default;

void TransferRun::Start() {
  if (running_) return;
  running_ = true;
  if (OnProgress) OnProgress(done_, kTransferValueSteps);
  Next();
}

void TransferRun::Cancel() {
  if (!running_) return;
  cancelRequested_ = true;
  // A message of the run may be open (its loop runs this); the run ends once it returns.
  if (pace_.isActive()) {
    pace_.stop();
    Finish(TransferEnd::Cancelled);
  }
}

void TransferRun::Wait(int ms) { pace_.start(std::max(0, PaceMs(ms))); }

// One step, or the end of the pause after a frame. A frame's step counts as done once its
// pause has passed, as the progress has always shown it.
void TransferRun::Next() {
  if (!running_) return;
  if (std::exchange(framePaused_, false)) {
    ++index_;
    ++done_;
    if (OnProgress) OnProgress(done_, kTransferValueSteps);
    // A device that went away during the pause would fail every later write with a message
    // of its own.
    if (std::exchange(writeFailed_, false) && !port_.Connected()) return Finish(TransferEnd::PortLost);
  }
  while (index_ < steps_.size()) {
    if (cancelRequested_) return Finish(TransferEnd::Cancelled);
    const TransferStep& step = steps_[index_];
    switch (step.kind) {
      case Kind::Skip:
        ++index_;
        ++done_;
        if (OnProgress) OnProgress(done_, kTransferValueSteps);
        continue;
      case Kind::Refused:
        ShowMessage(step.text);
        return Finish(TransferEnd::Refused);
      case Kind::Store:
        if (!storeDue_) {
          storeDue_ = true;
          return Wait(kStorePauseMs);
        }
        tally_.stored = WriteFrame(port_, step.frame);
        if (!tally_.stored) ShowMessage(QStringLiteral("Wysłać polecenia"));
        return Finish(tally_.stored ? TransferEnd::Completed : TransferEnd::StoreFailed);
      case Kind::Frame:
        writeFailed_ = !WriteFrame(port_, step.frame);
        if (writeFailed_) {
          ShowMessage(step.text);
          if (!port_.Connected()) {  // closed already: nothing later can go
            ++index_;
            ++done_;
            if (OnProgress) OnProgress(done_, kTransferValueSteps);
            return Finish(TransferEnd::PortLost);
          }
        } else {
          ++tally_.sent;
        }
        // A failed write on a port still open waits too: a device that is going away closes
        // its port meanwhile, and the run ends with one message.
        framePaused_ = true;
        return Wait(kParameterPauseMs);
    }
  }
  Finish(TransferEnd::Completed);
}

void TransferRun::Finish(TransferEnd end) {
  if (!running_) return;
  running_ = false;
  pace_.stop();
  tally_.cancelled = end == TransferEnd::Cancelled;
  if (OnFinished) OnFinished(end);
}

TransferEnd RunTransfer(TComPort& port, const QList<TransferStep>& steps,
                        const std::function<void(int done, int total)>& progress, TransferTally* tally) {
  TransferRun run(port, steps);
  QEventLoop loop;
  TransferEnd end = TransferEnd::Completed;
  run.OnProgress = progress;
  run.OnFinished = [&](TransferEnd e) {
    end = e;
    loop.quit();
  };
  run.Start();
  if (run.Running()) loop.exec();
  if (tally) *tally = run.Tally();
  return end;
}

TransferPlan PlanAnyValue(const QString& addressText, const QString& valueText) {
  TransferPlan plan;
  bool ok = false;
  const int field = addressText.toInt(&ok, 10);
  if (!ok) {
    plan.refusal = kBadDataText;
    return plan;
  }
  const int address = field & 0xFF;
  if (valueText.isEmpty()) return plan;  // nothing to send
  const int value = valueText.toInt(&ok, 10);
  if (!ok) {
    plan.refusal = CannotSendText(valueText, address);
    return plan;
  }
  const auto word = quint16(value);
  plan.steps.append({Kind::Frame, ParameterFrame(address, quint8(word & 0xFF), quint8(word >> 8)),
                     CannotSendText(valueText, address)});
  return plan;
}
