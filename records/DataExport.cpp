#include "records/DataExport.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "records/DataFile.h"
#include "settings/Jezyki.h"

namespace {
QString CsvField(QString text, QChar separator) {
  if (!text.contains(separator) && !text.contains(u'"') && !text.contains(u'\n') &&
      !text.contains(u'\r'))
    return text;
  return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// The header line of a table with the given number of columns.
QString CsvHeader(const TableStyle& style, int columns) {
  QStringList header;
  for (int c = 0; c < columns && c < style.header.size(); ++c)
    header << CsvField(style.header[c], style.separator);
  return header.join(style.separator) + QStringLiteral("\r\n");
}

// The program's own table: the header of its language (texts 62, 64, 78), a byte order mark.
TableStyle ProgramTableStyle() {
  TableStyle style;
  style.header = {LookupText(62), LookupText(64), LookupText(78)};
  style.byteOrderMark = true;
  return style;
}

// Checks every line first, so that nothing half-made comes out of a bad file.
std::optional<QStringList> PlainValues(const QStringList& lines, ExportedTable& table) {
  QStringList values;
  values.reserve(lines.size());
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const std::optional<QString> value = PlainValueText(lines[i]);
    if (!value) {
      table.ok = false;
      table.badLine = int(i + 1);
      table.badText = lines[i];
      return std::nullopt;
    }
    values << *value;
  }
  return values;
}
}  // namespace

