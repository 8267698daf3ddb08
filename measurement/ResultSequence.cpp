#include "measurement/ResultSequence.h"

#include <utility>

MeasurementResult ProcessResultFrame(const ResultFrame& frame, const ResultSteps& steps) {
  MeasurementResult result = DecodeResultFrame(frame);
  if (steps.powerOffIndicator) steps.powerOffIndicator(result.autoPowerOff);
  if (steps.quantity) steps.quantity(result);
  if (steps.digitalFilter) steps.digitalFilter(result);
  if (steps.temperatureFilter) steps.temperatureFilter(result);
  if (steps.maximumJump) steps.maximumJump(result);
  if (steps.statistics) steps.statistics(result);
  if (steps.display) steps.display(result);
  if (steps.chart) steps.chart(result);
  if (steps.recording) steps.recording(result);
  return result;
}

ResultDisplay DisplayFor(const MeasurementResult& result) {
  ResultDisplay d;
  d.alternatingMark = result.alternating;
  d.resultText = FormatValueText(result.decimalClass, result.value) + result.unitText;
  d.temperatureText = TemperatureText(result.temperature);
  d.degreeSign = result.temperature != NoProbeTemperature;
  return d;
}

bool QuantityWatch::Changed(const MeasurementResult& result) {
  QString now = result.unitText.trimmed() + (result.alternating ? QStringLiteral(" AC") : QStringLiteral(" DC"));
  if (now == last_) return false;
  const bool first = last_.isEmpty();
  before_ = std::exchange(last_, std::move(now));
  return !first;
}
