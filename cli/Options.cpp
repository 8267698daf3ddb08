#include "cli/Options.h"

#include <QCommandLineParser>
#include <climits>

#include "cli/Texts.h"
#include "measurement/Filters.h"
#include "publish/MqttUrl.h"
#include "records/Recorder.h"

namespace {
struct CommandEntry {
  const char* name;
  QStringList valueOptions;
  QStringList flags;
  const char* fileName;  // the one positional argument, or nullptr
  QStringList formats;   // allowed --format values, the default first
  const char* help;
};

// The options that have a one-letter form as well.
struct ShortName {
  const char* name;
  const char* letter;
};
const ShortName kShortNames[] = {{"port", "p"},     {"count", "c"},   {"format", "f"},
                                 {"out", "o"},      {"duration", "d"}, {"timeout", "t"}};

const QList<CommandEntry>& Commands() {
  static const QList<CommandEntry> commands = {
      {"ports", {}, {}, nullptr, {},
       "Usage: fluxa-cli ports\n\n"
       "Prints each port name with the device it maps to and where the mapping comes from,\n"
       "tab-separated: the environment ($FLUXA_COM1, $FLUXA_COM2), the settings store\n"
       "([ports] COM1=...) or the default (/dev/ttyS0, /dev/ttyS1).\n\n"
       "      --lang pl|en        the language of the messages\n"},
      {"watch", {"port", "count", "duration", "timeout", "format", "mqtt", "mqtt-ca"}, {}, nullptr, {"text", "csv", "json"},
       "Usage: fluxa-cli watch [-p NAME|PATH] [-c N] [-d SECONDS] [-t SECONDS] [-f text|csv|json]\n"
       "                       [--mqtt URL [--mqtt-ca FILE]]\n\n"
       "Prints each result as it arrives: seconds since the port opened, the time of day (ISO 8601\n"
       "with the offset from UTC, 2026-12-07T23:41:05.123+01:00), value, unit, DC or AC, range,\n"
       "probe temperature and the flags of the result (over range, automatic power-off).\n"
       "csv has a header line; json is one object a line. On a terminal each line shows at once;\n"
       "a pipe or a file gets the lines within 0.1 s. Without --timeout, 3 s without a result\n"
       "bring one line on standard error (is the meter on, is this its port?), and it waits on.\n\n"
       "  -p, --port NAME|PATH    the meter's port (default COM1; see \"fluxa-cli ports\")\n"
       "  -c, --count N           end after N results (default: on Ctrl+C)\n"
       "  -d, --duration SECONDS  end after SECONDS\n"
       "  -t, --timeout SECONDS   end with 2 when no result comes for SECONDS\n"
       "  -f, --format F          text (default), csv or json\n"
       "      --mqtt URL          publish each result too: mqtt://[user@]host[:port]/prefix or\n"
       "                          mqtts://...; the password from $FLUXA_MQTT_PASSWORD or asked\n"
       "      --mqtt-ca FILE      the CA that vouches for an mqtts:// broker\n"
       "      --lang pl|en        the language of the messages\n\n"
       "Ends with 0 after N results, after SECONDS or on Ctrl+C; with 2 when the device goes away,\n"
       "when no result comes for the --timeout, or when it ends without a single result, or when\n"
       "the broker of --mqtt cannot be reached at the start; with 1 for a malformed URL.\n"},
      {"record", {"port", "out", "every", "count", "duration", "timeout", "format", "mqtt", "mqtt-ca"}, {}, nullptr,
       {"text", "csv", "json"},
       "Usage: fluxa-cli record -o FILE.F3D [-p NAME|PATH] [--every N] [-c M] [-d SECONDS]\n"
       "                        [-t SECONDS] [-f text|csv|json] [--mqtt URL [--mqtt-ca FILE]]\n\n"
       "Records results to a data file, as the window's recording does: every stored result also\n"
       "goes at once to FILE.F3D.part, synced to the disk every second, which the window offers\n"
       "to keep at its next start if this program is killed. Each stored result is echoed on\n"
       "standard output as a row of \"fluxa-cli watch\" (its time since the start and of day).\n"
       "Ctrl+C ends the recording and writes everything received.\n\n"
       "  -o, --out FILE          the data file (required)\n"
       "  -p, --port NAME|PATH    the meter's port (default COM1)\n"
       "      --every N           store every N-th result, 1..500 (default 1)\n"
       "  -c, --count M           end after M stored results (at most 65535, the data file's limit)\n"
       "  -d, --duration SECONDS  end after SECONDS\n"
       "  -t, --timeout SECONDS   end with 2 when no result comes for SECONDS\n"
       "  -f, --format F          the echo: text (default), csv or json\n"
       "      --mqtt URL          publish each stored result too (see \"fluxa-cli watch --help\");\n"
       "                          the file never waits for the broker\n"
       "      --mqtt-ca FILE      the CA that vouches for an mqtts:// broker\n"
       "      --lang pl|en        the language of the messages\n\n"
       "Ends with 0 when written; with 2 when the device goes away, when no result comes for the\n"
       "--timeout (what was received is written), when it ends without a single result or when\n"
       "the broker of --mqtt cannot be reached at the start; 1 for a malformed URL; 3 when the\n"
       "file cannot be written.\n"},
      {"download", {"port", "out", "timeout"}, {}, nullptr, {},
       "Usage: fluxa-cli download -o FILE.F3D [-p NAME|PATH] [-t SECONDS]\n\n"
       "Downloads the results stored in the meter to a data file, as the window's download does.\n\n"
       "  -o, --out FILE          the data file (required)\n"
       "  -p, --port NAME|PATH    the meter's port (default COM1)\n"
       "  -t, --timeout SECONDS   end with 2 when no byte of the stored results comes for SECONDS\n"
       "                          once they were asked for\n"
       "      --lang pl|en        the language of the messages\n\n"
       "Ends with 0 when written, 2 when the meter does not answer or goes away, 3 when the file\n"
       "cannot be written, 130 on Ctrl+C (no file).\n"},
      {"send", {"port"}, {"store", "dry-run"}, "FILE.F3C", {},
       "Usage: fluxa-cli send FILE.F3C [--store] [--dry-run] [-p NAME|PATH]\n\n"
       "Sends the calibration of a calibration file to the meter, as the service panel does: the\n"
       "file must hold its 26 lines of text (each ending in CR LF or CR), and every value is\n"
       "checked first; a refused one is told with its cell, nothing sent. The progress goes to\n"
       "standard error as lines \"k / 25\" (redrawn in place on a terminal).\n"
       "Needs service access: the service flag of the settings store, or the service password,\n"
       "from $FLUXA_SERVICE_PASSWORD or asked on the terminal.\n\n"
       "      --store             the meter keeps the calibration (the store command after the values)\n"
       "      --dry-run           print the frames in hex instead, one a line; no port, no access\n"
       "  -p, --port NAME|PATH    the meter's port (default COM1)\n"
       "      --lang pl|en        the language of the messages\n\n"
       "Ends with 0 when sent, 1 without service access, 2 when the port fails, 3 when the file\n"
       "cannot be read, does not hold 26 lines of text or a value is refused.\n"},
      {"export", {"format"}, {}, "FILE.F3D", {"csv", "json"},
       "Usage: fluxa-cli export FILE.F3D [-f csv|json]\n\n"
       "Prints a data file as a table for a spreadsheet (csv: \"index,value\", a full stop as\n"
       "the decimal mark) or a script (json), in lines that end in LF.\n\n"
       "  -f, --format F          csv (default) or json\n"
       "      --lang pl|en        the language of the messages\n\n"
       "Ends with 3 when the file cannot be read or holds a line that is not a number.\n"},
      {"history", {"serial", "number", "format"}, {}, nullptr, {"text", "csv", "json"},
       "Usage: fluxa-cli history [--serial S | --number N] [-f text|csv|json]\n\n"
       "Prints the record store's calibrations and transfers, newest first: number, kind\n"
       "(calibration or transfer), the meter's serial number, the time (local, ISO 8601 with the\n"
       "offset from UTC), the technician and the record it amends. The store is the local file\n"
       "($FLUXA_RECORDS, else records.sqlite in the user's data folder), or the lab's server when\n"
       "the settings name one ([records] host=...; the password from $FLUXA_DB_PASSWORD).\n\n"
       "A record that waits for the server is marked \"waiting\" (STATE; csv and json: state), one\n"
       "whose number the server holds for a different record \"conflict\" (also told on standard\n"
       "error), an amended one shows the newest record that amends it (superseded_by).\n\n"
       "With --number N, the whole record N instead: json gives every key (samples, fit, gains,\n"
       "search, as-left points, U with its budget, units, customer, laboratory, environment,\n"
       "signature; see man fluxa-cli), csv the readings one a line, text all of it to read.\n\n"
       "      --serial S          only the serial numbers that contain S\n"
       "      --number N          one record's whole content (as the list numbers it)\n"
       "  -f, --format F          text (default: a table to read), csv (RFC 4180, a header line)\n"
       "                          or json (an array of objects; one object with --number)\n"
       "      --lang pl|en        the language of the messages\n\n"
       "Ends with 3 when the store cannot be opened or holds no record N, 4 when the server gives\n"
       "this bench id to another installation (the local file's records are listed then).\n"},
      {"certificate", {"out", "dcc"}, {}, "NUMBER", {},
       "Usage: fluxa-cli certificate NUMBER -o FILE.pdf [--dcc FILE.xml] [--lang pl|en]\n\n"
       "Writes the calibration certificate of the calibration record NUMBER (as \"history\"\n"
       "lists it) to a PDF/A-3 file: the meter, range and probe, the reference standard, the readings\n"
       "as found and as left with their errors and limits, the expanded uncertainty, the verdict\n"
       "and its decision rule, on as many A4 pages as it takes. An approved calibration carries\n"
       "its Digital Calibration Certificate (DCC, XML after PTB's schema 3.1.2 with D-SI units)\n"
       "inside the PDF as an associated file, DCC-NUMBER.xml with '/' made '-'; one that is not\n"
       "approved is written as a draft, without a DCC.\n\n"
       "  -o, --out FILE          the PDF file (required)\n"
       "      --dcc FILE          the DCC to this XML file as well (an approved calibration only)\n"
       "      --lang pl|en        the certificate's language and the messages' (default: the\n"
       "                          program's language)\n\n"
       "Ends with 3 when the store cannot be opened, holds no calibration NUMBER, a file cannot\n"
       "be written, --dcc is given for a calibration that is not approved, or the DCC is refused\n"
       "(a unit other than Gs, mT and kA/m, or a reference that reads in another unit than the\n"
       "meter); nothing is written then.\n"},
      {"people", {"name", "role"}, {}, "ACTION", {},
       "Usage: fluxa-cli people add ID --name NAME --role technician|approver\n"
       "       fluxa-cli people list\n"
       "       fluxa-cli people deactivate ID\n"
       "       fluxa-cli people password ID\n\n"
       "The register of people who calibrate and approve, in the record store: the lab server's\n"
       "when the settings name one ([records] host; the password from $FLUXA_DB_PASSWORD), and it\n"
       "cannot change while the server is away; else the local file's. A person is never deleted:\n"
       "deactivate ends their signing and keeps them in the register and in the records. add\n"
       "registers a new ID (no spaces); password gives a person a new password. A password has at\n"
       "least 8 characters and is kept only as an Argon2id hash; it comes from\n"
       "$FLUXA_PEOPLE_PASSWORD, else it is asked twice on the terminal, without echo.\n"
       "list prints each person, one a line, tab-separated: id, printed name, role (technician or\n"
       "approver), active or inactive, and the time of the newest change (UTC, ISO 8601).\n\n"
       "      --name NAME         the printed name, as signatures show it (add)\n"
       "      --role ROLE         technician or approver (add)\n"
       "      --lang pl|en        the language of the messages\n\n"
       "Ends with 0 when done; 1 on an unknown ACTION, a missing ID, --name or --role, or without\n"
       "a password; 3 when the store cannot be opened or the register refuses (an id taken or not\n"
       "registered, a short password, the lab's server away).\n"},
      {"approve", {"id"}, {}, "NUMBER", {},
       "Usage: fluxa-cli approve NUMBER --id ID\n\n"
       "Signs the calibration record NUMBER (as \"history\" lists it) electronically as the\n"
       "approver ID of the register (\"fluxa-cli people\"). The meaning of the signature is\n"
       "\"Zatwierdzam\" (Polish) or \"Approved\" (English), after --lang; the signature is a record\n"
       "of its own that keeps the signer's printed name, the time (UTC), the meaning and the\n"
       "SHA-256 of the calibration record, and the certificate shows it. The password is asked on\n"
       "the terminal without echo, three tries, or comes from $FLUXA_APPROVER_PASSWORD for\n"
       "scripts (one try). Three wrong passwords in a row pause signing as that person for 60\n"
       "seconds, for every program on this PC. A calibration changed afterwards no longer matches\n"
       "its signature; an amendment is a record of its own and needs its own signature.\n\n"
       "      --id ID             the approver's id in the register (required)\n"
       "      --lang pl|en        the language of the messages and of the meaning\n\n"
       "Ends with 0 when signed; 1 without --id or a password, on a wrong password, during the\n"
       "pause, or for an id that is not registered, not active or not an approver; 3 when the\n"
       "store cannot be opened, or NUMBER is no calibration, does not match its SHA-256, is\n"
       "approved already or amended since (nothing is signed then).\n"},
      {"verify", {}, {}, nullptr, {},
       "Usage: fluxa-cli verify\n\n"
       "Checks the chains of records: every record carries a SHA-256 of its content and of its\n"
       "bench's record before it. Checks the local file, and the lab's server when the settings\n"
       "name one, and prints each record changed, removed, inserted or replaced, one a line:\n"
       "where (local or server), tab, the number, tab, what happened.\n\n"
       "      --lang pl|en        the language of the messages\n\n"
       "Ends with 0 when every chain is intact, 5 when a record was changed, removed, inserted or\n"
       "replaced, 3 when the store cannot be opened, 4 when the server gives this bench id to\n"
       "another installation (the local file is checked).\n"},
      {"db", {"owner"}, {}, "ACTION", {},
       "Usage: fluxa-cli db setup --owner NAME\n"
       "       fluxa-cli db take-over\n\n"
       "setup makes or upgrades the records schema on the lab's server named by the settings\n"
       "([records] host, port, database) as the role NAME, which owns it, and lets the settings'\n"
       "user ([records] user, an existing role that is neither a superuser nor NAME) only add and\n"
       "read records. The owner's password is asked on the terminal and never stored.\n"
       "take-over gives the settings' bench id to this installation on the server, when another\n"
       "installation registered it (a cloned PC, a new local file), and sends what waits.\n\n"
       "      --owner NAME        the schema's owner on the server (setup)\n"
       "      --lang pl|en        the language of the messages\n\n"
       "Ends with 0 when done, 1 on an unknown ACTION or no --owner for setup, 2 when the server\n"
       "cannot be reached or refuses, 3 when the local store cannot be opened.\n"},
  };
  return commands;
}

const CommandEntry* FindCommand(const QString& name) {
  for (const CommandEntry& entry : Commands())
    if (name == QLatin1String(entry.name)) return &entry;
  return nullptr;
}

const char* const kProgramHelp =
    "Usage: fluxa-cli COMMAND [OPTIONS]\n\n"
    "The Fluxa field meter from the command line.\n\n"
    "Commands:\n"
    "  ports        the port names and the devices they map to\n"
    "  watch        print each result as it arrives\n"
    "  record       record results to a data file (F3D)\n"
    "  download     download the results stored in the meter to a data file\n"
    "  send         send a calibration file (F3C) to the meter (service access)\n"
    "  export       print a data file as CSV or JSON\n"
    "  history      list the calibrations and transfers of the record store\n"
    "  certificate  write a calibration's certificate to a PDF file\n"
    "  people       the register of people who calibrate and approve\n"
    "  approve      approve a calibration by electronic signature\n"
    "  verify       check that no record was changed, removed, inserted or replaced\n"
    "  db           set up the lab's records server, or take this bench's id over\n\n"
    "\"fluxa-cli COMMAND --help\" tells more about a command.\n\n"
    "Options:\n"
    "  -h, --help              this help; after a command, the command's\n"
    "      --version           the program's version\n"
    "      --lang pl|en        the language of the messages\n\n"
    "Results go to standard output, progress and messages to standard error. The messages are\n"
    "in Polish when the locale is (LC_ALL, LC_MESSAGES or LANG starting with pl), else in\n"
    "English; --lang pl|en, before or after the command, chooses.\n"
    "Exit codes: 0 done, 1 usage or no service access, 2 device or port (also no result at\n"
    "all), 3 data or file, 4 the bench id is another installation's on the records server,\n"
    "5 a record was changed, removed, inserted or replaced, 130 a download ended by Ctrl+C.\n\n"
    "Environment:\n"
    "  FLUXA_COM1, FLUXA_COM2  the device of the port name COM1 or COM2; wins over the\n"
    "                          settings store\n"
    "  FLUXA_SETTINGS          the settings file (default ~/.config/FLUXA3.ini)\n"
    "  FLUXA_SERVICE_PASSWORD  the service password for send\n"
    "  FLUXA_MQTT_PASSWORD     the broker's password for --mqtt\n"
    "  FLUXA_RECORDS           the record store's file (default Fluxa/records.sqlite in the\n"
    "                          user's data folder, the window's too)\n"
    "  FLUXA_DB_PASSWORD       the password of the lab's records server\n"
    "  FLUXA_PEOPLE_PASSWORD   the password of the person for people add and password\n"
    "  FLUXA_APPROVER_PASSWORD the approver's password for approve\n"
    "  LC_ALL, LC_MESSAGES, LANG  the language of the messages\n";

ParsedCommandLine Fail(const QString& error) { return {std::nullopt, error}; }

// A whole number in lo..hi.
std::optional<int> WholeNumber(const QString& text, int lo, int hi) {
  bool ok = false;
  const int n = text.toInt(&ok, 10);
  if (!ok || n < lo || n > hi) return std::nullopt;
  return n;
}

// Seconds with a full stop for the decimals, more than 0 and at most kMostSeconds.
std::optional<double> Seconds(const QString& text) {
  bool ok = false;
  const double seconds = text.toDouble(&ok);
  if (!ok || !(seconds > 0 && seconds <= kMostSeconds)) return std::nullopt;
  return seconds;
}

QCommandLineOption ValueOption(const QString& name) {
  QStringList names{name};
  for (const ShortName& s : kShortNames)
    if (name == QLatin1String(s.name)) names.prepend(QLatin1String(s.letter));
  return QCommandLineOption(names, {}, QStringLiteral("V"));
}

// "--lang X" or "--lang=X" before the command: already taken by the language choice.
QStringList WithoutLeadingLanguage(QStringList arguments) {
  while (!arguments.isEmpty()) {
    if (arguments.first() == QLatin1String("--lang") && arguments.size() > 1)
      arguments.remove(0, 2);
    else if (arguments.first().startsWith(QLatin1String("--lang=")))
      arguments.removeFirst();
    else
      break;
  }
  return arguments;
}
}  // namespace

