#include "wizard/SearchSettings.h"

#include "settings/SettingsStore.h"

namespace {
const QString kKey = QStringLiteral("wizard/fast_search");
}

bool ReadFastSearch() { return OpenSettingsStore()->value(kKey, false).toBool(); }

bool WriteFastSearch(bool on) {
  const auto store = OpenSettingsStore();
  store->setValue(kKey, on);
  store->sync();
  return store->status() == QSettings::NoError;
}
