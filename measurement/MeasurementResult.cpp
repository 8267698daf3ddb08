#include "measurement/MeasurementResult.h"

#include "settings/Jezyki.h"

#include <algorithm>
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

// Room for the digits of any finite double with two decimals (10^308 has 309 before the point),
// a carry, the point and the sign.
constexpr int MaximumDigits = 320;

// |number| with the given decimals, rounded half away from zero on the decimal value as a person
// reads it: the double is first written with 15 significant digits (all a double holds reliably),
// and that decimal text is rounded. So 2.675, stored as 2.67499999..., gives 2.68, and a value read
// back from its own text always formats to the same text again. std::to_chars ignores the locale.
// Written into out (at least MaximumDigits long) without allocating: every result is formatted.
// Returns the length.
int RoundedMagnitude(double magnitude, int decimals, bool& isZero, char* out)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::scientific, SignificantDigits - 1);
    // d.dddddddddddddde[+-]xx
    char* const e = std::find(buffer, result.ptr, 'e');
    char mantissa[SignificantDigits];
    mantissa[0] = buffer[0];
    std::copy(buffer + 2, e, mantissa + 1);
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+'), result.ptr, exponent);

    // Digits kept: those before the point (exponent + 1) and the decimals.
    const int keep = exponent + 1 + decimals;
    // units[0] is left free for a carry out of the first digit.
    char units[MaximumDigits];
    int count = 0;
    bool carried = false;
    if (keep >= SignificantDigits) {
        std::copy_n(mantissa, SignificantDigits, units + 1);
        std::fill_n(units + 1 + SignificantDigits, keep - SignificantDigits, '0');
        count = keep;
    } else if (keep >= 0) {
        std::copy_n(mantissa, keep, units + 1);
        count = keep;
        if (mantissa[keep] >= '5') {
            int i = count;
            while (i > 0 && units[i] == '9')
                units[i--] = '0';
            if (i > 0) {
                ++units[i];
            } else {
                units[0] = '1';
                ++count;
                carried = true;
            }
        }
    }
    const char* first = carried ? units : units + 1;
    const char* const last = first + count;
    first = std::find_if(first, last, [](char c) { return c != '0'; });
    isZero = first == last;

    const int significant = int(last - first);
    const int leadingZeros = std::max(0, decimals + 1 - significant);
    char* o = out;
    o = std::fill_n(o, leadingZeros, '0');
    o = std::copy(first, last, o);
    if (decimals > 0) {
        std::copy_backward(o - decimals, o, o + 1);
        *(o - decimals) = '.';
        ++o;
    }
    return int(o - out);
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
    if (!std::isfinite(number)) {
        QString text = QString::number(number, 'f', decimals).rightJustified(FieldWidth, QLatin1Char(' '));
        const auto minus = text.indexOf(QLatin1Char('-'));
        if (minus >= 0)
            text.insert(minus + 1, QLatin1Char(' '));
        return text;
    }
    // Right-justified in the field; a minus is followed by a space. A value that rounds to zero
    // shows no sign: "-0.00" would read as a different result.
    char digits[MaximumDigits];
    bool isZero = false;
    const int length = RoundedMagnitude(std::fabs(number), decimals, isZero, digits);
    const bool minus = number < 0 && !isZero;
    const int padding = std::max(0, FieldWidth - length - (minus ? 1 : 0));
    QString text(padding + (minus ? 2 : 0) + length, Qt::Uninitialized);
    QChar* o = text.data();
    o = std::fill_n(o, padding, QLatin1Char(' '));
    if (minus) {
        *o++ = QLatin1Char('-');
        *o++ = QLatin1Char(' ');
    }
    for (int i = 0; i < length; ++i)
        *o++ = QLatin1Char(digits[i]);
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
