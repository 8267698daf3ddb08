#pragma once
// A live result as one line of "fluxa-cli watch" (and of the echo of "fluxa-cli record"), and
// as one object of a published message (the json fields and "utc", the moment in UTC, with no
// line end):
//   text  "    1.234 s  2026-12-07T23:41:05.123+01:00      12.34 mT    DC  range 1   25.3 C  over-range"
//   csv   time_s,time,value,unit,mode,range,temperature_c,over_range,auto_power_off
//   json  {"time_s": 1.234, "time": "2026-12-07T23:41:05.123+01:00", "value": 12.34, "unit": "mT",
//          "mode": "DC", "range": 1, "temperature_c": 25.3, "over_range": false,
//          "auto_power_off": false}  (one a line)
// time_s counts from the start of the command; time is the moment the row is made, in the
// local time of day with its offset from UTC. A value keeps the digits the window shows; a
// missing probe is an empty field, null in json. Every line ends in LF.
#include <QByteArray>
#include <QString>

#include "measurement/MeasurementResult.h"

enum class RowFormat { Text, Csv, Json, Published };
RowFormat RowFormatNamed(const QString& name);

QByteArray ResultHeader(RowFormat format);  // the csv header line; nothing for the others
QByteArray ResultRow(const MeasurementResult& result, double seconds, RowFormat format);
