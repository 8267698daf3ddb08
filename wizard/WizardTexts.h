#pragma once
// The calibration wizard's own texts: its messages (Polish only, never from the language table),
// the range names and the number formats of its labels.
#include <QDate>
#include <QList>
#include <QLocale>
#include <QSerialPort>
#include <QString>

struct ComPortSettings;

namespace wizard_text {

inline const QString kFailure = QStringLiteral("Niepowodzenie");
inline const QString kClassifier = QStringLiteral("Classifier powinien byc \"0\"");
inline const QString kNoSpread = QStringLiteral("zle albo wszystkie takie same dane");
inline const QString kNoWay = QStringLiteral("No way!");
QString PortBusy(const QString& portName);    // "Uwaga! Na porcie ... pracuje juz drugie urządzenie!"
QString CannotOpen(const QString& portName);  // "Nie można podłączyć się do ..."
QString WrongRange(const QString& rangeName);  // "Wybierz prawidlowy zakres ... (DC1)"
// "Krok 3 z 20": the gain search's progress.
QString SearchStep(int step, int maxSteps);
// "Przywracanie wzmocnienia 16000…": Back gives the meter the gain of the samples again.
QString RestoringGain(int gain);
// Back after a search when the gain of the samples is not known: the samples go.
inline const QString kSamplesDropped = QStringLiteral(
    "Miernik ma teraz wzmocnienie z ostatniej próby, a nie to, przy którym zebrano próbki "
    "(nie jest ono znane). Próbki usunięto: zarejestruj je ponownie.");
// Closing after a search when that gain cannot be given back.
inline const QString kTrialGainKept = QStringLiteral(
    "Miernik zachowuje wzmocnienie z ostatniej próby, dopóki kalibracja nie zostanie wysłana "
    "ponownie.");
// "Rejestruj" when no reference reply and meter frame both came within a second after it.
inline const QString kNoFreshPair = QStringLiteral(
    "Brak świeżego odczytu obu mierników: próbki nie zarejestrowano.");
// Back from page 2 when the samples' gain could not be given back to the meter.
inline const QString kRestoreFailed = QStringLiteral(
    "Nie udało się przywrócić wzmocnienia, przy którym zebrano próbki. Próbki usunięto: "
    "zarejestruj je ponownie.");
inline const QString kRestoreNoFrame = QStringLiteral(
    "Miernik nie przysłał odczytu po przywróceniu wzmocnienia. Próbki usunięto: zarejestruj je "
    "ponownie.");
// The search stopped: the meter's reading does not change with the gain sent.
inline const QString kNotFollowing = QStringLiteral(
    "Odczyt miernika kalibrowanego nie zmienia się ze wzmocnieniem (sprawdź sondę i zakres). "
    "Wyszukiwanie przerwano, wzmocnienia nie zapisano.");
// A device that went away; the wizard closes.
inline const QString kMeterLost = QStringLiteral(
    "Utracono połączenie z miernikiem kalibrowanym. Kalibracja przerwana, wzmocnienia nie "
    "zapisano.");
inline const QString kReferenceLost = QStringLiteral(
    "Utracono połączenie z miernikiem wzorcowym. Kalibracja przerwana, wzmocnienia nie "
    "zapisano.");
// Closing with the meter at the initial gain of page 0, which it did not have before.
QString InitialGainKept(int gain);
// A frame in another unit than the samples' while a pair was taken: the pair is not taken.
QString UnitChanged(const QString& samplesUnit, const QString& frameUnit);
// "Dalej >>" on page 1: the reference meter's unit must be chosen and be the meter's.
inline const QString kReferenceUnitNotChosen = QStringLiteral(
    "Wybierz jednostkę miernika wzorcowego w zakładce „Opcje”: bez niej nie można porównać "
    "odczytów obu mierników.");
QString UnitsDiffer(const QString& referenceUnit, const QString& meterUnit);
// "Dalej >>" on page 1 with a target too near zero for the search (the probe out of the field).
QString TargetTooSmall(double target, double least);
// The reference meter's channel changed on page 1: the samples read on the other one go.
inline const QString kChannelSamplesDropped = QStringLiteral(
    "Zmieniono kanał pomiarowy miernika wzorcowego. Próbki z poprzedniego kanału usunięto: "
    "zarejestruj je ponownie.");
// "Dalej >>" on page 0 when the calibration's record could not be kept: the wizard does not start.
QString RecordCannotBeKept(const QString& why);
inline const QString kStoreReadOnly = QStringLiteral(
    "magazyn protokołów ma nowszy schemat niż ten program i jest tylko do odczytu");
// A record the store refused at the end, kept in a file until the next start stores it.
QString RecordWaiting(const QString& why, const QString& path);
// A double-click on a Sondy cell while the wizard cannot take the main window's port.
QString MainPortNotReleased(const QString& portName);
// The calibration's record: where it went, or why it was not kept.
QString RecordKept(const QString& number, bool serverNamed, const QString& serverError, int waiting);
QString RecordNotKept(const QString& why);
// Page 0 without the meter's serial number, and a reference standard past its due date.
inline const QString kSerialNeeded = QStringLiteral(
    "Wpisz numer seryjny kalibrowanego miernika: protokół kalibracji jest prowadzony według niego.");
QString ReferenceOverdue(const QDate& due);
// The as-left check page's row: the error against the reference and the verdict.
QString CheckVerdict(bool pass);
// After "Zakoncz": where the gain went and what is left to do. probeRow 1 AXIAL, 2 TRANS.
QString GainWritten(const QString& cellText, int probeRow, int rangeIndex);
// A gain word as the Sondy grid holds gains: the fraction g / 32767, 5 decimals, decimal comma.
QString GainCellText(int gain);

// "DC1", "DC2", "AC1", "AC2" for the range index 0..3; "" outside.
QString RangeName(int rangeIndex);

// Fixed-point text: the value rounded to `precision` significant digits, shown with `decimals`
// decimals; a value with more integer digits than `precision` is shown in scientific form.
// No group separators; the decimal sign is the locale's.
QString FormatFixed(double value, int precision, int decimals, const QLocale& locale = QLocale());
// General format: at most `digits` significant digits, no trailing zeros, scientific form only
// for very large or small values.
QString FormatGeneral(double value, int digits, const QLocale& locale = QLocale());

// Like FormatFixed with group separators, and never scientific.
QString FormatNumber(double value, int precision, int decimals, const QLocale& locale = QLocale());

// "COM2, 9600, 7, 1, None": port name, baud rate, data bits, stop bits and parity.
QString PortSummary(const ComPortSettings& settings);

// What the port pickers offer: the program's port names and what the port layer can set.
struct PortChoice {
  QString text;
  int value;
};
QList<PortChoice> PortNameChoices();  // value: 1 for "COM1", 2 for "COM2"
QList<PortChoice> BaudRateChoices();
QList<PortChoice> DataBitsChoices();
QList<PortChoice> StopBitsChoices();
QList<PortChoice> ParityChoices();
QList<PortChoice> FlowControlChoices();  // the port layer runs without flow control only

}  // namespace wizard_text
