// fluxa-cli people: the register of people who calibrate and approve (RecordStore.h).
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/RecordAccess.h"
#include "cli/Texts.h"
#include "publish/PublishSettings.h"
#include "store/RecordsSettings.h"

namespace {
// The password of $FLUXA_PEOPLE_PASSWORD, else typed twice on the terminal; nothing (told)
// when there is none or the two differ.
std::optional<QString> NewPassword(const QString& id) {
  if (qEnvironmentVariableIsSet("FLUXA_PEOPLE_PASSWORD")) return qEnvironmentVariable("FLUXA_PEOPLE_PASSWORD");
  const std::optional<QString> first = AskHidden(Text(Msg::PersonPasswordPrompt).arg(id));
  if (!first) {
    Complain(Text(Msg::NoPersonPassword).arg(QStringLiteral("FLUXA_PEOPLE_PASSWORD")));
    return std::nullopt;
  }
  if (AskHidden(Text(Msg::PasswordAgainPrompt)) != first) {
    Complain(Text(Msg::PasswordsDiffer));
    return std::nullopt;
  }
  return first;
}

QByteArray ListLines(const QList<Person>& people) {
  QByteArray lines;
  for (const Person& p : people)
    lines += QStringList{p.id, p.name, p.role, QLatin1String(p.active ? "active" : "inactive"),
                         p.since.toUTC().toString(Qt::ISODate)}
                 .join(QLatin1Char('\t'))
                 .toUtf8() +
             '\n';
  return lines;
}
}  // namespace

int RunPeople(const CliOptions& options) {
  const QString& action = options.file;
  const bool list = action == QLatin1String("list");
  if (!list && action != QLatin1String("add") && action != QLatin1String("deactivate") &&
      action != QLatin1String("password")) {
    Complain(Text(Msg::UnknownPeopleAction).arg(action));
    return kExitUsage;
  }
  const QString& id = options.argument;
  if (list && !id.isEmpty()) {
    Complain(QStringLiteral("people: ") + Text(Msg::UnexpectedArgument).arg(id));
    return kExitUsage;
  }
  if (!list && id.isEmpty()) {
    Complain(QStringLiteral("people: ") + Text(Msg::Missing).arg(QStringLiteral("ID")));
    return kExitUsage;
  }
  if (action == QLatin1String("add"))
    for (const auto& [value, option] : {std::pair{&options.name, "--name"}, std::pair{&options.role, "--role"}})
      if (value->trimmed().isEmpty()) {
        Complain(QStringLiteral("people: ") + Text(Msg::Missing).arg(QLatin1String(option)));
        return kExitUsage;
      }
  RecordStore store(BenchId());
  if (!OpenRecordStore(store, nullptr)) return kExitData;
  if (list) {
    WriteOut(ListLines(store.People()));
    return kExitDone;
  }
  QString error;
  bool done = false;
  if (action == QLatin1String("deactivate")) {
    done = store.DeactivatePerson(id, &error);
    if (done) Complain(Text(Msg::PersonDeactivated).arg(id));
  } else {
    const std::optional<QString> password = NewPassword(id);
    if (!password) return kExitUsage;
    if (action == QLatin1String("add")) {
      Person person;
      person.id = id;
      person.name = options.name;
      person.role = options.role;
      done = store.AddPerson(person, *password, &error);
      if (done) Complain(Text(Msg::PersonAdded).arg(id, options.name.trimmed(), options.role));
    } else {
      done = store.SetPassword(id, *password, &error);
      if (done) Complain(Text(Msg::PersonPasswordChanged).arg(id));
    }
  }
  if (done) return kExitDone;
  Complain(Text(Msg::RegisterRefused).arg(error));
  return kExitData;
}
