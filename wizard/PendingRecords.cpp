#include "wizard/PendingRecords.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "store/RecordJson.h"
#include "store/RecordsSettings.h"

namespace {
// The body holds every field without a column of its own; these are the columns.
QByteArray PendingText(const CalibrationRecord& r) {
  QJsonObject o;
  o[QStringLiteral("amends")] = r.amends;
  o[QStringLiteral("serial")] = r.serial;
  o[QStringLiteral("at")] = r.at.toString(Qt::ISODateWithMs);
  o[QStringLiteral("technician")] = r.technician;
  o[QStringLiteral("body")] = QString::fromUtf8(CalibrationBody(r));
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool ReadPending(const QByteArray& text, CalibrationRecord& r) {
  const QJsonDocument doc = QJsonDocument::fromJson(text);
  if (!doc.isObject()) return false;
  const QJsonObject o = doc.object();
  if (!ReadCalibrationBody(o[QStringLiteral("body")].toString().toUtf8(), r)) return false;
  r.amends = o[QStringLiteral("amends")].toString();
  r.serial = o[QStringLiteral("serial")].toString();
  r.at = QDateTime::fromString(o[QStringLiteral("at")].toString(), Qt::ISODateWithMs);
  r.technician = o[QStringLiteral("technician")].toString();
  return r.at.isValid();
}
}  // namespace

QString PendingRecordsFolder() { return QFileInfo(RecordsPath()).absolutePath() + QStringLiteral("/pending"); }

QString SavePendingRecord(const CalibrationRecord& record, QString* error) {
  const QDir folder(PendingRecordsFolder());
  if (!folder.mkpath(QStringLiteral("."))) {
    if (error) *error = QStringLiteral("cannot make %1").arg(folder.path());
    return {};
  }
  // Named by time, so that the oldest is stored first.
  const QString stem = record.at.toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz")) + '-' + record.serial;
  QString path = folder.filePath(stem + QStringLiteral(".json"));
  for (int n = 2; QFileInfo::exists(path); ++n) path = folder.filePath(stem + QStringLiteral("-%1.json").arg(n));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(PendingText(record)) < 0 || !file.commit()) {
    if (error) *error = file.errorString();
    return {};
  }
  return path;
}

PendingStored StorePendingRecords() {
  PendingStored result;
  const QDir folder(PendingRecordsFolder());
  const QStringList names = folder.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
  for (const QString& name : names) {
    if (!result.error.isEmpty()) {
      ++result.left;
      continue;
    }
    QFile file(folder.filePath(name));
    CalibrationRecord record;
    if (!file.open(QIODevice::ReadOnly) || !ReadPending(file.readAll(), record)) {
      result.error = QStringLiteral("%1 cannot be read").arg(file.fileName());
      ++result.left;
      continue;
    }
    file.close();
    const KeptRecord kept = KeepRecord(record);
    if (kept.number.isEmpty()) {
      result.error = kept.error;
      ++result.left;
      continue;
    }
    QFile::remove(file.fileName());
    ++result.stored;
  }
  return result;
}
