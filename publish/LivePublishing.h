#pragma once
// The window's publishing of live results: the settings of Ustawienia → "Publikowanie MQTT…",
// one MqttPublisher while they say so, each result as a row of "fluxa-cli watch --format json"
// with its time in UTC, and the state in a line for the status bar, in the program's language.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "measurement/MeasurementResult.h"
#include "publish/PublishSettings.h"

class MqttPublisher;

class LivePublishing : public QObject {
 public:
  LivePublishing();
  ~LivePublishing() override;

  // Stops what runs and starts anew with these settings (nothing when they are off). False and
  // the reason when the library refuses them at once.
  bool Apply(const PublishSettings& settings, const QString& password, const QString& meter, QString* error);
  void Stop();
  bool Active() const { return publisher_ != nullptr; }
  void Publish(const MeasurementResult& result);

  // "MQTT: połączono", "MQTT: brak połączenia, wyniki czekają (120), pominięto 4", …; empty
  // while nothing is published.
  QString StatusText() const;
  const MqttPublisher* Publisher() const { return publisher_.get(); }

  // After every change of StatusText().
  std::function<void()> OnChanged;

 private:
  std::unique_ptr<MqttPublisher> publisher_;
  QElapsedTimer since_;
};
