#include "cli/Texts.h"

#include <QLocale>
#include <QRegularExpression>
#include <functional>

#include "parameters/CalibrationFile.h"
#include "parameters/Transfer.h"
#include "settings/Jezyki.h"
#include "settings/ProgramLanguage.h"

namespace {
struct Pair {
  Msg id;
  const char* polish;
  const char* english;
};

// UTF-8, one row a message.
const Pair kTexts[] = {
    {Msg::NoCommand, "brak polecenia; \"fluxa-cli --help\" je wymienia",
     "no command; \"fluxa-cli --help\" lists them"},
    {Msg::UnknownCommand, "nieznane polecenie '%1'", "unknown command '%1'"},
    {Msg::UnknownCommandHint, "nieznane polecenie '%1'; \"fluxa-cli --help\" wymienia polecenia",
     "unknown command '%1'; \"fluxa-cli --help\" lists them"},
    {Msg::OptionBeforeCommand, "nieznana opcja '%1' przed poleceniem", "unknown option '%1' before the command"},
    {Msg::Missing, "brak %1", "%1 is missing"},
    {Msg::OneOnly, "tylko jeden %1", "one %1 only"},
    {Msg::UnexpectedArgument, "nieoczekiwany argument '%1'", "unexpected argument '%1'"},
    {Msg::PortNeedsName, "--port wymaga nazwy albo ścieżki", "--port needs a name or a path"},
    {Msg::CountRange, "--count przyjmuje liczbę całkowitą od 1 do %1", "--count takes a whole number from 1 to %1"},
    {Msg::EveryRange, "--every przyjmuje liczbę całkowitą od %1 do %2",
     "--every takes a whole number from %1 to %2"},
    {Msg::FormatTakes, "--format przyjmuje %1", "--format takes %1"},
    {Msg::OutRequired, "--out PLIK jest wymagane", "--out FILE is required"},
    {Msg::SecondsRange, "%1 przyjmuje sekundy, więcej niż 0 i najwyżej %2",
     "%1 takes seconds, more than 0 and at most %2"},
    {Msg::LangTakes, "--lang przyjmuje pl albo en, nie '%1'", "--lang takes pl or en, not '%1'"},
    {Msg::NoSuchFile, "%1: nie ma takiego pliku", "%1: no such file"},
    {Msg::CannotReadFile, "%1: nie można odczytać pliku", "%1: cannot read the file"},
    {Msg::CannotOpen, "nie można otworzyć %1: %2", "cannot open %1: %2"},
    {Msg::PortBusy, "port zajęty: trzyma go inny program", "port busy: another program holds it"},
    {Msg::NoPermission,
     "brak uprawnień do %1; porty szeregowe należą do grupy dialout: sudo adduser $USER dialout, "
     "potem zaloguj się ponownie",
     "no permission to use %1; serial ports belong to the group dialout: sudo adduser $USER dialout, "
     "then log in again"},
    {Msg::Watching, "odczyt z %1; Ctrl+C kończy", "watching %1; Ctrl+C ends"},
    {Msg::Recording, "zapis z %1 do %2; Ctrl+C kończy", "recording %1 to %2; Ctrl+C ends"},
    {Msg::Downloading, "pobieranie z %1", "downloading from %1"},
    {Msg::ResultsRecorded, "zapisanych wyników: %1", "%1 results recorded"},
    {Msg::DumpProgress, "%1 wyników: %2", "%1 %2 results"},
    {Msg::NoAnswer, "brak odpowiedzi miernika na %1", "no answer from the meter on %1"},
    {Msg::CannotWrite, "nie można zapisać %1", "cannot write %1"},
    {Msg::CannotCreate, "nie można utworzyć %1", "cannot create %1"},
    {Msg::ResultsWritten, "wyników zapisanych do %2: %1", "%1 results written to %2"},
    {Msg::NothingWritten, "; nic nie zapisano", "; nothing written"},
    {Msg::DownloadCancelled, "pobieranie przerwane; nic nie zapisano", "download cancelled; nothing written"},
    {Msg::NothingStored, "nie zapamiętano żadnego wyniku; %1 nie został zapisany",
     "no result was stored; %1 was not written"},
    {Msg::WriteFailedKept, "nie można zapisać %1; jego wyniki (%2) zostają w %3",
     "cannot write %1; its %2 results stay in %3"},
    {Msg::NoResultsHint, "brak wyników z %1: czy miernik jest włączony, czy to jego port?",
     "no results from %1: is the meter on, is this its port?"},
    {Msg::NoResultsFor, "brak wyników z %1 od %2 s", "no results from %1 for %2 s"},
    {Msg::NoResults, "brak wyników z %1", "no results from %1"},
    {Msg::WrongPassword, "złe hasło serwisowe", "wrong service password"},
    {Msg::NeedsServiceAccess,
     "send wymaga dostępu serwisowego: flagi serwisowej w ustawieniach albo hasła serwisowego "
     "($FLUXA_SERVICE_PASSWORD lub terminal)",
     "send needs service access: the service flag of the settings store, or the service password "
     "($FLUXA_SERVICE_PASSWORD or a terminal)"},
    {Msg::PasswordPrompt, "Hasło serwisowe: ", "Service password: "},
    {Msg::NotText, "%1: to nie jest plik tekstowy, a plik kalibracyjny to 26 wierszy tekstu",
     "%1: not a text file; a calibration file holds 26 lines of text"},
    {Msg::LineCount, "%1: plik kalibracyjny ma 26 wierszy, ten ma %2",
     "%1: a calibration file holds 26 lines, this one %2"},
    {Msg::LoneLineFeeds, " (jego wiersze kończy samo LF, wiersze pliku kalibracyjnego kończy CR LF albo CR)",
     " (its lines end in LF alone; those of a calibration file end in CR LF or CR)"},
    {Msg::NothingSent, "; nic nie wysłano", "; nothing sent"},
    {Msg::TransferRecorded, "protokół przesłania: %1", "transfer record: %1"},
    {Msg::TransferNotRecorded, "nie zapisano protokołu przesłania: %1", "transfer record not kept: %1"},
    {Msg::RecordWaitsForServer, "serwer bazy kalibracji niedostępny (%1); na wysłanie czeka protokołów: %2",
     "the records server cannot be reached (%1); records waiting to go: %2"},
    {Msg::RecordsWaiting, "na wysłanie do serwera bazy kalibracji czeka protokołów: %1",
     "records waiting to go to the records server: %1"},
    {Msg::MqttUrlBad, "--mqtt: %1", "--mqtt: %1"},
    {Msg::MqttCaWithoutTls, "--mqtt-ca tylko z mqtts://", "--mqtt-ca only with mqtts://"},
    {Msg::MqttPasswordPrompt, "Hasło użytkownika %1 brokera %2: ", "Password of %1 at the broker %2: "},
    {Msg::MqttCannotStart, "MQTT: %1", "MQTT: %1"},
    {Msg::MqttPublishing, "publikacja na %1: %2", "publishing to %1: %2"},
    {Msg::MqttRefused, "broker %1 odmówił połączenia: %2", "the broker %1 refused the connection: %2"},
    {Msg::MqttUnreachable, "brak połączenia z brokerem %1:%2 (czy działa, czy to ten port?)",
     "cannot reach the broker %1:%2 (is it running, is this its port?)"},
    {Msg::MqttDropped, "MQTT: pominięto %1 najstarszych wyników (broker niedostępny zbyt długo)",
     "MQTT: dropped the %1 oldest results (the broker was away too long)"},
    {Msg::MqttLeft, "MQTT: %1 wyników nie dotarło do brokera", "MQTT: %1 results did not reach the broker"},
    {Msg::RecordsCannotOpen, "nie można otworzyć rejestru wzorcowań: %1", "cannot open the record store: %1"},
    {Msg::RecordsServerAway, "brak połączenia z serwerem rejestru (%1); dalej zapisy z pliku %2",
     "the records server was not reached (%1); the records of %2 follow"},
    {Msg::NoSuchCalibration, "nie ma wzorcowania o numerze %1 w %2", "no calibration numbered %1 in %2"},
    {Msg::NoSuchRecord, "brak rekordu o numerze %1 w %2", "no record numbered %1 in %2"},
    {Msg::NumberOrSerial, "--number i --serial się wykluczają", "--number and --serial do not go together"},
    {Msg::NumberNeedsValue, "--number wymaga numeru rekordu", "--number needs a record's number"},
    {Msg::NotACalibration, "%1 to zapis przesłania parametrów, nie wzorcowanie",
     "%1 is a transfer of parameters, not a calibration"},
    {Msg::CertificateWritten, "świadectwo %1 zapisane do %2", "certificate %1 written to %2"},
    {Msg::CertificateDraft, "wzorcowanie %1 nie jest zatwierdzone: zapisane do %2 jako projekt, bez DCC",
     "calibration %1 is not approved: written to %2 as a draft, without a DCC"},
    {Msg::DccNeedsApproval, "wzorcowanie %1 nie jest zatwierdzone: DCC ma tylko świadectwo zatwierdzone (fluxa-cli approve %1); nic nie zapisano",
     "calibration %1 is not approved: only an approved certificate has a DCC (fluxa-cli approve %1); nothing written"},
    {Msg::DccRefused, "DCC świadectwa %1 odrzucone: %2; nic nie zapisano", "the DCC of %1 is refused: %2; nothing written"},
    {Msg::DccWritten, "DCC świadectwa %1 zapisane do %2 (i wewnątrz PDF)", "the DCC of %1 written to %2 (and inside the PDF)"},
    {Msg::BenchTaken,
     "stanowisko %1 jest zarejestrowane na serwerze przez inną instalację; rekordy czekają w %2 "
     "(\"fluxa-cli db take-over\" przejmuje stanowisko)",
     "the bench id %1 is registered on the server to another installation; records wait in %2 "
     "(\"fluxa-cli db take-over\" takes the bench over)"},
    {Msg::RecordConflict, "%1: serwer ma inny rekord o tym numerze; ten zostaje w pliku lokalnym",
     "%1: the server holds a different record under this number; this one stays in the local file"},
    {Msg::ChainBroken, "łańcuch rekordów naruszony (%1): %2", "the record chain is broken (%1): %2"},
    {Msg::ChainSound, "łańcuch rekordów nienaruszony (%1)", "the record chain is intact (%1)"},
    {Msg::PersonPasswordPrompt, "Hasło osoby %1: ", "Password of %1: "},
    {Msg::PasswordAgainPrompt, "Powtórz hasło: ", "The password again: "},
    {Msg::PasswordsDiffer, "hasła się różnią; nic nie zapisano", "the passwords differ; nothing kept"},
    {Msg::NoPersonPassword, "brak hasła: wpisz je na terminalu albo podaj w %1",
     "no password: type it on a terminal or set %1"},
    {Msg::PersonAdded, "%1 (%2) zarejestrowana jako %3", "%1 (%2) registered as %3"},
    {Msg::PersonDeactivated, "%1 jest od teraz nieaktywna", "%1 is not active from now on"},
    {Msg::PersonPasswordChanged, "nowe hasło %1 zapisane", "the new password of %1 kept"},
    {Msg::RegisterRefused, "rejestr osób: %1", "register of people: %1"},
    {Msg::UnknownPeopleAction, "people: nieznane działanie '%1' (add, list, deactivate albo password)",
     "people: unknown action '%1' (add, list, deactivate or password)"},
    {Msg::ApproverPasswordPrompt, "Hasło %1 (%2): ", "Password of %1 (%2): "},
    {Msg::NoServerNamed, "ustawienia nie wskazują serwera bazy kalibracji ([records] host)",
     "the settings name no records server ([records] host)"},
    {Msg::NoWorkingRole, "ustawienia nie wskazują użytkownika serwera ([records] user), któremu nadać prawa",
     "the settings name no server user ([records] user) to grant"},
    {Msg::OwnerPasswordPrompt, "Hasło właściciela %1 na serwerze %2: ", "Password of the owner %1 at %2: "},
    {Msg::ServerSetUp, "schemat rekordów na %1 gotowy; %2 może tylko dopisywać i czytać rekordy",
     "the records schema on %1 is ready; %2 may only add and read records"},
    {Msg::SetupFailed, "nie można przygotować serwera: %1", "cannot set up the server: %1"},
    {Msg::BenchTakenOver, "stanowisko %1 należy teraz do tej instalacji (%2)",
     "the bench id %1 now belongs to this installation (%2)"},
    {Msg::UnknownDbAction, "db: nieznane działanie '%1' (setup albo take-over)",
     "db: unknown action '%1' (setup or take-over)"},
};
static_assert(sizeof kTexts / sizeof kTexts[0] == size_t(Msg::UnknownDbAction) + 1, "one row a message");

bool Polish() { return CurrentLanguage == QLatin1String("Polski"); }

// The English forms of the Polish-only texts the core shows fluxa-cli through ShowMessage or
// hands it: the transfer's messages while it sends, the file and recording messages. A pattern
// matches one whole line.
struct PanelPattern {
  QRegularExpression polish;
  QString english;  // \1... stand for the pattern's groups
};

QString Whole(const QString& text) { return u'^' + QRegularExpression::escape(text) + u'$'; }

// A text of the transfer in both languages, as a pattern of its Polish form.
PanelPattern Both(const std::function<QString(TextLanguage)>& text) {
  return {QRegularExpression(Whole(text(TextLanguage::Polish))), text(TextLanguage::English)};
}

const QList<PanelPattern>& PanelPatterns() {
  static const QList<PanelPattern> patterns = {
      {QRegularExpression(QStringLiteral("^Nie można wysłać tekstu (.*) do adresu (\\d+)$")),
       QStringLiteral("Cannot send text \\1 to address \\2")},
      Both(StoreFailedText),
      {QRegularExpression(Whole(kCalibrationReadErrorText)), QStringLiteral("File read error!")},
      {QRegularExpression(
           QStringLiteral("^Nie można zapisać pliku (.*)\\. Wyniki są zbierane tylko w pamięci\\.$")),
       QStringLiteral("Cannot write the file \\1. The results are kept in memory only.")},
  };
  return patterns;
}

QString EnglishLine(const QString& line) {
  for (const PanelPattern& pattern : PanelPatterns()) {
    const QRegularExpressionMatch match = pattern.polish.match(line);
    if (!match.hasMatch()) continue;
    QString english = pattern.english;
    for (int group = match.lastCapturedIndex(); group >= 1; --group)
      english.replace(QStringLiteral("\\%1").arg(group), match.captured(group));
    return english;
  }
  return line;
}
}  // namespace

