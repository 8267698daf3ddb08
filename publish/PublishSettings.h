#pragma once
// The window's publishing settings in the settings store, section [mqtt]: enabled, host, port,
// prefix, user, tls, ca. The password is never stored: it comes from FLUXA_MQTT_PASSWORD or is
// asked when publishing starts. The bench's id, [bench] id, names this PC in topics and in the
// calibration records; by default the host name.
#include <QString>

#include "publish/MqttUrl.h"

struct PublishSettings {
  bool enabled = false;
  MqttTarget target{QString(), 1883, QStringLiteral("fluxa"), QString(), false, QString()};
};

PublishSettings ReadPublishSettings();
bool WritePublishSettings(const PublishSettings& settings);  // false: the store is not writable

QString BenchId();
bool WriteBenchId(const QString& id);

// The password of the environment (FLUXA_MQTT_PASSWORD), when it is set.
QString PublishPasswordFromEnvironment(bool* set = nullptr);
