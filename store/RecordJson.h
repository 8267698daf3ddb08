#pragma once
// The body of a record in the store: the fields of its kind that have no column of their own,
// as compact JSON (the same text on both back ends). Times in UTC, ISO 8601 with milliseconds.
#include <QByteArray>

#include "store/Records.h"

QByteArray CalibrationBody(const CalibrationRecord& record);
bool ReadCalibrationBody(const QByteArray& body, CalibrationRecord& record);  // false: not JSON
QByteArray TransferBody(const TransferRecord& record);
bool ReadTransferBody(const QByteArray& body, TransferRecord& record);
