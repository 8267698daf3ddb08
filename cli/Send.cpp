// fluxa-cli send: a calibration file to the meter, planned and sent as the service panel does.
#include <QFileInfo>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/MeterSession.h"
#include "parameters/CalibrationFile.h"
#include "parameters/Transfer.h"
#include "settings/ServiceAccess.h"
#include "settings/UserSettings.h"

namespace {
enum class Access { Granted, WrongPassword, None };

// The service flag of the settings store, else the password from the environment or the terminal.
Access ServiceAccess() {
  if (ReadUserSettings().service) return Access::Granted;
  std::optional<QString> password;
  if (qEnvironmentVariableIsSet("FLUXA_SERVICE_PASSWORD"))
    password = qEnvironmentVariable("FLUXA_SERVICE_PASSWORD");
  else
    password = AskHidden(QStringLiteral("Service password: "));
  if (!password) return Access::None;
  return IsServicePassword(*password) ? Access::Granted : Access::WrongPassword;
}

QString Hex(const QByteArray& frame) { return QString::fromLatin1(frame.toHex(' ').toUpper()); }
}  // namespace

int RunSend(const CliOptions& options) {
  if (!QFileInfo::exists(options.file)) {
    Complain(QStringLiteral("%1: no such file").arg(options.file));
    return kExitData;
  }
  const std::optional<MeterParameters> parameters = ReadCalibrationFile(options.file);
  if (!parameters) {
    Complain(QStringLiteral("%1: %2").arg(options.file, kCalibrationReadErrorText));
    return kExitData;
  }
  const TransferPlan plan = PlanTransfer(*parameters, options.store);
  if (!plan.ok()) {
    Complain(QStringLiteral("%1: %2").arg(options.file, plan.refusal));  // nothing is sent
    return kExitData;
  }
  if (options.dryRun) {
    QByteArray lines;
    for (const TransferStep& step : plan.steps)
      if (!step.frame.isEmpty()) lines += Hex(step.frame).toLatin1() + '\n';
    WriteOut(lines);
    return kExitDone;
  }

  switch (ServiceAccess()) {
    case Access::Granted: break;
    case Access::WrongPassword:
      Complain(QStringLiteral("wrong service password"));
      return kExitUsage;
    case Access::None:
      Complain(QStringLiteral("send needs service access: the service flag of the settings store, "
                              "or the service password ($FLUXA_SERVICE_PASSWORD or a terminal)"));
      return kExitUsage;
  }

  MeterSession session(options.port);
  if (!session.Open()) return kExitDevice;
  // A write the port refuses is told by the transfer itself; the tally tells what arrived.
  TransferTally tally;
  ProgressLine progress(true);
  RunTransfer(session.Port(), plan.steps, [&](int done, int total) {
    progress.Show(QStringLiteral("%1 / %2").arg(done).arg(total));
  }, &tally);
  progress.Done();
  Complain(TransferReportText(tally));  // the service panel's report of the transfer
  return tally.sent == tally.planned && tally.stored == tally.storeAsked ? kExitDone : kExitDevice;
}
