#include "wizard/TwoMeterLink.h"

#include "common/Messages.h"
#include "common/Pacing.h"
#include "link/MeterCommands.h"
#include "wizard/ReferenceProtocol.h"
#include "wizard/WizardTexts.h"

using namespace reference;

TwoMeterLink::TwoMeterLink()
    : kComKalib(ComPortSettings::KComKalib()), kComWzor(ComPortSettings::KComWzor()) {
  kComKalib.setObjectName(QStringLiteral("kComKalib"));
  kComWzor.setObjectName(QStringLiteral("kComWzor"));
  kComWzor.OnAfterOpen = [this] { kComWzorAfterOpen(); };
  kComWzor.OnAfterClose = [this] { PortsChanged(); };
  kComKalib.OnAfterOpen = [this] { PortsChanged(); };
  kComKalib.OnAfterClose = [this] { kComKalibAfterClose(); };
  kComKalib.OnRxChar = [this](int count) { kComKalibRxChar(count); };
}

bool TwoMeterLink::kComWzorOpen() {
  if (!kComWzor.Connected()) lastSetMaster_ = Handshake::NotConnected;
  return OpenChecked(kComWzor, kComKalib);
}

bool TwoMeterLink::kComKalibOpen() { return OpenChecked(kComKalib, kComWzor); }

bool TwoMeterLink::OpenChecked(TComPort& port, const TComPort& other) {
  if (port.Connected()) return true;
  if (port.PortName() == other.PortName() && other.Connected()) {
    ShowMessage(wizard_text::PortBusy(port.PortName()));
    return false;
  }
  try {
    port.Open();
  } catch (const EComPort&) {
    ShowMessage(wizard_text::CannotOpen(port.PortName()));
    return false;
  }
  return port.Connected();
}

void TwoMeterLink::kComWzorAfterOpen() {
  classifierWarned_ = false;  // the warning is due once for every opening
  PortsChanged();
  lastSetMaster_ = kComWzorSetMaster();
  BlockingPause(kAfterOpenPauseMs);
}

void TwoMeterLink::kComKalibAfterClose() {
  kComWzorSetSlave();
  PortsChanged();
}

void TwoMeterLink::PortsChanged() {
  if (OnPortsChanged) OnPortsChanged();
}

TwoMeterLink::Handshake TwoMeterLink::Exchange(const QByteArray& command, int pauseMs,
                                               const QString& answer) {
  if (!kComWzor.Connected()) return Handshake::NotConnected;
  try {
    // A measurement reply that came after its read would be taken for the answer.
    kComWzor.ClearBuffers(true, false);
    for (int attempt = 0; attempt < kHandshakeTries; ++attempt) {
      kComWzor.Write(command);
      BlockingPause(pauseMs);
      if (kComWzor.ReadString(kHandshakeReadLength) == answer) return Handshake::Acknowledged;
    }
  } catch (const EComPort&) {
    return Handshake::PortError;
  }
  return Handshake::NoAnswer;
}

TwoMeterLink::Handshake TwoMeterLink::kComWzorSetMaster() {
  return Exchange(SetMasterCommand(), kMasterPauseMs, kMasterAnswer);
}

TwoMeterLink::Handshake TwoMeterLink::ReleaseReference() {
  return Exchange(SetSlaveCommand(), kReleasePauseMs, kSlaveAnswer);
}

void TwoMeterLink::kComWzorSetSlave() {
  if (!kComWzor.Connected()) return;
  try {
    kComWzor.Write(SetSlaveCommand());
    BlockingPause(kSlavePauseMs);
    kComWzor.ReadString(kHandshakeReadLength);
  } catch (const EComPort&) {
    ShowMessage(wizard_text::kFailure);
  }
}

void TwoMeterLink::kComWzorPomiar() {
  if (!kComWzor.Connected()) return;
  QString reply;
  try {
    kComWzor.ClearBuffers(true, true);
    kComWzor.Write(MeasureCommand(channel));
    BlockingPause(kMeasurePauseMs);
    reply = kComWzor.ReadString(kReplyReadLength);
  } catch (const EComPort&) {
    return;
  }
  const MeasurementReply parsed = ParseMeasurementReply(reply, channel);
  if (parsed.valid) referenceReading_ = parsed.value;
  if (OnReferenceMeasured) OnReferenceMeasured();
  if (parsed.valid && parsed.classifierWrong && !classifierWarned_) {
    classifierWarned_ = true;
    ShowMessage(wizard_text::kClassifier);
  }
}

void TwoMeterLink::kComKalibRxChar(int count) {
  QByteArray bytes;
  try {
    bytes = kComKalib.Read(count);
  } catch (const EComPort&) {
    return;
  }
  const bool decoded = receiver_.Receive(bytes, rangeIndex, invertSign);
  if (pollReference) kComWzorPomiar();
  if (OnArrival) OnArrival(decoded);
}

bool TwoMeterLink::wyslij_wzmocnienie(int rangeIndex, const QString& gainText) {
  return SendParameterFrame(kComKalib, gainText, 4 * rangeIndex);
}

bool MainPortHandOver::Release(TComPort& mainPort) {
  wasOpen = mainPort.Connected();
  if (wasOpen) mainPort.Close();
  if (!mainPort.Connected()) return true;
  mainPort.Close();
  return false;
}

bool MainPortHandOver::Reopen(TComPort& mainPort) {
  if (!wasOpen) return true;
  wasOpen = false;
  try {
    mainPort.Open();
  } catch (const EComPort&) {
    ShowMessage(wizard_text::CannotOpen(mainPort.PortName()));
    return false;
  }
  return true;
}
