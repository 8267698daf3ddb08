#include "store/People.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <mutex>
#include <sodium.h>

#include "settings/Jezyki.h"

namespace people {
namespace {
bool SodiumReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = sodium_init() >= 0; });
  return ready;
}
}  // namespace

QString CheckId(const QString& id) {
  if (id.isEmpty()) return QStringLiteral("a person's id is required");
  if (id.size() > 64) return QStringLiteral("a person's id has at most 64 characters");
  for (const QChar c : id)
    if (c.isSpace() || !c.isPrint()) return QStringLiteral("a person's id has no spaces or control characters");
  return {};
}

QString CheckPassword(const QString& password) {
  if (password.size() < kShortestPassword)
    return QStringLiteral("a password has at least %1 characters").arg(kShortestPassword);
  return {};
}

bool IsRole(const QString& role) { return role == QLatin1String(kTechnician) || role == QLatin1String(kApprover); }

QString HashPassword(const QString& password) {
  if (!SodiumReady()) return {};
  const QByteArray bytes = password.toUtf8();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, bytes.constData(), quint64(bytes.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    return {};
  return QString::fromLatin1(hash);
}

bool PasswordMatches(const QString& hash, const QString& password) {
  if (!SodiumReady() || hash.isEmpty()) return false;
  const QByteArray stored = hash.toLatin1();
  const QByteArray bytes = password.toUtf8();
  return crypto_pwhash_str_verify(stored.constData(), bytes.constData(), quint64(bytes.size())) == 0;
}

QByteArray SignatureBody(const SignatureRecord& s) {
  const QJsonObject o{{"calibration", s.calibration}, {"printed_name", s.printedName}, {"role", s.role},
                      {"meaning", s.meaning},         {"record_hash", s.recordHash}};
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool ReadSignatureBody(const QByteArray& body, SignatureRecord& s) {
  const QJsonDocument document = QJsonDocument::fromJson(body);
  if (!document.isObject()) return false;
  const QJsonObject o = document.object();
  s.calibration = o["calibration"].toString();
  s.printedName = o["printed_name"].toString();
  s.role = o["role"].toString();
  s.meaning = o["meaning"].toString();
  s.recordHash = o["record_hash"].toString();
  return true;
}
}  // namespace people

QString RoleText(const QString& role) { return LookupText(role == QLatin1String(people::kApprover) ? 186 : 128); }
