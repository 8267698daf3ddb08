// The settings store as a hand-edited INI file: the user's values, the port mapping and the
// list of recordings left by a crash. QSettings reads a file, so each run writes one (in a
// memory-backed folder where there is one); QSettings sees the new size and time and reads it
// afresh.
//
// Input: byte 0 picks the port name asked for ("COM" + 0..15) with its low four bits; bits 4
// and 5 both set: the user's values are also written back and read again (slow: QSettings
// writes a new file and syncs it). The rest is the INI file.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cstdint>
#include <cstdlib>

#include "FuzzCheck.h"
#include "link/PortNames.h"
#include "records/RecoveryFile.h"
#include "settings/SettingsStore.h"
#include "settings/UserSettings.h"

namespace {
QString Folder() {
  static const QString folder = [] {
    const QString base = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString path = base + QStringLiteral("/fluxa-fuzz-settings-%1").arg(getpid());
    QDir().mkpath(path);
    return path;
  }();
  return folder;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  unsetenv("FLUXA_COM1");
  unsetenv("FLUXA_COM2");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const QString path = Folder() + QStringLiteral("/settings.ini");
  {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
  }
  qputenv("FLUXA_SETTINGS", path.toUtf8());
  FUZZ_CHECK(SettingsStoreLocation() == path);

  // The port mapping: the stored device when there is one, else the serial device by number.
  const QString port = QStringLiteral("COM%1").arg(data[0] % 16);
  const QString device = DeviceForPort(port);
  const QString stored = QSettings(path, QSettings::IniFormat).value("ports/" + port).toString();
  if (!stored.isEmpty())
    FUZZ_CHECK(device == stored);
  else if (data[0] % 16 >= 1)
    FUZZ_CHECK(device == QStringLiteral("/dev/ttyS%1").arg(data[0] % 16 - 1));
  else
    FUZZ_CHECK(device == port);

  // Recordings left behind: only existing recovery files, and the list keeps only those.
  for (const QString& name : LeftRecoveryFiles()) {
    FUZZ_CHECK(name.endsWith(kRecoverySuffix));
    FUZZ_CHECK(QFileInfo(name).isFile());
  }

  // The user's values, whatever the file held, are written and read back unchanged.
  const UserSettings read = ReadUserSettings();
  const bool writeBack = (data[0] & 0x30) == 0x30;
  if (writeBack && WriteUserSettings(read)) {
    const UserSettings back = ReadUserSettings();
    FUZZ_CHECK(back.name == read.name);
    FUZZ_CHECK(back.company == read.company);
    FUZZ_CHECK(back.service == read.service);
    FUZZ_CHECK(UserSettingsKeyExists());
  }
  return 0;
}
