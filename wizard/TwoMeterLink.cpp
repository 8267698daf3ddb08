#include "wizard/TwoMeterLink.h"

#include <utility>

#include "common/Messages.h"
#include "link/MeterCommands.h"
#include "wizard/ReferenceProtocol.h"
#include "wizard/WizardTexts.h"

using namespace reference;

TwoMeterLink::TwoMeterLink()
    : kComKalib(ComPortSettings::KComKalib()), kComWzor(ComPortSettings::KComWzor()) {
  kComKalib.setObjectName(QStringLiteral("kComKalib"));
  kComWzor.setObjectName(QStringLiteral("kComWzor"));
  kComWzor.OnAfterOpen = [this] { kComWzorAfterOpen(); };
  kComWzor.OnAfterClose = [this] {
    CancelExchange();
    PortsChanged();
    if (std::exchange(closeAfterSlave_, false) && OnClosedAfterSlave) OnClosedAfterSlave();
  };
  kComWzor.OnRxChar = [this](int count) { kComWzorRxChar(count); };
  kComKalib.OnAfterOpen = [this] { kComKalibAfterOpen(); };
  kComKalib.OnAfterClose = [this] { kComKalibAfterClose(); };
  kComKalib.OnRxChar = [this](int count) { kComKalibRxChar(count); };
  kComKalib.OnDeviceLost = [this](const QString&) {
    if (OnDeviceLost) OnDeviceLost(true);
  };
  kComWzor.OnDeviceLost = [this](const QString&) {
    if (OnDeviceLost) OnDeviceLost(false);
  };
  pause_.setSingleShot(true);
  pause_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&pause_, &QTimer::timeout, &kComWzor, [this] { PauseOver(); });
}

bool TwoMeterLink::kComWzorOpen() {
  if (!kComWzor.Connected()) lastSetMaster_ = Handshake::NotConnected;
  return OpenChecked(kComWzor, kComKalib);
}

bool TwoMeterLink::kComWzorClose() {
  if (busy_ == Busy::Slave && kComWzor.Connected()) {
    closeAfterSlave_ = true;
    return false;
  }
  closeAfterSlave_ = false;
  kComWzor.Close();
  return true;
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
  lastSetMaster_ = Handshake::Pending;
  StartHandshake(SetMasterCommand(), kMasterPauseMs, kMasterAnswer, [this](Handshake result) {
    lastSetMaster_ = result;
    if (!kComWzor.Connected()) {
      if (OnReferenceReady) OnReferenceReady();
      return;
    }
    busy_ = Busy::AfterOpenPause;
    pause_.start(kAfterOpenPauseMs);
  });
}

void TwoMeterLink::kComKalibAfterOpen() {
  // Bytes kept from an earlier opening would be decoded as a frame of this one.
  receiver_.ClearBuffer();
  receiver_.ClearFrameCount();
  PortsChanged();
}

void TwoMeterLink::kComKalibAfterClose() {
  kComWzorSetSlave();
  PortsChanged();
}

void TwoMeterLink::PortsChanged() {
  if (OnPortsChanged) OnPortsChanged();
}

// ---- The exchange engine ----

void TwoMeterLink::CancelExchange() {
  pause_.stop();
  reply_.clear();
  pollAgain_ = false;
  busy_ = Busy::None;
  handshakeDone_ = nullptr;
  queued_.reset();
}

bool TwoMeterLink::TakeQueuedReply() {
  try {
    reply_ += kComWzor.Read(kReplyReadLength);
  } catch (const EComPort&) {
    return false;
  }
  return true;
}

void TwoMeterLink::kComWzorRxChar(int count) {
  QByteArray bytes;
  try {
    bytes = kComWzor.Read(count);
  } catch (const EComPort&) {
    return;
  }
  if (busy_ == Busy::Drain) {  // the rest of a late reply: the line must be quiet first
    pause_.start(kMeasurePauseMs);
    return;
  }
  if (busy_ == Busy::None || busy_ == Busy::AfterOpenPause) return;  // nothing was asked
  reply_ += bytes.left(kReplyReadLength);
  if (busy_ == Busy::Measure && (reply_.contains('\r') || reply_.size() >= kReplyReadLength)) {
    pause_.stop();
    FinishMeasurement();
  }
}

void TwoMeterLink::StartHandshake(const QByteArray& command, int pauseMs, const QString& answer,
                                  std::function<void(Handshake)> done) {
  if (kComWzor.Connected() && (busy_ == Busy::Measure || busy_ == Busy::Drain)) {
    // A measurement's reply under way would be taken for the answer: the handshake follows it.
    queued_ = QueuedHandshake{command, pauseMs, answer, std::move(done)};
    pollAgain_ = false;
    return;
  }
  CancelExchange();
  if (!kComWzor.Connected()) {
    done(Handshake::NotConnected);
    return;
  }
  try {
    kComWzor.ClearBuffers(true, false);
  } catch (const EComPort&) {
    done(Handshake::PortError);
    return;
  }
  busy_ = Busy::Handshake;
  command_ = command;
  pauseMs_ = pauseMs;
  answer_ = answer;
  triesLeft_ = kHandshakeTries;
  handshakeDone_ = std::move(done);
  SendHandshakeTry();
}

void TwoMeterLink::SendHandshakeTry() {
  reply_.clear();
  try {
    kComWzor.Write(command_);
  } catch (const EComPort&) {
    FinishHandshake(Handshake::PortError);
    return;
  }
  pause_.start(pauseMs_);
}

void TwoMeterLink::FinishHandshake(Handshake result) {
  if (busy_ == Busy::Handshake) busy_ = Busy::None;
  pause_.stop();
  if (auto done = std::exchange(handshakeDone_, nullptr)) done(result);
}

