#pragma once
// fluxa-cli's two streams: results go to standard output, progress and messages to standard
// error. A progress line is redrawn in place only when standard error is a terminal; a script
// reading a pipe gets whole lines or nothing.
#include <QByteArray>
#include <QString>
#include <optional>

void WriteOut(const QByteArray& bytes);  // standard output, flushed at once
// A line of a stream of results: on a terminal at once; to a pipe or a file within
// kStreamFlushMs, so that a result a second costs one write rather than one per result.
void StreamOut(const QByteArray& bytes);
inline constexpr int kStreamFlushMs = 100;
// One message line "fluxa-cli: text" on standard error; a text of several lines becomes one.
void Complain(const QString& text);
// Core messages (ShowMessage), in the user's language (PanelText), and Qt's own warnings go to
// standard error as one line each.
void InstallConsoleSinks();

bool StdinIsTerminal();
bool StdoutIsTerminal();
bool StderrIsTerminal();
// Asks on the terminal of standard input, without echoing what is typed. Nothing when standard
// input is not a terminal or ends.
std::optional<QString> AskHidden(const QString& prompt);

class ProgressLine {
 public:
  // Off a terminal, each Show() is a line of its own when plainLines is set, else nothing.
  explicit ProgressLine(bool plainLines = false);
  ~ProgressLine();
  void Show(const QString& text);
  void Done();  // ends the line that is shown, if any

 private:
  bool terminal_;
  bool plainLines_;
};

// "[#####     ]" of width cells for done out of total.
QString ProgressBar(qint64 done, qint64 total, int width = 24);
