#include "wizard/WizardTexts.h"

#include <cmath>

#include "link/ComPort.h"
#include "parameters/Transfer.h"

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

QString WrongRange(const QString& rangeName) {
  return "Wybierz prawidlowy zakres kalibrowanego urządzenia! (" + rangeName + ")";
}

QString SearchStep(int step, int maxSteps) {
  return QStringLiteral("Krok %1 z %2").arg(step).arg(maxSteps);
}

QString RestoringGain(int gain) {
  return QStringLiteral("Przywracanie wzmocnienia %1…").arg(gain);
}

QString GainWritten(const QString& cellText, int probeRow, int rangeIndex) {
  return QStringLiteral(
             "Wzmocnienie %1 wpisano do komórki %2 i do pamięci roboczej miernika. Po wyłączeniu "
             "miernika zostanie zachowane dopiero wtedy, gdy parametry zostaną wysłane "
             "z zaznaczonym „Zapisz do EEPROM”.")
      .arg(cellText, CellName(MeterParameters::Sondy(rangeIndex + 1, probeRow)));
}

QString GainCellText(int gain) {
  return QString::number(gain / 32767.0, 'f', 5).replace(QLatin1Char('.'), QLatin1Char(','));
}

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

QString FormatNumber(double value, int precision, int decimals, const QLocale& locale) {
  if (!std::isfinite(value)) return locale.toString(value);
  const double rounded = QString::number(value, 'e', precision - 1).toDouble();
  return locale.toString(rounded, 'f', decimals);
}

QList<PortChoice> PortNameChoices() { return {{"COM1", 1}, {"COM2", 2}}; }

QList<PortChoice> BaudRateChoices() {
  QList<PortChoice> choices;
  for (int rate : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
    choices.append({QString::number(rate), rate});
  return choices;
}

QList<PortChoice> DataBitsChoices() {
  return {{"5", QSerialPort::Data5}, {"6", QSerialPort::Data6}, {"7", QSerialPort::Data7},
          {"8", QSerialPort::Data8}};
}

QList<PortChoice> StopBitsChoices() {
  return {{"1", QSerialPort::OneStop}, {"1.5", QSerialPort::OneAndHalfStop}, {"2", QSerialPort::TwoStop}};
}

QList<PortChoice> ParityChoices() {
  return {{"None", QSerialPort::NoParity}, {"Even", QSerialPort::EvenParity},
          {"Odd", QSerialPort::OddParity}, {"Space", QSerialPort::SpaceParity},
          {"Mark", QSerialPort::MarkParity}};
}

QList<PortChoice> FlowControlChoices() { return {{"None", QSerialPort::NoFlowControl}}; }

namespace {
QString ChoiceText(const QList<PortChoice>& choices, int value) {
  for (const PortChoice& c : choices)
    if (c.value == value) return c.text;
  return QString::number(value);
}
}  // namespace

QString PortSummary(const ComPortSettings& settings) {
  return QStringList{settings.portName, QString::number(settings.baudRate),
                     ChoiceText(DataBitsChoices(), settings.dataBits),
                     ChoiceText(StopBitsChoices(), settings.stopBits),
                     ChoiceText(ParityChoices(), settings.parity)}
      .join(QStringLiteral(", "));
}

QString RecordKept(const QString& number, bool serverNamed, const QString& serverError, int waiting) {
  QString text = QStringLiteral("Protokół kalibracji zapisano pod numerem %1.").arg(number);
  if (serverNamed && !serverError.isEmpty())
    text += QStringLiteral(" Serwer bazy kalibracji jest niedostępny (%1).").arg(serverError);
  if (serverNamed && waiting > 0)
    text += QStringLiteral(" Na wysłanie do serwera czeka protokołów: %1.").arg(waiting);
  return text;
}

QString RecordNotKept(const QString& why) {
  return QStringLiteral("Nie zapisano protokołu kalibracji: %1").arg(why);
}

QString ReferenceOverdue(const QDate& due) {
  return QStringLiteral("Termin ważności świadectwa wzorca minął %1: wzorzec wymaga ponownego wzorcowania.")
      .arg(due.toString(QStringLiteral("yyyy-MM-dd")));
}

QString InitialGainKept(int gain) {
  return QStringLiteral(
             "Miernik zachowuje wzmocnienie %1 wysłane jako nastawa inicjująca, inne niż miał przed "
             "otwarciem kreatora, dopóki kalibracja nie zostanie wysłana ponownie.")
      .arg(gain);
}

QString UnitChanged(const QString& samplesUnit, const QString& frameUnit) {
  return QStringLiteral("Miernik kalibrowany zmienił jednostkę (%1 → %2): próbki nie zarejestrowano.")
      .arg(samplesUnit.isEmpty() ? QStringLiteral("?") : samplesUnit,
           frameUnit.isEmpty() ? QStringLiteral("?") : frameUnit);
}

QString UnitsDiffer(const QString& referenceUnit, const QString& meterUnit) {
  return QStringLiteral(
             "Jednostka miernika wzorcowego (%1) jest inna niż miernika kalibrowanego (%2). Zmień "
             "jednostkę w zakładce „Opcje” albo na mierniku.")
      .arg(referenceUnit, meterUnit.isEmpty() ? QStringLiteral("?") : meterUnit);
}

QString TargetTooSmall(double target, double least) {
  return QStringLiteral(
             "Odczyt docelowy %1 jest zbyt bliski zera (potrzeba co najmniej %2): umieść sondę w polu "
             "i zarejestruj próbki ponownie.")
      .arg(FormatGeneral(target, 4), FormatGeneral(least, 4));
}

QString RecordCannotBeKept(const QString& why) {
  return QStringLiteral("Nie można zapisać protokołu kalibracji (%1). Kalibracji nie rozpoczęto.").arg(why);
}

QString RecordWaiting(const QString& why, const QString& path) {
  return QStringLiteral(
             "Nie zapisano protokołu kalibracji: %1. Protokół zachowano w pliku %2 i zostanie "
             "zapisany przy następnym uruchomieniu kreatora.")
      .arg(why, path);
}

QString MainPortNotReleased(const QString& portName) {
  return QStringLiteral("Nie można zwolnić portu %1 dla kreatora kalibracji.").arg(portName);
}

QString CheckVerdict(bool pass) { return pass ? QStringLiteral("zgodny") : QStringLiteral("niezgodny"); }

}  // namespace wizard_text
