#include "settings/ServiceAccess.h"

namespace {
const QString kServicePassword = QStringLiteral("KALMORA");
}  // namespace

bool IsServicePassword(const QString& typed) { return typed.toUpper() == kServicePassword; }
