#include "store/RecordStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>

#include "store/RecordJson.h"

namespace {
constexpr int kNumberTries = 50;  // another writer may take a sequence number first

const char* const kRecordsTable =
    "CREATE TABLE IF NOT EXISTS records ("
    " number TEXT PRIMARY KEY, kind TEXT NOT NULL, bench TEXT NOT NULL, year INTEGER NOT NULL,"
    " seq INTEGER NOT NULL, amends TEXT, serial TEXT NOT NULL, at_utc TEXT NOT NULL,"
    " technician TEXT NOT NULL, body TEXT NOT NULL, UNIQUE (bench, year, seq))";

// The triggers that keep records as they were written.
const QStringList kSqliteGuards = {
    "CREATE TRIGGER IF NOT EXISTS records_no_update BEFORE UPDATE ON records "
    "BEGIN SELECT RAISE(ABORT, 'records are never changed'); END",
    "CREATE TRIGGER IF NOT EXISTS records_no_delete BEFORE DELETE ON records "
    "BEGIN SELECT RAISE(ABORT, 'records are never changed'); END",
};
const QStringList kPostgresGuards = {
    "CREATE OR REPLACE FUNCTION fluxa_records_unchanged() RETURNS trigger LANGUAGE plpgsql AS "
    "$$ BEGIN RAISE EXCEPTION 'records are never changed'; END $$",
    "DROP TRIGGER IF EXISTS records_no_change ON records",
    "CREATE TRIGGER records_no_change BEFORE UPDATE OR DELETE ON records FOR EACH ROW "
    "EXECUTE FUNCTION fluxa_records_unchanged()",
    "DROP TRIGGER IF EXISTS records_no_truncate ON records",
    "CREATE TRIGGER records_no_truncate BEFORE TRUNCATE ON records FOR EACH STATEMENT "
    "EXECUTE FUNCTION fluxa_records_unchanged()",
};

QString Why(const QSqlError& e) { return e.text().trimmed(); }

bool Exec(QSqlDatabase& db, const QString& sql, QString* error) {
  QSqlQuery q(db);
  if (q.exec(sql)) return true;
  if (error) *error = Why(q.lastError());
  return false;
}

// The schema's version in a database; 0 in an empty one.
int SchemaVersion(QSqlDatabase& db) {
  QSqlQuery q(db);
  if (!db.tables().contains("schema_version") || !q.exec("SELECT MAX(version) FROM schema_version") || !q.next())
    return 0;
  return q.value(0).toInt();
}

// Makes or upgrades the schema; false and the reason when it cannot. newer: the database was
// made by a newer program.
bool MakeSchema(QSqlDatabase& db, bool postgres, bool local, bool* newer, QString* error) {
  *newer = SchemaVersion(db) > RecordStore::kSchemaVersion;
  if (SchemaVersion(db) >= RecordStore::kSchemaVersion) return true;
  // Another program may be making it at the same moment: SQLite takes the write lock at once
  // (a deferred transaction could not wait for it), PostgreSQL a lock of its own.
  if (!(postgres ? db.transaction() && Exec(db, "SELECT pg_advisory_xact_lock(4711)", error)
                 : Exec(db, "BEGIN IMMEDIATE", error))) {
    if (error && error->isEmpty()) *error = Why(db.lastError());
    return false;
  }
  if (SchemaVersion(db) >= RecordStore::kSchemaVersion) return db.commit();  // made meanwhile
  QStringList steps = {"CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", kRecordsTable,
                       "CREATE INDEX IF NOT EXISTS records_serial ON records (serial, at_utc)"};
  if (local) steps << "CREATE TABLE IF NOT EXISTS uploaded (number TEXT PRIMARY KEY)";
  steps += postgres ? kPostgresGuards : kSqliteGuards;
  steps << QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(RecordStore::kSchemaVersion);
  for (const QString& sql : steps)
    if (!Exec(db, sql, error)) {
      db.rollback();
      return false;
    }
  if (db.commit()) return true;
  if (error) *error = Why(db.lastError());
  return false;
}

// An empty text is kept as one: a null QString would be bound as NULL.
QString NotNull(const QString& text) { return text.isNull() ? QStringLiteral("") : text; }

QString Utc(const QDateTime& t) { return t.toUTC().toString(Qt::ISODateWithMs); }
QDateTime FromUtc(const QString& text) {
  QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
  t.setTimeSpec(Qt::UTC);
  return t;
}
}  // namespace

RecordStore::RecordStore(const QString& bench)
    : bench_(bench.trimmed().isEmpty() ? QStringLiteral("bench") : bench.trimmed()),
      local_("fluxa-records-" + QUuid::createUuid().toString(QUuid::WithoutBraces)),
      server_(local_ + "-server") {}

RecordStore::~RecordStore() {
  for (const QString& name : {local_, server_}) {
    if (!QSqlDatabase::contains(name)) continue;
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
  }
}

// One file for the window and fluxa-cli alike: the user's data folder, not the program's own
// (~/.local/share/Fluxa, %LOCALAPPDATA%\Fluxa).
QString RecordStore::DefaultPath() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath("Fluxa/records.sqlite");
}

