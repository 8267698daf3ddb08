#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include <cstdio>

#include "app/Application.h"
#include "app/GuiSeams.h"
#include "settings/ProgramIcon.h"
#include "settings/StartOptions.h"

int main(int argc, char* argv[]) {
  // Read before the application object, so --help, --version and a mistyped option need no display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const CommandLine commandLine = ReadCommandLine(arguments);
  if (commandLine.outcome != CommandLine::Outcome::Run) {
    std::FILE* out = commandLine.outcome == CommandLine::Outcome::Error ? stderr : stdout;
    std::fprintf(out, "%s\n", commandLine.text.trimmed().toLocal8Bit().constData());
    return commandLine.ExitCode();
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fluxa"));
  QApplication::setDesktopFileName(QStringLiteral("fluxa"));
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(ProgramIcon(128))));
  QApplication::setQuitOnLastWindowClosed(false);  // the main window's close ends the program
  InstallGuiSeams();
  FluxaApplication fluxa(commandLine.options);
  fluxa.Start();
  return app.exec();
}
