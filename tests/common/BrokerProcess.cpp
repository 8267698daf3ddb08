#include "tests/common/BrokerProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
QString Broker() {
  for (const char* path : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto"})
    if (QFile::exists(path)) return path;
  return QStringLiteral("mosquitto");
}

bool Run(const QString& program, const QStringList& args, const QString& dir) {
  QProcess p;
  p.setWorkingDirectory(dir);
  p.start(program, args);
  return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Whether something accepts connections on the port.
bool Listening(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(quint16(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}
}  // namespace

int BrokerProcess::FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  ::close(fd);
  return port;
}

BrokerProcess::BrokerProcess(Options options) : options_(std::move(options)) {
  broker_.setProcessChannelMode(QProcess::MergedChannels);
}

BrokerProcess::~BrokerProcess() {
  if (broker_.state() != QProcess::NotRunning) {
    broker_.terminate();
    if (!broker_.waitForFinished(5000)) broker_.kill();
    broker_.waitForFinished(2000);
  }
}

QString BrokerProcess::caFile() const { return dir_.filePath("ca.crt"); }

QString BrokerProcess::url(const QString& prefix, const QString& user) const {
  const QString scheme = options_.tls ? QStringLiteral("mqtts://") : QStringLiteral("mqtt://");
  const QString who = user.isEmpty() ? QString() : user + QLatin1Char('@');
  return scheme + who + QStringLiteral("127.0.0.1:") + QString::number(port_) + QLatin1Char('/') + prefix;
}

QString BrokerProcess::log() const {
  QFile file(dir_.filePath("broker.log"));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool BrokerProcess::MakeCertificates() {
  const QString d = dir_.path();
  return Run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=fluxa test CA",
                         "-keyout", "ca.key", "-out", "ca.crt"}, d) &&
         Run("openssl", {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                         "server.key", "-out", "server.csr"}, d) &&
         [&] {
           QFile ext(dir_.filePath("san.ext"));
           return ext.open(QIODevice::WriteOnly) && ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n") > 0;
         }() &&
         Run("openssl", {"x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
                         "-CAcreateserial", "-days", "2", "-extfile", "san.ext", "-out", "server.crt"}, d);
}

bool BrokerProcess::start(int timeoutMs) {
  if (!dir_.isValid()) return false;
  if (port_ == 0) {
    port_ = FreePort();
    if (options_.tls && !MakeCertificates()) return false;
    QByteArray config = "listener " + QByteArray::number(port_) + " 127.0.0.1\n";
    // Run as root, the broker would become the user "mosquitto", who cannot read this folder.
    if (const passwd* me = ::getpwuid(::getuid())) config += QByteArray("user ") + me->pw_name + "\n";
    config += "persistence true\npersistence_location " + dir_.path().toUtf8() + "/\n";
    config += "log_dest file " + dir_.filePath("broker.log").toUtf8() + "\n";
    if (options_.user.isEmpty()) {
      config += "allow_anonymous true\n";
    } else {
      QFile passwords(dir_.filePath("passwords"));
      if (!passwords.open(QIODevice::WriteOnly)) return false;
      passwords.close();
      if (!Run("mosquitto_passwd", {"-b", passwords.fileName(), options_.user, options_.password}, dir_.path()))
        return false;
      config += "allow_anonymous false\npassword_file " + passwords.fileName().toUtf8() + "\n";
    }
    if (options_.tls)
      config += "cafile " + caFile().toUtf8() + "\ncertfile " + dir_.filePath("server.crt").toUtf8() +
                "\nkeyfile " + dir_.filePath("server.key").toUtf8() + "\n";
    QFile file(dir_.filePath("mosquitto.conf"));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) return false;
  }
  broker_.start(Broker(), {"-c", dir_.filePath("mosquitto.conf")});
  if (!broker_.waitForStarted(5000)) return false;
  const QDeadlineTimer deadline(timeoutMs);
  while (!deadline.hasExpired()) {
    if (broker_.state() == QProcess::NotRunning) return false;
    if (Listening(port_)) return true;
    QThread::msleep(20);
  }
  return false;
}

bool BrokerProcess::stop() {
  broker_.terminate();
  return broker_.waitForFinished(10000);
}

bool BrokerProcess::kill() {
  broker_.kill();
  return broker_.waitForFinished(10000);
}

Subscriber::Subscriber(const BrokerProcess& broker, const QString& filter, const QStringList& extra)
    : filter_(filter), port_(broker.port()), extra_(extra) {
  static int n = 0;
  args_ = QStringList{"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t", filter, "-q", "1", "-v",
                      "-c", "-i", QStringLiteral("fluxa-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++n)} +
          extra;
  QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
    partial_ += process_.readAllStandardOutput();
    qsizetype end;
    while ((end = partial_.indexOf('\n')) >= 0) {
      lines_ << QString::fromUtf8(partial_.left(end));
      partial_.remove(0, end + 1);
    }
  });
}

Subscriber::~Subscriber() {
  process_.terminate();
  if (!process_.waitForFinished(3000)) process_.kill();
  process_.waitForFinished(2000);
}

bool Subscriber::start(int timeoutMs) {
  process_.start("mosquitto_sub", args_);
  if (!process_.waitForStarted(timeoutMs)) return false;
  // Subscribed once a probe published under its filter comes back.
  const QString probe = QString(filter_).replace('#', "probe");
  const QDeadlineTimer deadline(timeoutMs);
  while (!deadline.hasExpired() && process_.state() == QProcess::Running) {
    QProcess::execute("mosquitto_pub",
                      QStringList{"-h", "127.0.0.1", "-p", QString::number(port_), "-t", probe, "-m", "probe", "-q", "1"} + extra_);
    if (pumpUntil([&] { return payloads(probe).contains("probe"); }, 300)) return true;
  }
  return false;
}

QStringList Subscriber::lines() {
  QCoreApplication::processEvents();
  return lines_;
}

QStringList Subscriber::payloads(const QString& topic) {
  QStringList out;
  for (const QString& line : lines())
    if (line.startsWith(topic + ' ')) out << line.mid(topic.size() + 1);
  return out;
}

bool Subscriber::pumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}