bool RecordStore::Open(const QString& path, QString* error) {
  const bool existed = QFileInfo::exists(path);
  // Only the program's own folder is made; a folder the user named (FLUXA_RECORDS) that is not
  // there is a typing error more often than a wish for a new one.
  const QString folder = QFileInfo(path).absolutePath();
  const bool ownFolder = folder == QFileInfo(DefaultPath()).absolutePath();
  if (!existed && !QFileInfo(folder).isDir() && (!ownFolder || !QDir().mkpath(folder))) {
    if (error)
      *error = ownFolder ? QStringLiteral("cannot make the folder of %1").arg(path)
                         : QStringLiteral("the folder of %1 does not exist").arg(path);
    return false;
  }
  if (existed) {  // SQLite would take any file for an empty database only when it is empty
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(16) : QByteArray();
    if (file.size() > 0 && head != QByteArray("SQLite format 3\0", 16)) {
      if (error) *error = QStringLiteral("%1 is not a record store (left as it is)").arg(path);
      return false;
    }
  }
  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", local_);
  db.setDatabaseName(path);
  db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=10000");
  if (!db.open()) {
    if (error) *error = Why(db.lastError());
    return false;
  }
  // Another program may be opening the same file this moment: a locked database is tried again.
  QString why;
  for (int attempt = 0; attempt < kNumberTries; ++attempt) {
    if (attempt) QThread::msleep(50);
    QSqlQuery check(db);
    if (!check.exec("PRAGMA quick_check") || !check.next()) {
      why = Why(check.lastError());
      if (why.contains("locked")) continue;
      break;
    }
    if (check.value(0).toString() != "ok") break;
    check.finish();
    bool newer = false;
    why.clear();
    if (!MakeSchema(db, false, true, &newer, &why)) {
      if (why.contains("locked")) continue;
      if (error) *error = why;
      return false;
    }
    readOnly_ = newer;
    return true;
  }
  if (error) *error = why.contains("locked") ? why : QStringLiteral("%1 is damaged (left as it is)").arg(path);
  db.close();
  return false;
}

bool RecordStore::ConnectServer(const Server& server, QString* error) {
  if (QSqlDatabase::contains(server_)) QSqlDatabase::removeDatabase(server_);
  QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", server_);
  db.setHostName(server.host);
  db.setPort(server.port);
  db.setDatabaseName(server.database);
  db.setUserName(server.user);
  db.setPassword(server.password);
  db.setConnectOptions("connect_timeout=5");
  if (!db.open()) {
    if (error) *error = Why(db.lastError());
    return false;
  }
  // The server's notices ("trigger ... does not exist, skipping") are for its log, not for the
  // user's terminal, where the client library would print them.
  QSqlQuery quiet(db);
  quiet.exec(QStringLiteral("SET client_min_messages TO warning"));
  quiet.finish();
  bool newer = false;
  if (!MakeSchema(db, true, false, &newer, error)) {
    db.close();
    return false;
  }
  readOnly_ = readOnly_ || newer;
  Upload(nullptr);
  return true;
}

bool RecordStore::ServerConnected() const {
  return QSqlDatabase::contains(server_) && QSqlDatabase::database(server_, false).isOpen();
}

QString RecordStore::Insert(const QString& kind, const QString& serial, const QDateTime& at,
                            const QString& technician, const QString& amends, const QByteArray& body,
                            QString* error) {
  if (readOnly_) {
    if (error) *error = QStringLiteral("the record store was made by a newer program: it is read-only here");
    return {};
  }
  QSqlDatabase db = QSqlDatabase::database(local_, false);
  const int year = at.toUTC().date().year();
  QString why;
  for (int attempt = 0; attempt < kNumberTries; ++attempt) {
    QSqlQuery next(db);
    next.prepare("SELECT COALESCE(MAX(seq), 0) + 1 FROM records WHERE bench = ? AND year = ?");
    next.addBindValue(bench_);
    next.addBindValue(year);
    if (!next.exec() || !next.next()) {
      why = Why(next.lastError());
      break;
    }
    const int seq = next.value(0).toInt();
    next.finish();  // an open read would keep the write below from taking the lock
    const QString number = QStringLiteral("%1/%2/%3").arg(bench_).arg(year).arg(seq, 4, 10, QLatin1Char('0'));
    QSqlQuery insert(db);
    insert.prepare("INSERT INTO records (number, kind, bench, year, seq, amends, serial, at_utc, technician, body)"
                   " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const QVariant& v : {QVariant(number), QVariant(kind), QVariant(bench_), QVariant(year), QVariant(seq),
                              amends.isEmpty() ? QVariant() : QVariant(amends), QVariant(NotNull(serial)),
                              QVariant(Utc(at)), QVariant(NotNull(technician)), QVariant(QString::fromUtf8(body))})
      insert.addBindValue(v);
    if (insert.exec()) {
      if (ServerConnected()) UploadOne(number, nullptr);  // when it fails, it waits
      return number;
    }
    why = Why(insert.lastError());  // taken meanwhile by another writer: the next one
  }
  if (error) *error = why;
  return {};
}

