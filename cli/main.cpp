// fluxa-cli: the meter from the command line and from scripts, over the same core as the window.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <memory>

#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCodes.h"
#include "cli/Options.h"
#include "cli/Texts.h"

int main(int argc, char* argv[]) {
  // A program without windows has no use for the GLib main loop; Qt's own costs less a wake-up,
  // and at the line rate the meter's link wakes the program about a thousand times a second.
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
  // A certificate is drawn in fonts, which only a GUI application has; it needs no display.
  QStringList rawArguments;
  for (int i = 1; i < argc; ++i) rawArguments << QString::fromLocal8Bit(argv[i]);
  const bool drawsPages = CommandDrawsPages(rawArguments);
#ifndef Q_OS_WIN
  if (drawsPages && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  const std::unique_ptr<QCoreApplication> app(drawsPages ? new QGuiApplication(argc, argv)
                                                         : new QCoreApplication(argc, argv));
  QCoreApplication::setApplicationName(QStringLiteral("fluxa-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral(FLUXA_VERSION));
  InstallConsoleSinks();

  // The language first, so that even a mistyped command line is told in it.
  const QStringList arguments = QCoreApplication::arguments().mid(1);
  const QString language = LanguageArgument(arguments);
  UseLanguage(language == QLatin1String("pl") || language == QLatin1String("en") ? language
                                                                                  : LanguageFromEnvironment());
  const ParsedCommandLine parsed = ParseCommandLine(arguments);
  if (!parsed.options) {
    Complain(parsed.error);
    return kExitUsage;
  }
  const CliOptions& options = *parsed.options;
  if (options.help) {
    WriteOut(HelpText(options.command).toUtf8());
    return kExitDone;
  }
  if (options.version) {
    WriteOut(QByteArray("fluxa-cli " FLUXA_VERSION "\n"));
    return kExitDone;
  }
  const QString& c = options.command;
  if (c == QLatin1String("ports")) return RunPorts(options);
  if (c == QLatin1String("watch")) return RunWatch(options);
  if (c == QLatin1String("record")) return RunRecord(options);
  if (c == QLatin1String("download")) return RunDownload(options);
  if (c == QLatin1String("send")) return RunSend(options);
  if (c == QLatin1String("history")) return RunHistory(options);
  if (c == QLatin1String("certificate")) return RunCertificate(options);
  if (c == QLatin1String("verify")) return RunVerify(options);
  if (c == QLatin1String("db")) return RunDb(options);
  if (c == QLatin1String("people")) return RunPeople(options);
  if (c == QLatin1String("approve")) return RunApprove(options);
  return RunExport(options);
}
