#include "parameters/Transfer.h"

#include <utility>

#include "common/Messages.h"
#include "common/Pacing.h"
#include "link/ComPort.h"
#include "link/MeterCommands.h"

QString CannotSendText(const QString& valueText, int address) {
  return QStringLiteral("Nie można wysłać tekstu ") + valueText + QStringLiteral(" do adresu ") +
         QString::number(address);
}

QString NotAnIntegerText(const QString& text) {
  return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

QString RefusedCellText(const QString& message, const QString& cellName) {
  return message + QLatin1Char('\n') + cellName;
}

QString FieldLabel(int member) {
  using P = MeterParameters;
  switch (member) {
    case P::Stala: return QStringLiteral("Składowa stała na przetworniku");
    case P::Wtemp: return QStringLiteral("Współczynnik termometru.");
    case P::OTemp: return QStringLiteral("Offset termometru");
    case P::WKor: return QStringLiteral("Współczynnik korekcji temp.");
    case P::OKor: return QStringLiteral("Offset korekcji temp.");
    case P::WzmocnienieFiltruTemp: return QStringLiteral("Wzmocnienie filtru temp.");
    case P::ProgRodzajuSondy: return QStringLiteral("Próg rodzaju sondy mV");
    case P::NumerSeryjnyMiernika: return QStringLiteral("Numer seryjny miernika");
    default: return {};
  }
}

namespace {

QString GridCellName(const GridCaptions& grid, int column, int row) {
  return grid.corner + QStringLiteral(": ") + grid.rows[row - 1] + QStringLiteral(" / ") +
         grid.columns[column - 1];
}

}  // namespace

QString CellName(int member) {
  using P = MeterParameters;
  for (int row = 1; row <= 2; ++row) {
    for (int column = 1; column <= 4; ++column) {
      if (member == P::Sondy(column, row)) return GridCellName(kSondyCaptions, column, row);
      if (member == P::Kfiltr(column, row)) return GridCellName(kKfiltrCaptions, column, row);
    }
    if (member == P::SFaza(row)) return GridCellName(kSFazaCaptions, 1, row);
  }
  return FieldLabel(member);
}

namespace {

using Kind = TransferStep::Kind;

TransferStep Frame(int address, quint16 word, const QString& failureText) {
  return {Kind::Frame, ParameterFrame(address, quint8(word & 0xFF), quint8(word >> 8)), failureText};
}

TransferStep Refused(const QString& text) { return {Kind::Refused, {}, text}; }

TransferStep WordStep(const EncodedWord& e, const QString& text, int address) {
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Refused(CannotSendText(text, address));
  return Frame(address, e.word, CannotSendText(text, address));
}

}  // namespace

TransferStep SignedWordStep(const QString& text, int address) {
  return WordStep(EncodeSignedWord(text), text, address);
}

TransferStep UnsignedWordStep(const QString& text, int address) {
  return WordStep(EncodeUnsignedWord(text), text, address);
}

TransferStep GainStep(const QString& text, int address) {
  return WordStep(EncodeGain(text), WithDecimalPoint(text), address);
}

TransferStep FilterConstantStep(const QString& text, int address) {
  const EncodedWord e = EncodeFilterConstant(text);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Refused(kFilterFormatText + WithDecimalPoint(text));
  // Sent as the integer text of the signed word, so a failed write quotes that number.
  return SignedWordStep(QString::number(e.signedWord()), address);
}

TransferStep CorrectionStep(const QString& text) {
  const EncodedWord e = EncodeBoundedFraction(text);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Refused(kCorrectionText);
  return SignedWordStep(QString::number(e.signedWord()), kCorrectionAddress);
}

TransferStep PhasePairStep(const QString& phase1, const QString& phase2) {
  const EncodedPhasePair e = EncodePhasePair(phase1, phase2);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Refused(CannotSendText(e.offendingText, kPhasePairAddress));
  return {Kind::Frame, ParameterFrame(kPhasePairAddress, e.phase1, e.phase2),
          CannotSendText(QString::number(e.phase1), kPhasePairAddress)};
}

TransferStep ProbeThresholdStep(const QString& text, int address) {
  const EncodedWord e = EncodeProbeThreshold(text);
  switch (e.refusal) {
    case Refusal::Empty: return {};
    case Refusal::NotANumber: return Refused(NotAnIntegerText(text));
    case Refusal::OutOfRange: return Refused(kThresholdRangeText);
    case Refusal::None: break;
  }
  return Frame(address, e.word, CannotSendText(text, address));
}

TransferPlan PlanTransfer(const MeterParameters& p, bool saveEeprom) {
  using P = MeterParameters;
  struct Planned {
    int member;  // whose text the step sends, to name it when it is refused
    TransferStep step;
  };
  const auto gain = [&](int m, int address) { return Planned{m, GainStep(p[m], address)}; };
  const auto signedWord = [&](int m, int address) { return Planned{m, SignedWordStep(p[m], address)}; };
  const auto unsignedWord = [&](int m, int address) { return Planned{m, UnsignedWordStep(p[m], address)}; };
  const auto filter = [&](int m, int address) { return Planned{m, FilterConstantStep(p[m], address)}; };
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
      {P::WKor, CorrectionStep(p[P::WKor])},
      filter(P::WzmocnienieFiltruTemp, 44),
      {-1, SignedWordStep(kConstantText, kConstantAddress)},
      filter(P::Kfiltr(1, 1), 32),
      filter(P::Kfiltr(2, 1), 36),
      filter(P::Kfiltr(3, 1), 40),
      filter(P::Kfiltr(4, 1), 26),
      unsignedWord(P::Kfiltr(1, 2), 34),
      unsignedWord(P::Kfiltr(2, 2), 38),
      unsignedWord(P::Kfiltr(3, 2), 42),
      unsignedWord(P::Kfiltr(4, 2), 28),
      {P::SFaza(refusedPhase == 2 ? 2 : 1), PhasePairStep(p[P::SFaza(1)], p[P::SFaza(2)])},
      {P::ProgRodzajuSondy, ProbeThresholdStep(p[P::ProgRodzajuSondy], kProbeThresholdAddress)},
  };
  TransferPlan plan;
  for (const Planned& value : values) {
    // One refused value keeps the whole calibration back: a store after a partial transfer
    // would leave the meter with a mix of old and new values.
    if (value.step.kind == Kind::Refused)
      return {{}, RefusedCellText(value.step.text, CellName(value.member))};
    plan.steps << value.step;
  }
  if (saveEeprom) plan.steps.append({Kind::Store, CommandFrame('S'), {}});
  return plan;
}

