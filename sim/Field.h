// The magnetic field the simulated probes sit in, and how the meter turns it into raw counts.
//
// The field is expressed in the display unit currently selected on the meter (changing the unit
// does not convert it). Raw counts follow the decimal class of unit and range:
//   mT, kA/m: range 1 raw = value x 100, range 2 raw = value x 10
//   Gs:       range 1 raw = value x 10,  range 2 raw = value
// rounded to nearest and clamped to int16.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

enum class Unit { MilliTesla, Gauss, KiloAmperePerMetre };
enum class Wave { Const, Step, Sine, Ramp };

bool ParseUnit(std::string_view text, Unit& unit);
std::string UnitName(Unit unit);
bool ParseWave(std::string_view text, Wave& wave);
std::string WaveName(Wave wave);

struct FieldShape {
  Wave wave = Wave::Const;
  double field = 0.0;    // const
  double stepLow = 0.0;  // step: low for one period, then high for one period
  double stepHigh = 1.0;
  double offset = 0.0;     // sine and ramp
  double amplitude = 1.0;  // sine
  double slope = 1.0;      // ramp, units per second
  double period = 1.0;     // seconds; step, sine and ramp
};

// The noiseless field t seconds after the shape was set.
double FieldAt(const FieldShape& shape, double t);

// Sets one knob by name (field, step-low, step-high, offset, amplitude, slope, period).
// Returns false with a message for an unknown name or a bad number.
bool SetShapeKnob(FieldShape& shape, std::string_view name, std::string_view value, std::string& error);

// Counts per display unit for the decimal class of unit and range (100, 10 or 1).
int CountsPerUnit(Unit unit, bool range2);

// value x CountsPerUnit, rounded to nearest, clamped to int16.
std::int16_t ToRawCounts(double value, Unit unit, bool range2);

// Strict number parsing for options and commands.
bool ParseDouble(std::string_view text, double& value);
bool ParseInt(std::string_view text, long long& value);

}  // namespace sim
