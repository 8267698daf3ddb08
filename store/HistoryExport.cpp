#include "store/HistoryExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>

#include "store/AsLeft.h"

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

// One record's whole content.
namespace {
QJsonValue OrNull(const QString& text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }
QJsonValue OrNull(const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(); }
QJsonValue OrNull(const std::optional<int>& v) { return v ? QJsonValue(*v) : QJsonValue(); }
QJsonValue Verdict(const AsLeftPoint& p) { return p.judged ? QJsonValue(p.passed ? "pass" : "fail") : QJsonValue(); }
QString VerdictText(const AsLeftPoint& p) { return p.judged ? (p.passed ? "pass" : "fail") : "not judged"; }

// The summary's keys, as the history lists them.
QJsonObject SummaryObject(const RecordSummary& s, const QString& kind) {
  return {{"number", s.number}, {"kind", kind}, {"serial", s.serial}, {"time", LocalIsoTime(s.at)},
          {"technician", s.technician}, {"amends", OrNull(s.amends)}, {"superseded_by", OrNull(s.supersededBy)},
          {"state", s.state}};
}

// The budget of the record's U: at the point of the largest U, or at the largest field when none
// is stated; none when there is no as-left point.
std::optional<UncertaintyBudget> RecordBudget(const CalibrationRecord& r) {
  if (r.asLeftSkipped) return std::nullopt;
  std::optional<UncertaintyBudget> chosen;
  for (const CalibrationPoint& p : r.asLeft) {
    const UncertaintyBudget b = AsLeftBudget(r, p.reference);
    const bool larger = b.Stated() ? !chosen || !chosen->Stated() || *b.expanded > *chosen->expanded
                                   : !chosen || (!chosen->Stated() && std::abs(b.reference) > std::abs(chosen->reference));
    if (larger) chosen = b;
  }
  return chosen;
}

QJsonObject BudgetObject(const UncertaintyBudget& b) {
  QJsonArray components;
  for (const UncertaintyComponent& c : b.components)
    components.append(QJsonObject{{"name", c.key}, {"type", c.type}, {"distribution", c.distribution},
                                  {"standard_uncertainty", c.value}, {"dof", OrNull(c.dof)}});
  return {{"uwz", b.reference},           {"type_a", OrNull(b.typeA)},
          {"gain_ratio", b.gainRatio},    {"gain_scaled", b.gainScaled},
          {"components", components},     {"combined", b.combined},
          {"effective_dof", OrNull(b.effectiveDof)}, {"coverage", OrNull(b.coverage)},
          {"expanded", OrNull(b.expanded)}, {"coverage_probability", b.probability}};
}
}  // namespace

