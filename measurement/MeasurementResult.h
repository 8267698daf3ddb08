#pragma once
// Decoding of the meter's 7-byte result frame and the value texts shown, recorded and stored.
//
// Result frame, little-endian:  AA 55 status tempLo tempHi readLo readHi
//   status bit 0  alternating field (the value is shown as its absolute value)
//   status bit 1  range 2
//   status bit 2  unit Gs, else bit 3 selects kA/m over mT
//   status bit 6  automatic power-off is on
//   temperature   signed, in 0.1 degC; -10000 means no probe is attached
//   reading       signed raw count, scaled by the decimal class; +-10000 in classes 1 and 2 is
//                 the meter's over-range mark
// Every status byte and reading decodes to some result: there is no invalid frame once the
// header matched.

#include <QString>
#include <QtGlobal>

#include <array>

struct MeasurementResult {
    std::array<bool, 8> status{};  // bit i of the status byte
    bool alternating = false;      // bit 0
    bool range2 = false;           // bit 1
    bool autoPowerOff = false;     // bit 6
    bool overRange = false;        // the reading is the over-range mark
    QString unitText;              // " Gs", " mT", " kA/m"
    int decimalClass = 0;          // 0..2: raw / 100, raw / 10, raw; 2, 1, 0 decimals shown
    double jumpThreshold = 0;      // 0.5 Gs, 0.05 mT, 0.04 kA/m
    double temperature = 0;        // raw, 0.1 degC; NoProbeTemperature when no probe is attached
    double value = 0;              // display units after scaling (absolute value for AC)
};

inline constexpr double NoProbeTemperature = -10000;

std::array<bool, 8> DecodeStatus(quint8 status);

// Class 0: raw / 100. Classes 1 and 2: raw / 10 and raw, where a reading of exactly +-10000 (the
// meter's over-range mark in those ranges) is first multiplied by 3.
double ScaleReading(int decimalClass, qint16 raw);

// Decimals shown for a class: 2, 1, 0.
int DecimalsOfClass(int decimalClass);

// Fixed-point text with the class's decimals, a full stop whatever the locale, right-aligned in
// 7 characters (never cut), then one space after the first "-".
QString FormatFixed(int decimalClass, double number);

// FormatFixed, plus one more space after the "-" when the sign opens the text.
QString FormatValueText(int decimalClass, double number);

// Decodes status, unit, class, temperature and the scaled value (absolute for AC).
MeasurementResult DecodeResultFrame(const std::array<quint8, 7>& frame);

// "   25.3  C" for 253, or text 89 of the language table when no probe is attached.
QString TemperatureText(double temperature);
