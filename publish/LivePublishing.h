#pragma once
// The window's publishing of live results: the settings of Ustawienia → "Publikowanie MQTT…",
// one MqttPublisher while they say so, each result as a row of "fluxa-cli watch --format json"
// with its time in UTC, and the state in a line for the status bar, in the program's language.
// The meter is named by the service panel's serial number when it holds one, else by its port's
// name, and the topic follows every change of either (MqttPublisher::SetMeter); the port's link
// goes to the meter's own status topic.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "measurement/MeasurementResult.h"
#include "publish/PublishSettings.h"

class MqttPublisher;

class LivePublishing : public QObject {
 public:
  // A serial number being typed names the meter once typing has paused this long, or at once
  // when the typing ends (Enter, another field).
  static constexpr int kTypingPauseMs = 1000;

  LivePublishing();
  ~LivePublishing() override;

  // Stops what runs and starts anew with these settings (nothing when they are off), for the
  // meter and link last told. False and the reason when the library refuses them at once.
  bool Apply(const PublishSettings& settings, const QString& password, QString* error);
  void Stop();
  bool Active() const { return publisher_ != nullptr; }
  void Publish(const MeasurementResult& result);

  // The service panel's serial number (empty: none) and the port's name; typing: the serial
  // number is still being typed.
  void SetMeter(const QString& serial, const QString& portName, bool typing = false);
  // The port open or closed (a device that went away closes it).
  void SetMeterConnected(bool connected);
  QString Meter() const;  // the name topics and results use now

  // "MQTT: połączono", "MQTT: brak połączenia, wyniki czekają (120), pominięto 4", …; empty
  // while nothing is published.
  QString StatusText() const;
  const MqttPublisher* Publisher() const { return publisher_.get(); }

  // After every change of StatusText().
  std::function<void()> OnChanged;

 private:
  void NameMeter();

  std::unique_ptr<MqttPublisher> publisher_;
  QElapsedTimer since_;
  QString serial_;
  QString portName_;
  bool meterConnected_ = false;
  QTimer typing_;
};
