#include "cli/Console.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>
#include <QtGlobal>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <termios.h>
#include <unistd.h>
#endif

#include "cli/Texts.h"
#include "common/Messages.h"

namespace {
// The width of the progress text now on the terminal's last line; 0 when none is shown.
int shownProgressWidth = 0;

void EndProgress() {
  if (shownProgressWidth == 0) return;
  std::fputc('\n', stderr);
  shownProgressWidth = 0;
}

QString OneLine(const QString& text) {
  QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
  for (QString& line : lines) line = line.trimmed();
  return lines.join(QStringLiteral(" — "));
}

#ifndef Q_OS_WIN
termios savedTerminal;
void RestoreEchoAndDie(int signal) {
  ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}
#endif
}  // namespace

void WriteOut(const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
  std::fflush(stdout);
}

void StreamOut(const QByteArray& bytes) {
  static const bool terminal = isatty(fileno(stdout));
  if (terminal) {
    WriteOut(bytes);
    return;
  }
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
  static QTimer* flush = [] {
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setSingleShot(true);
    timer->setInterval(kStreamFlushMs);
    QObject::connect(timer, &QTimer::timeout, [] { std::fflush(stdout); });
    return timer;
  }();
  if (!flush->isActive()) flush->start();
}

void Complain(const QString& text) {
  EndProgress();
  std::fputs(("fluxa-cli: " + OneLine(text) + "\n").toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
}

void InstallConsoleSinks() {
  SetMessageSink([](const QString& text) { Complain(PanelText(text)); });
  // The core's own diagnostics (a lost port, for one) would repeat what the command tells.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) Complain(text);
  });
}

bool StdinIsTerminal() { return isatty(fileno(stdin)); }
bool StdoutIsTerminal() { return isatty(fileno(stdout)); }
bool StderrIsTerminal() { return isatty(fileno(stderr)); }

std::optional<QString> AskHidden(const QString& prompt) {
  if (!StdinIsTerminal()) return std::nullopt;
  EndProgress();
  // The echo goes off before the prompt shows: nothing typed after it is ever echoed.
  std::string line;
#ifdef Q_OS_WIN
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  GetConsoleMode(input, &mode);
  SetConsoleMode(input, mode & ~DWORD(ENABLE_ECHO_INPUT));
  std::fputs(prompt.toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
  const bool got = bool(std::getline(std::cin, line));
  SetConsoleMode(input, mode);
#else
  ::tcgetattr(STDIN_FILENO, &savedTerminal);
  termios quiet = savedTerminal;
  quiet.c_lflag &= ~tcflag_t(ECHO);
  // Ctrl+C at the prompt must not leave the terminal without its echo.
  const auto oldInt = std::signal(SIGINT, RestoreEchoAndDie);
  const auto oldTerm = std::signal(SIGTERM, RestoreEchoAndDie);
  ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  std::fputs(prompt.toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
  const bool got = bool(std::getline(std::cin, line));
  ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
  std::signal(SIGINT, oldInt);
  std::signal(SIGTERM, oldTerm);
#endif
  std::fputc('\n', stderr);  // the Enter that was typed was not echoed either
  if (!got) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
}

ProgressLine::ProgressLine(bool plainLines) : terminal_(StderrIsTerminal()), plainLines_(plainLines) {}

ProgressLine::~ProgressLine() { Done(); }

void ProgressLine::Show(const QString& text) {
  if (!terminal_) {
    if (plainLines_) {
      std::fputs((text + "\n").toLocal8Bit().constData(), stderr);
      std::fflush(stderr);
    }
    return;
  }
  // Spaces cover what a longer text before left on the line.
  const QString line = text.leftJustified(shownProgressWidth);
  std::fputs(("\r" + line).toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
  shownProgressWidth = qMax(1, int(text.size()));
}

void ProgressLine::Done() {
  if (terminal_) EndProgress();
}

QString ProgressBar(qint64 done, qint64 total, int width) {
  const int filled = total > 0 ? int(std::clamp<qint64>(done * width / total, 0, width)) : 0;
  return u'[' + QString(filled, u'#') + QString(width - filled, u' ') + u']';
}