QString RecordStore::Add(CalibrationRecord& record, QString* error) {
  record.bench = bench_;
  const QString number = Insert("calibration", record.serial, record.at, record.technician, record.amends,
                                CalibrationBody(record), error);
  if (!number.isEmpty()) record.number = number;
  return number;
}

QString RecordStore::Add(TransferRecord& record, QString* error) {
  record.bench = bench_;
  const QString number = Insert("transfer", record.serial, record.at, record.technician, record.amends,
                                TransferBody(record), error);
  if (!number.isEmpty()) record.number = number;
  return number;
}

bool RecordStore::UploadOne(const QString& number, QString* error) {
  QSqlDatabase local = QSqlDatabase::database(local_, false);
  QSqlDatabase server = QSqlDatabase::database(server_, false);
  QSqlQuery row(local);
  row.prepare("SELECT number, kind, bench, year, seq, amends, serial, at_utc, technician, body FROM records"
              " WHERE number = ?");
  row.addBindValue(number);
  if (!row.exec() || !row.next()) return false;
  QSqlQuery insert(server);
  insert.prepare("INSERT INTO records (number, kind, bench, year, seq, amends, serial, at_utc, technician, body)"
                 " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (number) DO NOTHING");
  for (int i = 0; i < 10; ++i) insert.addBindValue(row.value(i));
  if (!insert.exec()) {
    if (error) *error = Why(insert.lastError());
    return false;
  }
  QSqlQuery done(local);
  done.prepare("INSERT OR IGNORE INTO uploaded (number) VALUES (?)");
  done.addBindValue(number);
  return done.exec();
}

int RecordStore::Waiting() const {
  QSqlQuery q(QSqlDatabase::database(local_, false));
  if (!q.exec("SELECT COUNT(*) FROM records WHERE number NOT IN (SELECT number FROM uploaded)") || !q.next())
    return 0;
  return q.value(0).toInt();
}

int RecordStore::Upload(QString* error) {
  if (!ServerConnected()) {
    if (error) *error = QStringLiteral("no server");
    return -1;
  }
  QSqlQuery waiting(QSqlDatabase::database(local_, false));
  if (!waiting.exec("SELECT number FROM records WHERE number NOT IN (SELECT number FROM uploaded)"
                    " ORDER BY bench, year, seq"))
    return -1;
  QStringList numbers;
  while (waiting.next()) numbers << waiting.value(0).toString();
  int sent = 0;
  for (const QString& number : numbers) {
    if (!UploadOne(number, error)) return sent ? sent : -1;
    ++sent;
  }
  return sent;
}

QList<RecordSummary> RecordStore::History(const QString& serialFilter) const {
  QSqlQuery q(QSqlDatabase::database(ServerConnected() ? server_ : local_, false));
  q.prepare("SELECT number, kind, serial, at_utc, technician, amends FROM records"
            " WHERE serial LIKE ? ORDER BY at_utc DESC, number DESC");
  q.addBindValue("%" + serialFilter + "%");
  QList<RecordSummary> list;
  if (!q.exec()) return list;
  while (q.next())
    list << RecordSummary{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                          FromUtc(q.value(3).toString()), q.value(4).toString(), q.value(5).toString()};
  return list;
}

std::optional<RecordStore::Row> RecordStore::Find(const QString& number, const QString& kind) const {
  for (const QString& name : {local_, server_}) {
    if (!QSqlDatabase::contains(name) || !QSqlDatabase::database(name, false).isOpen()) continue;
    QSqlQuery q(QSqlDatabase::database(name, false));
    q.prepare("SELECT serial, at_utc, technician, amends, bench, body FROM records WHERE number = ? AND kind = ?");
    q.addBindValue(number);
    q.addBindValue(kind);
    if (q.exec() && q.next())
      return Row{q.value(0).toString(), FromUtc(q.value(1).toString()), q.value(2).toString(),
                 q.value(3).toString(), q.value(4).toString(), q.value(5).toString().toUtf8()};
  }
  return std::nullopt;
}

// A record of either kind: its columns, and its body read by the kind's reader.
template <typename Record>
std::optional<Record> RecordStore::Read(const QString& number, const QString& kind,
                                        bool (*readBody)(const QByteArray&, Record&)) const {
  const auto row = Find(number, kind);
  Record r;
  if (!row || !readBody(row->body, r)) return std::nullopt;
  r.number = number;
  r.serial = row->serial;
  r.at = row->at;
  r.technician = row->technician;
  r.amends = row->amends;
  r.bench = row->bench;
  return r;
}

std::optional<CalibrationRecord> RecordStore::Calibration(const QString& number) const {
  return Read<CalibrationRecord>(number, "calibration", &ReadCalibrationBody);
}

std::optional<TransferRecord> RecordStore::Transfer(const QString& number) const {
  return Read<TransferRecord>(number, "transfer", &ReadTransferBody);
}
