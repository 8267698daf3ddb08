// fluxa-cli record: the window's recording without the window. The Recorder keeps its recovery
// file beside the data file while it runs, so a killed program loses nothing it stored.
#include <QCoreApplication>
#include <QElapsedTimer>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/MeterSession.h"
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
      Complain(QStringLiteral("no result was stored; %1 was not written").arg(recorder.FileName()));
      return codeWhenWritten;
    case RecordingOutcome::Written:
      Complain(QStringLiteral("%1 results written to %2").arg(outcome.count).arg(recorder.FileName()));
      return codeWhenWritten;
    case RecordingOutcome::WriteFailed:
      break;
  }
  // The results stay in the recovery file, which the window offers at its next start.
  Complain(QStringLiteral("cannot write %1; its %2 results stay in %3")
               .arg(recorder.FileName())
               .arg(outcome.count)
               .arg(recorder.Recovery().FileName()));
  return kExitData;
}
}  // namespace

int RunRecord(const CliOptions& options) {
  MeterSession session(options.port);
  if (!session.Open()) return kExitDevice;
  StoredSeries series;
  Recorder recorder(series);
  recorder.Start(options.every, options.out);
  // A recovery file that cannot even be created means a data file that cannot be written.
  if (!recorder.Recovery().IsOpen()) {
    Complain(QStringLiteral("cannot create %1").arg(RecoveryFileName(options.out)));
    recorder.Stop();
    return kExitData;
  }
  // Later, the recording goes on in memory, as the window's does.
  recorder.SetRecoveryFailureHandler([](const QString& name) { Complain(RecoveryFailureText(name)); });
  Complain(QStringLiteral("recording %1 to %2; Ctrl+C ends").arg(session.Describe(), options.out));

  ProgressLine progress;
  QElapsedTimer sinceProgress;
  sinceProgress.start();
  const auto finish = [&](int code) {
    if (!recorder.Recording()) return;
    progress.Done();
    QCoreApplication::exit(Finish(recorder, code));
  };
  session.OnFrame = [&](const ResultFrame& frame) {
    if (!recorder.Recording()) return;
    const MeasurementResult result = DecodeResultFrame(frame);
    const RecordResult stored =
        recorder.OnResult(FormatValueText(result.decimalClass, result.value), result.unitText);
    if (stored == RecordResult::Full || (options.count > 0 && recorder.StoredCount() >= options.count)) {
      finish(kExitDone);
      return;
    }
    if (stored == RecordResult::Stored && sinceProgress.elapsed() >= kProgressEveryMs) {
      sinceProgress.restart();
      progress.Show(QStringLiteral("%1 results recorded").arg(recorder.StoredCount()));
    }
  };
  session.OnLost = [&](const QString& reason) {
    Complain(LostDeviceText(session, reason));
    finish(kExitDevice);
  };
  OnInterrupt([&] { finish(kExitDone); });
  return QCoreApplication::exec();
}
