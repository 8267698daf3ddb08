#include "wizard/TwoMeterLink.h"

#include <utility>

#include "common/Messages.h"
#include "link/MeterCommands.h"
#include "wizard/ReferenceProtocol.h"
#include "wizard/WizardTexts.h"

using namespace reference;

// kComWzor and the pause timer as the exchanges' line.
class TwoMeterLink::WzorLine : public ReferenceLine {
 public:
  WzorLine(TComPort& port, QTimer& pause) : port_(port), pause_(pause) {}
  bool Connected() const override { return port_.Connected(); }
  bool Write(const QByteArray& bytes) override {
    try {
      port_.Write(bytes);
    } catch (const EComPort&) {
      return false;
    }
    return true;
  }
  std::optional<QByteArray> ReadQueued(int count) override {
    try {
      return port_.Read(count);
    } catch (const EComPort&) {
      return std::nullopt;
    }
  }
  bool ClearBuffers(bool input, bool output) override {
    try {
      port_.ClearBuffers(input, output);
    } catch (const EComPort&) {
      return false;
    }
    return true;
  }
  void StartPause(int ms) override { pause_.start(ms); }
  void StopPause() override { pause_.stop(); }
  void Close() override { port_.Close(); }

 private:
  TComPort& port_;
  QTimer& pause_;
};

TwoMeterLink::TwoMeterLink()
    : kComKalib(ComPortSettings::KComKalib()),
      kComWzor(ComPortSettings::KComWzor()),
      line_(std::make_unique<WzorLine>(kComWzor, pause_)),
      exchange_(*line_) {
  kComKalib.setObjectName(QStringLiteral("kComKalib"));
  kComWzor.setObjectName(QStringLiteral("kComWzor"));
  kComWzor.OnAfterOpen = [this] {
    classifierWarned_ = false;  // the warning is due once for every opening
    PortsChanged();
    exchange_.Opened();
  };
  kComWzor.OnAfterClose = [this] {
    exchange_.Closed();
    PortsChanged();
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
  exchange_.OnReady = [this] {
    if (OnReferenceReady) OnReferenceReady();
  };
  exchange_.OnClosedAfterSlave = [this] {
    if (OnClosedAfterSlave) OnClosedAfterSlave();
  };
  exchange_.OnMeasured = [this](const QString& reply, bool polled) { Measured(reply, polled); };
  exchange_.OnSlaveFailed = [this] { Tell(wizard_text::kFailure); };
  pause_.setSingleShot(true);
  pause_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&pause_, &QTimer::timeout, &kComWzor, [this] { exchange_.PauseOver(); });
}

TwoMeterLink::~TwoMeterLink() {
  // The ports close before the exchange and its line go.
  kComWzor.OnAfterClose = nullptr;
  kComKalib.OnAfterClose = nullptr;
  kComWzor.Close();
  kComKalib.Close();
}

void TwoMeterLink::Tell(const QString& message) {
  if (OnTell)
    OnTell(message);
  else
    ShowMessage(message);
}

bool TwoMeterLink::kComWzorOpen() {
  if (!kComWzor.Connected()) exchange_.ForgetSetMaster();
  return OpenChecked(kComWzor, kComKalib);
}

bool TwoMeterLink::kComWzorClose() { return exchange_.CloseWhenQuiet(); }

bool TwoMeterLink::kComKalibOpen() { return OpenChecked(kComKalib, kComWzor); }

bool TwoMeterLink::OpenChecked(TComPort& port, const TComPort& other) {
  if (port.Connected()) return true;
  if (port.PortName() == other.PortName() && other.Connected()) {
    Tell(wizard_text::PortBusy(port.PortName()));
    return false;
  }
  try {
    port.Open();
  } catch (const EComPort&) {
    Tell(wizard_text::CannotOpen(port.PortName()));
    return false;
  }
  return port.Connected();
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

void TwoMeterLink::kComWzorRxChar(int count) {
  QByteArray bytes;
  try {
    bytes = kComWzor.Read(count);
  } catch (const EComPort&) {
    return;
  }
  exchange_.Arrived(bytes);
}

void TwoMeterLink::Measured(const QString& reply, bool polled) {
  const MeasurementReply parsed = ParseMeasurementReply(reply, channel);
  if (parsed.valid) referenceReading_ = parsed.value;
  lastReplyValid_ = parsed.valid;
  if (OnReferenceMeasured) OnReferenceMeasured(polled);
  if (parsed.valid && parsed.classifierWrong && !classifierWarned_) {
    classifierWarned_ = true;
    Tell(wizard_text::kClassifier);
  }
}

void TwoMeterLink::kComWzorSetMaster(std::function<void(Handshake)> done) { exchange_.SetMaster(std::move(done)); }

void TwoMeterLink::StartRelease(std::function<void(Handshake)> done) { exchange_.StartRelease(std::move(done)); }

void TwoMeterLink::kComWzorSetSlave() { exchange_.SetSlave(); }

void TwoMeterLink::kComWzorPomiar() { exchange_.Measure(channel, false); }

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
  if (decoded) exchange_.Measure(channel, true);  // one query a frame, not one a part of a frame
}

bool TwoMeterLink::SendGainFrame(int rangeIndex, int gain) {
  return WriteParameterWord(kComKalib, gain, 4 * rangeIndex);
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
