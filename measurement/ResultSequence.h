#pragma once
// What one result frame causes, in a fixed order. Each later step sees the value as the step
// before left it: with the digital filter on, statistics, display, chart and recording all see
// the filtered value. The owner of the display plugs its handlers into the numbered points.
#include <functional>

#include "link/MeterProtocol.h"
#include "measurement/MeasurementResult.h"

struct ResultSteps {
  std::function<void(bool autoPowerOff)> powerOffIndicator;     // 2
  std::function<void(MeasurementResult&)> digitalFilter;        // 6
  std::function<void(MeasurementResult&)> temperatureFilter;    // 7
  std::function<void(const MeasurementResult&)> maximumJump;    // 8
  std::function<void(const MeasurementResult&)> statistics;     // 9
  std::function<void(const MeasurementResult&)> display;        // 10-12
  std::function<void(const MeasurementResult&)> chart;          // 13
  std::function<void(const MeasurementResult&)> recording;      // 14
};

// Steps 1, 3-5 decode the frame; the rest call the plugged handlers in order.
MeasurementResult ProcessResultFrame(const ResultFrame& frame, const ResultSteps& steps);

// The display texts of steps 10-12.
struct ResultDisplay {
  bool alternatingMark = false;  // "~" shown
  QString resultText;            // value text + unit
  QString temperatureText;
  bool degreeSign = false;       // the small "o" before "C"
};
ResultDisplay DisplayFor(const MeasurementResult& result);
