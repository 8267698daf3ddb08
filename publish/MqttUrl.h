#pragma once
// Where results are published: mqtt://[user@]host[:port]/prefix, or mqtts://... for TLS (a CA
// file then names whom to trust). The prefix is the first level of every topic; it may hold
// slashes but no wildcard ('+', '#') and no empty level.
#include <QString>
#include <optional>

struct MqttTarget {
  QString host;
  int port = 1883;
  QString prefix;
  QString user;
  bool tls = false;
  QString caFile;  // mqtts only
  bool operator==(const MqttTarget&) const = default;
};

// The target a URL names; nullopt and a one-line reason when it names none.
std::optional<MqttTarget> ParseMqttUrl(const QString& url, QString* error);
