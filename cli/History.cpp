// fluxa-cli history and certificate: the record store's calibrations and transfers, and the
// certificate of one calibration as a PDF file.
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
bool OpenStore(RecordStore& store) { return OpenRecordStore(store, nullptr); }

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

int RunHistory(const CliOptions& options) {
  RecordStore store(BenchId());
  bool benchTaken = false;
  if (!OpenRecordStore(store, &benchTaken)) return kExitData;
  const QList<RecordSummary> history = store.History(options.serial);
  if (options.format == QLatin1String("csv"))
    WriteOut(HistoryCsv(history, "\n"));  // a script's lines end in LF
  else if (options.format == QLatin1String("json"))
    WriteOut(HistoryJson(history));
  else
    WriteOut(ReadableTable(history));
  return benchTaken ? kExitBenchTaken : kExitDone;
}

int RunCertificate(const CliOptions& options) {
  RecordStore store(BenchId());
  if (!OpenStore(store)) return kExitData;
  const QString& number = options.file;
  const std::optional<CalibrationRecord> record = store.Calibration(number);
  if (!record) {
    Complain(store.Transfer(number) ? Text(Msg::NotACalibration).arg(number)
                                    : Text(Msg::NoSuchCalibration).arg(number, RecordsPath()));
    return kExitData;
  }
  const CertificateLanguage language =
      CurrentLanguage == QLatin1String("Angielski") ? CertificateLanguage::English : CertificateLanguage::Polish;
  QPdfWriter writer(options.out);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setTitle(number);
  writer.setCreator(QStringLiteral("fluxa-cli"));
  if (!PrintDocument(writer, [&](PrintCanvas& canvas) { LayoutCertificate(canvas, *record, {}, language); })) {
    Complain(Text(Msg::CannotWrite).arg(options.out));
    return kExitData;
  }
  Complain(Text(Msg::CertificateWritten).arg(number, options.out));
  return kExitDone;
}
