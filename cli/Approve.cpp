// fluxa-cli approve: a calibration signed electronically by an approver of the register, the
// password typed (three tries) or given by the environment (one).
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/RecordAccess.h"
#include "cli/Texts.h"
#include "publish/PublishSettings.h"
#include "settings/Jezyki.h"
#include "store/RecordsSettings.h"

int RunApprove(const CliOptions& options) {
  if (options.id.isEmpty()) {
    Complain(QStringLiteral("approve: ") + Text(Msg::Missing).arg(QStringLiteral("--id ID")));
    return kExitUsage;
  }
  const bool fromEnvironment = qEnvironmentVariableIsSet("FLUXA_APPROVER_PASSWORD");
  RecordStore store(BenchId());
  if (!OpenRecordStore(store, nullptr)) return kExitData;
  const QString meaning = LookupText(182);
  if (!fromEnvironment) Complain(LookupText(188).arg(meaning));
  using R = RecordStore::SignResult;
  for (int attempt = 0;; ++attempt) {
    const std::optional<QString> password =
        fromEnvironment ? qEnvironmentVariable("FLUXA_APPROVER_PASSWORD")
                        : AskHidden(Text(Msg::ApproverPasswordPrompt).arg(options.id, meaning));
    if (!password) {
      Complain(Text(Msg::NoPersonPassword).arg(QStringLiteral("FLUXA_APPROVER_PASSWORD")));
      return kExitUsage;
    }
    const R result = store.Sign(options.file, options.id, *password, meaning);
    Complain(SignResultText(result, options.file, options.id));
    switch (result.outcome) {
      case R::Signed: return kExitDone;
      case R::WrongPassword:
        if (!fromEnvironment && result.triesLeft > 0) continue;  // asked again
        return kExitUsage;
      case R::Paused:
      case R::UnknownPerson:
      case R::Inactive:
      case R::NotApprover: return kExitUsage;
      default: return kExitData;
    }
  }
}
