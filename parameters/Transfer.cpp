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

namespace {

using Kind = TransferStep::Kind;

TransferStep Frame(int address, quint16 word, const QString& failureText) {
  return {Kind::Frame, ParameterFrame(address, quint8(word & 0xFF), quint8(word >> 8)), failureText};
}

TransferStep Message(const QString& text) { return {Kind::Message, {}, text}; }

}  // namespace

TransferStep IntegerStep(const QString& text, int address) {
  const EncodedWord e = EncodeInteger(text);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Message(CannotSendText(text, address));
  return Frame(address, e.word, CannotSendText(text, address));
}

TransferStep GainStep(const QString& text, int address) {
  const EncodedWord e = EncodeGain(text);
  if (e.refusal == Refusal::Empty) return {};
  const QString shown = WithDecimalPoint(text);
  if (!e.ok()) return Message(CannotSendText(shown, address));
  return Frame(address, e.word, CannotSendText(shown, address));
}

TransferStep FilterConstantStep(const QString& text, int address) {
  const EncodedWord e = EncodeFilterConstant(text);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Message(kFilterFormatText + WithDecimalPoint(text));
  // Sent as the integer text of the signed word, so a failed write quotes that number.
  return IntegerStep(QString::number(e.signedWord()), address);
}

TransferStep CorrectionStep(const QString& text) {
  const EncodedWord e = EncodeBoundedFraction(text);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Message(kCorrectionText);
  return IntegerStep(QString::number(e.signedWord()), kCorrectionAddress);
}

TransferStep PhasePairStep(const QString& phase1, const QString& phase2) {
  const EncodedPhasePair e = EncodePhasePair(phase1, phase2);
  if (e.refusal == Refusal::Empty) return {};
  if (!e.ok()) return Message(CannotSendText(e.offendingText, kPhasePairAddress));
  return {Kind::Frame, ParameterFrame(kPhasePairAddress, e.phase1, e.phase2),
          CannotSendText(QString::number(e.phase1), kPhasePairAddress)};
}

TransferStep ProbeThresholdStep(const QString& text, int address) {
  const EncodedWord e = EncodeProbeThreshold(text);
  switch (e.refusal) {
    case Refusal::Empty: return {};
    case Refusal::NotANumber: return {Kind::Abort, {}, NotAnIntegerText(text)};
    case Refusal::OutOfRange: return Message(kThresholdRangeText);
    case Refusal::None: break;
  }
  return Frame(address, e.word, CannotSendText(text, address));
}

QList<TransferStep> PlanTransfer(const MeterParameters& p, bool saveEeprom) {
  using P = MeterParameters;
  QList<TransferStep> plan = {
      GainStep(p[P::Sondy(1, 1)], 0),
      GainStep(p[P::Sondy(2, 1)], 4),
      GainStep(p[P::Sondy(3, 1)], 8),
      GainStep(p[P::Sondy(4, 1)], kAxialAc2GainAddress),
      GainStep(p[P::Sondy(1, 2)], 16),
      GainStep(p[P::Sondy(2, 2)], 20),
      GainStep(p[P::Sondy(3, 2)], 24),
      GainStep(p[P::Sondy(4, 2)], 22),
      IntegerStep(p[P::Stala], 10),
      IntegerStep(p[P::Wtemp], 50),
      IntegerStep(p[P::OTemp], 48),
      IntegerStep(p[P::OKor], 6),
      CorrectionStep(p[P::WKor]),
      FilterConstantStep(p[P::WzmocnienieFiltruTemp], 44),
      IntegerStep(kConstantText, kConstantAddress),
      FilterConstantStep(p[P::Kfiltr(1, 1)], 32),
      FilterConstantStep(p[P::Kfiltr(2, 1)], 36),
      FilterConstantStep(p[P::Kfiltr(3, 1)], 40),
      FilterConstantStep(p[P::Kfiltr(4, 1)], 26),
      IntegerStep(p[P::Kfiltr(1, 2)], 34),
      IntegerStep(p[P::Kfiltr(2, 2)], 38),
      IntegerStep(p[P::Kfiltr(3, 2)], 42),
      IntegerStep(p[P::Kfiltr(4, 2)], 28),
      PhasePairStep(p[P::SFaza(1)], p[P::SFaza(2)]),
      ProbeThresholdStep(p[P::ProgRodzajuSondy], kProbeThresholdAddress),
  };
  if (saveEeprom) plan.append({Kind::Store, CommandFrame('S'), {}});
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
    case Kind::Message:
      messages.Show(step.text);
      return StepResult::Done;
    case Kind::Abort:
      messages.Show(step.text);
      return StepResult::Aborted;
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

TransferEnd RunTransfer(TComPort& port, const QList<TransferStep>& plan,
                        const TransferProgress& progress) {
  ArrivalsHeld held(&port);
  int done = 0;
  if (progress) progress(done, kTransferValueSteps);
  for (const TransferStep& step : plan) {
    const StepResult result = Run(port, step, held);
    if (step.kind == Kind::Store)
      return result == StepResult::Done ? TransferEnd::Completed : TransferEnd::StoreFailed;
    ++done;
    // The window repaints here; a port that lost its device closes itself meanwhile.
    if (progress) progress(done, kTransferValueSteps);
    if (result == StepResult::Aborted) return TransferEnd::Aborted;
    // A device that is gone would fail every later write with a message of its own.
    if (result == StepResult::WriteFailed && !port.Connected()) return TransferEnd::PortLost;
  }
  return TransferEnd::Completed;
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
