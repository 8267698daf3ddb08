// fluxa-cli watch: every decoded result, as it arrives, on standard output.
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

int RunWatch(const CliOptions& options) {
  MeterSession session(options.port);
  if (!session.Open()) return kExitDevice;
  CliPublishing publishing;
  if (const int code = publishing.Start(options, options.port)) return code;
  const RowFormat format = RowFormatNamed(options.format);
  Complain(Text(Msg::Watching).arg(session.Describe()));
  WriteOut(ResultHeader(format));

  QElapsedTimer since;
  since.start();
  const qint64 durationNs = qint64(options.duration * 1e9);
  int shown = 0;
  bool ended = false;  // the exit is on its way: the loop may still run a turn
  Silence silence(session.Describe(), options.timeout);
  // A watch that saw no result at all did not reach a meter, however it ends.
  const auto end = [&](int code) {
    if (ended) return;
    ended = true;
    silence.Stop();
    publishing.Stop();
    if (code == kExitDone && shown == 0) {
      Complain(silence.NothingText());
      code = kExitDevice;
    }
    QCoreApplication::exit(code);
  };
  silence.OnTimeout = [&] { end(kExitDevice); };
  session.OnFrame = [&](const ResultFrame& frame) {
    if (ended) return;
    const qint64 ns = since.nsecsElapsed();
    // A result after the end of the duration is not shown, however late the timer.
    if (durationNs > 0 && ns >= durationNs) return end(kExitDone);
    silence.Arrived();
    const MeasurementResult result = DecodeResultFrame(frame);
    StreamOut(ResultRow(result, ns / 1e9, format));
    publishing.Publish(result, ns / 1e9);
    if (++shown == options.count) end(kExitDone);
  };
  session.OnLost = [&](const QString& reason) {
    if (ended) return;
    Complain(LostDeviceText(session, reason));
    end(kExitDevice);
  };
  QTimer duration;
  duration.setSingleShot(true);
  duration.setTimerType(Qt::PreciseTimer);
  QObject::connect(&duration, &QTimer::timeout, [&] { end(kExitDone); });
  if (durationNs > 0) duration.start(int(durationNs / 1000000));
  OnInterrupt([&] { end(kExitDone); });
  silence.Start();
  return QCoreApplication::exec();
}
