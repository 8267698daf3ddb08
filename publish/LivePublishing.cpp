#include "publish/LivePublishing.h"

#include "measurement/ResultRows.h"
#include "publish/MqttPublisher.h"
#include "settings/Jezyki.h"

LivePublishing::LivePublishing() {
  typing_.setSingleShot(true);
  typing_.setInterval(kTypingPauseMs);
  connect(&typing_, &QTimer::timeout, this, [this] { NameMeter(); });
}

LivePublishing::~LivePublishing() { Stop(); }

bool LivePublishing::Apply(const PublishSettings& settings, const QString& password, QString* error) {
  Stop();
  if (!settings.enabled) return true;
  typing_.stop();
  publisher_ = std::make_unique<MqttPublisher>(settings.target, BenchId(), Meter(), password);
  publisher_->SetMeter(Meter(), serial_);
  publisher_->SetMeterConnected(meterConnected_);
  publisher_->OnStateChanged = [this] {
    if (OnChanged) OnChanged();
  };
  if (!publisher_->Start(error)) {
    publisher_.reset();
    if (OnChanged) OnChanged();
    return false;
  }
  since_.start();
  if (OnChanged) OnChanged();
  return true;
}

void LivePublishing::Stop() {
  if (!publisher_) return;
  publisher_->OnStateChanged = nullptr;
  publisher_->Stop(1000);  // what waits goes out, briefly: the window must not hang on a broker
  publisher_.reset();
  if (OnChanged) OnChanged();
}

void LivePublishing::Publish(const MeasurementResult& result) {
  if (publisher_) publisher_->Publish(ResultRow(result, since_.nsecsElapsed() / 1e9, RowFormat::Published));
}

QString LivePublishing::Meter() const {
  const QString serial = serial_.trimmed();
  return serial.isEmpty() ? portName_ : serial;
}

void LivePublishing::SetMeter(const QString& serial, const QString& portName, bool typing) {
  serial_ = serial;
  portName_ = portName;
  if (typing)
    typing_.start();
  else
    NameMeter();
}

void LivePublishing::NameMeter() {
  typing_.stop();
  if (publisher_) publisher_->SetMeter(Meter(), serial_);
}

void LivePublishing::SetMeterConnected(bool connected) {
  meterConnected_ = connected;
  if (publisher_) publisher_->SetMeterConnected(connected);
}

QString LivePublishing::StatusText() const {
  if (!publisher_) return {};
  QString text;
  switch (publisher_->state()) {
    case MqttPublisher::State::Online:
      text = LookupText(109);
      break;
    case MqttPublisher::State::Refused:
      text = LookupText(112).arg(publisher_->Reason());
      break;
    case MqttPublisher::State::Offline:
      text = LookupText(111).arg(publisher_->Waiting());
      break;
    default:
      text = LookupText(110);
      break;
  }
  if (publisher_->Dropped() > 0) text += LookupText(113).arg(publisher_->Dropped());
  return text;
}
