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
// Schema (schema_version 3; a version 1 store is upgraded in place, its records sealed into
// the chain as they stand; a version 2 store gets the register of people, its records and
// chains untouched):
//   records   (number PRIMARY KEY, kind, bench, year, seq, amends, serial, at_utc, technician,
//              body, written_utc, author, reason, prev_hash, hash)   body: the kind's fields
//   people    (id, version, name, role, active, password, at_utc; PRIMARY KEY (id, version)):
//              the register of people, append-only like the records (no UPDATE, DELETE or
//              replacing insert). Each row is one state of a person, whole: a new person is
//              version 1; deactivating or a new password adds the next version with every other
//              field copied; the highest version of an id is the person now. password is the
//              Argon2id hash (crypto_pwhash_str), never the password.
//   local:  uploaded (number), conflicts (number), installation (id),
//           bench_floor (bench, year, seq, hash): the server's highest record of the bench,
//           chain_anchors (bench, hash): server records a local chain continues from,
//           sign_attempts (signer, at_utc, ok): passwords tried for signing, for the pause
//   server: benches (bench PRIMARY KEY, installation, since_utc)
//
// The register of people. A lab with a server keeps one register, the server's: while
// connected the register is read and changed there (each new state is copied into the local
// file too); while the server is named but not reached, the local copy (the states last seen)
// is read, and signing works from it, but the register cannot be changed. Connecting copies
// the server's states the local file lacks into it, and gives the server the people it does
// not know at all (registered here before a server was named). Without a server, the local
// file's register is the register.
//
// Signatures. A signature is a record of kind "signature" in the records table, chained,
// uploaded and verified like every record: serial is the calibration's meter serial, at_utc the
// time of signing, technician the signer's id, and the body (compact JSON) names the
// calibration's number, the signer's printed name and role, the meaning and record_hash: the
// SHA-256 of the calibration record's stored content as its chain hashes it (RowHash over its
// columns number .. prev_hash, RecordSql.h), worked out anew from the row when signing and
// whenever the approval is asked for. A calibration changed afterwards no longer matches its
// signature; an amendment is a record of its own and needs its own signature.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

#include "store/People.h"
#include "store/Records.h"

class QSqlDatabase;

class RecordStore {
 public:
  static constexpr int kSchemaVersion = 3;
  // Wrong passwords in a row that pause signing as that person, and for how long.
  static constexpr int kSigningTries = 3;
  static constexpr int kSigningPauseSeconds = 60;

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

  // The register of people (see above). A new person (an id never registered) with a password;
  // false and why when the id is taken, a field is refused or the register cannot be changed now.
  bool AddPerson(const Person& person, const QString& password, QString* error);
  // A new state of a registered person: no longer active, or a new password.
  bool DeactivatePerson(const QString& id, QString* error);
  bool SetPassword(const QString& id, const QString& password, QString* error);
  // Every person as they are now (the newest state), by id; only the active ones when asked.
  QList<Person> People(bool activeOnly = false) const;
  std::optional<Person> FindPerson(const QString& id) const;

  // Signing a calibration. Checks, in this order: the pause after kSigningTries wrong passwords
  // (kept in the local file, so that every program of this installation keeps it), the person,
  // the password, active, an approver, the calibration (there, sound against its own hash, not
  // superseded by an amendment, not approved yet); then keeps the signature as a record.
  struct SignResult {
    enum Outcome {
      Signed, WrongPassword, Paused, UnknownPerson, Inactive, NotApprover, NotFound, HashMismatch,
      AlreadyApproved, Superseded, Failed
    };
    Outcome outcome = Failed;
    SignatureRecord signature;  // Signed: the one kept; AlreadyApproved: the one there
    int triesLeft = 0;          // WrongPassword: before the pause
    int secondsLeft = 0;        // Paused
    QString amendment;          // Superseded: the newest record that amends it
    QString error;              // Failed: why
  };
  SignResult Sign(const QString& calibrationNumber, const QString& signer, const QString& password,
                  const QString& meaning);
  // The valid signature of a calibration: the first one whose record_hash is the calibration's
  // hash now, the calibration and the signature both sound against their own hashes; none when
  // unsigned or changed since.
  std::optional<SignatureRecord> Approval(const QString& calibrationNumber) const;
  // A signature record by its own number.
  std::optional<SignatureRecord> Signature(const QString& number) const;

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

  // The database the register is read from now (the server's when connected).
  QSqlDatabase RegisterDatabase() const;
  bool AddPersonState(const Person& person, const QString& passwordHash, QString* error);
  std::optional<Person> PersonOf(const QString& id, QString* passwordHash) const;
  void SyncPeople();
  // A calibration's row (this installation's first), empty when there is none.
  QList<QVariant> CalibrationRow(const QString& number) const;

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
// What came of signing calibrationNumber as signer, in the program's language.
QString SignResultText(const RecordStore::SignResult& result, const QString& calibrationNumber, const QString& signer);
// An approval as the history tells it: printed name (id), time (UTC), meaning.
QString ApprovalText(const SignatureRecord& signature);
