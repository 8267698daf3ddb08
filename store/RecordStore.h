#pragma once
// The record store: calibrations and transfers, append-only, on Qt SQL.
//
// Every record is first written to a local SQLite file (by default in the user's data folder,
// made on first use). When a lab's PostgreSQL server is named, each record then goes to the
// server too; one that cannot reach it waits in the local file and goes when the server is
// back.
//
// One number, one record, across the lab. A number is bench / year / sequence. Each local file
// holds a random installation id; the server's `benches` table gives each bench id to the one
// installation that registered it, and another installation that claims the same id is refused
// until it takes the bench over on purpose (TakeOverBench). While connected, the store learns
// the highest number the server holds for its bench, and numbers after it, so a lost local
// file never starts again at 1. A record counts as sent only when the server holds exactly it
// (the same content); a number the server holds for a different record is a conflict: kept
// locally, never counted as sent, told, and the other records still go.
//
// Tamper evidence. Every record carries a SHA-256 over its content and the hash of its bench's
// previous record (prev_hash, hash): a chain per bench, ordered by year and sequence, the same
// on both back ends. Verify() checks it and names every record changed, removed, inserted or
// replaced. The database refuses UPDATE, DELETE, TRUNCATE and INSERT OR REPLACE (triggers);
// on PostgreSQL the program works through a role that may only INSERT and SELECT the records,
// while the schema belongs to another role (SetUpServer, "fluxa-cli db setup").
//
// Schema (schema_version 2; a version 1 store is upgraded in place, its records sealed into
// the chain as they stand):
//   records   (number PRIMARY KEY, kind, bench, year, seq, amends, serial, at_utc, technician,
//              body, written_utc, author, reason, prev_hash, hash)   body: the kind's fields
//   local:  uploaded (number), conflicts (number), installation (id),
//           bench_floor (bench, year, seq, hash): the server's highest record of the bench,
//           chain_anchors (bench, hash): server records a local chain continues from
//   server: benches (bench PRIMARY KEY, installation, since_utc)
#include <QString>
#include <QStringList>
#include <optional>

#include "store/Records.h"

class QSqlDatabase;

class RecordStore {
 public:
  static constexpr int kSchemaVersion = 2;

  struct Server {
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString password;
  };

  // A break in a chain of records: which record, and what happened to it.
  struct Finding {
    // Removed: this number is gone; RemovedBefore: what came before this one in the chain is
    // gone (its number not known).
    enum Kind { Changed, Removed, RemovedBefore, Inserted, Replaced };
    QString number;
    Kind kind = Changed;
    bool operator==(const Finding&) const = default;
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
  // Connects to a lab's server, registers this bench there when no installation holds it, and
  // sends what waits. Refused (false) when another installation holds the bench (BenchTaken())
  // or the server's schema is missing or older and this role may not make it.
  bool ConnectServer(const Server& server, QString* error);
  // This bench is registered on the server to another installation (after ConnectServer).
  bool BenchTaken() const { return benchTaken_; }
  // Gives this bench to this installation on the server, whoever held it, and sends what waits.
  bool TakeOverBench(const Server& server, QString* error);
  bool ReadOnly() const { return readOnly_; }
  bool ServerConnected() const;
  QString Bench() const { return bench_; }
  // This local file's random id.
  QString Installation() const { return installation_; }

  // Writes a record and gives it its number (in the record too); empty and the reason when it
  // could not be written. A record the server does not take now waits locally.
  QString Add(CalibrationRecord& record, QString* error);
  QString Add(TransferRecord& record, QString* error);
  // Records waiting for the server (conflicts included).
  int Waiting() const;
  // The numbers the server holds for a different record.
  QStringList Conflicts() const;
  // Sends what waits; the number sent (each record on its own: one refused or in conflict does
  // not stop the others), or -1 when there is no server. error: why the last one did not go.
  int Upload(QString* error);

  // The history, newest first: the server's when connected, with this installation's records
  // that are not there (state "waiting" or "conflict"), else the local file's.
  QList<RecordSummary> History(const QString& serialFilter = {}) const;
  std::optional<CalibrationRecord> Calibration(const QString& number) const;
  std::optional<TransferRecord> Transfer(const QString& number) const;

  // Checks the chains of the local file (server false) or of the server; empty when sound.
  QList<Finding> Verify(bool server) const;

  // Makes or upgrades the server's schema as its owner and lets workingRole (an existing
  // role) insert and read the records, and nothing more.
  static bool SetUpServer(const Server& owner, const QString& workingRole, QString* error);

 private:
  QString Insert(const QString& kind, const QString& serial, const QDateTime& at, const QString& technician,
                 const QString& amends, const QString& author, const QString& reason, const QByteArray& body,
                 QDateTime* written, QString* error);
  // 1 sent, 0 not sent (error says why), -1 a conflict.
  int UploadOne(const QString& number, QString* error);
  bool Register(bool takeOver, QString* error);
  void LearnFloor();
  template <typename Record>
  std::optional<Record> Read(const QString& number, const QString& kind,
                             bool (*readBody)(const QByteArray&, Record&)) const;

  QString bench_;
  QString local_;   // connection names
  QString server_;
  QString installation_;
  bool readOnly_ = false;
  bool serverNamed_ = false;
  bool benchTaken_ = false;
};

// The text of a finding in the program's language ("B1/2026/0002 changed").
QString FindingText(const RecordStore::Finding& finding);
