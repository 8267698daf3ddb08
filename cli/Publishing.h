#pragma once
// --mqtt URL of "fluxa-cli watch" and "record": each result also goes to an MQTT broker (see
// publish/MqttPublisher.h for the topics and the payload). The bench's id of the settings store
// (default: the host name) is the station, the port's name the meter (no serial number). The
// meter's status is "connected" from the start (the port is open by then) and "disconnected" at
// the stop, which every end of the command passes (a device gone away too). The password comes
// from $FLUXA_MQTT_PASSWORD, or is asked on the terminal when the URL names a user.
#include <QString>
#include <memory>

#include "measurement/MeasurementResult.h"

class MqttPublisher;
struct CliOptions;

class CliPublishing {
 public:
  CliPublishing();
  ~CliPublishing();
  // Connects when --mqtt was given: 0, or the exit code (2: the broker cannot be reached or
  // refuses, with one line saying why).
  int Start(const CliOptions& options, const QString& meter);
  void Publish(const MeasurementResult& result, double seconds);
  // The meter "disconnected", and what waits goes out (a few seconds at most); a line when
  // results were dropped or left.
  void Stop();

 private:
  std::unique_ptr<MqttPublisher> publisher_;
  qint64 droppedTold_ = 0;
};
