#pragma once
// The record store: calibrations and transfers, append-only, on Qt SQL.
//
// Every record is first written to a local SQLite file (by default in the user's data folder,
// made on first use). When a lab's PostgreSQL server is named, each record then goes to the
// server too; one that cannot reach it waits in the local file and goes when the server is
// back. The number is the key on both, so nothing goes twice: bench / year / sequence, the
// sequence counted per bench and year in the local file, so two benches never collide.
//
// Both back ends hold the same schema, made and upgraded by the program (schema_version):
//   records   (number PRIMARY KEY, kind, bench, year, seq, amends, serial, at_utc, technician,
//              body)   body: the kind's fields as JSON
//   uploaded  (number PRIMARY KEY)   local only: what the server holds
// The database itself refuses UPDATE and DELETE on records (a trigger on each back end): a
// correction is a new record that names the one it amends.
#include <QString>
#include <QStringList>
#include <optional>

#include "store/Records.h"

class RecordStore {
 public:
  static constexpr int kSchemaVersion = 1;

  struct Server {
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString password;
  };

  explicit RecordStore(const QString& bench);
  ~RecordStore();
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  // The default local file, the same for every program of the family: Fluxa/records.sqlite in
  // the user's data folder.
  static QString DefaultPath();
  // Opens the local file, making it (and its folder) when missing. A file that is not a sound
  // database is never overwritten: false and the reason. A schema newer than this program's
  // opens read-only.
  bool Open(const QString& path, QString* error);
  // Connects to a lab's server and makes or upgrades its schema; what waits goes there.
  bool ConnectServer(const Server& server, QString* error);
  bool ReadOnly() const { return readOnly_; }
  bool ServerConnected() const;

  // Writes a record and gives it its number (in the record too); empty and the reason when it
  // could not be written. A record the server does not take now waits locally.
  QString Add(CalibrationRecord& record, QString* error);
  QString Add(TransferRecord& record, QString* error);
  // Records waiting for the server.
  int Waiting() const;
  // Sends what waits; the number sent, or -1 and the reason when the server refused.
  int Upload(QString* error);

  // The history, newest first: the server's when connected, else the local file's. An empty
  // filter lists every serial number; otherwise the serial numbers that contain it.
  QList<RecordSummary> History(const QString& serialFilter = {}) const;
  std::optional<CalibrationRecord> Calibration(const QString& number) const;
  std::optional<TransferRecord> Transfer(const QString& number) const;

 private:
  QString Insert(const QString& kind, const QString& serial, const QDateTime& at, const QString& technician,
                 const QString& amends, const QByteArray& body, QString* error);
  bool UploadOne(const QString& number, QString* error);
  struct Row {
    QString serial;
    QDateTime at;
    QString technician;
    QString amends;
    QString bench;
    QByteArray body;
  };
  std::optional<Row> Find(const QString& number, const QString& kind) const;
  template <typename Record>
  std::optional<Record> Read(const QString& number, const QString& kind,
                             bool (*readBody)(const QByteArray&, Record&)) const;

  QString bench_;
  QString local_;   // connection names
  QString server_;
  bool readOnly_ = false;
};
