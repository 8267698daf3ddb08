#pragma once
// Where calibration records go, in the settings store, section [records]: the lab's server
// (host, port, database, user; no host: the local file only), the reference standard typed once
// under the wizard's "Opcje" (model, serial, certificate, due date, its expanded uncertainty)
// and the as-left tolerance in % of reading. The server's password is never stored: it comes
// from FLUXA_DB_PASSWORD or is asked when connecting.
#include <QString>

#include "store/RecordStore.h"

struct RecordsSettings {
  QString host;  // empty: no server
  int port = 5432;
  QString database;
  QString user;
  ReferenceStandard reference;
  double tolerancePercent = 1.0;
};

RecordsSettings ReadRecordsSettings();
bool WriteRecordsSettings(const RecordsSettings& settings);  // false: the store is not writable

// The local file: FLUXA_RECORDS when set, else RecordStore::DefaultPath().
QString RecordsPath();
// The server's password of the environment (FLUXA_DB_PASSWORD), when it is set.
QString DatabasePasswordFromEnvironment(bool* set = nullptr);

// Opens the local file, then the server when the settings name one. False only when the local
// file cannot be opened (error says why); serverError says why the server was not reached (empty
// when it was, or when none is named).
bool OpenRecords(RecordStore& store, const RecordsSettings& settings, const QString& password, QString* error,
                 QString* serverError);
