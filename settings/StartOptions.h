#pragma once
// The program's command line: --help, --version, --connect (the chosen port is connected at
// start, for a PC that starts the program on its own) and --lang pl|en. The toolkit's own options
// (-platform, -style, ...) pass through to it. Read before any window exists, so --help and
// --version work without a display.
#include <QString>
#include <QStringList>

struct StartOptions {
  QString language = QStringLiteral("Polski");  // "Polski" or "Angielski", as CurrentLanguage
  bool connect = false;
};

struct CommandLine {
  enum class Outcome { Run, Help, Version, Error };
  Outcome outcome = Outcome::Run;
  StartOptions options;
  QString text;  // what to print: the help, the version, or a one-line error
  // 0 to run or after help and version, 1 after an error.
  int ExitCode() const { return outcome == Outcome::Error ? 1 : 0; }
};

// arguments as main receives them, the program's path first.
CommandLine ReadCommandLine(const QStringList& arguments);
