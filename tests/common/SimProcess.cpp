#include "SimProcess.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace {

// The t=<ms> at the end of an rx line; -1 when missing.
double StampOf(const QString& line, qsizetype* stampPos) {
  const qsizetype pos = line.lastIndexOf(QLatin1String(" t="));
  *stampPos = pos;
  if (pos < 0) return -1;
  bool ok = false;
  const double ms = line.mid(pos + 3).toDouble(&ok);
  return ok ? ms : -1;
}

// Undoes the simulator's printable form: \e ESC, \r CR, \n LF, \\ backslash, \xHH.
QByteArray Unescape(const QString& text) {
  const QByteArray in = text.toLatin1();
  QByteArray out;
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] != '\\' || i + 1 >= in.size()) {
      out += in[i];
      continue;
    }
    const char c = in[++i];
    if (c == 'e') {
      out += '\x1B';
    } else if (c == 'r') {
      out += '\r';
    } else if (c == 'n') {
      out += '\n';
    } else if (c == 'x' && i + 2 < in.size()) {
      out += char(in.mid(i + 1, 2).toInt(nullptr, 16));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

SimProcess::SimProcess(QStringList extraArgs) : args_(std::move(extraArgs)) {
  // A simulator whose test has ended must not outlive it.
  args_ << QStringLiteral("--exit-at-eof") << QStringLiteral("--meter") << meterPath()
        << QStringLiteral("--reference") << referencePath();
  QObject::connect(&process_, &QProcess::readyReadStandardOutput, &process_, [this] { parseOutput(); });
}

SimProcess::~SimProcess() {
  if (process_.state() != QProcess::NotRunning && !stop(3000)) {
    process_.kill();
    process_.waitForFinished(2000);
  }
}

bool SimProcess::start(int timeoutMs) {
  if (!dir_.isValid()) {
    lastError_ = QStringLiteral("no temporary directory: ") + dir_.errorString();
    qWarning() << "SimProcess:" << lastError_;
    return false;
  }
  QElapsedTimer timer;
  timer.start();
  process_.setProgram(QStringLiteral(FLUXA_SIM_PATH));
  process_.setArguments(args_);
  // The simulator's complaints (bad option, pty failure) belong in the test log.
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start();
  if (!process_.waitForStarted(timeoutMs)) {
    lastError_ = QStringLiteral("cannot start %1: %2").arg(process_.program(), process_.errorString());
    qWarning() << "SimProcess:" << lastError_;
    return false;
  }
  const bool ok =
      pump([this] { return ready_ && QFileInfo::exists(meterPath()) && QFileInfo::exists(referencePath()); },
           int(std::max<qint64>(0, timeoutMs - timer.elapsed())), true);
  if (!ok) {
    lastError_ = isRunning() ? QStringLiteral("no \"ready\" from the simulator in time")
                             : QStringLiteral("the simulator exited with code %1").arg(process_.exitCode());
    qWarning() << "SimProcess:" << lastError_ << "args:" << args_;
  }
  return ok;
}

bool SimProcess::stop(int timeoutMs) {
  if (process_.state() == QProcess::NotRunning) return true;
  process_.write("quit\n");
  process_.closeWriteChannel();
  const bool ok = process_.waitForFinished(timeoutMs);
  parseOutput();
  return ok;
}

bool SimProcess::isRunning() const { return process_.state() != QProcess::NotRunning; }

QString SimProcess::meterPath() const { return dir_.filePath(QStringLiteral("COM1")); }

QString SimProcess::referencePath() const { return dir_.filePath(QStringLiteral("COM2")); }

QString SimProcess::dirPath() const { return dir_.path(); }

bool SimProcess::command(const QString& line, int timeoutMs) {
  // The simulator answers with the command's words joined by single spaces.
  const QString normal = line.simplified();
  if (!isRunning()) {
    lastError_ = QStringLiteral("simulator not running for: ") + normal;
    qWarning() << "SimProcess:" << lastError_;
    return false;
  }
  pullOutput();
  const qsizetype from = lines_.size();
  process_.write((normal + QLatin1Char('\n')).toUtf8());
  const QString okLine = QStringLiteral("ok ") + normal;
  const QString errorPrefix = QStringLiteral("error ") + normal + QLatin1Char(':');
  QString answer;
  pump(
      [&] {
        for (qsizetype i = from; i < lines_.size(); ++i) {
          if (lines_[i] == okLine || lines_[i].startsWith(errorPrefix)) {
            answer = lines_[i];
            return true;
          }
        }
        return false;
      },
      timeoutMs, true);
  if (answer == okLine) return true;
  lastError_ = answer.isEmpty() ? QStringLiteral("no answer to: ") + normal : answer;
  qWarning() << "SimProcess:" << lastError_;
  return false;
}

QList<SimProcess::Rx> SimProcess::meterFrames() {
  pullOutput();
  return meterFrames_;
}

QList<SimProcess::Rx> SimProcess::referenceCommands() {
  pullOutput();
  return referenceCommands_;
}

bool SimProcess::waitForMeterFrames(int count, int timeoutMs) {
  return pump([&] { return meterFrames_.size() >= count; }, timeoutMs, true);
}

bool SimProcess::waitForReferenceCommands(int count, int timeoutMs) {
  return pump([&] { return referenceCommands_.size() >= count; }, timeoutMs, true);
}

bool SimProcess::waitForLine(const QString& prefix, int timeoutMs, QString* line) {
  qsizetype found = -1;
  const bool ok = pump(
      [&] {
        for (qsizetype i = 0; i < lines_.size(); ++i) {
          if (!consumed_[i] && lines_[i].startsWith(prefix)) {
            found = i;
            return true;
          }
        }
        return false;
      },
      timeoutMs, true);
  if (!ok) return false;
  consumed_[found] = true;
  if (line) *line = lines_[found];
  return true;
}

QStringList SimProcess::lines() {
  pullOutput();
  return lines_;
}

double SimProcess::elapsedMs() {
  pullOutput();
  if (clockNs_ < 0) return -1;
  // The simulator stamps with CLOCK_MONOTONIC, which is what steady_clock reads on Linux.
  const qint64 nowNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
  return double(nowNs - clockNs_) / 1e6;
}

bool SimProcess::pumpUntil(const std::function<bool()>& done, int timeoutMs) {
  return pump(done, timeoutMs, false);
}

bool SimProcess::pump(const std::function<bool()>& done, int timeoutMs, bool stopWhenExited) {
  QElapsedTimer timer;
  timer.start();
  while (true) {
    pullOutput();
    if (done()) return true;
    if (stopWhenExited && !isRunning()) return false;
    const qint64 left = timeoutMs - timer.elapsed();
    if (left <= 0) return false;
    // Wakes on simulator output, its exit, or after a short slice, so that a condition on a
    // serial port is seen promptly too; meanwhile every other event of the thread (serial
    // ports, timers, windows) is processed.
    QEventLoop loop;
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
    QObject::connect(&process_, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(int(std::min<qint64>(left, 5)), &loop, &QEventLoop::quit);
    loop.exec();
  }
}

void SimProcess::pullOutput() {
  // Outside the event loop QProcess does not read the pipe by itself.
  if (process_.state() == QProcess::Running) process_.waitForReadyRead(0);
  parseOutput();
}

void SimProcess::parseOutput() {
  partial_ += process_.readAllStandardOutput();
  qsizetype nl;
  while ((nl = partial_.indexOf('\n')) >= 0) {
    QString line = QString::fromUtf8(partial_.left(nl));
    partial_.remove(0, nl + 1);
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    parseLine(line);
  }
}

void SimProcess::parseLine(const QString& line) {
  lines_ << line;
  consumed_ << false;
  static const QString meterPrefix = QStringLiteral("rx meter ");
  static const QString referencePrefix = QStringLiteral("rx reference ");
  if (line.startsWith(meterPrefix)) {
    qsizetype stampPos = -1;
    Rx rx{{}, StampOf(line, &stampPos)};
    if (stampPos < 0) stampPos = line.size();
    const QStringList hex = line.mid(meterPrefix.size(), stampPos - meterPrefix.size())
                                .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& h : hex) rx.bytes += char(h.toInt(nullptr, 16));
    meterFrames_ << rx;
  } else if (line.startsWith(referencePrefix)) {
    qsizetype stampPos = -1;
    Rx rx{{}, StampOf(line, &stampPos)};
    if (stampPos < 0) stampPos = line.size();
    rx.bytes = Unescape(line.mid(referencePrefix.size(), stampPos - referencePrefix.size()));
    referenceCommands_ << rx;
  } else if (line.startsWith(QLatin1String("clock "))) {
    clockNs_ = line.mid(6).toLongLong();
  } else if (line == QLatin1String("ready")) {
    ready_ = true;
  }
}
