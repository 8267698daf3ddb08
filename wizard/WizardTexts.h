#pragma once
// The calibration wizard's own texts: its messages (Polish only, never from the language table),
// the range names and the number formats of its labels.
#include <QLocale>
#include <QString>

struct ComPortSettings;

namespace wizard_text {

inline const QString kFailure = QStringLiteral("Niepowodzenie");
inline const QString kClassifier = QStringLiteral("Classifier powinien byc \"0\"");
inline const QString kNoSpread = QStringLiteral("zle albo wszystkie takie same dane");
inline const QString kNoWay = QStringLiteral("No way!");
QString PortBusy(const QString& portName);    // "Uwaga! Na porcie ... pracuje juz drugie urządzenie!"
QString CannotOpen(const QString& portName);  // "Nie można podłączyć się do ..."

// "DC1", "DC2", "AC1", "AC2" for the range index 0..3; "" outside.
QString RangeName(int rangeIndex);

// Fixed-point text: the value rounded to `precision` significant digits, shown with `decimals`
// decimals; a value with more integer digits than `precision` is shown in scientific form.
// No group separators; the decimal sign is the locale's.
QString FormatFixed(double value, int precision, int decimals, const QLocale& locale = QLocale());
// General format: at most `digits` significant digits, no trailing zeros, scientific form only
// for very large or small values.
QString FormatGeneral(double value, int digits, const QLocale& locale = QLocale());

// "COM2, 9600, 7, 1, None": port name, baud rate, data bits, stop bits and parity.
QString PortSummary(const ComPortSettings& settings);

}  // namespace wizard_text
