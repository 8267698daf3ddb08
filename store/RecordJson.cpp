#include "store/RecordJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString Time(const QDateTime& t) { return t.toUTC().toString(Qt::ISODateWithMs); }
QDateTime TimeOf(const QJsonValue& v) {
  QDateTime t = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
  t.setTimeSpec(Qt::UTC);
  return t;
}
QJsonValue Optional(const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(); }
std::optional<double> OptionalOf(const QJsonValue& v) { return v.isDouble() ? std::optional<double>(v.toDouble()) : std::nullopt; }

QJsonArray Points(const QList<CalibrationPoint>& points) {
  QJsonArray a;
  for (const CalibrationPoint& p : points)
    a.append(QJsonObject{{"uwz", p.reference}, {"ucal", p.calibrated}, {"at", Time(p.at)}});
  return a;
}
QList<CalibrationPoint> PointsOf(const QJsonValue& v) {
  QList<CalibrationPoint> points;
  for (const QJsonValue& p : v.toArray())
    points << CalibrationPoint{p["uwz"].toDouble(), p["ucal"].toDouble(), TimeOf(p["at"])};
  return points;
}
}  // namespace

QByteArray CalibrationBody(const CalibrationRecord& r) {
  QJsonArray steps;
  for (const SearchStepRecord& s : r.steps) steps.append(QJsonObject{{"gain", s.gain}, {"reading", s.reading}});
  const QJsonObject reference{{"model", r.reference.model},
                              {"serial", r.reference.serial},
                              {"certificate", r.reference.certificate},
                              {"due", r.reference.due.toString(Qt::ISODate)},
                              {"uncertainty", r.reference.uncertainty},
                              {"coverage", r.reference.coverage},
                              {"resolution", r.reference.resolution},
                              {"unit", r.reference.unit}};
  const QJsonObject laboratory{{"name", r.laboratory.name},
                               {"address", r.laboratory.address},
                               {"accreditation", r.laboratory.accreditation},
                               {"method", r.laboratory.method}};
  const QJsonObject o{{"range", r.rangeIndex},
                      {"maker", r.maker},
                      {"model", r.model},
                      {"unit", r.unit},
                      {"customer", r.customer},
                      {"customer_address", r.customerAddress},
                      {"laboratory", laboratory},
                      {"initial_gain", r.initialGain ? QJsonValue(*r.initialGain) : QJsonValue()},
                      {"probe_temperature_min", Optional(r.probeTemperatureMin)},
                      {"probe_temperature_max", Optional(r.probeTemperatureMax)},
                      {"ambient_temperature", Optional(r.ambientTemperature)},
                      {"humidity", Optional(r.humidity)},
                      {"tolerance_digits", r.toleranceDigits},
                      {"uniformity_percent", r.uniformityPercent},
                      {"decision_rule", r.decisionRule},
                      {"coverage", Optional(r.coverage)},
                      {"effective_dof", Optional(r.effectiveDof)},
                      {"probe", r.probeRow},
                      {"company", r.company},
                      {"reference", reference},
                      {"as_found", Points(r.asFound)},
                      {"as_left", Points(r.asLeft)},
                      {"as_left_skipped", r.asLeftSkipped},
                      {"slope", r.slope},
                      {"offset", r.offset},
                      {"residual_sd", r.residualSd},
                      {"gain_before", r.gainBefore ? QJsonValue(*r.gainBefore) : QJsonValue()},
                      {"gain_after", r.gainAfter},
                      {"steps", steps},
                      {"search", r.search},
                      {"tolerance_percent", r.tolerancePercent},
                      {"resolution", r.resolution},
                      {"uncertainty", Optional(r.uncertainty)},
                      {"passed", r.passed ? QJsonValue(*r.passed) : QJsonValue()}};
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool ReadCalibrationBody(const QByteArray& body, CalibrationRecord& r) {
  QJsonParseError error;
  const QJsonObject o = QJsonDocument::fromJson(body, &error).object();
  if (error.error != QJsonParseError::NoError) return false;
  r.rangeIndex = o["range"].toInt();
  r.probeRow = o["probe"].toInt();
  r.company = o["company"].toString();
  const QJsonObject ref = o["reference"].toObject();
  r.reference = {ref["model"].toString(),
                 ref["serial"].toString(),
                 ref["certificate"].toString(),
                 QDate::fromString(ref["due"].toString(), Qt::ISODate),
                 ref["uncertainty"].toDouble(),
                 ref["coverage"].toDouble(2),  // k = 2 was taken for granted before it was kept
                 ref["resolution"].toDouble(),
                 ref["unit"].toString()};
  r.maker = o["maker"].toString();
  r.model = o["model"].toString();
  r.unit = o["unit"].toString();
  r.customer = o["customer"].toString();
  r.customerAddress = o["customer_address"].toString();
  const QJsonObject lab = o["laboratory"].toObject();
  r.laboratory = {lab["name"].toString(), lab["address"].toString(), lab["accreditation"].toString(),
                  lab["method"].toString()};
  r.initialGain = o["initial_gain"].isDouble() ? std::optional<int>(o["initial_gain"].toInt()) : std::nullopt;
  r.probeTemperatureMin = OptionalOf(o["probe_temperature_min"]);
  r.probeTemperatureMax = OptionalOf(o["probe_temperature_max"]);
  r.ambientTemperature = OptionalOf(o["ambient_temperature"]);
  r.humidity = OptionalOf(o["humidity"]);
  r.toleranceDigits = o["tolerance_digits"].toDouble();
  r.uniformityPercent = o["uniformity_percent"].toDouble();
  r.decisionRule = o["decision_rule"].toString(QStringLiteral("simple"));
  r.coverage = OptionalOf(o["coverage"]);
  r.effectiveDof = OptionalOf(o["effective_dof"]);
  r.asFound = PointsOf(o["as_found"]);
  r.asLeft = PointsOf(o["as_left"]);
  r.asLeftSkipped = o["as_left_skipped"].toBool();
  r.slope = o["slope"].toDouble();
  r.offset = o["offset"].toDouble();
  r.residualSd = o["residual_sd"].toDouble();
  r.gainBefore = o["gain_before"].isNull() ? std::nullopt : std::optional<int>(o["gain_before"].toInt());
  r.gainAfter = o["gain_after"].toInt();
  r.steps.clear();
  for (const QJsonValue& s : o["steps"].toArray()) r.steps << SearchStepRecord{s["gain"].toInt(), s["reading"].toDouble()};
  r.search = o["search"].toString(QStringLiteral("bisection"));  // the only search before it was kept
  r.tolerancePercent = o["tolerance_percent"].toDouble();
  r.resolution = o["resolution"].toDouble();  // 0 in a body written before it was kept
  // A body without them (written before they were kept) has no verdict, rather than a failed one.
  r.uncertainty = OptionalOf(o["uncertainty"]);
  r.passed = o["passed"].isBool() ? std::optional<bool>(o["passed"].toBool()) : std::nullopt;
  return true;
}

QByteArray TransferBody(const TransferRecord& r) {
  const QJsonObject o{{"values", QJsonArray::fromStringList(r.values)}, {"stored", r.stored}, {"frames_sent", r.framesSent}};
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool ReadTransferBody(const QByteArray& body, TransferRecord& r) {
  QJsonParseError error;
  const QJsonObject o = QJsonDocument::fromJson(body, &error).object();
  if (error.error != QJsonParseError::NoError) return false;
  r.values.clear();
  for (const QJsonValue& v : o["values"].toArray()) r.values << v.toString();
  r.stored = o["stored"].toBool();
  r.framesSent = o["frames_sent"].toInt();
  return true;
}
