#include "records/RecoveryFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

#include "measurement/Filters.h"
#include "records/DataFile.h"
#include "settings/SettingsStore.h"

namespace {
const QString kListKey = QStringLiteral("recovery/files");
const QString kLockSuffix = QStringLiteral(".lock");

QStringList Listed() { return OpenSettingsStore()->value(kListKey).toStringList(); }

void SetListed(const QStringList& names) {
  const auto store = OpenSettingsStore();
  if (names.isEmpty())
    store->remove(kListKey);
  else
    store->setValue(kListKey, names);
  store->sync();
}

void List(const QString& name) {
  QStringList names = Listed();
  if (!names.contains(name)) SetListed(names << name);
}

void Unlist(const QString& name) {
  QStringList names = Listed();
  if (names.removeAll(name) > 0) SetListed(names);
}

// Whether a running program holds the recovery file. A lock left by a program that is gone is
// taken over and released.
bool InUse(const QString& recoveryFileName) {
  QLockFile lock(recoveryFileName + kLockSuffix);
  lock.setStaleLockTime(0);  // a recording may hold its lock for hours
  if (!lock.tryLock(0)) return lock.error() == QLockFile::LockFailedError;
  lock.unlock();
  return false;
}

bool SyncToDisk(QFile& file) {
  if (!file.flush()) return false;
#ifdef Q_OS_WIN
  return _commit(file.handle()) == 0;
#else
  return ::fsync(file.handle()) == 0;
#endif
}
}  // namespace

QString RecoveryFileName(const QString& dataFileName) { return dataFileName + kRecoverySuffix; }

RecoveryFile::RecoveryFile() {
  syncTimer_.setSingleShot(true);
  syncTimer_.setInterval(kSyncDelayMs);
  QObject::connect(&syncTimer_, &QTimer::timeout, [this] {
    if (IsOpen() && !Sync() && onFailure_) onFailure_();
  });
}

RecoveryFile::~RecoveryFile() {
  if (IsOpen()) Sync();
}

bool RecoveryFile::Open(const QString& dataFileName) {
  Remove();
  fileName_ = RecoveryFileName(dataFileName);
  lock_ = std::make_unique<QLockFile>(fileName_ + kLockSuffix);
  lock_->setStaleLockTime(0);
  // The lock only keeps a second program's start-up offer away; without it the file still works.
  lock_->tryLock(0);
  // Unbuffered: every line reaches the system with its own write.
  file_ = std::make_unique<QFile>(fileName_);
  if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
    file_.reset();
    lock_.reset();
    return false;
  }
  created_ = true;
  List(QFileInfo(fileName_).absoluteFilePath());
  return true;
}

bool RecoveryFile::Append(const QString& valueText) {
  if (!IsOpen()) return false;
  const QByteArray line = valueText.toLatin1() + "\r\n";
  if (file_->write(line) != line.size()) {
    Fail();
    return false;
  }
  if (!syncTimer_.isActive()) syncTimer_.start();
  return true;
}

bool RecoveryFile::Sync() {
  if (!IsOpen()) return false;
  syncTimer_.stop();
  if (!SyncToDisk(*file_)) {
    Fail();
    return false;
  }
  return true;
}

void RecoveryFile::Remove() {
  syncTimer_.stop();
  file_.reset();
  if (created_) {
    QFile::remove(fileName_);
    Unlist(QFileInfo(fileName_).absoluteFilePath());
  }
  lock_.reset();  // unlocks: the lock file goes too
  created_ = false;
  fileName_.clear();
}

bool RecoveryFile::IsOpen() const { return file_ && file_->isOpen(); }

void RecoveryFile::Fail() {
  syncTimer_.stop();
  file_->close();
}

// ---- After a crash ----

QStringList LeftRecoveryFiles() {
  QStringList left;
  const QStringList listed = Listed();
  QStringList stillListed;
  for (const QString& name : listed) {
    if (name.isEmpty() || !name.endsWith(kRecoverySuffix) || !QFileInfo(name).isFile()) continue;
    stillListed << name;
    if (!InUse(name)) left << name;
  }
  if (stillListed != listed) SetListed(stillListed);
  return left;
}

LeftRecording ReadLeftRecording(QIODevice& device) {
  LeftRecording left;
  if (!device.isOpen() && !device.open(QIODevice::ReadOnly)) return left;
  const DataFileLines read = ReadDataFileLines(device, StoredSeries::MaximumCount);
  // The reader counts a last line without its line end; here it is one the crash cut short.
  bool lastComplete = true;
  if (!device.isSequential() && device.size() > 0 && device.seek(device.size() - 1))
    lastComplete = device.read(1) == "\n";
  const qsizetype complete = read.lines.size() - (lastComplete || read.lines.isEmpty() ? 0 : 1);
  for (qsizetype i = 0; i < complete; ++i) {
    const QString& line = read.lines[i];
    if (!line.trimmed().isEmpty() && SeriesTextToNumber(line))
      left.lines << line;
    else
      ++left.droppedLines;
  }
  left.droppedLines += int(read.lines.size() - complete + read.linesLeftOut);
  return left;
}

LeftRecording ReadLeftRecording(const QString& recoveryFileName) {
  QFile file(recoveryFileName);
  LeftRecording left = ReadLeftRecording(file);
  left.recoveryFileName = recoveryFileName;
  left.dataFileName = recoveryFileName.chopped(kRecoverySuffix.size());
  return left;
}

bool KeepLeftRecording(const LeftRecording& left) {
  if (!WriteDataFile(left.dataFileName, left.lines)) return false;
  DiscardLeftRecording(left.recoveryFileName);
  return true;
}

void DiscardLeftRecording(const QString& recoveryFileName) {
  QFile::remove(recoveryFileName);
  Unlist(QFileInfo(recoveryFileName).absoluteFilePath());
}

RecoveryChoice RecoveryChoiceFromEnvironment() {
  const QString answer = qEnvironmentVariable("FLUXA_RECOVERY").trimmed().toLower();
  if (answer == QLatin1String("keep")) return RecoveryChoice::Keep;
  if (answer == QLatin1String("discard")) return RecoveryChoice::Discard;
  return RecoveryChoice::Ask;
}

QString RecoveryOfferText(const LeftRecording& left) {
  return QStringLiteral("Zapis do pliku %1 nie został zakończony.\nOdzyskano wyników: %2.\n\n"
                        "Zachować je w tym pliku?")
      .arg(left.dataFileName)
      .arg(left.lines.size());
}

QString RecoveryFailureText(const QString& recoveryFileName) {
  return QStringLiteral("Nie można zapisać pliku %1. Wyniki są zbierane tylko w pamięci.")
      .arg(recoveryFileName);
}