QString LanguageArgument(const QStringList& arguments) {
  QString language;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("--")) break;
    if (argument == QLatin1String("--lang") && i + 1 < arguments.size())
      language = arguments[++i];
    else if (argument.startsWith(QLatin1String("--lang=")))
      language = argument.mid(7);
  }
  return language.toLower();
}

QString LanguageFromEnvironment() {
  // The first of these that is set decides, as for every program's messages.
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty()) return value.startsWith(QLatin1String("pl")) ? QStringLiteral("pl") : QStringLiteral("en");
  }
  // A system without these (Windows) tells its locale its own way.
  return QLocale::system().language() == QLocale::Polish ? QStringLiteral("pl") : QStringLiteral("en");
}

void UseLanguage(const QString& language) {
  SetProgramLanguage(language == QLatin1String("pl") ? QStringLiteral("Polski") : QStringLiteral("Angielski"));
}

QString Text(Msg message) {
  for (const Pair& pair : kTexts)
    if (pair.id == message) return QString::fromUtf8(Polish() ? pair.polish : pair.english);
  return {};
}

QString PanelText(const QString& polish) {
  if (Polish()) return polish;
  QStringList lines = polish.split(u'\n');
  for (QString& line : lines) line = EnglishLine(line);
  return lines.join(u'\n');
}
