#include "publish/PublishSettings.h"

#include <QSysInfo>

#include "settings/SettingsStore.h"

PublishSettings ReadPublishSettings() {
  PublishSettings s;
  const auto store = OpenSettingsStore();
  store->beginGroup(QStringLiteral("mqtt"));
  s.enabled = store->value(QStringLiteral("enabled"), false).toBool();
  s.target.host = store->value(QStringLiteral("host")).toString();
  s.target.tls = store->value(QStringLiteral("tls"), false).toBool();
  s.target.port = store->value(QStringLiteral("port"), s.target.tls ? 8883 : 1883).toInt();
  s.target.prefix = store->value(QStringLiteral("prefix"), QStringLiteral("fluxa")).toString();
  s.target.user = store->value(QStringLiteral("user")).toString();
  s.target.caFile = store->value(QStringLiteral("ca")).toString();
  store->endGroup();
  return s;
}

bool WritePublishSettings(const PublishSettings& s) {
  const auto store = OpenSettingsStore();
  store->beginGroup(QStringLiteral("mqtt"));
  store->setValue(QStringLiteral("enabled"), s.enabled);
  store->setValue(QStringLiteral("host"), s.target.host);
  store->setValue(QStringLiteral("port"), s.target.port);
  store->setValue(QStringLiteral("prefix"), s.target.prefix);
  store->setValue(QStringLiteral("user"), s.target.user);
  store->setValue(QStringLiteral("tls"), s.target.tls);
  store->setValue(QStringLiteral("ca"), s.target.caFile);
  store->endGroup();
  store->sync();
  return store->status() == QSettings::NoError;
}

QString BenchId() {
  const QString id = OpenSettingsStore()->value(QStringLiteral("bench/id")).toString().trimmed();
  return id.isEmpty() ? QSysInfo::machineHostName() : id;
}

bool WriteBenchId(const QString& id) {
  const auto store = OpenSettingsStore();
  store->setValue(QStringLiteral("bench/id"), id.trimmed());
  store->sync();
  return store->status() == QSettings::NoError;
}

QString PublishPasswordFromEnvironment(bool* set) {
  if (set) *set = qEnvironmentVariableIsSet("FLUXA_MQTT_PASSWORD");
  return qEnvironmentVariable("FLUXA_MQTT_PASSWORD");
}
