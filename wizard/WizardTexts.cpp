#include "wizard/WizardTexts.h"

#include <cmath>

#include "link/ComPort.h"

namespace wizard_text {

namespace {
QLocale Plain(QLocale locale) {
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale;
}
}  // namespace

QString PortBusy(const QString& portName) {
  return "Uwaga! Na porcie " + portName + " pracuje juz drugie urządzenie!";
}

QString CannotOpen(const QString& portName) { return "Nie można podłączyć się do " + portName; }

QString RangeName(int rangeIndex) {
  static const char* const kNames[] = {"DC1", "DC2", "AC1", "AC2"};
  return rangeIndex >= 0 && rangeIndex < 4 ? QString::fromLatin1(kNames[rangeIndex]) : QString();
}

QString FormatFixed(double value, int precision, int decimals, const QLocale& locale) {
  const QLocale plain = Plain(locale);
  if (!std::isfinite(value)) return plain.toString(value);
  // Round to the significant digits first, through the shortest exact text of that rounding.
  const double rounded = QString::number(value, 'e', precision - 1).toDouble();
  if (rounded != 0 && std::floor(std::log10(std::fabs(rounded))) + 1 > precision)
    return plain.toString(rounded, 'e', precision - 1);
  return plain.toString(rounded, 'f', decimals);
}

QString FormatGeneral(double value, int digits, const QLocale& locale) {
  return Plain(locale).toString(value, 'g', digits);
}

QString PortSummary(const ComPortSettings& settings) {
  QString stopBits = QStringLiteral("1");
  if (settings.stopBits == QSerialPort::OneAndHalfStop) stopBits = QStringLiteral("1.5");
  if (settings.stopBits == QSerialPort::TwoStop) stopBits = QStringLiteral("2");
  QString parity = QStringLiteral("None");
  switch (settings.parity) {
    case QSerialPort::EvenParity: parity = QStringLiteral("Even"); break;
    case QSerialPort::OddParity: parity = QStringLiteral("Odd"); break;
    case QSerialPort::SpaceParity: parity = QStringLiteral("Space"); break;
    case QSerialPort::MarkParity: parity = QStringLiteral("Mark"); break;
    default: break;
  }
  return QStringList{settings.portName, QString::number(settings.baudRate),
                     QString::number(int(settings.dataBits)), stopBits, parity}
      .join(QStringLiteral(", "));
}

}  // namespace wizard_text
