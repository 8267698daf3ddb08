// fluxa-cli send: a calibration file to the meter, planned and sent as the service panel does.
#include <QFile>
#include <QFileInfo>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/MeterSession.h"
#include "cli/Texts.h"
#include "parameters/CalibrationFile.h"
#include "parameters/Transfer.h"
#include "store/RecordsSettings.h"
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
    password = AskHidden(Text(Msg::PasswordPrompt));
  if (!password) return Access::None;
  return IsServicePassword(*password) ? Access::Granted : Access::WrongPassword;
}

QString Hex(const QByteArray& frame) { return QString::fromLatin1(frame.toHex(' ').toUpper()); }

// What a calibration file's bytes hold, counted by the reader's own rules (CalibrationFile.h):
// the byte 1A ends the file, CR or CR LF ends a line, a lone LF is part of a line's text. The
// reader takes a short file as empty lines and drops lines after the 26th; send refuses both,
// since either is not the calibration the technician meant.
struct FileShape {
  bool text = true;
  int lines = 0;
  bool loneLineFeeds = false;
};

FileShape ShapeOf(const QByteArray& bytes) {
  FileShape shape;
  shape.text = !bytes.contains('\0');
  qsizetype end = bytes.indexOf('\x1A');
  if (end < 0) end = bytes.size();
  qsizetype lineStart = 0;
  for (qsizetype i = 0; i < end; ++i) {
    const char c = bytes[i];
    if (c == '\r') {
      ++shape.lines;
      if (i + 1 < end && bytes[i + 1] == '\n') ++i;
      lineStart = i + 1;
    } else if (c == '\n') {
      shape.loneLineFeeds = true;
    } else if ((uchar(c) < 0x20 && c != '\t') || c == '\x7F') {
      shape.text = false;
    }
  }
  if (lineStart < end) ++shape.lines;  // the last line without its line end
  return shape;
}

// The file's calibration when the file holds one, else the refusal told.
std::optional<MeterParameters> ReadWholeCalibration(const QString& fileName) {
  QFile file(fileName);
  QByteArray bytes;
  if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
  if (!file.isOpen() || file.error() != QFileDevice::NoError) {
    Complain(QStringLiteral("%1: %2").arg(fileName, PanelText(kCalibrationReadErrorText)));
    return std::nullopt;
  }
  const FileShape shape = ShapeOf(bytes);
  if (!shape.text) {
    Complain(Text(Msg::NotText).arg(fileName) + Text(Msg::NothingSent));
    return std::nullopt;
  }
  if (shape.lines != MeterParameters::kCount) {
    Complain(Text(Msg::LineCount).arg(fileName, QString::number(shape.lines)) +
             (shape.loneLineFeeds ? Text(Msg::LoneLineFeeds) : QString()) + Text(Msg::NothingSent));
    return std::nullopt;
  }
  return DecodeCalibrationFile(bytes);
}
}  // namespace

int RunSend(const CliOptions& options) {
  if (!QFileInfo::exists(options.file)) {
    Complain(Text(Msg::NoSuchFile).arg(options.file));
    return kExitData;
  }
  const std::optional<MeterParameters> parameters = ReadWholeCalibration(options.file);
  if (!parameters) return kExitData;
  // The panel's checks and messages, in the user's language.
  const TransferPlan plan = PlanTransfer(*parameters, options.store, ProgramTextLanguage());
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
      Complain(Text(Msg::WrongPassword));
      return kExitUsage;
    case Access::None:
      Complain(Text(Msg::NeedsServiceAccess));
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
  Complain(TransferReportText(tally, ProgramTextLanguage()));  // the service panel's report of the transfer
  // Kept in the calibration records like the panel's transfers.
  TransferRecord record = MakeTransferRecord(*parameters, tally);
  const KeptRecord kept = KeepRecord(record);
  Complain(kept.number.isEmpty() ? Text(Msg::TransferNotRecorded).arg(kept.error)
                                 : Text(Msg::TransferRecorded).arg(kept.number));
  // A lab's server that is away: the record waits in the local file, and so may others.
  if (!kept.number.isEmpty() && kept.serverNamed && kept.waiting > 0)
    Complain(kept.serverError.isEmpty() ? Text(Msg::RecordsWaiting).arg(kept.waiting)
                                        : Text(Msg::RecordWaitsForServer).arg(kept.serverError).arg(kept.waiting));
  return tally.sent == tally.planned && tally.stored == tally.storeAsked ? kExitDone : kExitDevice;
}
