#include "publish/MqttUrl.h"

#include <QUrl>

std::optional<MqttTarget> ParseMqttUrl(const QString& text, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return std::nullopt;
  };
  const QUrl url(text.trimmed(), QUrl::StrictMode);
  if (!url.isValid()) return fail(QStringLiteral("not a URL: %1").arg(text));
  MqttTarget target;
  if (url.scheme() == QLatin1String("mqtts")) {
    target.tls = true;
    target.port = 8883;
  } else if (url.scheme() != QLatin1String("mqtt")) {
    return fail(QStringLiteral("the URL must start with mqtt:// or mqtts://: %1").arg(text));
  }
  target.host = url.host();
  if (target.host.isEmpty()) return fail(QStringLiteral("no broker host in %1").arg(text));
  if (!url.password().isEmpty())
    return fail(QStringLiteral("no password in the URL, please: it would stay in the shell's history"));
  target.user = url.userName();
  const int port = url.port(target.port);
  if (port < 1 || port > 65535) return fail(QStringLiteral("no such port in %1").arg(text));
  target.port = port;
  if (url.hasQuery() || url.hasFragment()) return fail(QStringLiteral("nothing after the prefix, please: %1").arg(text));
  QString prefix = url.path();
  while (prefix.startsWith(QLatin1Char('/'))) prefix.remove(0, 1);
  while (prefix.endsWith(QLatin1Char('/'))) prefix.chop(1);
  if (prefix.isEmpty()) return fail(QStringLiteral("no topic prefix in %1 (mqtt://host/prefix)").arg(text));
  if (prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')) ||
      prefix.contains(QLatin1String("//")))
    return fail(QStringLiteral("the prefix may not hold '+', '#' or an empty level: %1").arg(prefix));
  target.prefix = prefix;
  return target;
}
