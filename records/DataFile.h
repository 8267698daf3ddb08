#pragma once
// The data file (F3D): a series of results as text, oldest first, one value text a line.
//
//   no header; every line is FormatValueText(class, value), e.g. "  12.34", "-  123.45", "   2500"
//   CR LF after every line, the last one included; single-byte text (space, "-", digits, ".")
//
// Readers take CR LF or LF line ends and a last line without a line end. A value is read back
// by dropping every space and reading the rest with a full stop, whatever the locale. The file
// carries no unit, range or count.
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "common/FileDialogSettings.h"

class StoredSeries;

inline const QString kWriteErrorText = QStringLiteral("Błąd. Nie można zapisać do pliku.");
inline const QString kReadErrorText = QStringLiteral("Błąd. Nie można odczytac pliku.");

// The save and open dialogs' settings for data files, set before every data-file dialog
// (the calibration file sets its own).
inline const QString kDataFileFilter = QStringLiteral("Pliki danych Fluxa 3.0 (*.F3D)");
inline const QString kDataFileSuffix = QStringLiteral("F3D");
FileDialogSettings DataFileDialogSettings();

// Creates or truncates the file and writes one line per text. False on any failure to create,
// write or close; lines written before the failure stay. The caller shows kWriteErrorText.
bool WriteDataFile(const QString& fileName, const QStringList& valueTexts);
// The same for the entries of a stored series, written straight from its block of text: no text
// object per line, so a 65535-line recording leaves no scattered small blocks behind.
bool WriteSeriesToDataFile(const QString& fileName, const StoredSeries& series);

struct DataFileLines {
  QStringList lines;         // in order, without their line ends
  bool ok = false;           // false: the file could not be opened or read (lines so far kept)
  qint64 linesLeftOut = 0;   // lines after the limit, counted but not kept
};
// At most limit lines of the file. An empty file gives zero lines and ok.
DataFileLines ReadDataFileLines(const QString& fileName, int limit);
// The same from a device (opened for reading here if it is not open yet), e.g. a QBuffer.
DataFileLines ReadDataFileLines(QIODevice& device, int limit);

// The value of one line: every space dropped, full stop as separator. A line that is not a
// number gives 0, as the stored series takes it (RefilterSeries holds the filter over it).
double ParseValueText(const QString& line);

struct OpenedDataFile {
  bool ok = false;          // false: show kReadErrorText; what was read is stored all the same
  int count = 0;            // entries now in the series
  qint64 linesLeftOut = 0;  // lines beyond the series' 65535 entries, not shown
};
// The file view's reading: the series is emptied, filled with the file's lines up to its 65535
// entries and refiltered (RefilterSeries with the digital filter's time constant), ready for
// RedrawSeries.
OpenedDataFile ReadDataFileIntoSeries(const QString& fileName, StoredSeries& series,
                                      double timeConstant);