namespace {

// Keeps the port's arrivals in its queue while the transfer runs, as a blocked window would;
// while a message box is open they are handled as usual.
class ArrivalsHeld {
 public:
  explicit ArrivalsHeld(TComPort* port) : port_(port) {
    if (port_) handler_ = std::exchange(port_->OnRxChar, nullptr);
  }
  ~ArrivalsHeld() {
    if (port_) port_->OnRxChar = std::move(handler_);
  }
  ArrivalsHeld(const ArrivalsHeld&) = delete;
  ArrivalsHeld& operator=(const ArrivalsHeld&) = delete;

  void Show(const QString& text) {
    if (port_) port_->OnRxChar = handler_;
    ShowMessage(text);
    if (port_) port_->OnRxChar = nullptr;
  }

 private:
  TComPort* port_;
  std::function<void(int)> handler_;
};

StepResult Run(TComPort& port, const TransferStep& step, ArrivalsHeld& messages) {
  switch (step.kind) {
    case Kind::Skip:
      return StepResult::Done;
    case Kind::Frame:
      if (!WriteFrame(port, step.frame)) {
        messages.Show(step.text);
        return StepResult::WriteFailed;
      }
      BlockingPause(kParameterPauseMs);
      return StepResult::Done;
    case Kind::Refused:
      messages.Show(step.text);
      return StepResult::Refused;
    case Kind::Store:
      BlockingPause(kStorePauseMs);
      if (!WriteFrame(port, step.frame)) {
        messages.Show(QStringLiteral("Wysłać polecenia"));
        return StepResult::WriteFailed;
      }
      return StepResult::Done;
  }
  return StepResult::Done;
}

}  // namespace

StepResult RunStep(TComPort& port, const TransferStep& step) {
  ArrivalsHeld unheld(nullptr);
  return Run(port, step, unheld);
}

StepResult SendGain(TComPort& port, const QString& text, int address) {
  return RunStep(port, GainStep(text, address));
}

StepResult SendFilterConstant(TComPort& port, const QString& text, int address) {
  return RunStep(port, FilterConstantStep(text, address));
}

StepResult SendProbeThreshold(TComPort& port, const QString& text, int address) {
  return RunStep(port, ProbeThresholdStep(text, address));
}

QString TransferReportText(const TransferTally& tally) {
  QString text = QStringLiteral("Wysłano parametrów: %1").arg(tally.sent);
  if (tally.sent != tally.planned) text += QStringLiteral(" z %1").arg(tally.planned);
  if (tally.stored) return text + QStringLiteral(", zapisano w EEPROM");
  return text + (tally.storeAsked ? QStringLiteral(", nie zapisano w EEPROM")
                                  : QStringLiteral(", bez zapisu w EEPROM"));
}

TransferEnd RunTransfer(TComPort& port, const QList<TransferStep>& steps,
                        const TransferProgress& progress, TransferTally* tally) {
  TransferTally counted;
  for (const TransferStep& step : steps) {
    if (step.kind == Kind::Frame) ++counted.planned;
    if (step.kind == Kind::Store) counted.storeAsked = true;
  }
  ArrivalsHeld held(&port);
  const auto run = [&]() -> TransferEnd {
    int done = 0;
    if (progress) progress(done, kTransferValueSteps);
    for (const TransferStep& step : steps) {
      const StepResult result = Run(port, step, held);
      if (step.kind == Kind::Frame && result == StepResult::Done) ++counted.sent;
      if (step.kind == Kind::Store) {
        counted.stored = result == StepResult::Done;
        return counted.stored ? TransferEnd::Completed : TransferEnd::StoreFailed;
      }
      ++done;
      // The window repaints here; a port that lost its device closes itself meanwhile.
      if (progress) progress(done, kTransferValueSteps);
      if (result == StepResult::Refused) return TransferEnd::Refused;
      // A device that is gone would fail every later write with a message of its own.
      if (result == StepResult::WriteFailed && !port.Connected()) return TransferEnd::PortLost;
    }
    return TransferEnd::Completed;
  };
  const TransferEnd end = run();
  if (tally) *tally = counted;
  return end;
}

void SendAnyValue(TComPort& port, const QString& addressText, const QString& valueText) {
  bool ok = false;
  const int field = addressText.toInt(&ok, 10);
  if (!ok) {
    ShowMessage(kBadDataText);
    return;
  }
  SendParameterFrame(port, valueText, field & 0xFF);
}
