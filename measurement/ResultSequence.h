#pragma once
// What one result frame causes, in a fixed order. Each later step sees the value as the step
// before left it: with the digital filter on, statistics, display, chart and recording all see
// the filtered value. The owner of the display plugs its handlers into the numbered points.
#include <functional>

#include "link/MeterProtocol.h"
#include "measurement/MeasurementResult.h"

struct ResultSteps {
  std::function<void(bool autoPowerOff)> powerOffIndicator;     // 2
  // Before any filter: a result of another unit or mode than the last (QuantityWatch).
  std::function<void(const MeasurementResult&)> quantity;
  std::function<void(MeasurementResult&)> digitalFilter;        // 6
  std::function<void(MeasurementResult&)> temperatureFilter;    // 7
  std::function<void(const MeasurementResult&)> maximumJump;    // 8
  std::function<void(const MeasurementResult&)> statistics;     // 9
  std::function<void(const MeasurementResult&)> display;        // 10-12
  std::function<void(const MeasurementResult&)> chart;          // 13
  std::function<void(const MeasurementResult&)> recording;      // 14
};

// The unit and the DC/AC mode of the results. A minimum, an average, a filter's memory, a chart
// or a recording must never span two of them: whoever keeps one starts again when it changes.
class QuantityWatch {
 public:
  // True when the result's unit or mode differs from the last result's (never for the first).
  bool Changed(const MeasurementResult& result);
  // For a message: the unit and mode before the last change and now ("mT DC", "Gs DC").
  QString Before() const { return before_; }
  QString Now() const { return last_; }
  void Clear() { last_.clear(); }

 private:
  QString before_;
  QString last_;
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
