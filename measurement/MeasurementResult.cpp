#include "measurement/MeasurementResult.h"

#include "settings/Jezyki.h"

#include <charconv>
#include <cmath>

namespace {

constexpr int SignificantDigits = 15;
constexpr int FieldWidth = 7;
constexpr qint16 OverRangeMark = 10000;
constexpr quint16 NoProbeTextNumber = 89;

int ClampClass(int decimalClass)
{
    return qBound(0, decimalClass, 2);
}

// Adds one to a string of decimal digits.
void IncrementDigits(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// |number| with the given decimals, rounded half away from zero on the decimal value as a person
// reads it: the double is first written with 15 significant digits (all a double holds reliably),
// and that decimal text is rounded. So 2.675, stored as 2.67499999..., gives 2.68, and a value read
// back from its own text always formats to the same text again. std::to_chars ignores the locale.
std::string RoundedMagnitude(double magnitude, int decimals, bool& isZero)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::scientific, SignificantDigits - 1);
    const std::string text(buffer, result.ptr);  // d.dddddddddddddde[+-]xx
    const auto ePos = text.find('e');
    std::string mantissa = text.substr(0, 1) + text.substr(2, ePos - 2);
    const int exponent = std::stoi(text.substr(ePos + 1));

    // Digits kept: those before the point (exponent + 1) and the decimals.
    const int keep = exponent + 1 + decimals;
    std::string units;
    if (keep >= SignificantDigits) {
        units = mantissa + std::string(keep - SignificantDigits, '0');
    } else if (keep >= 0) {
        units = mantissa.substr(0, keep);
        if (mantissa[keep] >= '5')
            IncrementDigits(units);
    }
    const auto firstNonZero = units.find_first_not_of('0');
    isZero = firstNonZero == std::string::npos;
    units = isZero ? std::string() : units.substr(firstNonZero);

    if (units.size() < std::size_t(decimals) + 1)
        units.insert(0, decimals + 1 - units.size(), '0');
    if (decimals > 0)
        units.insert(units.size() - decimals, 1, '.');
    return units;
}

}  // namespace

std::array<bool, 8> DecodeStatus(quint8 status)
{
    std::array<bool, 8> flags{};
    for (int bit = 0; bit < 8; ++bit)
        flags[bit] = (status >> bit) & 1;
    return flags;
}

double ScaleReading(int decimalClass, qint16 raw)
{
    const int cls = ClampClass(decimalClass);
    if (cls == 0)
        return raw / 100.0;
    const double reading = (raw == OverRangeMark || raw == -OverRangeMark) ? raw * 3.0 : raw;
    return cls == 1 ? reading / 10.0 : reading;
}

int DecimalsOfClass(int decimalClass)
{
    return 2 - ClampClass(decimalClass);
}

QString FormatFixed(int decimalClass, double number)
{
    const int decimals = DecimalsOfClass(decimalClass);
    QString text;
    if (!std::isfinite(number)) {
        text = QString::number(number, 'f', decimals);
    } else {
        bool isZero = false;
        const std::string digits = RoundedMagnitude(std::fabs(number), decimals, isZero);
        // A value that rounds to zero shows no sign: "-0.00" would read as a different result.
        text = QString::fromLatin1(digits.data(), qsizetype(digits.size()));
        if (number < 0 && !isZero)
            text.prepend(QLatin1Char('-'));
    }
    text = text.rightJustified(FieldWidth, QLatin1Char(' '));
    const auto minus = text.indexOf(QLatin1Char('-'));
    if (minus >= 0)
        text.insert(minus + 1, QLatin1Char(' '));
    return text;
}

QString FormatValueText(int decimalClass, double number)
{
    QString text = FormatFixed(decimalClass, number);
    // A number too wide for the field has its sign at the start; the second space keeps it apart.
    if (text.startsWith(QLatin1Char('-')))
        text.insert(1, QLatin1Char(' '));
    return text;
}

MeasurementResult DecodeResultFrame(const std::array<quint8, 7>& frame)
{
    MeasurementResult result;
    result.status = DecodeStatus(frame[2]);
    result.alternating = result.status[0];
    result.range2 = result.status[1];
    result.autoPowerOff = result.status[6];

    if (result.status[2]) {
        result.unitText = QStringLiteral(" Gs");
        result.jumpThreshold = 0.5;
        result.decimalClass = result.range2 ? 2 : 1;
    } else {
        result.decimalClass = result.range2 ? 1 : 0;
        if (result.status[3]) {
            result.unitText = QStringLiteral(" kA/m");
            result.jumpThreshold = 0.04;
        } else {
            result.unitText = QStringLiteral(" mT");
            result.jumpThreshold = 0.05;
        }
    }

    const auto temperature = qint16(quint16(frame[3] | (frame[4] << 8)));
    const auto reading = qint16(quint16(frame[5] | (frame[6] << 8)));
    result.temperature = temperature;
    result.value = ScaleReading(result.decimalClass, reading);
    result.overRange = result.decimalClass > 0 && (reading == OverRangeMark || reading == -OverRangeMark);
    if (result.alternating)
        result.value = std::fabs(result.value);
    return result;
}

QString TemperatureText(double temperature)
{
    if (temperature == NoProbeTemperature)
        return LookupText(NoProbeTextNumber);
    return FormatFixed(1, temperature / 10) + QStringLiteral("  C");
}
