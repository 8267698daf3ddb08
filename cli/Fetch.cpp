// fluxa-cli download: the meter's stored results to a data file, driven as the main window
// drives a Download: a tick that each step starts again with the step's own delay. A 500 ms
// check shows the progress and keeps --timeout's count.
#include <QCoreApplication>
#include <QTimer>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/MeterSession.h"
#include "cli/Silence.h"
#include "cli/Texts.h"
#include "records/Download.h"

namespace {
constexpr int kLinkCheckMs = 500;
constexpr int kDumpHeaderBytes = 2;
}  // namespace

int RunDownload(const CliOptions& options) {
  MeterSession session(options.port);
  if (!session.Open()) return kExitDevice;
  MeterReceiver& receiver = session.Receiver();
  Download download;
  ProgressLine progress;
  const auto showProgress = [&] {
    if (download.stage() != Download::kReceiving) return;
    const qint64 bytes = receiver.dump().size();
    const qint64 results = qMax<qint64>(0, bytes - kDumpHeaderBytes) / 2;
    // The dump tells no length: the bar is against the meter's memory.
    progress.Show(Text(Msg::DumpProgress).arg(ProgressBar(bytes, MeterReceiver::kDumpCapacity)).arg(results));
  };
  // With --timeout, the stored results must keep coming once they were asked for ("V"); the
  // download's own end (a quiet line at a tick) tells a meter that sends nothing.
  Silence silence(session.Describe(), options.timeout);
  qsizetype dumpSeen = 0;

  QTimer linkCheck;
  linkCheck.setInterval(kLinkCheckMs);
  QObject::connect(&linkCheck, &QTimer::timeout, [&] {
    receiver.clearDataSeen();
    if (options.timeout > 0 && receiver.dump().size() > dumpSeen) {
      dumpSeen = receiver.dump().size();
      silence.Arrived();
    }
    showProgress();
  });
  QTimer tick;
  tick.setSingleShot(true);
  bool ended = false;
  const auto finish = [&](int code) {
    ended = true;
    tick.stop();
    linkCheck.stop();
    silence.Stop();
    progress.Done();
    QCoreApplication::exit(code);
  };
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const DownloadTick step = download.Tick(receiver, session.Port());
    tick.start(download.NextTickMs());
    if (step.kind == DownloadTick::Receiving && options.timeout > 0) silence.Start();
    if (step.kind != DownloadTick::Finished) return;
    switch (step.outcome) {
      case DownloadTick::Written:
        Complain(Text(Msg::ResultsWritten).arg(step.lineCount).arg(options.out));
        finish(kExitDone);
        break;
      case DownloadTick::WriteFailed:
        Complain(Text(Msg::CannotWrite).arg(options.out));
        finish(kExitData);
        break;
      case DownloadTick::NoDump:
        Complain(Text(Msg::NoAnswer).arg(session.Describe()));
        finish(kExitDevice);
        break;
      default:  // data that is not a whole dump: nothing written
        Complain(DownloadOutcomeText(step.outcome));
        finish(kExitData);
        break;
    }
  });
  silence.OnTimeout = [&] {
    if (ended) return;
    download.Cancel(receiver, session.Port());
    finish(kExitDevice);
  };
  session.OnLost = [&](const QString& reason) {
    if (ended) return;
    download.Reset(receiver);
    Complain(LostDeviceText(session, reason) + Text(Msg::NothingWritten));
    finish(kExitDevice);
  };
  OnInterrupt([&] {
    if (ended) return;
    download.Cancel(receiver, session.Port());
    Complain(Text(Msg::DownloadCancelled));
    finish(kExitInterrupted);
  });

  Complain(Text(Msg::Downloading).arg(session.Describe()));
  download.Begin(session.Port(), options.out);
  linkCheck.start();
  tick.start(download.NextTickMs());
  return QCoreApplication::exec();
}
