#pragma once
// The history of the record store as a table other programs read; the history window's "export"
// and fluxa-cli history write the same.
//
//   CSV   RFC 4180: a header line "number,kind,serial,time,technician,amends,superseded_by,state",
//         then one line a
//         record; a field holding a comma, a double quote, CR or LF is quoted, its double quotes
//         doubled; UTF-8; CR LF line ends unless told otherwise
//   JSON  [{"number": ..., "kind": ..., "serial": ..., "time": ..., "technician": ...,
//          "amends": "..." or null, "superseded_by": "..." or null, "state": ""}, ...]
// superseded_by: the newest record that amends it; state: "", "waiting" or "conflict".
// Times are local, ISO 8601 with milliseconds and the offset from UTC:
// 2026-12-07T23:41:05.123+01:00.
//
// One record's whole content (fluxa-cli history --number N; man/fluxa-cli.1 names every key):
//   JSON  one object: the summary's keys, then for a calibration the meter, customer,
//         laboratory, environment, reference standard, as-found points, fit, gains, gain
//         search, tolerance and decision rule, as-left points with their verdicts, U with its
//         budget (AsLeft.h), the verdict and the signature (null: a draft); for a transfer its
//         26 values. Readings, errors, limits and uncertainties are in the record's "unit"
//         (null: written before units were kept); temperatures in °C, humidity in % RH.
//   CSV   a calibration's readings, one a line: "series,index,time,uwz,ucal,unit,error,
//         error_percent,limit,uncertainty,verdict" (series as_found or as_left; the last four
//         empty as found); a transfer's values: "index,value"
//   text  the same as the JSON, to read, every number with its unit (English, as every
//         result on standard output)
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

#include "store/Records.h"

QString LocalIsoTime(const QDateTime& at);
QByteArray HistoryCsv(const QList<RecordSummary>& history, const QByteArray& lineEnd = "\r\n");
QByteArray HistoryJson(const QList<RecordSummary>& history);

// summary: the record's line of the history (superseded_by, state); signature: its approval.
QByteArray CalibrationDetailJson(const CalibrationRecord& record, const RecordSummary& summary,
                                 const std::optional<SignatureRecord>& signature);
QByteArray CalibrationDetailCsv(const CalibrationRecord& record, const QByteArray& lineEnd = "\r\n");
QByteArray CalibrationDetailText(const CalibrationRecord& record, const RecordSummary& summary,
                                 const std::optional<SignatureRecord>& signature);
QByteArray TransferDetailJson(const TransferRecord& record, const RecordSummary& summary);
QByteArray TransferDetailCsv(const TransferRecord& record, const QByteArray& lineEnd = "\r\n");
QByteArray TransferDetailText(const TransferRecord& record, const RecordSummary& summary);
