#include "tests/common/PostgresCluster.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <QProcess>
#include <pwd.h>
#include <unistd.h>

#include "tests/common/BrokerProcess.h"

namespace {
QString BinDir() {
  QStringList versions = QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  std::sort(versions.begin(), versions.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
  return versions.isEmpty() ? QString() : "/usr/lib/postgresql/" + versions.last() + "/bin/";
}
}  // namespace

PostgresCluster::PostgresCluster() : data_(dir_.filePath("data")) {}

PostgresCluster::~PostgresCluster() {
  if (running_) stop();
}

bool PostgresCluster::Available() { return !BinDir().isEmpty() && QFile::exists(BinDir() + "initdb"); }

bool PostgresCluster::Run(const QStringList& command) {
  QStringList args = command;
  QString program = args.takeFirst();
  if (::getuid() == 0) {  // the server refuses root
    args.prepend(program);
    args = QStringList{"-u", "postgres", "--"} + args;
    program = "runuser";
  }
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.setWorkingDirectory(dir_.path());
  p.start(program, args);
  const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  if (!ok) error_ = program + " " + args.join(' ') + ": " + QString::fromLocal8Bit(p.readAll());
  return ok;
}

bool PostgresCluster::start() {
  if (!Available()) {
    error_ = "PostgreSQL is not installed";
    return false;
  }
  const QString bin = BinDir();
  if (!made_) {
    if (::getuid() == 0) {
      const passwd* pg = ::getpwnam("postgres");
      if (!pg || ::chown(dir_.path().toLocal8Bit().constData(), pg->pw_uid, pg->pw_gid) != 0) {
        error_ = "no postgres user to run the server as";
        return false;
      }
    }
    if (!Run({bin + "initdb", "-D", data_, "-A", "trust", "-U", "fluxa", "--no-sync", "-E", "UTF8"})) return false;
    // The user "checker" must give a password; the first matching line of the file wins.
    QFile hba(data_ + "/pg_hba.conf");
    if (!hba.open(QIODevice::ReadWrite)) {
      error_ = "cannot read pg_hba.conf";
      return false;
    }
    const QByteArray rules = "host all checker 127.0.0.1/32 scram-sha-256\n" + hba.readAll();
    hba.seek(0);
    hba.write(rules);
    hba.close();
    port_ = BrokerProcess::FreePort();
    made_ = true;
  }
  const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off").arg(port_).arg(data_);
  if (!Run({bin + "pg_ctl", "-D", data_, "-o", options, "-l", dir_.filePath("data/server.log"), "-w", "-t", "60", "start"}))
    return false;
  running_ = true;
  // The database, made on the first start.
  return Run({bin + "psql", "-h", "127.0.0.1", "-p", QString::number(port_), "-U", "fluxa", "-d", "postgres",
              "-tAc", "SELECT 1 FROM pg_database WHERE datname = 'records'"}) &&
         (Run({bin + "psql", "-h", "127.0.0.1", "-p", QString::number(port_), "-U", "fluxa", "-d", "records", "-tAc", "SELECT 1"}) ||
          (Run({bin + "createdb", "-h", "127.0.0.1", "-p", QString::number(port_), "-U", "fluxa", "records"}) &&
           Run({bin + "psql", "-h", "127.0.0.1", "-p", QString::number(port_), "-U", "fluxa", "-d", "records", "-tAc",
                "CREATE ROLE checker LOGIN PASSWORD 'right'"})));
}

bool PostgresCluster::stop() {
  running_ = false;
  return Run({BinDir() + "pg_ctl", "-D", data_, "-m", "fast", "-w", "stop"});
}
