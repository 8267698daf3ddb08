#include "store/HistoryExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QByteArray CsvField(const QString& text) {
  QByteArray field = text.toUtf8();
  if (!field.contains(',') && !field.contains('"') && !field.contains('\r') && !field.contains('\n')) return field;
  field.replace("\"", "\"\"");
  return '"' + field + '"';
}
}  // namespace

QString LocalIsoTime(const QDateTime& at) {
  if (!at.isValid()) return {};
  const QDateTime local = at.toLocalTime();
  return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QByteArray HistoryCsv(const QList<RecordSummary>& history, const QByteArray& lineEnd) {
  QByteArray csv = "number,kind,serial,time,technician,amends,superseded_by,state" + lineEnd;
  for (const RecordSummary& r : history) {
    const QString fields[] = {r.number,     r.kind,   r.serial,         LocalIsoTime(r.at),
                              r.technician, r.amends, r.supersededBy, r.state};
    for (int i = 0; i < 8; ++i) csv += (i ? "," : "") + CsvField(fields[i]);
    csv += lineEnd;
  }
  return csv;
}

QByteArray HistoryJson(const QList<RecordSummary>& history) {
  QJsonArray array;
  for (const RecordSummary& r : history)
    array.append(QJsonObject{{"number", r.number},
                             {"kind", r.kind},
                             {"serial", r.serial},
                             {"time", LocalIsoTime(r.at)},
                             {"technician", r.technician},
                             {"amends", r.amends.isEmpty() ? QJsonValue() : QJsonValue(r.amends)},
                             {"superseded_by", r.supersededBy.isEmpty() ? QJsonValue() : QJsonValue(r.supersededBy)},
                             {"state", r.state}});
  return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
