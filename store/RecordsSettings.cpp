#include "store/RecordsSettings.h"

#include <cmath>

#include "settings/SettingsStore.h"
#include "store/AsLeft.h"
#include "settings/UserSettings.h"

#include "publish/PublishSettings.h"

namespace {
const QString kGroup = QStringLiteral("records");
QString sessionPassword;

template <typename Record>
KeptRecord Keep(Record& record) {
  KeptRecord kept;
  const RecordsSettings settings = ReadRecordsSettings();
  RecordStore store(BenchId());
  kept.serverNamed = !settings.host.isEmpty();
  if (!OpenRecords(store, settings, DatabasePassword(), &kept.error, &kept.serverError)) return kept;
  kept.number = store.Add(record, &kept.error);
  kept.benchTaken = store.BenchTaken();
  if (kept.serverNamed) kept.waiting = store.Waiting();
  kept.conflicts = store.Conflicts();
  return kept;
}
}  // namespace

RecordsSettings ReadRecordsSettings() {
  RecordsSettings s;
  const auto store = OpenSettingsStore();
  store->beginGroup(kGroup);
  s.host = store->value(QStringLiteral("host")).toString().trimmed();
  s.port = store->value(QStringLiteral("port"), 5432).toInt();
  s.database = store->value(QStringLiteral("database")).toString();
  s.user = store->value(QStringLiteral("user")).toString();
  s.reference.model = store->value(QStringLiteral("reference_model")).toString();
  s.reference.serial = store->value(QStringLiteral("reference_serial")).toString();
  s.reference.certificate = store->value(QStringLiteral("reference_certificate")).toString();
  s.reference.due = QDate::fromString(store->value(QStringLiteral("reference_due")).toString(), Qt::ISODate);
  s.reference.uncertainty = store->value(QStringLiteral("reference_uncertainty"), 0.0).toDouble();
  bool ok = false;
  const double coverage = store->value(QStringLiteral("reference_coverage"), 2.0).toDouble(&ok);
  if (ok && coverage > 0) s.reference.coverage = coverage;
  s.reference.resolution = std::abs(store->value(QStringLiteral("reference_resolution"), 0.0).toDouble());
  s.reference.unit = store->value(QStringLiteral("reference_unit")).toString();
  const double tolerance = store->value(QStringLiteral("tolerance_percent"), 1.0).toDouble(&ok);
  if (ok && tolerance > 0) s.tolerancePercent = tolerance;  // a nonsense value keeps the default
  s.toleranceDigits = std::abs(store->value(QStringLiteral("tolerance_digits"), 0.0).toDouble());
  s.uniformityPercent = std::abs(store->value(QStringLiteral("uniformity_percent"), 0.0).toDouble());
  if (store->value(QStringLiteral("decision_rule")).toString() == QLatin1String("guarded"))
    s.decisionRule = QStringLiteral("guarded");
  s.laboratory.name = store->value(QStringLiteral("laboratory_name")).toString();
  s.laboratory.address = store->value(QStringLiteral("laboratory_address")).toString();
  s.laboratory.accreditation = store->value(QStringLiteral("laboratory_accreditation")).toString();
  s.laboratory.method = store->value(QStringLiteral("laboratory_method")).toString();
  store->endGroup();
  if (s.port <= 0 || s.port > 65535) s.port = 5432;
  return s;
}

bool WriteRecordsSettings(const RecordsSettings& s) {
  const auto store = OpenSettingsStore();
  store->beginGroup(kGroup);
  store->setValue(QStringLiteral("host"), s.host.trimmed());
  store->setValue(QStringLiteral("port"), s.port);
  store->setValue(QStringLiteral("database"), s.database);
  store->setValue(QStringLiteral("user"), s.user);
  store->setValue(QStringLiteral("reference_model"), s.reference.model);
  store->setValue(QStringLiteral("reference_serial"), s.reference.serial);
  store->setValue(QStringLiteral("reference_certificate"), s.reference.certificate);
  store->setValue(QStringLiteral("reference_due"), s.reference.due.toString(Qt::ISODate));
  store->setValue(QStringLiteral("reference_uncertainty"), s.reference.uncertainty);
  store->setValue(QStringLiteral("reference_coverage"), s.reference.coverage);
  store->setValue(QStringLiteral("reference_resolution"), s.reference.resolution);
  store->setValue(QStringLiteral("reference_unit"), s.reference.unit);
  store->setValue(QStringLiteral("tolerance_percent"), s.tolerancePercent);
  store->setValue(QStringLiteral("tolerance_digits"), s.toleranceDigits);
  store->setValue(QStringLiteral("uniformity_percent"), s.uniformityPercent);
  store->setValue(QStringLiteral("decision_rule"), s.decisionRule);
  store->setValue(QStringLiteral("laboratory_name"), s.laboratory.name);
  store->setValue(QStringLiteral("laboratory_address"), s.laboratory.address);
  store->setValue(QStringLiteral("laboratory_accreditation"), s.laboratory.accreditation);
  store->setValue(QStringLiteral("laboratory_method"), s.laboratory.method);
  store->endGroup();
  store->sync();
  return store->status() == QSettings::NoError;
}

QString RecordsPath() {
  const QString fromEnv = qEnvironmentVariable("FLUXA_RECORDS");
  return fromEnv.isEmpty() ? RecordStore::DefaultPath() : fromEnv;
}

QString DatabasePasswordFromEnvironment(bool* set) {
  if (set) *set = qEnvironmentVariableIsSet("FLUXA_DB_PASSWORD");
  return qEnvironmentVariable("FLUXA_DB_PASSWORD");
}

QString DatabasePassword() {
  bool set = false;
  const QString fromEnv = DatabasePasswordFromEnvironment(&set);
  return set ? fromEnv : sessionPassword;
}

void SetSessionDatabasePassword(const QString& password) { sessionPassword = password; }

KeptRecord KeepRecord(CalibrationRecord& record) { return Keep(record); }
KeptRecord KeepRecord(TransferRecord& record) { return Keep(record); }

bool OpenRecords(RecordStore& store, const RecordsSettings& s, const QString& password, QString* error,
                 QString* serverError) {
  if (serverError) serverError->clear();
  if (!store.Open(RecordsPath(), error)) return false;
  if (s.host.isEmpty()) return true;
  QString why;
  if (!store.ConnectServer({s.host, s.port, s.database, s.user, password}, &why) && serverError)
    *serverError = why;
  return true;
}

KeptRecord KeepAmendment(CalibrationRecord corrected, const QString& amends, const QString& author,
                         const QString& reason) {
  if (author.trimmed().isEmpty() || reason.trimmed().isEmpty()) {
    KeptRecord refused;
    refused.error = QStringLiteral("an amendment needs its author and its reason");
    return refused;
  }
  corrected.number.clear();
  corrected.amends = amends;
  corrected.author = author.trimmed();
  corrected.reason = reason.trimmed();
  EvaluateCalibration(corrected);
  return KeepRecord(corrected);
}

TransferRecord MakeTransferRecord(const MeterParameters& parameters, const TransferTally& tally) {
  TransferRecord r;
  r.serial = parameters[MeterParameters::NumerSeryjnyMiernika].trimmed();
  r.at = QDateTime::currentDateTimeUtc();
  r.technician = ReadUserSettings().name;
  for (const QString& text : parameters.texts) r.values << text;
  r.stored = tally.stored;
  r.framesSent = tally.sent;
  return r;
}
