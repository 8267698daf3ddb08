#pragma once
// A throwaway PostgreSQL cluster for a test: initdb in a temporary folder, the server on a free
// localhost port (run as the "postgres" user when the test runs as root, since the server will
// not run as root), one database "records" that the user "fluxa" may use without a password
// (and the user "checker" only with the password "right");
// stopped with the test.
#include <QString>
#include <QTemporaryDir>

class PostgresCluster {
 public:
  PostgresCluster();
  ~PostgresCluster();
  bool start();   // made on the first start; false and the reason in error()
  bool stop();    // a fast shutdown; start() again brings the same data back
  int port() const { return port_; }
  QString error() const { return error_; }
  static bool Available();  // initdb is installed

 private:
  bool Run(const QStringList& command);
  QTemporaryDir dir_;
  QString data_;
  int port_ = 0;
  bool made_ = false;
  bool running_ = false;
  QString error_;
};
