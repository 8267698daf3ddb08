#pragma once
// Recording: while connected, every N-th accepted live result is stored in the main window's
// stored series; stopping writes them to the data file chosen at the start.
//
// The window drives it:
//   start    (step dialog, save dialog)  Start(n, fileName)
//   result   (after display, per result) if (OnResult(text) == RecordResult::Full) stop handler
//   stop     (user, or Full)             Stop(); on WriteFailed the results stay kept: show
//            kWriteErrorText, ask again, SaveAs(name) until it works, or DiscardUnsaved()
// A write failure keeps the results rather than losing a whole recording to, say, a full disk
// or a removed stick; a stop before the first stored result writes no file.
//
// While it runs, every stored text also goes to the recovery file beside the chosen one
// (RecoveryFile.h), which the stop removes once the data file is written (or the user gave up
// the results). A recovery file that cannot be written is told once through the handler; the
// recording goes on in memory.
#include <QString>
#include <QStringList>

#include <functional>

#include "records/RecoveryFile.h"

class StoredSeries;

enum class RecordResult {
  NotRecording,  // nothing counted
  Counted,       // counted, not stored
  Stored,        // stored as the latest entry
  Full,          // stored, and the series is full: the window runs its stop handler now
};

struct RecordingOutcome {
  enum Kind {
    NothingStored,  // no file created
    Written,        // count lines written; the stored results are gone
    WriteFailed,    // nothing usable written; the count results are still kept
  };
  Kind kind = NothingStored;
  int count = 0;
};

class Recorder {
 public:
  static constexpr int kMinimumInterval = 1;
  static constexpr int kMaximumInterval = 500;

  explicit Recorder(StoredSeries& series) : series_(series) {}

  // Empties the series and starts counting; the interval is held within 1..500.
  void Start(int interval, const QString& fileName);
  // One accepted live result, as the display shows it less the unit (FormatValueText), and its
  // unit (" mT").
  RecordResult OnResult(const QString& valueText, const QString& unitText = {});
  // Ends the recording and writes what it stored to the file chosen at the start.
  RecordingOutcome Stop();
  // After WriteFailed: the kept results to another file. WriteFailed again keeps them still.
  RecordingOutcome SaveAs(const QString& fileName);
  // After WriteFailed, when the user gives up: the kept results are dropped.
  void DiscardUnsaved();

  bool Recording() const { return recording_; }
  int Interval() const { return interval_; }  // 0 when not recording
  int Counter() const { return counter_; }
  QString FileName() const { return fileName_; }
  bool HasUnsavedResults() const { return unsaved_; }
  int StoredCount() const;
  // The unit of every stored result of the last recording ("mT"); "" when they were not all in
  // one unit, or it was not told. A data file carries no unit; this is how the program knows it.
  QString Unit() const { return unitMixed_ ? QString() : unit_.trimmed(); }
  // Called once per recording when its recovery file cannot be created or written.
  void SetRecoveryFailureHandler(std::function<void(const QString& recoveryFileName)> handler) {
    onRecoveryFailure_ = std::move(handler);
  }
  const RecoveryFile& Recovery() const { return recovery_; }

 private:
  RecordingOutcome Write(const QString& fileName);
  void RecoveryFailed();

  StoredSeries& series_;
  bool recording_ = false;
  int interval_ = 0;
  int counter_ = 0;
  QString fileName_;
  QString unit_;
  bool unitMixed_ = false;
  bool unsaved_ = false;
  RecoveryFile recovery_;
  std::function<void(const QString&)> onRecoveryFailure_;
};

// Panel 1 of StatusBar1 after a recording was written: "Zapisano wyników: 300".
QString SavedResultsText(int count);
