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
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include "store/Records.h"

QString LocalIsoTime(const QDateTime& at);
QByteArray HistoryCsv(const QList<RecordSummary>& history, const QByteArray& lineEnd = "\r\n");
QByteArray HistoryJson(const QList<RecordSummary>& history);
