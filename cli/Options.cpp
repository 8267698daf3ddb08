#include "cli/Options.h"

#include <QCommandLineParser>
#include <climits>

#include "measurement/Filters.h"
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

const QList<CommandEntry>& Commands() {
  static const QList<CommandEntry> commands = {
      {"ports", {}, {}, nullptr, {},
       "Usage: fluxa-cli ports\n\n"
       "Prints each port name with the device it maps to and where the mapping comes from,\n"
       "tab-separated: the environment ($FLUXA_COM1, $FLUXA_COM2), the settings store\n"
       "([ports] COM1=...) or the default (/dev/ttyS0, /dev/ttyS1).\n"},
      {"watch", {"port", "count", "format"}, {}, nullptr, {"text", "csv", "json"},
       "Usage: fluxa-cli watch [--port NAME|PATH] [--count N] [--format text|csv|json]\n\n"
       "Prints each result as it arrives: seconds since the port opened, value, unit, DC or AC,\n"
       "range, probe temperature and the flags of the result (over range, automatic power-off).\n"
       "csv has a header line; json is one object a line. On a terminal each line shows at once;\n"
       "a pipe or a file gets the lines within 0.1 s.\n\n"
       "  --port NAME|PATH  the meter's port (default COM1; see \"fluxa-cli ports\")\n"
       "  --count N         end after N results (default: on Ctrl+C)\n"
       "  --format F        text (default), csv or json\n\n"
       "Ends with 0 after N results or on Ctrl+C, with 2 when the device goes away.\n"},
      {"record", {"port", "out", "every", "count"}, {}, nullptr, {},
       "Usage: fluxa-cli record --out FILE.F3D [--port NAME|PATH] [--every N] [--count M]\n\n"
       "Records results to a data file, as the window's recording does: every stored result also\n"
       "goes at once to FILE.F3D.part, synced to the disk every second, which the window offers\n"
       "to keep at its next start if this program is killed. Ctrl+C ends the recording and\n"
       "writes everything received.\n\n"
       "  --out FILE        the data file (required)\n"
       "  --port NAME|PATH  the meter's port (default COM1)\n"
       "  --every N         store every N-th result, 1..500 (default 1)\n"
       "  --count M         end after M stored results (at most 65535, the data file's limit)\n\n"
       "Ends with 0 when written, 2 when the device goes away (what was received is written),\n"
       "3 when the file cannot be written.\n"},
      {"download", {"port", "out"}, {}, nullptr, {},
       "Usage: fluxa-cli download --out FILE.F3D [--port NAME|PATH]\n\n"
       "Downloads the results stored in the meter to a data file, as the window's download does.\n\n"
       "  --out FILE        the data file (required)\n"
       "  --port NAME|PATH  the meter's port (default COM1)\n\n"
       "Ends with 0 when written, 2 when the meter does not answer or goes away, 3 when the file\n"
       "cannot be written, 130 on Ctrl+C (no file).\n"},
      {"send", {"port"}, {"store", "dry-run"}, "FILE.F3C", {},
       "Usage: fluxa-cli send FILE.F3C [--store] [--dry-run] [--port NAME|PATH]\n\n"
       "Sends the calibration of a calibration file to the meter, as the service panel does: every\n"
       "value is checked first, and a refused one is told with its cell, nothing sent.\n"
       "Needs service access: the service flag of the settings store, or the service password,\n"
       "from $FLUXA_SERVICE_PASSWORD or asked on the terminal.\n\n"
       "  --store           the meter keeps the calibration (the store command after the values)\n"
       "  --dry-run         print the frames in hex instead, one a line; no port, no access\n"
       "  --port NAME|PATH  the meter's port (default COM1)\n\n"
       "Ends with 0 when sent, 1 without service access, 2 when the port fails, 3 when the file\n"
       "cannot be read or a value is refused.\n"},
      {"export", {"format"}, {}, "FILE.F3D", {"csv", "json"},
       "Usage: fluxa-cli export FILE.F3D [--format csv|json]\n\n"
       "Prints a data file as a table for a spreadsheet (csv: \"index,value\", a full stop as\n"
       "the decimal mark) or a script (json). Ends with 3 when the file cannot be read or holds\n"
       "a line that is not a number.\n"},
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
    "  ports     the port names and the devices they map to\n"
    "  watch     print each result as it arrives\n"
    "  record    record results to a data file (F3D)\n"
    "  download  download the results stored in the meter to a data file\n"
    "  send      send a calibration file (F3C) to the meter (service access)\n"
    "  export    print a data file as CSV or JSON\n\n"
    "\"fluxa-cli COMMAND --help\" tells more about a command.\n\n"
    "Results go to standard output, progress and messages to standard error.\n"
    "Exit codes: 0 done, 1 usage or no service access, 2 device or port, 3 data or file,\n"
    "130 a download ended by Ctrl+C.\n";

ParsedCommandLine Fail(const QString& error) { return {std::nullopt, error}; }

// A whole number in lo..hi.
std::optional<int> WholeNumber(const QString& text, int lo, int hi) {
  bool ok = false;
  const int n = text.toInt(&ok, 10);
  if (!ok || n < lo || n > hi) return std::nullopt;
  return n;
}
}  // namespace

QString HelpText(const QString& command) {
  const CommandEntry* entry = FindCommand(command);
  return QString::fromUtf8(entry ? entry->help : kProgramHelp);
}

ParsedCommandLine ParseCommandLine(const QStringList& arguments) {
  CliOptions options;
  if (arguments.isEmpty()) return Fail(QStringLiteral("no command; \"fluxa-cli --help\" lists them"));
  const QString first = arguments.first();
  if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
    options.help = true;
    if (arguments.size() > 1) {
      if (!FindCommand(arguments[1])) return Fail(QStringLiteral("unknown command '%1'").arg(arguments[1]));
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
    if (first.startsWith(u'-'))
      return Fail(QStringLiteral("unknown option '%1' before the command").arg(first));
    return Fail(QStringLiteral("unknown command '%1'; \"fluxa-cli --help\" lists them").arg(first));
  }
  options.command = first;

  QCommandLineParser parser;
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
  for (const QString& name : entry->valueOptions)
    parser.addOption(QCommandLineOption(name, {}, QStringLiteral("V")));
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
    if (positional.size() != 1)
      return fail(positional.isEmpty() ? QStringLiteral("%1 is missing").arg(entry->fileName)
                                       : QStringLiteral("one %1 only").arg(entry->fileName));
    options.file = positional.first();
  } else if (!positional.isEmpty()) {
    return fail(QStringLiteral("unexpected argument '%1'").arg(positional.first()));
  }

  if (given("port")) {
    options.port = parser.value(QStringLiteral("port"));
    if (options.port.isEmpty()) return fail(QStringLiteral("--port needs a name or a path"));
  }
  if (given("count")) {
    const int most = options.command == QLatin1String("record") ? StoredSeries::MaximumCount : INT_MAX;
    const auto n = WholeNumber(parser.value(QStringLiteral("count")), 1, most);
    if (!n) return fail(QStringLiteral("--count takes a whole number from 1 to %1").arg(most));
    options.count = *n;
  }
  if (given("every")) {
    const auto n = WholeNumber(parser.value(QStringLiteral("every")), Recorder::kMinimumInterval,
                               Recorder::kMaximumInterval);
    if (!n)
      return fail(QStringLiteral("--every takes a whole number from %1 to %2")
                      .arg(Recorder::kMinimumInterval)
                      .arg(Recorder::kMaximumInterval));
    options.every = *n;
  }
  if (!entry->formats.isEmpty()) {
    options.format = given("format") ? parser.value(QStringLiteral("format"))
                                                            : entry->formats.first();
    if (!entry->formats.contains(options.format))
      return fail(QStringLiteral("--format takes %1").arg(entry->formats.join(QLatin1String(", "))));
  }
  if (entry->valueOptions.contains(QLatin1String("out"))) {
    if (given("out")) options.out = parser.value(QStringLiteral("out"));
    if (options.out.isEmpty()) return fail(QStringLiteral("--out FILE is required"));
  }
  options.store = given("store");
  options.dryRun = given("dry-run");
  return {options, {}};
}
