#pragma once
// Calibration records the store refused when the wizard ended (a damaged or locked file, a
// server schema newer than the program): each waits as a JSON file in the folder "pending"
// beside the local store until the wizard's next start stores it. The meter already holds the
// gain such a record belongs to, so the record is never dropped.
#include <QString>

#include "store/Records.h"

QString PendingRecordsFolder();
// The file's path, or empty (and why) when even the file could not be written.
QString SavePendingRecord(const CalibrationRecord& record, QString* error);

struct PendingStored {
  int stored = 0;  // kept by the store now, their files removed
  int left = 0;    // still waiting
  QString error;   // why the first one left was refused
};
// Keeps every waiting record in the store, oldest first; stops at the first refusal.
PendingStored StorePendingRecords();
