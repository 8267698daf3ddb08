// store_writer PATH BENCH COUNT: adds COUNT transfer records to the store at PATH as bench
// BENCH and prints each number on a line.
#include <QCoreApplication>
#include <QTextStream>

#include "store/RecordStore.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 4) return 1;
  RecordStore store(args[2]);
  QString error;
  if (!store.Open(args[1], &error)) {
    QTextStream(stderr) << error << '\n';
    return 2;
  }
  QTextStream out(stdout);
  for (int i = 0; i < args[3].toInt(); ++i) {
    TransferRecord r;
    r.serial = "W" + QString::number(i);
    r.at = QDateTime::currentDateTimeUtc();
    r.technician = "writer";
    const QString number = store.Add(r, &error);
    if (number.isEmpty()) {
      QTextStream(stderr) << error << '\n';
      return 3;
    }
    out << number << '\n';
  }
  return 0;
}
