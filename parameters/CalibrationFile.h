#pragma once
// The calibration file (F3C): one meter's MeterParameters as 26 text lines, in member order.
//
//   no header, version or checksum; each line is the member's text unchanged (a decimal comma
//   stays a comma), in Windows-1250, followed by CR LF; an empty member is an empty line.
//   A character that Windows-1250 lacks is written as "?".
//
// Reading: CR ends a line and an LF directly after it belongs to the line end; a lone LF is
// part of the text; the byte 1A ends the file; missing lines are empty texts and lines after
// the 26th are ignored.
//
// A save goes to a temporary file that replaces the old one only when it is complete; a load
// reads the whole file before anything is handed back.
#include <QByteArray>
#include <QString>
#include <optional>

#include "common/FileDialogSettings.h"
#include "parameters/MeterParameters.h"

inline const QString kCalibrationFileFilter =
    QStringLiteral("Pliki kalibracyjne Fluxa 3.0 (*.F3C *.f3c)");
inline const QString kCalibrationFileSuffix = QStringLiteral("F3C");
FileDialogSettings CalibrationFileDialogSettings();

inline const QString kCalibrationWriteErrorText =
    QStringLiteral("Uwaga! Nastąpił jakiś (?) błąd w połączeniu.");
inline const QString kCalibrationReadErrorText = QStringLiteral("Błąd odczytu pliku!");

// The file's bytes for a parameter set, and the set that a file's bytes hold.
QByteArray EncodeCalibrationFile(const MeterParameters& parameters);
MeterParameters DecodeCalibrationFile(const QByteArray& bytes);

// False when the file cannot be created, written or put in place; an existing file is then
// left as it was.
bool WriteCalibrationFile(const QString& fileName, const MeterParameters& parameters);
// Nothing when the file cannot be opened or read to its end.
std::optional<MeterParameters> ReadCalibrationFile(const QString& fileName);
