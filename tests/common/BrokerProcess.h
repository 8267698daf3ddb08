#pragma once
// A real mosquitto broker for a test: its own configuration, password file, persistence folder
// and (when asked) TLS certificates made with openssl in a temporary folder, listening on a free
// localhost port; stopped with the test. And a subscriber (mosquitto_sub) that keeps what it
// receives.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

class BrokerProcess {
 public:
  struct Options {
    bool tls = false;
    QString user;      // with a password: anonymous clients are refused
    QString password;
  };
  BrokerProcess() : BrokerProcess(Options{}) {}
  explicit BrokerProcess(Options options);
  ~BrokerProcess();

  bool start(int timeoutMs = 10000);  // listening when true
  bool stop();                        // a clean stop (SIGTERM); the port stays this broker's
  bool kill();                        // SIGKILL
  int port() const { return port_; }
  QString caFile() const;             // the test CA, with tls
  QString url(const QString& prefix, const QString& user = {}) const;  // mqtt(s)://...
  QString log() const;

  static int FreePort();

 private:
  bool MakeCertificates();
  Options options_;
  QTemporaryDir dir_;
  QProcess broker_;
  int port_ = 0;
  QStringList extra_;  // credentials, for the probe too
};

// mosquitto_sub -v on a topic filter ending in '#', with a persistent session (QoS 1), so that
// it misses nothing while the broker restarts. Lines are "topic payload". extra: options of
// both mosquitto_sub and mosquitto_pub, such as the credentials.
class Subscriber {
 public:
  Subscriber(const BrokerProcess& broker, const QString& filter, const QStringList& extra = {});
  ~Subscriber();
  bool start(int timeoutMs = 10000);
  QStringList lines();                       // every line so far
  QStringList payloads(const QString& topic);  // payloads of lines of that topic
  // Runs the event loop until done() or the time is up.
  static bool pumpUntil(const std::function<bool()>& done, int timeoutMs);

 private:
  QProcess process_;
  QStringList lines_;
  QByteArray partial_;
  QStringList args_;
  QString filter_;  // ends in '#': a probe under it tells that the subscription stands
  int port_ = 0;
  QStringList extra_;  // credentials, for the probe too
};
