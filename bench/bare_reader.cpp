// The least a Qt program can do with the meter's stream: read it and throw it away. bench/line-rate
// measures the application's CPU against this, in the same run.
//   bare_reader DEVICE SECONDS
#include <QCoreApplication>
#include <QSerialPort>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: bare_reader DEVICE SECONDS\n");
    return 2;
  }
  QSerialPort port(QString::fromLocal8Bit(argv[1]));
  port.setBaudRate(9600);
  if (!port.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "bare_reader: %s\n", qPrintable(port.errorString()));
    return 2;
  }
  qint64 bytes = 0;
  QObject::connect(&port, &QSerialPort::readyRead, [&] { bytes += port.readAll().size(); });
  std::printf("connected\n");
  std::fflush(stdout);
  QTimer::singleShot(std::atoi(argv[2]) * 1000, &app, [&] {
    std::printf("bytes %lld\n", static_cast<long long>(bytes));
    QCoreApplication::quit();
  });
  return app.exec();
}
