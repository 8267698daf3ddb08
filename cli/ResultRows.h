#pragma once
// A live result as one line of "fluxa-cli watch":
//   text  "    1.234 s     12.34 mT    DC  range 1   25.3 C  over-range"
//   csv   time_s,value,unit,mode,range,temperature_c,over_range,auto_power_off
//   json  {"time_s": 1.234, "value": 12.34, "unit": "mT", "mode": "DC", "range": 1,
//          "temperature_c": 25.3, "over_range": false, "auto_power_off": false}  (one a line)
// A value keeps the digits the window shows; a missing probe is an empty field, null in json.
#include <QByteArray>
#include <QString>

#include "measurement/MeasurementResult.h"

enum class RowFormat { Text, Csv, Json };
RowFormat RowFormatNamed(const QString& name);

QByteArray ResultHeader(RowFormat format);  // the csv header line; nothing for the others
QByteArray ResultRow(const MeasurementResult& result, double seconds, RowFormat format);
