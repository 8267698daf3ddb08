#pragma once
// Where calibration records go, in the settings store, section [records]: the lab's server
// (host, port, database, user; no host: the local file only), the reference standard typed once
// under the wizard's "Opcje" (model, serial, certificate, due date, its expanded uncertainty)
// (with its k, resolution and unit), the as-left tolerance (% of reading and last digits), the
// probe-position and field-uniformity term, the decision rule, and the laboratory ("Laboratorium":
// name, address, accreditation number, method). The server's password is never stored: it comes
// from FLUXA_DB_PASSWORD or is asked when connecting.
#include <QString>
#include <QStringList>

#include "parameters/MeterParameters.h"
#include "parameters/Transfer.h"
#include "store/RecordStore.h"

struct RecordsSettings {
  QString host;  // empty: no server
  int port = 5432;
  QString database;
  QString user;
  ReferenceStandard reference;
  double tolerancePercent = 1.0;
  double toleranceDigits = 0;
  double uniformityPercent = 0;
  QString decisionRule = QStringLiteral("simple");  // or "guarded"
  Laboratory laboratory;
};

RecordsSettings ReadRecordsSettings();
bool WriteRecordsSettings(const RecordsSettings& settings);  // false: the store is not writable

// The local file: FLUXA_RECORDS when set, else RecordStore::DefaultPath().
QString RecordsPath();
// The server's password of the environment (FLUXA_DB_PASSWORD), when it is set.
QString DatabasePasswordFromEnvironment(bool* set = nullptr);
// The password for this run: the environment's, else the one typed when connecting (kept in
// memory only).
QString DatabasePassword();
void SetSessionDatabasePassword(const QString& password);

// Opens the local file, then the server when the settings name one. False only when the local
// file cannot be opened (error says why); serverError says why the server was not reached (empty
// when it was, or when none is named).
bool OpenRecords(RecordStore& store, const RecordsSettings& settings, const QString& password, QString* error,
                 QString* serverError);

// Keeps a record as the settings say: in the local file, and on the lab's server when one is
// named and takes it now (otherwise it waits there for the next connection). The number, or
// empty and why nothing was kept. With a server named: serverError, why it could not be reached
// (empty when it was), and waiting, how many records wait for it now.
struct KeptRecord {
  QString number;
  QString error;
  bool serverNamed = false;
  QString serverError;
  int waiting = 0;
  bool benchTaken = false;  // the server gives this bench id to another installation
  QStringList conflicts;    // numbers the server holds for different records
};
KeptRecord KeepRecord(CalibrationRecord& record);
KeptRecord KeepRecord(TransferRecord& record);

// A correction of a calibration's record: the corrected copy is kept as a new record that names
// the one it amends, who made the correction and why (both required: nothing is kept without
// them); its verdict and uncertainty are worked out again (the reference's U may be what was
// corrected). The calibration's own time stays; the store notes when the correction was made.
KeptRecord KeepAmendment(CalibrationRecord corrected, const QString& amends, const QString& author,
                         const QString& reason);

// A transfer of the service panel's values (or of fluxa-cli send) as it is kept: the meter's
// serial from the values, the 26 texts, whether the store command went, the value frames that
// were written, the user's name, now.
TransferRecord MakeTransferRecord(const MeterParameters& parameters, const TransferTally& tally);
