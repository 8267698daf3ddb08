// The data-file reader and value parser, through the reader's in-memory entry point (a QBuffer,
// no file per run), and the recovery file's reader, which takes the same lines.
//
// Input: byte 0 chooses the reader (its top bit: the recovery reader) and holds the data-file
// reader's line limit (its low 7 bits); the rest is the file.
#include <QBuffer>

#include <cstdint>

#include "FuzzCheck.h"
#include "records/DataFile.h"
#include "records/RecoveryFile.h"

namespace {

// The recovery reader keeps exactly the complete lines that are value texts.
void CheckRecoveryReader(QByteArray& file, const QList<QByteArray>& expected) {
  QBuffer again(&file);
  const LeftRecording left = ReadLeftRecording(again);
  const qsizetype complete = expected.size() - (file.isEmpty() || file.endsWith('\n') ? 0 : 1);
  qsizetype kept = 0;
  for (qsizetype i = 0; i < complete; ++i) {
    const QString line = QString::fromLatin1(expected[i]);
    if (line.trimmed().isEmpty() || !SeriesTextToNumber(line)) continue;
    FUZZ_CHECK(kept < left.lines.size() && left.lines[kept] == line);
    ++kept;
  }
  FUZZ_CHECK(kept == left.lines.size());
  FUZZ_CHECK(left.lines.size() + left.droppedLines == expected.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool recoveryReader = data[0] & 0x80;
  const int limit = data[0] & 0x7f;
  QByteArray file(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

  // The lines as the format defines them: up to each LF, less a CR before it; a last line
  // without its line end counts.
  QList<QByteArray> expected = file.split('\n');
  if (expected.last().isEmpty()) expected.removeLast();
  for (QByteArray& line : expected)
    if (line.endsWith('\r')) line.chop(1);

  if (recoveryReader) {
    CheckRecoveryReader(file, expected);
    return 0;
  }

  QBuffer buffer(&file);
  const DataFileLines read = ReadDataFileLines(buffer, limit);
  FUZZ_CHECK(read.ok);
  FUZZ_CHECK(read.lines.size() == qMin<qsizetype>(limit, expected.size()));
  FUZZ_CHECK(read.lines.size() + read.linesLeftOut == expected.size());
  StoredSeries series;
  for (qsizetype i = 0; i < read.lines.size(); ++i) {
    const QString& line = read.lines[i];
    FUZZ_CHECK(line.toLatin1() == expected[i]);
    const double parsed = ParseValueText(line);
    FUZZ_CHECK(std::isfinite(parsed));
    if (const auto value = SeriesTextToNumber(line)) {
      FUZZ_CHECK(parsed == *value);
      CheckValueText(int(i % 3), *value);  // each decimal class in turn, over the lines
    } else {
      FUZZ_CHECK(parsed == 0);
    }
    series.AppendText(line);
  }
  // The file view's refiltering never spreads a bad line into NaN.
  RefilterSeries(series, 0.5 + (limit & 7));
  for (int i = 1; i <= series.Count(); ++i) FUZZ_CHECK(std::isfinite(series.Value(i)));
  return 0;
}
