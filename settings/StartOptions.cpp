#include "settings/StartOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>

#ifndef FLUXA_VERSION
#define FLUXA_VERSION "3.1"
#endif

namespace {
constexpr auto kVersion = FLUXA_VERSION;

// The toolkit's own options with a value and without one: accepted and left to it.
const char* const kToolkitOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet", "session",
    "display", "geometry", "qwindowgeometry", "qwindowtitle", "qwindowicon", "qmljsdebugger"};
const char* const kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

QCommandLineOption Hidden(QCommandLineOption option) {
  option.setFlags(QCommandLineOption::HiddenFromHelp);
  return option;
}
}  // namespace

CommandLine ReadCommandLine(const QStringList& arguments) {
  const QString program =
      arguments.isEmpty() ? QStringLiteral("fluxa") : QFileInfo(arguments.first()).fileName();
  QCommandLineParser parser;
  // -style as the toolkit spells it, not as -s -t -y -l -e.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(QStringLiteral(
      "Fluxa %1: the desktop companion of the handheld magnetic-field meter.").arg(kVersion));
  const QCommandLineOption help({"h", "help"}, QStringLiteral("Shows this help and ends."));
  const QCommandLineOption version({"v", "version"}, QStringLiteral("Shows the version and ends."));
  const QCommandLineOption connect(
      "connect", QStringLiteral("Connects the chosen port (COM1 unless chosen otherwise) at start."));
  const QCommandLineOption lang(
      "lang", QStringLiteral("The language of the program: pl (Polish, the default) or en."),
      QStringLiteral("pl|en"));
  parser.addOptions({help, version, connect, lang});
  for (const char* name : kToolkitOptionsWithValue)
    parser.addOption(Hidden(QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("value"))));
  for (const char* name : kToolkitFlags)
    parser.addOption(Hidden(QCommandLineOption(QString::fromLatin1(name))));

  CommandLine result;
  const auto fail = [&](const QString& text) {
    result.outcome = CommandLine::Outcome::Error;
    result.text = QStringLiteral("%1: %2 See %1 --help.").arg(program, text);
    return result;
  };
  if (!parser.parse(arguments.isEmpty() ? QStringList{program} : arguments))
    return fail(parser.errorText());
  if (parser.isSet(help)) {
    result.outcome = CommandLine::Outcome::Help;
    QString text = parser.helpText();
    text.replace(QStringLiteral("<executable_name>"), program);
    text += QStringLiteral(
        "\nEnvironment:\n"
        "  FLUXA_COM1, FLUXA_COM2  The device of the port COM1 or COM2 (/dev/ttyUSB0); wins\n"
        "                          over the settings store.\n"
        "  FLUXA_SETTINGS          The settings file instead of ~/.config/FLUXA3.ini (not on\n"
        "                          Windows, where the settings live in the registry).\n"
        "  FLUXA_RECORDS           The SQLite file of the calibration records instead of\n"
        "                          the one below.\n"
        "  FLUXA_DB_PASSWORD       The password of the lab's records server (Settings ->\n"
        "                          Calibration database); never stored.\n"
        "  FLUXA_MQTT_PASSWORD     The password of the MQTT broker (Settings -> MQTT\n"
        "                          publishing); never stored.\n"
        "  FLUXA_RECOVERY          keep or discard: answers the question about a recording\n"
        "                          a crash interrupted, without asking.\n"
        "\nFiles:\n"
        "  ~/.config/FLUXA3.ini    The settings store (the registry's\n"
        "                          HKEY_LOCAL_MACHINE\\Software\\FLUXA3 on Windows).\n"
        "  ~/.local/share/Fluxa/records.sqlite\n"
        "                          The calibration records and transfers, shared with\n"
        "                          fluxa-cli (%LOCALAPPDATA%\\Fluxa\\records.sqlite on Windows).\n");
    result.text = text;
    return result;
  }
  if (parser.isSet(version)) {
    result.outcome = CommandLine::Outcome::Version;
    result.text = QStringLiteral("Fluxa %1").arg(kVersion);
    return result;
  }
  if (!parser.positionalArguments().isEmpty())
    return fail(QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
  if (parser.isSet(lang)) {
    const QString value = parser.value(lang).toLower();
    if (value == QLatin1String("pl"))
      result.options.language = QStringLiteral("Polski");
    else if (value == QLatin1String("en"))
      result.options.language = QStringLiteral("Angielski");
    else
      return fail(QStringLiteral("--lang takes pl or en, not '%1'.").arg(parser.value(lang)));
  }
  result.options.connect = parser.isSet(connect);
  return result;
}