void TwoMeterLink::PauseOver() {
  switch (busy_) {
    case Busy::Handshake: {
      if (!TakeQueuedReply()) {
        FinishHandshake(Handshake::PortError);
        return;
      }
      const QString read = QString::fromLatin1(reply_.left(kHandshakeReadLength));
      if (read == answer_)
        FinishHandshake(Handshake::Acknowledged);
      else if (--triesLeft_ > 0)
        SendHandshakeTry();
      else
        FinishHandshake(Handshake::NoAnswer);
      return;
    }
    case Busy::Measure:
      if (!TakeQueuedReply()) reply_.clear();
      FinishMeasurement();
      return;
    case Busy::Slave:
      TakeQueuedReply();  // the reply is not looked at
      reply_.clear();
      busy_ = Busy::None;
      if (closeAfterSlave_) kComWzor.Close();
      return;
    case Busy::AfterOpenPause:
      busy_ = Busy::None;
      if (OnReferenceReady) OnReferenceReady();
      return;
    case Busy::Drain:
      busy_ = Busy::None;
      if (StartQueuedHandshake()) return;
      if (std::exchange(pollAgain_, false)) StartMeasurement(true);
      return;
    case Busy::None:
      return;
  }
}

void TwoMeterLink::kComWzorSetMaster(std::function<void(Handshake)> done) {
  StartHandshake(SetMasterCommand(), kMasterPauseMs, kMasterAnswer, [this, done](Handshake result) {
    lastSetMaster_ = result;
    if (done) done(result);
  });
}

void TwoMeterLink::StartRelease(std::function<void(Handshake)> done) {
  StartHandshake(SetSlaveCommand(), kReleasePauseMs, kSlaveAnswer, std::move(done));
}

void TwoMeterLink::kComWzorSetSlave() {
  if (!kComWzor.Connected()) return;
  CancelExchange();
  try {
    kComWzor.Write(SetSlaveCommand());
  } catch (const EComPort&) {
    ShowMessage(wizard_text::kFailure);
    return;
  }
  busy_ = Busy::Slave;
  pause_.start(kSlavePauseMs);
}

void TwoMeterLink::kComWzorPomiar() { StartMeasurement(false); }

void TwoMeterLink::StartMeasurement(bool polled) {
  if (!kComWzor.Connected()) return;
  if (busy_ == Busy::Measure || busy_ == Busy::Drain) {
    pollAgain_ = pollAgain_ || polled;  // one more, when this one is over
    return;
  }
  if (busy_ != Busy::None) return;  // the reference meter is not ready for queries
  try {
    kComWzor.ClearBuffers(true, true);
    reply_.clear();
    kComWzor.Write(MeasureCommand(channel));
  } catch (const EComPort&) {
    return;
  }
  ++queries_;
  busy_ = Busy::Measure;
  polled_ = polled;
  pause_.start(kMeasurePauseMs);
}

void TwoMeterLink::FinishMeasurement() {
  const bool whole = reply_.contains('\r') || reply_.size() >= kReplyReadLength;
  busy_ = Busy::None;
  const QString reply = QString::fromLatin1(reply_.left(kReplyReadLength));
  reply_.clear();
  const bool polled = std::exchange(polled_, false);
  const MeasurementReply parsed = ParseMeasurementReply(reply, channel);
  if (parsed.valid) referenceReading_ = parsed.value;
  lastReplyValid_ = parsed.valid;
  if (!whole && kComWzor.Connected()) {
    busy_ = Busy::Drain;
    pause_.start(kMeasurePauseMs);
  }
  if (OnReferenceMeasured) OnReferenceMeasured(polled);
  if (parsed.valid && parsed.classifierWrong && !classifierWarned_) {
    classifierWarned_ = true;
    ShowMessage(wizard_text::kClassifier);
  }
  if (busy_ != Busy::None || StartQueuedHandshake()) return;
  if (std::exchange(pollAgain_, false)) StartMeasurement(true);
}

bool TwoMeterLink::StartQueuedHandshake() {
  if (!queued_) return false;
  QueuedHandshake next = std::move(*queued_);
  queued_.reset();
  StartHandshake(next.command, next.pauseMs, next.answer, std::move(next.done));
  return true;
}

void TwoMeterLink::kComKalibRxChar(int count) {
  QByteArray bytes;
  try {
    bytes = kComKalib.Read(count);
  } catch (const EComPort&) {
    return;
  }
  const bool decoded = receiver_.Receive(bytes, rangeIndex, invertSign);
  // The next arrival when the next frame is whole. Asked before the steps hear of this one: a
  // gain frame they write goes back to waking at every byte.
  if (kComKalib.Connected()) kComKalib.AwaitFrame(receiver_.BytesToNextFrame());
  if (OnArrival) OnArrival(decoded);
  if (decoded) StartMeasurement(true);  // one query a frame, not one a part of a frame
}

bool TwoMeterLink::SendGainFrame(int rangeIndex, const QString& gainText) {
  return WriteParameterValue(kComKalib, gainText, 4 * rangeIndex);
}

bool MainPortHandOver::Release(TComPort& mainPort) {
  wasOpen = mainPort.Connected();
  if (wasOpen) mainPort.Close();
  if (!mainPort.Connected()) return true;
  mainPort.Close();
  return false;
}

bool MainPortHandOver::Reopen(TComPort& mainPort, bool tell) {
  if (!wasOpen) return true;
  wasOpen = false;
  try {
    mainPort.Open();
  } catch (const EComPort&) {
    if (tell) ShowMessage(wizard_text::CannotOpen(mainPort.PortName()));
    return false;
  }
  return true;
}