QString HelpText(const QString& command) {
  const CommandEntry* entry = FindCommand(command);
  return QString::fromUtf8(entry ? entry->help : kProgramHelp);
}

ParsedCommandLine ParseCommandLine(const QStringList& allArguments) {
  CliOptions options;
  const QString language = LanguageArgument(allArguments);
  if (!language.isEmpty() && language != QLatin1String("pl") && language != QLatin1String("en"))
    return Fail(Text(Msg::LangTakes).arg(language));
  const QStringList arguments = WithoutLeadingLanguage(allArguments);
  if (arguments.isEmpty()) return Fail(Text(Msg::NoCommand));
  const QString first = arguments.first();
  if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
    options.help = true;
    if (arguments.size() > 1) {
      if (!FindCommand(arguments[1])) return Fail(Text(Msg::UnknownCommand).arg(arguments[1]));
      options.command = arguments[1];
    }
    return {options, {}};
  }
  if (first == QLatin1String("--version")) {
    options.version = true;
    return {options, {}};
  }
  const CommandEntry* entry = FindCommand(first);
  if (!entry) {
    if (first.startsWith(u'-')) return Fail(Text(Msg::OptionBeforeCommand).arg(first));
    return Fail(Text(Msg::UnknownCommandHint).arg(first));
  }
  options.command = first;

  QCommandLineParser parser;
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
  parser.addOption(QCommandLineOption(QStringLiteral("lang"), {}, QStringLiteral("V")));
  for (const QString& name : entry->valueOptions) parser.addOption(ValueOption(name));
  for (const QString& name : entry->flags) parser.addOption(QCommandLineOption(name));
  if (!parser.parse(QStringList{QStringLiteral("fluxa-cli")} + arguments.mid(1)))
    return Fail(options.command + ": " + parser.errorText());
  if (parser.isSet(QStringLiteral("help"))) {
    options.help = true;
    return {options, {}};
  }
  const auto fail = [&](const QString& error) { return Fail(options.command + ": " + error); };
  const auto given = [&](const char* name) {
    const QString option = QLatin1String(name);
    return (entry->valueOptions.contains(option) || entry->flags.contains(option)) && parser.isSet(option);
  };

  const QStringList positional = parser.positionalArguments();
  if (entry->fileName) {
    // people takes the ID after its action.
    const int most = options.command == QLatin1String("people") ? 2 : 1;
    if (positional.isEmpty() || positional.size() > most)
      return fail(positional.isEmpty() ? Text(Msg::Missing).arg(entry->fileName)
                       : most > 1 ? Text(Msg::UnexpectedArgument).arg(positional.last())
                                  : Text(Msg::OneOnly).arg(entry->fileName));
    options.file = positional.first();
    options.argument = positional.value(1);
  } else if (!positional.isEmpty()) {
    return fail(Text(Msg::UnexpectedArgument).arg(positional.first()));
  }

  if (given("port")) {
    options.port = parser.value(QStringLiteral("port"));
    if (options.port.isEmpty()) return fail(Text(Msg::PortNeedsName));
  }
  if (given("count")) {
    const int most = options.command == QLatin1String("record") ? StoredSeries::MaximumCount : INT_MAX;
    const auto n = WholeNumber(parser.value(QStringLiteral("count")), 1, most);
    if (!n) return fail(Text(Msg::CountRange).arg(most));
    options.count = *n;
  }
  if (given("every")) {
    const auto n = WholeNumber(parser.value(QStringLiteral("every")), Recorder::kMinimumInterval,
                               Recorder::kMaximumInterval);
    if (!n) return fail(Text(Msg::EveryRange).arg(Recorder::kMinimumInterval).arg(Recorder::kMaximumInterval));
    options.every = *n;
  }
  for (const auto& [name, member] : {std::pair{"duration", &CliOptions::duration},
                                     std::pair{"timeout", &CliOptions::timeout}}) {
    if (!given(name)) continue;
    const auto seconds = Seconds(parser.value(QLatin1String(name)));
    if (!seconds)
      return fail(Text(Msg::SecondsRange).arg(QStringLiteral("--") + QLatin1String(name)).arg(qint64(kMostSeconds)));
    options.*member = *seconds;
  }
  if (!entry->formats.isEmpty()) {
    options.format = given("format") ? parser.value(QStringLiteral("format")) : entry->formats.first();
    if (!entry->formats.contains(options.format))
      return fail(Text(Msg::FormatTakes).arg(entry->formats.join(QLatin1String(", "))));
  }
  if (entry->valueOptions.contains(QLatin1String("out"))) {
    if (given("out")) options.out = parser.value(QStringLiteral("out"));
    if (options.out.isEmpty()) return fail(Text(Msg::OutRequired));
  }
  if (given("mqtt")) {
    options.mqtt = parser.value(QStringLiteral("mqtt"));
    QString why;
    const auto target = ParseMqttUrl(options.mqtt, &why);
    if (!target) return fail(Text(Msg::MqttUrlBad).arg(why));
    if (given("mqtt-ca")) {
      if (!target->tls) return fail(Text(Msg::MqttCaWithoutTls));
      options.mqttCa = parser.value(QStringLiteral("mqtt-ca"));
    }
  } else if (given("mqtt-ca")) {
    return fail(Text(Msg::MqttCaWithoutTls));
  }
  if (given("serial")) options.serial = parser.value(QStringLiteral("serial"));
  if (given("number")) {
    if (given("serial")) return fail(Text(Msg::NumberOrSerial));
    options.number = parser.value(QStringLiteral("number"));
    if (options.number.isEmpty()) return fail(Text(Msg::NumberNeedsValue));
  }
  if (given("owner")) options.owner = parser.value(QStringLiteral("owner"));
  if (given("name")) options.name = parser.value(QStringLiteral("name"));
  if (given("role")) options.role = parser.value(QStringLiteral("role"));
  if (given("id")) options.id = parser.value(QStringLiteral("id"));
  if (given("dcc")) {
    options.dcc = parser.value(QStringLiteral("dcc"));
    if (options.dcc.isEmpty()) return fail(Text(Msg::Missing).arg(QStringLiteral("--dcc FILE")));
  }
  options.store = given("store");
  options.dryRun = given("dry-run");
  return {options, {}};
}
