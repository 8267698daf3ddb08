#include "measurement/ResultRows.h"

#include <QDateTime>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
// A row is short; built in one buffer with a few plain calls, since at the line rate every
// result is formatted after the process slept and the code it runs is cold.
struct Row {
  char text[384];
  int length = 0;
  template <typename... Args>
  void Add(const char* format, Args... args) {
    const int room = int(sizeof text) - length;
    const int n = std::snprintf(text + length, size_t(room), format, args...);
    if (n > 0) length += n < room ? n : room - 1;
  }
};

// The display's digits as a plain number: "-  123.45" gives "-123.45". A value text holds only
// the sign, digits, the point and spaces.
void PlainValue(const MeasurementResult& r, char* out, int size) {
  const QByteArray text = FormatValueText(r.decimalClass, r.value).toLatin1();
  int n = 0;
  for (const char c : text)
    if (c != ' ' && n < size - 1) out[n++] = c;
  out[n] = '\0';
}

// Tenths of a degree as "-5.0"; integer arithmetic keeps the C locale's point whatever the
// program's locale.
void Tenths(int tenths, char* out, int size) {
  std::snprintf(out, size_t(size), "%s%d.%d", tenths < 0 ? "-" : "", std::abs(tenths) / 10,
                std::abs(tenths) % 10);
}

// Now as "2026-12-07T23:41:05.123+01:00". The date, the time of day and the offset are worked
// out through the toolkit once a second; within it only the milliseconds change.
void IsoTimeNow(char (&out)[64]) {
  static qint64 shownSecond = LLONG_MIN;
  static char secondText[24];
  static char offsetText[16];
  const qint64 ms = QDateTime::currentMSecsSinceEpoch();
  const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
  if (second != shownSecond) {
    shownSecond = second;
    const QDateTime local = QDateTime::fromSecsSinceEpoch(second);
    const QByteArray text = local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1();
    std::snprintf(secondText, sizeof secondText, "%s", text.constData());
    const int offset = local.offsetFromUtc();
    std::snprintf(offsetText, sizeof offsetText, "%c%02d:%02d", offset < 0 ? '-' : '+',
                  std::abs(offset) / 3600, std::abs(offset) % 3600 / 60);
  }
  std::snprintf(out, sizeof out, "%.23s.%03d%.15s", secondText, int(ms - second * 1000), offsetText);
}
}  // namespace

RowFormat RowFormatNamed(const QString& name) {
  if (name == QLatin1String("csv")) return RowFormat::Csv;
  if (name == QLatin1String("json")) return RowFormat::Json;
  return RowFormat::Text;
}

QByteArray ResultHeader(RowFormat format) {
  if (format != RowFormat::Csv) return {};
  return "time_s,time,value,unit,mode,range,temperature_c,over_range,auto_power_off\n";
}

QByteArray ResultRow(const MeasurementResult& r, double seconds, RowFormat format) {
  const long long ms = std::llround(seconds * 1000);
  char time[32];
  std::snprintf(time, sizeof time, "%lld.%03lld", ms / 1000, ms % 1000);
  char clock[64];
  IsoTimeNow(clock);
  char value[32];
  PlainValue(r, value, sizeof value);
  const QByteArray unit = r.unitText.trimmed().toLatin1();
  const char* mode = r.alternating ? "AC" : "DC";
  const int range = r.range2 ? 2 : 1;
  const bool probe = r.temperature != NoProbeTemperature;
  char temperature[16] = "";
  if (probe) Tenths(int(r.temperature), temperature, sizeof temperature);
  Row row;
  switch (format) {
    case RowFormat::Text:
      row.Add("%9s s  %s  %9s %-4s  %s  range %d  ", time, clock, value, unit.constData(), mode, range);
      if (probe)
        row.Add("%6s C", temperature);
      else
        row.Add("no probe");
      if (r.overRange) row.Add("  over-range");
      if (r.autoPowerOff) row.Add("  auto-off");
      break;
    case RowFormat::Csv:
      row.Add("%s,%s,%s,%s,%s,%d,%s,%d,%d", time, clock, value, unit.constData(), mode, range, temperature,
              int(r.overRange), int(r.autoPowerOff));
      break;
    case RowFormat::Json:
    case RowFormat::Published:
      row.Add(
          "{\"time_s\": %s, \"time\": \"%s\", \"value\": %s, \"unit\": \"%s\", \"mode\": \"%s\", "
          "\"range\": %d, \"temperature_c\": %s, \"over_range\": %s, \"auto_power_off\": %s}",
          time, clock, value, unit.constData(), mode, range, probe ? temperature : "null",
          r.overRange ? "true" : "false", r.autoPowerOff ? "true" : "false");
      break;
  }
  if (format == RowFormat::Published) {
    row.length -= 1;  // the closing brace: the moment in UTC goes before it
    const QByteArray utc = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1();
    row.Add(", \"utc\": \"%s\"}", utc.constData());
    return QByteArray(row.text, row.length);
  }
  row.Add("\n");
  return QByteArray(row.text, row.length);
}
