// fluxa-cli watch: every decoded result, as it arrives, on standard output.
#include <QCoreApplication>
#include <QElapsedTimer>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/Interrupt.h"
#include "cli/MeterSession.h"
#include "cli/ResultRows.h"

int RunWatch(const CliOptions& options) {
  MeterSession session(options.port);
  if (!session.Open()) return kExitDevice;
  const RowFormat format = RowFormatNamed(options.format);
  Complain(QStringLiteral("watching %1; Ctrl+C ends").arg(session.Describe()));
  WriteOut(ResultHeader(format));

  QElapsedTimer since;
  since.start();
  int shown = 0;
  bool ended = false;  // the exit is on its way: the loop may still run a turn
  const auto end = [&](int code) {
    if (ended) return;
    ended = true;
    QCoreApplication::exit(code);
  };
  session.OnFrame = [&](const ResultFrame& frame) {
    if (ended) return;
    StreamOut(ResultRow(DecodeResultFrame(frame), since.nsecsElapsed() / 1e9, format));
    if (++shown == options.count) end(kExitDone);
  };
  session.OnLost = [&](const QString& reason) {
    if (ended) return;
    Complain(LostDeviceText(session, reason));
    end(kExitDevice);
  };
  OnInterrupt([&] { end(kExitDone); });
  return QCoreApplication::exec();
}
