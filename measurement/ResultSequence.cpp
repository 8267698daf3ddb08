#include "measurement/ResultSequence.h"

MeasurementResult ProcessResultFrame(const ResultFrame& frame, const ResultSteps& steps) {
  MeasurementResult result = DecodeResultFrame(frame);
  if (steps.powerOffIndicator) steps.powerOffIndicator(result.autoPowerOff);
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
