#include "records/DataExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
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

void LiveResults::Append(const QString& valueText, const QString& unitText) {
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
  }
  Block& block = blocks_.back();
  // Value texts are digits, spaces, a sign and a point: one byte each.
  for (const QChar c : valueText) block.texts.append(char(c.unicode()));
  block.ends.push_back(quint32(block.texts.size()));
  if (units_.empty() || units_.back().second != unitText) units_.emplace_back(firstNumber_ + count_, unitText);
  ++count_;
}

void LiveResults::ForEach(
    const std::function<void(qint64, QByteArrayView, const QString&)>& visit) const {
  qint64 number = firstNumber_;
  std::size_t run = 0;
  for (const Block& block : blocks_) {
    quint32 begin = 0;
    for (const quint32 end : block.ends) {
      while (run + 1 < units_.size() && units_[run + 1].first <= number) ++run;
      visit(number, QByteArrayView(block.texts.constData() + begin, end - begin), units_[run].second);
      begin = end;
      ++number;
    }
  }
}

CsvExportOutcome ExportLiveResultsAsCsv(const LiveResults& results, const QString& csvFileName) {
  CsvExportOutcome outcome;
  bool unitKnown = false;
  results.ForEach([&](qint64, QByteArrayView, const QString& unit) {
    unitKnown = unitKnown || !unit.trimmed().isEmpty();
  });
  const TableStyle style = CsvStyleFor(ProgramLocale(), ProgramTableStyle());
  QSaveFile out(csvFileName);
  if (!out.open(QIODevice::WriteOnly)) {
    outcome.kind = CsvExportOutcome::WriteFailed;
    return outcome;
  }
  QByteArray data = style.byteOrderMark ? QByteArrayLiteral("\xEF\xBB\xBF") : QByteArray();
  data += CsvHeader(style, unitKnown ? 3 : 2).toUtf8();
  bool written = true;
  results.ForEach([&](qint64 number, QByteArrayView text, const QString& unit) {
    if (outcome.kind != CsvExportOutcome::Written) return;
    std::optional<QString> value = PlainValueText(QString::fromLatin1(text));
    if (!value) {
      outcome.kind = CsvExportOutcome::NotANumber;
      outcome.badLine = int(std::min<qint64>(number, std::numeric_limits<int>::max()));
      outcome.badText = QString::fromLatin1(text);
      return;
    }
    value->replace(u'.', style.decimalMark);
    QString line = QString::number(number) + style.separator + *value;
    if (unitKnown) line += style.separator + CsvField(unit.trimmed(), style.separator);
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
