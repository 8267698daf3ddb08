#include "settings/UserSettings.h"

#include <QStringList>
#include <QVariant>

#include "settings/SettingsStore.h"

namespace {
const QString kName = QStringLiteral("name");
const QString kCompany = QStringLiteral("company");
const QString kService = QStringLiteral("service");

// The registry returns the 32-bit integer; the INI file returns text. Any whole number counts
// (non-zero is true), and so do the words QSettings itself writes for a boolean. Anything else
// is unreadable and therefore false, so a damaged value never grants service mode.
bool ServiceFlag(const QVariant& value) {
  if (!value.isValid()) return false;
  const QString text = value.toString().trimmed();
  bool isNumber = false;
  const qlonglong number = text.toLongLong(&isNumber);
  if (isNumber) return number != 0;
  return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// A hand-edited INI line with an unquoted comma reads back as a list; keep it as one text.
QString Text(const QVariant& value) {
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1String(", "));
  return value.toString();
}
}  // namespace

UserSettings ReadUserSettings() {
  const auto store = OpenSettingsStore();
  UserSettings settings;
  settings.name = Text(store->value(kName));
  settings.company = Text(store->value(kCompany));
  settings.service = ServiceFlag(store->value(kService));
  return settings;
}

bool WriteUserSettings(const UserSettings& settings) {
  const auto store = OpenSettingsStore();
  store->setValue(kName, settings.name);
  store->setValue(kCompany, settings.company);
  store->setValue(kService, settings.service ? 1 : 0);
  store->sync();
  return store->status() == QSettings::NoError;
}

bool UserSettingsKeyExists() {
  const auto store = OpenSettingsStore();
  return store->contains(kName) || store->contains(kCompany) || store->contains(kService);
}
