// fluxa-cli record: the window's recording without the window. The Recorder keeps its recovery
// file beside the data file while it runs, so a killed program loses nothing it stored.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/MeterSession.h"
#include "cli/Publishing.h"
#include "measurement/ResultRows.h"
#include "cli/Silence.h"
#include "cli/Texts.h"
#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"
#include "records/DataFile.h"
#include "records/Recorder.h"

namespace {
constexpr int kProgressEveryMs = 200;  // the progress line is redrawn at most this often

// Ends the recording: what was stored goes to the data file. Returns the exit code.
int Finish(Recorder& recorder, int codeWhenWritten) {
  const RecordingOutcome outcome = recorder.Stop();
  switch (outcome.kind) {
    case RecordingOutcome::NothingStored:
      Complain(Text(Msg::NothingStored).arg(recorder.FileName()));
      return codeWhenWritten;
    case RecordingOutcome::Written:
      Complain(Text(Msg::ResultsWritten).arg(outcome.count).arg(recorder.FileName()));
      return codeWhenWritten;
    case RecordingOutcome::WriteFailed:
      break;
  }
  // The results stay in the recovery file, which the window offers at its next start.
  Complain(Text(Msg::WriteFailedKept)
               .arg(recorder.FileName())
               .arg(outcome.count)
               .arg(recorder.Recovery().FileName()));
  return kExitData;
}
}  // namespace

int RunRecord(const CliOptions& options) {
  MeterSession session(options.port);
  if (!session.Open()) return kExitDevice;
  CliPublishing publishing;
  if (const int code = publishing.Start(options, options.port)) return code;
  StoredSeries series;
  Recorder recorder(series);
  recorder.Start(options.every, options.out);
  // A recovery file that cannot even be created means a data file that cannot be written.
  if (!recorder.Recovery().IsOpen()) {
    Complain(Text(Msg::CannotCreate).arg(RecoveryFileName(options.out)));
    recorder.Stop();
    return kExitData;
  }
  // Later, the recording goes on in memory, as the window's does.
  recorder.SetRecoveryFailureHandler([](const QString& name) { Complain(PanelText(RecoveryFailureText(name))); });
  Complain(Text(Msg::Recording).arg(session.Describe(), options.out));
  const RowFormat format = RowFormatNamed(options.format);
  WriteOut(ResultHeader(format));

  // The echo on a terminal shows the progress; the line would only fight it.
  const bool showProgress = !StdoutIsTerminal();
  ProgressLine progress;
  QElapsedTimer sinceProgress;
  sinceProgress.start();
  QElapsedTimer since;
  since.start();
  const qint64 durationNs = qint64(options.duration * 1e9);
  Silence silence(session.Describe(), options.timeout);
  const auto finish = [&](int code) {
    if (!recorder.Recording()) return;
    silence.Stop();
    progress.Done();
    // A recording that saw no result at all did not reach a meter, however it ends.
    if (code == kExitDone && !silence.AnyArrived()) {
      Complain(silence.NothingText());
      code = kExitDevice;
    }
    const int exitCode = Finish(recorder, code);
    publishing.Stop();  // after the file: it never waits for the broker
    QCoreApplication::exit(exitCode);
  };
  silence.OnTimeout = [&] { finish(kExitDevice); };
  session.OnFrame = [&](const ResultFrame& frame) {
    if (!recorder.Recording()) return;
    const qint64 ns = since.nsecsElapsed();
    if (durationNs > 0 && ns >= durationNs) return finish(kExitDone);
    silence.Arrived();
    const MeasurementResult result = DecodeResultFrame(frame);
    const RecordResult stored =
        recorder.OnResult(FormatValueText(result.decimalClass, result.value), result.unitText);
    if (stored == RecordResult::Stored || stored == RecordResult::Full) {
      StreamOut(ResultRow(result, ns / 1e9, format));
      publishing.Publish(result, ns / 1e9);  // the file never waits for the broker
    }
    if (stored == RecordResult::Full || (options.count > 0 && recorder.StoredCount() >= options.count)) {
      finish(kExitDone);
      return;
    }
    if (showProgress && stored == RecordResult::Stored && sinceProgress.elapsed() >= kProgressEveryMs) {
      sinceProgress.restart();
      progress.Show(Text(Msg::ResultsRecorded).arg(recorder.StoredCount()));
    }
  };
  session.OnLost = [&](const QString& reason) {
    Complain(LostDeviceText(session, reason));
    finish(kExitDevice);
  };
  QTimer duration;
  duration.setSingleShot(true);
  duration.setTimerType(Qt::PreciseTimer);
  QObject::connect(&duration, &QTimer::timeout, [&] { finish(kExitDone); });
  if (durationNs > 0) duration.start(int(durationNs / 1000000));
  OnInterrupt([&] { finish(kExitDone); });
  silence.Start();
  return QCoreApplication::exec();
}