std::optional<QString> PlainValueText(const QString& line) {
  static const QRegularExpression kNumber(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
  QString text = line;
  text.remove(u' ');
  if (!kNumber.match(text).hasMatch()) return std::nullopt;
  // "007" is no JSON number; the value stays the same without the zeros in front.
  const qsizetype digits = text.startsWith(u'-') ? 1 : 0;
  while (text.size() > digits + 1 && text.at(digits) == u'0' && text.at(digits + 1).isDigit())
    text.remove(digits, 1);
  return text;
}

TableStyle CsvStyleFor(const QLocale& locale, TableStyle style) {
  const QString mark = locale.decimalPoint();
  style.decimalMark = mark.size() == 1 ? mark.at(0) : QChar(u'.');
  style.separator = style.decimalMark == u',' ? QChar(u';') : QChar(u',');
  return style;
}

ExportedTable DataLinesToCsv(const QStringList& lines, const QString& unit, const TableStyle& style) {
  ExportedTable table;
  const std::optional<QStringList> values = PlainValues(lines, table);
  if (!values) return table;
  const QString unitText = unit.trimmed();
  const int columns = unitText.isEmpty() ? 2 : 3;
  QString text = CsvHeader(style, columns);
  const QString unitField = CsvField(unitText, style.separator);
  for (qsizetype i = 0; i < values->size(); ++i) {
    QString value = values->at(i);
    value.replace(u'.', style.decimalMark);
    text += QString::number(i + 1) + style.separator + CsvField(value, style.separator);
    if (columns == 3) text += style.separator + unitField;
    text += QStringLiteral("\r\n");
  }
  if (style.byteOrderMark) table.data = QByteArrayLiteral("\xEF\xBB\xBF");
  table.data += text.toUtf8();
  return table;
}

ExportedTable DataLinesToJson(const QStringList& lines, const QString& unit) {
  ExportedTable table;
  const std::optional<QStringList> values = PlainValues(lines, table);
  if (!values) return table;
  // The digits are written as they stand: a double would not always give them back.
  const QString unitText = unit.trimmed();
  const QByteArray unitJson =
      unitText.isEmpty() ? QByteArray()
                         : QJsonDocument(QJsonArray{unitText}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
  QByteArray out = "[";
  for (qsizetype i = 0; i < values->size(); ++i) {
    out += i ? ",\n " : "\n ";
    out += "{\"index\": " + QByteArray::number(i + 1) + ", \"value\": " + values->at(i).toLatin1();
    if (!unitJson.isEmpty()) out += ", \"unit\": " + unitJson;
    out += "}";
  }
  out += values->isEmpty() ? "]\n" : "\n]\n";
  table.data = out;
  return table;
}

namespace {
// A menu item's text as a dialog's title: without its ellipsis.
QString Title(quint16 text) {
  QString title = LookupText(text);
  title.remove(QStringLiteral("…"));
  return title.trimmed();
}
}  // namespace

CsvExportOutcome ExportDataFileAsCsv(const QString& dataFileName, const QString& csvFileName,
                                     const QString& unit) {
  CsvExportOutcome outcome;
  const DataFileLines file = ReadDataFileLines(dataFileName, std::numeric_limits<int>::max());
  if (!file.ok) {
    outcome.kind = CsvExportOutcome::ReadFailed;
    return outcome;
  }
  const ExportedTable table = DataLinesToCsv(file.lines, unit, CsvStyleFor(ProgramLocale(), ProgramTableStyle()));
  if (!table.ok) {
    outcome.kind = CsvExportOutcome::NotANumber;
    outcome.badLine = table.badLine;
    outcome.badText = table.badText;
    return outcome;
  }
  QSaveFile out(csvFileName);
  if (!out.open(QIODevice::WriteOnly) || out.write(table.data) != table.data.size() || !out.commit()) {
    outcome.kind = CsvExportOutcome::WriteFailed;
    return outcome;
  }
  outcome.count = int(file.lines.size());
  return outcome;
}

QString CsvExportMessage(const CsvExportOutcome& outcome) {
  switch (outcome.kind) {
    case CsvExportOutcome::Written: return {};
    case CsvExportOutcome::ReadFailed: return kReadErrorText;
    case CsvExportOutcome::NotANumber:
      return LookupText(81).arg(outcome.badLine).arg(outcome.badText.trimmed());
    case CsvExportOutcome::WriteFailed: return kWriteErrorText;
  }
  return {};
}

FileDialogSettings CsvFileDialogSettings(const QDateTime& now) {
  return {Title(75), LookupText(79), QStringLiteral("csv"), CsvProposedName(now)};
}

QString CsvProposedName(const QDateTime& now) {
  return QStringLiteral("fluxa-") + now.toString(QStringLiteral("yyyy-MM-dd-HHmm")) + QStringLiteral(".csv");
}

// ---- Live results ----

void LiveResults::Clear() {
  blocks_.clear();
  units_.clear();
  firstNumber_ = 1;
  count_ = 0;
}

void LiveResults::Append(const QString& valueText, const QString& unitText, const Circumstances& circumstances) {
  if (blocks_.empty() || qint64(blocks_.back().ends.size()) == BlockSize) {
    if (count_ + BlockSize > MaximumCount) {
      firstNumber_ += qint64(blocks_.front().ends.size());
      count_ -= qint64(blocks_.front().ends.size());
      blocks_.pop_front();
      // The run the first number held falls in stays; the ones before it go.
      while (units_.size() > 1 && units_[1].first <= firstNumber_) units_.erase(units_.begin());
    }
    blocks_.emplace_back();
    blocks_.back().ends.reserve(BlockSize);
    blocks_.back().startMs = circumstances.utcMs;
  }
  Block& block = blocks_.back();
  // Value texts are digits, spaces, a sign and a point: one byte each.
  for (const QChar c : valueText) block.texts.append(char(c.unicode()));
  block.ends.push_back(quint32(block.texts.size()));
  const qint64 offset = std::clamp<qint64>(circumstances.utcMs - block.startMs, 0, std::numeric_limits<quint32>::max());
  block.offsetsMs.push_back(quint32(offset));
  block.temperatures.push_back(circumstances.temperature);
  block.modes.push_back(quint8((circumstances.alternating ? 1 : 0) | (circumstances.range2 ? 2 : 0)));
  if (units_.empty() || units_.back().second != unitText) units_.emplace_back(firstNumber_ + count_, unitText);
  ++count_;
}

void LiveResults::ForEach(const std::function<void(const Row&)>& visit) const {
  qint64 number = firstNumber_;
  std::size_t run = 0;
  for (const Block& block : blocks_) {
    quint32 begin = 0;
    for (std::size_t i = 0; i < block.ends.size(); ++i) {
      const quint32 end = block.ends[i];
      while (run + 1 < units_.size() && units_[run + 1].first <= number) ++run;
      Circumstances c;
      c.utcMs = block.startMs + block.offsetsMs[i];
      c.alternating = (block.modes[i] & 1) != 0;
      c.range2 = (block.modes[i] & 2) != 0;
      c.temperature = block.temperatures[i];
      visit({number, QByteArrayView(block.texts.constData() + begin, end - begin), units_[run].second, c});
      begin = end;
      ++number;
    }
  }
}

namespace {
// A moment as "2026-12-07T23:41:05.123+01:00", local time; the date, time of day and offset are
// worked out once a second of the table, so that hours of results export quickly.
class IsoMoments {
 public:
  QString Text(qint64 utcMs) {
    const qint64 second = utcMs >= 0 ? utcMs / 1000 : (utcMs - 999) / 1000;
    if (second != second_) {
      second_ = second;
      const QDateTime local = QDateTime::fromSecsSinceEpoch(second);
      const int offset = local.offsetFromUtc();
      date_ = local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss."));
      offset_ = QStringLiteral("%1%2:%3")
                    .arg(QChar(offset < 0 ? u'-' : u'+'))
                    .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
                    .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
    }
    return date_ + QStringLiteral("%1").arg(int(utcMs - second * 1000), 3, 10, QLatin1Char('0')) + offset_;
  }

 private:
  qint64 second_ = std::numeric_limits<qint64>::min();
  QString date_;
  QString offset_;
};

// Tenths of a degree as "23.4" with the table's decimal mark; empty without a probe.
QString TemperatureField(qint16 tenths, QChar decimalMark) {
  if (tenths == LiveResults::kNoProbe) return {};
  const int t = tenths;
  return (t < 0 ? QStringLiteral("-") : QString()) + QString::number(std::abs(t) / 10) + decimalMark +
         QString::number(std::abs(t) % 10);
}
}  // namespace

CsvExportOutcome ExportLiveResultsAsCsv(const LiveResults& results, const QString& csvFileName) {
  CsvExportOutcome outcome;
  TableStyle style = CsvStyleFor(ProgramLocale(), ProgramTableStyle());
  style.header << LookupText(157) << LookupText(158) << LookupText(159) << LookupText(160);
  IsoMoments moments;
  QSaveFile out(csvFileName);
  if (!out.open(QIODevice::WriteOnly)) {
    outcome.kind = CsvExportOutcome::WriteFailed;
    return outcome;
  }
  QByteArray data = style.byteOrderMark ? QByteArrayLiteral("\xEF\xBB\xBF") : QByteArray();
  data += CsvHeader(style, int(style.header.size())).toUtf8();
  bool written = true;
  results.ForEach([&](const LiveResults::Row& row) {
    if (outcome.kind != CsvExportOutcome::Written) return;
    std::optional<QString> value = PlainValueText(QString::fromLatin1(row.valueText));
    if (!value) {
      outcome.kind = CsvExportOutcome::NotANumber;
      outcome.badLine = int(std::min<qint64>(row.number, std::numeric_limits<int>::max()));
      outcome.badText = QString::fromLatin1(row.valueText);
      return;
    }
    value->replace(u'.', style.decimalMark);
    const LiveResults::Circumstances& c = row.circumstances;
    const QString line = QString::number(row.number) + style.separator + *value + style.separator +
                         CsvField(row.unit.trimmed(), style.separator) + style.separator +
                         moments.Text(c.utcMs) + style.separator +
                         (c.alternating ? QStringLiteral("AC") : QStringLiteral("DC")) + style.separator +
                         (c.range2 ? u'2' : u'1') + style.separator + TemperatureField(c.temperature, style.decimalMark);
    data += line.toUtf8() + "\r\n";
    ++outcome.count;
    if (data.size() >= (1 << 20)) {  // a long table goes out in pieces
      written = written && out.write(data) == data.size();
      data.clear();
    }
  });
  if (outcome.kind != CsvExportOutcome::Written) {
    out.cancelWriting();
    outcome.count = 0;
    return outcome;
  }
  written = written && out.write(data) == data.size();
  if (!written || !out.commit()) {
    outcome.kind = CsvExportOutcome::WriteFailed;
    outcome.count = 0;
  }
  return outcome;
}
