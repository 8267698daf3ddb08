#include "Field.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace sim {

bool ParseUnit(std::string_view text, Unit& unit) {
  if (text == "mT")
    unit = Unit::MilliTesla;
  else if (text == "Gs")
    unit = Unit::Gauss;
  else if (text == "kA/m")
    unit = Unit::KiloAmperePerMetre;
  else
    return false;
  return true;
}

std::string UnitName(Unit unit) {
  switch (unit) {
    case Unit::MilliTesla:
      return "mT";
    case Unit::Gauss:
      return "Gs";
    case Unit::KiloAmperePerMetre:
      return "kA/m";
  }
  return "?";
}

bool ParseWave(std::string_view text, Wave& wave) {
  if (text == "const")
    wave = Wave::Const;
  else if (text == "step")
    wave = Wave::Step;
  else if (text == "sine")
    wave = Wave::Sine;
  else if (text == "ramp")
    wave = Wave::Ramp;
  else
    return false;
  return true;
}

std::string WaveName(Wave wave) {
  switch (wave) {
    case Wave::Const:
      return "const";
    case Wave::Step:
      return "step";
    case Wave::Sine:
      return "sine";
    case Wave::Ramp:
      return "ramp";
  }
  return "?";
}

double FieldAt(const FieldShape& shape, double t) {
  const double period = shape.period > 0 ? shape.period : 1.0;
  switch (shape.wave) {
    case Wave::Const:
      return shape.field;
    case Wave::Step:
      return (long long)std::floor(t / period) % 2 == 0 ? shape.stepLow : shape.stepHigh;
    case Wave::Sine:
      return shape.offset + shape.amplitude * std::sin(2.0 * std::numbers::pi * t / period);
    case Wave::Ramp:
      return shape.offset + shape.slope * std::fmod(t, period);
  }
  return 0.0;
}

bool SetShapeKnob(FieldShape& shape, std::string_view name, std::string_view value, std::string& error) {
  double* target = nullptr;
  if (name == "field")
    target = &shape.field;
  else if (name == "step-low")
    target = &shape.stepLow;
  else if (name == "step-high")
    target = &shape.stepHigh;
  else if (name == "offset")
    target = &shape.offset;
  else if (name == "amplitude")
    target = &shape.amplitude;
  else if (name == "slope")
    target = &shape.slope;
  else if (name == "period")
    target = &shape.period;
  if (!target) {
    error = "unknown knob " + std::string(name);
    return false;
  }
  double v = 0;
  if (!ParseDouble(value, v) || (target == &shape.period && v <= 0)) {
    error = "bad value for " + std::string(name) + ": " + std::string(value);
    return false;
  }
  *target = v;
  return true;
}

int CountsPerUnit(Unit unit, bool range2) {
  const int range1 = unit == Unit::Gauss ? 10 : 100;
  return range2 ? range1 / 10 : range1;
}

std::int16_t ToRawCounts(double value, Unit unit, bool range2) {
  const double raw = std::round(value * CountsPerUnit(unit, range2));
  if (!(raw > -32768.0)) return -32768;
  if (raw > 32767.0) return 32767;
  return std::int16_t(raw);
}

bool ParseDouble(std::string_view text, double& value) {
  if (text.empty()) return false;
  const std::string s(text);
  char* end = nullptr;
  errno = 0;
  value = std::strtod(s.c_str(), &end);
  return errno == 0 && end == s.c_str() + s.size() && std::isfinite(value);
}

bool ParseInt(std::string_view text, long long& value) {
  if (text.empty()) return false;
  const std::string s(text);
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(s.c_str(), &end, 10);
  return errno == 0 && end == s.c_str() + s.size();
}

}  // namespace sim
