#pragma once
// A data file as a table that other programs read: CSV for a spreadsheet, JSON for a script.
//
//   CSV   a header line, then one line a value: index (from 1), value, and the unit when it is
//         known; the separator and the decimal mark follow a locale (";" and "," where the
//         decimal mark is a comma, "," and "." elsewhere); CR LF line ends, UTF-8, and a byte
//         order mark when asked for (a spreadsheet then reads the header's letters right).
//   JSON  [{"index": 1, "value": 12.34, "unit": "mT"}, ...], "unit" only when known.
//
// A value keeps exactly the digits of its line: "-  123.45" is written as -123.45 (-123,45).
// A line that is not a plain decimal number stops the export and is named by its number.
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "common/FileDialogSettings.h"

struct TableStyle {
  QChar separator = u',';
  QChar decimalMark = u'.';
  QStringList header = {QStringLiteral("index"), QStringLiteral("value"), QStringLiteral("unit")};
  bool byteOrderMark = false;
};
// The separator and decimal mark of a locale; the header stays as given.
TableStyle CsvStyleFor(const QLocale& locale, TableStyle style = {});

struct ExportedTable {
  bool ok = true;
  int badLine = 0;  // 1-based number of the first line that is not a number
  QString badText;
  QByteArray data;
};
ExportedTable DataLinesToCsv(const QStringList& lines, const QString& unit, const TableStyle& style);
ExportedTable DataLinesToJson(const QStringList& lines, const QString& unit);

// The value of a data-file line as plain decimal text with a full stop ("-  123.45" gives
// "-123.45"); nothing for a line that is not a number.
std::optional<QString> PlainValueText(const QString& line);

// ---- "Eksportuj do CSV…": a data file as the program's own table ----
// The header of the program's language (text 62, 64 and 78: "L.p.;Indukcja pola;Jednostka"),
// its separator and decimal mark (ProgramLocale: Polish ";" and ","), a byte order mark.
struct CsvExportOutcome {
  enum Kind {
    Written,
    ReadFailed,   // the data file could not be read: kReadErrorText
    NotANumber,   // a line that is not a value text: nothing written
    WriteFailed,  // the table could not be written: kWriteErrorText
  };
  Kind kind = Written;
  int count = 0;    // the lines written
  int badLine = 0;  // NotANumber: the line's number from 1, and its text
  QString badText;
};
// Every line of the data file; the unit ("mT", or "" when not known) goes in a column of its own.
// The table is written whole or not at all.
CsvExportOutcome ExportDataFileAsCsv(const QString& dataFileName, const QString& csvFileName,
                                     const QString& unit);
// The message of an outcome that is not Written.
QString CsvExportMessage(const CsvExportOutcome& outcome);
// The save dialog's settings for the table; it proposes the name of the moment given.
FileDialogSettings CsvFileDialogSettings(const QDateTime& now = QDateTime::currentDateTime());
// "fluxa-2026-12-07-2341.csv": the date and the minute of a table, so that tables sort by time.
QString CsvProposedName(const QDateTime& now);

// ---- "Eksportuj do CSV…" while the live results are shown ----
// The live results the main window showed since "Połącz" or "c": each as the display shows it
// less the unit (FormatValueText), with its unit, the moment it came, its mode, range and
// probe temperature, numbered from 1 since the last Clear. At the
// full line rate (137 a second) a day brings twelve million; beyond MaximumCount (some eight
// hours of them) the oldest are let go a block at a time, so memory stays bounded, and the
// table then starts at the first number held. Appending costs a few bytes copied.
class LiveResults {
 public:
  static constexpr qint64 BlockSize = 65536;
  static constexpr qint64 MaximumCount = 64 * BlockSize;

  static constexpr qint16 kNoProbe = -10000;
  // What else the table tells of a result: when it came, DC or AC, the range, the temperature.
  struct Circumstances {
    qint64 utcMs = 0;               // since the epoch
    bool alternating = false;
    bool range2 = false;
    qint16 temperature = kNoProbe;  // tenths of a degree
  };
  struct Row {
    qint64 number;
    QByteArrayView valueText;
    const QString& unit;  // " mT"
    Circumstances circumstances;
  };

  void Clear();
  void Append(const QString& valueText, const QString& unitText, const Circumstances& circumstances);
  void Append(const QString& valueText, const QString& unitText) { Append(valueText, unitText, Circumstances()); }
  qint64 Count() const { return count_; }
  qint64 FirstNumber() const { return firstNumber_; }
  // Every result held, oldest first.
  void ForEach(const std::function<void(const Row& row)>& visit) const;

 private:
  struct Block {
    QByteArray texts;            // the value texts, one after another
    std::vector<quint32> ends;   // where each ends in texts
    qint64 startMs = 0;          // the first result's moment; the others' as offsets from it
    std::vector<quint32> offsetsMs;
    std::vector<qint16> temperatures;
    std::vector<quint8> modes;   // bit 0 AC, bit 1 range 2
  };
  std::deque<Block> blocks_;
  std::vector<std::pair<qint64, QString>> units_;  // each unit from the number it began with
  qint64 firstNumber_ = 1;
  qint64 count_ = 0;
};

// The results as the program's own table (as ExportDataFileAsCsv: header, language, marks), each
// line numbered as its result, with its own unit, then its time (ISO 8601, local time with its
// offset from UTC, to the millisecond), DC or AC, the range (1 or 2) and the probe's
// temperature in degrees (empty without a probe). Written whole or not at all.
CsvExportOutcome ExportLiveResultsAsCsv(const LiveResults& results, const QString& csvFileName);
