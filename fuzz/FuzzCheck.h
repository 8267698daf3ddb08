#pragma once
// A property of a fuzz target: when it does not hold, the input is a finding. Prints what broke
// and aborts, so libFuzzer keeps the input as a crash.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "property broken at %s:%d: %s\n", __FILE__, __LINE__,     \
                   #condition);                                                      \
      std::abort();                                                                  \
    }                                                                                \
  } while (false)

#include <QString>
#include <cmath>

#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"

// A value text reads back to the value within half a unit of its last decimal (or of its 15th
// significant digit, for a value too large for that), and the value read back formats to the
// same text.
inline void CheckValueText(int decimalClass, double value) {
  const QString text = FormatValueText(decimalClass, value);
  FUZZ_CHECK(text.size() >= 7);
  if (!std::isfinite(value)) return;
  const auto back = SeriesTextToNumber(text);
  FUZZ_CHECK(back.has_value());
  const double halfUnit = 0.5 * std::pow(10.0, -DecimalsOfClass(decimalClass));
  FUZZ_CHECK(std::fabs(*back - value) <= halfUnit * (1 + 1e-9) + std::fabs(value) * 1e-14);
  FUZZ_CHECK(FormatValueText(decimalClass, *back) == text);
}
