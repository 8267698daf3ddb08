// fluxa-cli history: the record store's calibrations and transfers (the certificate of one
// calibration is Certificate.cpp's).
#include <QPageSize>
#include <QPdfWriter>
#include <algorithm>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/Texts.h"
#include "cli/RecordAccess.h"
#include "common/PrintCanvas.h"
#include "publish/PublishSettings.h"
#include "settings/Jezyki.h"
#include "store/CertificateLayout.h"
#include "store/HistoryExport.h"
#include "store/RecordsSettings.h"

// Opens the store as the window does: the local file, and the lab's server when the settings
// name one; a server that cannot be reached is told, and the local file serves. So is a bench
// id the server gives to another installation, and every record in conflict with the server's.
bool OpenRecordStore(RecordStore& store, bool* benchTaken) {
  QString error, serverError;
  if (!OpenRecords(store, ReadRecordsSettings(), DatabasePasswordFromEnvironment(), &error, &serverError)) {
    Complain(Text(Msg::RecordsCannotOpen).arg(error));
    return false;
  }
  if (benchTaken) *benchTaken = store.BenchTaken();
  if (store.BenchTaken()) Complain(Text(Msg::BenchTaken).arg(store.Bench(), RecordsPath()));
  else if (!serverError.isEmpty()) Complain(Text(Msg::RecordsServerAway).arg(serverError, RecordsPath()));
  for (const QString& number : store.Conflicts()) Complain(Text(Msg::RecordConflict).arg(number));
  return true;
}

namespace {
// What the history's STATE column says of a record.
QString StateOf(const RecordSummary& r) {
  QStringList state;
  if (!r.state.isEmpty()) state << r.state;
  if (!r.supersededBy.isEmpty()) state << QStringLiteral("superseded by ") + r.supersededBy;
  return state.join(QStringLiteral(", "));
}

// The history as a table to read: columns as wide as their longest text, two spaces apart.
QByteArray ReadableTable(const QList<RecordSummary>& history) {
  constexpr int kColumns = 7;
  QList<QStringList> rows = {{"NUMBER", "KIND", "SERIAL", "TIME", "TECHNICIAN", "AMENDS", "STATE"}};
  for (const RecordSummary& r : history)
    rows << QStringList{r.number, r.kind, r.serial, r.at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                        r.technician, r.amends, StateOf(r)};
  QList<qsizetype> widths(kColumns, 0);
  for (const QStringList& row : rows)
    for (int i = 0; i < kColumns; ++i) widths[i] = std::max(widths[i], row[i].size());
  QByteArray table;
  for (const QStringList& row : rows) {
    QString line;
    for (int i = 0; i < kColumns; ++i) line += i < kColumns - 1 ? row[i].leftJustified(widths[i] + 2) : row[i];
    table += line.trimmed().toUtf8() + '\n';
  }
  return table;
}
}  // namespace

bool CommandDrawsPages(const QStringList& arguments) {
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--lang")) {
      ++i;
      continue;
    }
    if (arguments[i].startsWith(QLatin1String("--lang="))) continue;
    return arguments[i] == QLatin1String("certificate");
  }
  return false;
}

namespace {
// history --number N: the record's whole content, or 3 and why not.
int ShowRecord(const RecordStore& store, const CliOptions& options, int done) {
  const QString& number = options.number;
  const std::optional<CalibrationRecord> calibration = store.Calibration(number);
  const std::optional<TransferRecord> transfer = calibration ? std::nullopt : store.Transfer(number);
  if (!calibration && !transfer) {
    Complain(Text(Msg::NoSuchRecord).arg(number, RecordsPath()));
    return kExitData;
  }
  RecordSummary summary;
  for (const RecordSummary& r : store.History(calibration ? calibration->serial : transfer->serial))
    if (r.number == number) summary = r;
  const bool csv = options.format == QLatin1String("csv"), json = options.format == QLatin1String("json");
  if (calibration) {
    const std::optional<SignatureRecord> approval = store.Approval(number);  // none: a draft, or changed since
    WriteOut(csv    ? CalibrationDetailCsv(*calibration, "\n")
             : json ? CalibrationDetailJson(*calibration, summary, approval)
                    : CalibrationDetailText(*calibration, summary, approval));
  } else {
    WriteOut(csv    ? TransferDetailCsv(*transfer, "\n")
             : json ? TransferDetailJson(*transfer, summary)
                    : TransferDetailText(*transfer, summary));
  }
  return done;
}
}  // namespace

int RunHistory(const CliOptions& options) {
  RecordStore store(BenchId());
  bool benchTaken = false;
  if (!OpenRecordStore(store, &benchTaken)) return kExitData;
  if (!options.number.isEmpty()) return ShowRecord(store, options, benchTaken ? kExitBenchTaken : kExitDone);
  const QList<RecordSummary> history = store.History(options.serial);
  if (options.format == QLatin1String("csv"))
    WriteOut(HistoryCsv(history, "\n"));  // a script's lines end in LF
  else if (options.format == QLatin1String("json"))
    WriteOut(HistoryJson(history));
  else
    WriteOut(ReadableTable(history));
  return benchTaken ? kExitBenchTaken : kExitDone;
}