QByteArray CalibrationDetailJson(const CalibrationRecord& r, const RecordSummary& summary,
                                 const std::optional<SignatureRecord>& signature) {
  QJsonObject o = SummaryObject(summary, QStringLiteral("calibration"));
  o["written"] = LocalIsoTime(r.written);
  o["author"] = OrNull(r.author);
  o["reason"] = OrNull(r.reason);
  o["company"] = r.company;
  o["bench"] = r.bench;
  o["maker"] = r.maker;
  o["model"] = r.model;
  o["range"] = r.rangeIndex;
  o["probe"] = r.probeRow;
  o["unit"] = OrNull(r.unit);
  o["customer"] = QJsonObject{{"name", r.customer}, {"address", r.customerAddress}};
  o["laboratory"] = QJsonObject{{"name", r.laboratory.name}, {"address", r.laboratory.address},
                                {"accreditation", r.laboratory.accreditation}, {"method", r.laboratory.method}};
  o["environment"] = QJsonObject{
      {"probe_temperature", QJsonObject{{"min", OrNull(r.probeTemperatureMin)}, {"max", OrNull(r.probeTemperatureMax)}, {"unit", "°C"}}},
      {"ambient_temperature", QJsonObject{{"value", OrNull(r.ambientTemperature)}, {"unit", "°C"}}},
      {"humidity", QJsonObject{{"value", OrNull(r.humidity)}, {"unit", "% RH"}}}};
  o["reference_standard"] = QJsonObject{{"model", r.reference.model}, {"serial", r.reference.serial},
                                        {"certificate", r.reference.certificate},
                                        {"due", OrNull(r.reference.due.toString(Qt::ISODate))},
                                        {"uncertainty", r.reference.uncertainty}, {"coverage", r.reference.coverage},
                                        {"resolution", r.reference.resolution}, {"unit", OrNull(r.reference.unit)}};
  QJsonArray found;
  for (const CalibrationPoint& p : r.asFound)
    found.append(QJsonObject{{"uwz", p.reference}, {"ucal", p.calibrated}, {"error", p.calibrated - p.reference},
                             {"time", LocalIsoTime(p.at)}});
  o["as_found"] = found;
  const int n = int(r.asFound.size());
  o["fit"] = QJsonObject{{"slope", r.slope}, {"offset", r.offset}, {"residual_sd", r.residualSd},
                         {"samples", n}, {"dof", n >= 3 ? QJsonValue(n - 2) : QJsonValue()}};
  o["gains"] = QJsonObject{{"initial", OrNull(r.initialGain)}, {"before", OrNull(r.gainBefore)}, {"after", r.gainAfter}};
  QJsonArray steps;
  for (const SearchStepRecord& s : r.steps) steps.append(QJsonObject{{"gain", s.gain}, {"reading", s.reading}});
  o["search"] = QJsonObject{{"method", r.search}, {"steps", steps}};
  o["tolerance"] = QJsonObject{{"percent", r.tolerancePercent}, {"digits", r.toleranceDigits}, {"resolution", r.resolution}};
  o["uniformity_percent"] = r.uniformityPercent;
  o["decision_rule"] = r.decisionRule;
  QJsonArray left;
  for (int i = 0; const AsLeftPoint& p : EvaluateAsLeft(r)) {
    left.append(QJsonObject{{"uwz", p.reference}, {"ucal", p.reading}, {"error", p.error},
                            {"error_percent", OrNull(p.errorPercent)}, {"limit", p.limit},
                            {"uncertainty", OrNull(p.uncertainty)}, {"verdict", Verdict(p)},
                            {"time", LocalIsoTime(r.asLeft[i++].at)}});
  }
  o["as_left"] = QJsonObject{{"skipped", r.asLeftSkipped}, {"points", left}};
  const std::optional<UncertaintyBudget> budget = RecordBudget(r);
  o["uncertainty"] = QJsonObject{{"expanded", OrNull(r.uncertainty)}, {"coverage", OrNull(r.coverage)},
                                 {"effective_dof", OrNull(r.effectiveDof)},
                                 {"coverage_probability", r.uncertainty ? QJsonValue(kCoverageProbability) : QJsonValue()},
                                 {"budget", budget ? QJsonValue(BudgetObject(*budget)) : QJsonValue()}};
  o["passed"] = r.passed ? QJsonValue(*r.passed) : QJsonValue();
  o["signature"] = signature ? QJsonValue(QJsonObject{{"number", signature->number},
                                                      {"signer", signature->signer},
                                                      {"printed_name", signature->printedName},
                                                      {"role", signature->role},
                                                      {"time", LocalIsoTime(signature->at)},
                                                      {"meaning", signature->meaning},
                                                      {"record_hash", signature->recordHash}})
                             : QJsonValue();
  return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QByteArray CalibrationDetailCsv(const CalibrationRecord& r, const QByteArray& lineEnd) {
  QByteArray csv = "series,index,time,uwz,ucal,unit,error,error_percent,limit,uncertainty,verdict" + lineEnd;
  // Readings as kept; what is worked out from them to 12 digits, which drops the binary's noise
  // (100.3 - 100 = 0.29999999999999716) and keeps far more than any meter's digits.
  const auto number = [](double v) { return QByteArray::number(v, 'g', 15); };
  const auto worked = [](double v) { return QByteArray::number(v, 'g', 12); };
  const QByteArray unit = CsvField(r.unit);
  for (int i = 0; i < r.asFound.size(); ++i) {
    const CalibrationPoint& p = r.asFound[i];
    csv += "as_found," + QByteArray::number(i + 1) + ',' + LocalIsoTime(p.at).toUtf8() + ',' + number(p.reference) +
           ',' + number(p.calibrated) + ',' + unit + ',' + worked(p.calibrated - p.reference) + ",,,," + lineEnd;
  }
  const QList<AsLeftPoint> points = EvaluateAsLeft(r);
  for (int i = 0; i < points.size(); ++i) {
    const AsLeftPoint& p = points[i];
    csv += "as_left," + QByteArray::number(i + 1) + ',' + LocalIsoTime(r.asLeft[i].at).toUtf8() + ',' +
           number(p.reference) + ',' + number(p.reading) + ',' + unit + ',' + worked(p.error) + ',' +
           (p.errorPercent ? worked(*p.errorPercent) : QByteArray()) + ',' + worked(p.limit) + ',' +
           (p.uncertainty ? worked(*p.uncertainty) : QByteArray()) + ',' +
           (p.judged ? QByteArray(p.passed ? "pass" : "fail") : QByteArray()) + lineEnd;
  }
  return csv;
}

QByteArray TransferDetailJson(const TransferRecord& r, const RecordSummary& summary) {
  QJsonObject o = SummaryObject(summary, QStringLiteral("transfer"));
  o["written"] = LocalIsoTime(r.written);
  o["author"] = OrNull(r.author);
  o["reason"] = OrNull(r.reason);
  o["bench"] = r.bench;
  o["values"] = QJsonArray::fromStringList(r.values);
  o["stored"] = r.stored;
  o["frames_sent"] = r.framesSent;
  return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QByteArray TransferDetailCsv(const TransferRecord& r, const QByteArray& lineEnd) {
  QByteArray csv = "index,value" + lineEnd;
  for (int i = 0; i < r.values.size(); ++i) csv += QByteArray::number(i + 1) + ',' + CsvField(r.values[i]) + lineEnd;
  return csv;
}

namespace {
QString Num(double v, int digits = 10) { return QString::number(v, 'g', digits); }
QString Dash(const QString& text) { return text.isEmpty() ? QStringLiteral("—") : text; }

// Lines "label  value", the values in one column.
class TextLines {
 public:
  void Add(const QString& label, const QString& value) { text_ += label.leftJustified(20) + value + '\n'; }
  void Row(const QString& value) { text_ += QStringLiteral("  ") + value + '\n'; }
  QByteArray Bytes() const { return text_.toUtf8(); }

 private:
  QString text_;
};

void SummaryLines(TextLines& t, const RecordSummary& s, const QString& kind) {
  t.Add("number", s.number);
  t.Add("kind", kind);
  t.Add("serial", s.serial);
  t.Add("time", LocalIsoTime(s.at));
  t.Add("technician", Dash(s.technician));
  t.Add("amends", Dash(s.amends));
  t.Add("superseded by", Dash(s.supersededBy));
  t.Add("state", Dash(s.state));
}
void AmendmentLines(TextLines& t, const QDateTime& written, const QString& author, const QString& reason) {
  t.Add("written", LocalIsoTime(written));
  if (!author.isEmpty()) t.Add("amended by", author + QStringLiteral(": ") + reason);
}
}  // namespace

QByteArray CalibrationDetailText(const CalibrationRecord& r, const RecordSummary& summary,
                                 const std::optional<SignatureRecord>& signature) {
  // Every number with its unit; a record written before units were kept says so.
  const QString unit = r.unit.isEmpty() ? QStringLiteral("(no unit)") : r.unit;
  const auto q = [&](double v, int digits = 10) { return Num(v, digits) + ' ' + unit; };
  const auto celsius = [](const std::optional<double>& v) { return v ? Num(*v, 4) + QStringLiteral(" °C") : QStringLiteral("—"); };
  TextLines t;
  SummaryLines(t, summary, QStringLiteral("calibration"));
  AmendmentLines(t, r.written, r.author, r.reason);
  t.Add("company", Dash(r.company));
  t.Add("bench", Dash(r.bench));
  t.Add("meter", QStringLiteral("%1 %2, range index %3, probe %4").arg(Dash(r.maker), Dash(r.model)).arg(r.rangeIndex).arg(r.probeRow));
  t.Add("unit", r.unit.isEmpty() ? QStringLiteral("not recorded (a record written before units were kept)") : r.unit);
  t.Add("customer", Dash(QStringList{r.customer, r.customerAddress}.filter(QRegularExpression(".")).join(", ")));
  t.Add("laboratory", QStringLiteral("%1, %2; accreditation %3; method %4")
                          .arg(Dash(r.laboratory.name), Dash(r.laboratory.address), Dash(r.laboratory.accreditation),
                               Dash(r.laboratory.method)));
  t.Add("environment", QStringLiteral("probe %1 to %2; ambient %3; humidity %4")
                           .arg(celsius(r.probeTemperatureMin), celsius(r.probeTemperatureMax), celsius(r.ambientTemperature),
                                r.humidity ? Num(*r.humidity, 4) + QStringLiteral(" % RH") : QStringLiteral("—")));
  const ReferenceStandard& ref = r.reference;
  t.Add("reference standard",
        QStringLiteral("%1 %2, certificate %3, due %4, U %5 (k = %6), resolution %7")
            .arg(Dash(ref.model), Dash(ref.serial), Dash(ref.certificate), Dash(ref.due.toString(Qt::ISODate)),
                 q(ref.uncertainty), Num(ref.coverage, 4), q(ref.resolution)));
  const QString initial = r.initialGain ? QString::number(*r.initialGain) : QStringLiteral("—");
  const QString before = r.gainBefore ? QString::number(*r.gainBefore) : QStringLiteral("—");
  t.Add("as found", QStringLiteral("%1 samples at gain %2").arg(r.asFound.size()).arg(before));
  for (int i = 0; i < r.asFound.size(); ++i) {
    const CalibrationPoint& p = r.asFound[i];
    t.Row(QStringLiteral("%1  Uwz %2  Ucal %3  error %4  %5")
              .arg(i + 1).arg(q(p.reference), q(p.calibrated), q(p.calibrated - p.reference, 6), LocalIsoTime(p.at)));
  }
  const int n = int(r.asFound.size());
  t.Add("fit", QStringLiteral("Ucal = %1 × Uwz + %2; s = %3, n = %4")
                   .arg(Num(r.slope), q(r.offset, 6), q(r.residualSd, 6)).arg(n));
  t.Add("gains", QStringLiteral("initial %1, before %2, after %3").arg(initial, before).arg(r.gainAfter));
  t.Add("search", QStringLiteral("%1, %2 steps").arg(r.search).arg(r.steps.size()));
  for (int i = 0; i < r.steps.size(); ++i)
    t.Row(QStringLiteral("%1  gain %2  reading %3").arg(i + 1).arg(r.steps[i].gain).arg(q(r.steps[i].reading)));
  t.Add("tolerance", QStringLiteral("±(%1 % of reading + %2 × %3)").arg(Num(r.tolerancePercent), Num(r.toleranceDigits), q(r.resolution)));
  t.Add("uniformity", QStringLiteral("%1 % of reading").arg(Num(r.uniformityPercent)));
  t.Add("decision rule", DecisionRuleText(CertificateLanguage::English, r.decisionRule));
  t.Add("as left", r.asLeftSkipped ? QStringLiteral("skipped") : QStringLiteral("%1 points").arg(r.asLeft.size()));
  const QList<AsLeftPoint> points = EvaluateAsLeft(r);
  for (int i = 0; i < points.size(); ++i) {
    const AsLeftPoint& p = points[i];
    t.Row(QStringLiteral("%1  Uwz %2  Ucal %3  error %4 (%5)  limit ±%6  U %7  %8  %9")
              .arg(i + 1)
              .arg(q(p.reference), q(p.reading), q(p.error, 6),
                   p.errorPercent ? Num(*p.errorPercent, 4) + QStringLiteral(" %") : QStringLiteral("— %"), q(p.limit, 6),
                   p.uncertainty ? q(*p.uncertainty, 3) : QStringLiteral("not stated"), VerdictText(p),
                   LocalIsoTime(r.asLeft[i].at)));
  }
  if (r.uncertainty) {
    t.Add("uncertainty", QStringLiteral("U = %1 (k = %2, ν_eff = %3, p = 95.45 %)")
                             .arg(q(*r.uncertainty, 3), r.coverage ? Num(*r.coverage, 4) : QStringLiteral("2, not kept"),
                                  !r.effectiveDof ? QStringLiteral("not kept")
                                  : *r.effectiveDof >= kUnboundedDof ? QStringLiteral("∞")
                                                                     : Num(*r.effectiveDof, 4)));
  } else {
    t.Add("uncertainty", r.asLeftSkipped || r.asLeft.isEmpty()
                             ? QStringLiteral("none: no as-left point")
                             : QStringLiteral("cannot be stated: fewer than three as-found samples and no repeated as-left point"));
  }
  if (const std::optional<UncertaintyBudget> b = RecordBudget(r)) {
    t.Row(QStringLiteral("budget at Uwz %1%2").arg(q(b->reference),
          b->typeA == QLatin1String("as_found") && !b->gainScaled ? QStringLiteral(" (a gain not known: the scatter unscaled)")
          : b->typeA == QLatin1String("as_found") ? QStringLiteral(" (the scatter scaled by the gains, after / before = %1)").arg(Num(b->gainRatio, 6))
                                                  : QString()));
    for (const UncertaintyComponent& c : b->components)
      t.Row(QStringLiteral("  %1%2  Type %3, %4, ν = %5")
                .arg(ComponentText(c.key, CertificateLanguage::English).leftJustified(40), q(c.value, 4), c.type,
                     c.distribution, c.dof ? Num(*c.dof) : QStringLiteral("∞")));
    t.Row(QStringLiteral("  %1%2").arg(QStringLiteral("combined u_c").leftJustified(40), q(b->combined, 4)));
  }
  t.Add("verdict", r.passed ? (*r.passed ? QStringLiteral("pass") : QStringLiteral("fail")) : QStringLiteral("none"));
  t.Add("signature", signature ? QStringLiteral("%1: %2 (%3, %4) at %5, SHA-256 %6")
                                     .arg(signature->meaning, signature->printedName, signature->signer, signature->role,
                                          LocalIsoTime(signature->at), signature->recordHash)
                               : QStringLiteral("none: a draft, not a certificate"));
  return t.Bytes();
}

QByteArray TransferDetailText(const TransferRecord& r, const RecordSummary& summary) {
  TextLines t;
  SummaryLines(t, summary, QStringLiteral("transfer"));
  AmendmentLines(t, r.written, r.author, r.reason);
  t.Add("bench", Dash(r.bench));
  t.Add("stored", r.stored ? QStringLiteral("yes") : QStringLiteral("no"));
  t.Add("frames sent", QString::number(r.framesSent));
  t.Add("values", QString::number(r.values.size()));
  for (int i = 0; i < r.values.size(); ++i) t.Row(QStringLiteral("%1  %2").arg(i + 1, 2).arg(r.values[i]));
  return t.Bytes();
}
