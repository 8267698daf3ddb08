#include "records/DataFile.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstring>

#include "measurement/Filters.h"

namespace {
constexpr qint64 kReadChunk = 64 * 1024;
constexpr qint64 kSmallestChunk = 4 * 1024;  // a file that tells no size (/proc) reads in pieces

// A line without its line end: the CR of a CR LF is dropped.
QByteArrayView LineBytes(const char* begin, const char* end) {
  if (end > begin && end[-1] == '\r') --end;
  return QByteArrayView(begin, end - begin);
}

struct LineCount {
  bool ok = false;
  qint64 leftOut = 0;
};

// Hands each of the first limit lines to take(QByteArrayView) and counts the rest. Read in chunks
// rather than by readLine: one system call per 64 KiB, and a file far longer than the limit is
// only counted, never held.
template <typename Take>
LineCount ForEachLine(QIODevice& file, qint64 limit, Take take) {
  LineCount out;
  if (!file.isOpen() && !file.open(QIODevice::ReadOnly)) return out;
  qint64 kept = 0;
  QByteArray pending;        // a line started in an earlier chunk, while lines are kept
  bool partialLine = false;  // a line started, while lines are only counted
  // One buffer for the whole reading, no larger than the file needs.
  const qint64 room = file.isSequential()
                          ? kReadChunk
                          : std::clamp<qint64>(file.size() - file.pos(), kSmallestChunk, kReadChunk);
  QByteArray chunk(room, Qt::Uninitialized);
  for (;;) {
    const qint64 got = file.read(chunk.data(), room);
    if (got <= 0) {
      auto* asFile = qobject_cast<QFileDevice*>(&file);
      // ok stays false on a read error
      if (got < 0 || (asFile && asFile->error() != QFileDevice::NoError)) return out;
      break;
    }
    const char* p = chunk.constData();
    const char* const end = p + got;
    while (p < end && kept < limit) {
      const auto* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
      if (!nl) {
        pending.append(p, end - p);
        p = end;
        break;
      }
      if (pending.isEmpty()) {
        take(LineBytes(p, nl));
      } else {
        pending.append(p, nl - p);
        take(LineBytes(pending.constData(), pending.constData() + pending.size()));
        pending.clear();
      }
      ++kept;
      p = nl + 1;
    }
    // The limit is reached: the rest is only counted, a line at each line end and one more at
    // the end of the file for a last line without its line end.
    for (; p < end; ++p) {
      if (*p == '\n') {
        ++out.leftOut;
        partialLine = false;
      } else {
        partialLine = true;
      }
    }
  }
  // A last line without a line end counts.
  if (!pending.isEmpty()) take(LineBytes(pending.constData(), pending.constData() + pending.size()));
  if (partialLine) ++out.leftOut;
  out.ok = true;
  return out;
}
}  // namespace

FileDialogSettings DataFileDialogSettings() { return {QString(), kDataFileFilter, kDataFileSuffix}; }

namespace {

// One buffer, one write: a long recording is written in a single system call or few.
bool WriteFileBytes(const QString& fileName, const QByteArray& bytes) {
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  bool ok = file.write(bytes) == bytes.size();
  ok = file.flush() && ok;  // a full disk shows here, when the buffer reaches the device
  file.close();
  return ok && file.error() == QFileDevice::NoError;
}

}  // namespace

bool WriteDataFile(const QString& fileName, const QStringList& valueTexts) {
  qsizetype size = 0;
  for (const QString& text : valueTexts) size += text.size() + 2;
  QByteArray bytes;
  bytes.reserve(size);
  for (const QString& text : valueTexts) {
    bytes.append(text.toLatin1());
    bytes.append("\r\n", 2);
  }
  return WriteFileBytes(fileName, bytes);
}

bool WriteSeriesToDataFile(const QString& fileName, const StoredSeries& series) {
  const int count = series.Count();
  const qsizetype textBytes =
      count > 0 ? series.TextBytes(count).end() - series.TextBytes(1).begin() : 0;
  QByteArray bytes;
  bytes.reserve(textBytes + 2 * qsizetype(count));
  for (int i = 1; i <= count; ++i) {
    bytes.append(series.TextBytes(i));
    bytes.append("\r\n", 2);
  }
  return WriteFileBytes(fileName, bytes);
}

DataFileLines ReadDataFileLines(const QString& fileName, int limit) {
  QFile file(fileName);
  return ReadDataFileLines(file, limit);
}

DataFileLines ReadDataFileLines(QIODevice& device, int limit) {
  DataFileLines out;
  const LineCount count =
      ForEachLine(device, limit, [&out](QByteArrayView line) { out.lines.append(QString::fromLatin1(line)); });
  out.ok = count.ok;
  out.linesLeftOut = count.leftOut;
  return out;
}

double ParseValueText(const QString& line) { return SeriesTextToNumber(line).value_or(0); }

OpenedDataFile ReadDataFileIntoSeries(const QString& fileName, StoredSeries& series,
                                      double timeConstant) {
  series.Clear();
  // The numbers are left to RefilterSeries: it reads every text anyway, and reading them here
  // as well would cost as much again on a long file.
  QFile file(fileName);
  // One pass over the bytes into the series' one block of text: no text object per line.
  if (file.open(QIODevice::ReadOnly))
    series.Reserve(std::min<qint64>(file.size(), qint64(StoredSeries::MaximumCount) * 16),
                   StoredSeries::MaximumCount);
  const LineCount count = ForEachLine(file, StoredSeries::MaximumCount,
                                      [&series](QByteArrayView line) { series.AppendBytes(line, 0); });
  RefilterSeries(series, timeConstant);
  return {count.ok, series.Count(), count.leftOut};
}
