#include "records/Recorder.h"

#include <algorithm>

#include "measurement/Filters.h"
#include "records/DataFile.h"

void Recorder::Start(int interval, const QString& fileName) {
  series_.Clear();
  unsaved_ = false;
  counter_ = 0;
  unit_.clear();
  unitMixed_ = false;
  interval_ = std::clamp(interval, kMinimumInterval, kMaximumInterval);
  fileName_ = fileName;
  recording_ = true;
  recovery_.SetFailureHandler([this] { RecoveryFailed(); });
  if (!recovery_.Open(fileName)) RecoveryFailed();
}

RecordResult Recorder::OnResult(const QString& valueText, const QString& unitText) {
  if (!recording_) return RecordResult::NotRecording;
  if (series_.IsFull()) return RecordResult::Full;  // the stop handler has not run yet
  if (++counter_ < interval_) return RecordResult::Counted;
  counter_ = 0;
  if (series_.Count() == 0)
    unit_ = unitText;
  else if (unitText != unit_)
    unitMixed_ = true;
  series_.AppendText(valueText);
  if (recovery_.IsOpen() && !recovery_.Append(valueText)) RecoveryFailed();
  return series_.IsFull() ? RecordResult::Full : RecordResult::Stored;
}

RecordingOutcome Recorder::Stop() {
  recording_ = false;
  interval_ = 0;
  if (series_.Count() == 0) {
    recovery_.Remove();
    return {RecordingOutcome::NothingStored, 0};
  }
  return Write(fileName_);
}

RecordingOutcome Recorder::SaveAs(const QString& fileName) {
  if (!unsaved_) return {RecordingOutcome::NothingStored, 0};
  return Write(fileName);
}

void Recorder::DiscardUnsaved() {
  if (!unsaved_) return;
  unsaved_ = false;
  series_.Clear();
  recovery_.Remove();
}

int Recorder::StoredCount() const { return series_.Count(); }

RecordingOutcome Recorder::Write(const QString& fileName) {
  const int count = series_.Count();
  if (!WriteSeriesToDataFile(fileName, series_)) {
    unsaved_ = true;
    return {RecordingOutcome::WriteFailed, count};
  }
  unsaved_ = false;
  series_.Clear();
  recovery_.Remove();  // only now: until the data file is there, the recovery file is the copy
  return {RecordingOutcome::Written, count};
}

void Recorder::RecoveryFailed() {
  if (onRecoveryFailure_) onRecoveryFailure_(recovery_.FileName());
}

QString SavedResultsText(int count) {
  return QStringLiteral("Zapisano wyników: ") + QString::number(count);
}
