// fluxa-cli verify and db: the chains of records checked, the lab's server set up by its owner,
// a bench id taken over.
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/RecordAccess.h"
#include "cli/Texts.h"
#include "publish/PublishSettings.h"
#include "store/RecordsSettings.h"

int RunVerify(const CliOptions&) {
  RecordStore store(BenchId());
  bool benchTaken = false;
  if (!OpenRecordStore(store, &benchTaken)) return kExitData;
  bool broken = false;
  for (const bool server : {false, true}) {
    if (server && !store.ServerConnected()) continue;
    const QString where = server ? QStringLiteral("server") : QStringLiteral("local");
    const QList<RecordStore::Finding> findings = store.Verify(server);
    static const char* const kWhat[] = {"changed", "removed", "removed before", "inserted", "replaced"};
    QByteArray lines;
    QStringList told;
    for (const RecordStore::Finding& f : findings) {
      lines += (where + '\t' + f.number + '\t' + QLatin1String(kWhat[f.kind]) + '\n').toUtf8();
      told << FindingText(f);
    }
    WriteOut(lines);
    const QString place = server ? ReadRecordsSettings().host : RecordsPath();
    Complain(findings.isEmpty() ? Text(Msg::ChainSound).arg(place)
                                : Text(Msg::ChainBroken).arg(place, told.join(QStringLiteral(", "))));
    broken = broken || !findings.isEmpty();
  }
  if (broken) return kExitChainBroken;
  return benchTaken ? kExitBenchTaken : kExitDone;
}

namespace {
int SetUp(const CliOptions& options) {
  const RecordsSettings s = ReadRecordsSettings();
  if (s.host.isEmpty()) {
    Complain(Text(Msg::NoServerNamed));
    return kExitUsage;
  }
  if (s.user.isEmpty()) {
    Complain(Text(Msg::NoWorkingRole));
    return kExitUsage;
  }
  if (options.owner.isEmpty()) {
    Complain(QStringLiteral("db: ") + Text(Msg::Missing).arg(QStringLiteral("--owner")));
    return kExitUsage;
  }
  const QString password = AskHidden(Text(Msg::OwnerPasswordPrompt).arg(options.owner, s.host)).value_or(QString());
  QString error;
  if (!RecordStore::SetUpServer({s.host, s.port, s.database, options.owner, password}, s.user, &error)) {
    Complain(Text(Msg::SetupFailed).arg(error));
    return kExitDevice;
  }
  Complain(Text(Msg::ServerSetUp).arg(s.host, s.user));
  return kExitDone;
}

int TakeOver() {
  const RecordsSettings s = ReadRecordsSettings();
  if (s.host.isEmpty()) {
    Complain(Text(Msg::NoServerNamed));
    return kExitUsage;
  }
  RecordStore store(BenchId());
  QString error;
  if (!store.Open(RecordsPath(), &error)) {
    Complain(Text(Msg::RecordsCannotOpen).arg(error));
    return kExitData;
  }
  if (!store.TakeOverBench({s.host, s.port, s.database, s.user, DatabasePasswordFromEnvironment()}, &error)) {
    Complain(Text(Msg::SetupFailed).arg(error));
    return kExitDevice;
  }
  Complain(Text(Msg::BenchTakenOver).arg(store.Bench(), store.Installation()));
  for (const QString& number : store.Conflicts()) Complain(Text(Msg::RecordConflict).arg(number));
  if (store.Waiting() > 0) Complain(Text(Msg::RecordsWaiting).arg(store.Waiting()));
  return kExitDone;
}
}  // namespace

int RunDb(const CliOptions& options) {
  if (options.file == QLatin1String("setup")) return SetUp(options);
  if (options.file == QLatin1String("take-over")) return TakeOver();
  Complain(Text(Msg::UnknownDbAction).arg(options.file));
  return kExitUsage;
}
