// The record store's schema on both back ends: made, upgraded from version 1 (the records
// sealed into chains as they stand) and from version 2 (the register of people added), and on a
// lab's server handed to its owner with a working role that may only insert and read the
// records and the people.
#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include "store/RecordSql.h"
#include "store/RecordStore.h"

namespace records_sql {
namespace {
const char* const kRecordsTable =
    "CREATE TABLE IF NOT EXISTS records ("
    " number TEXT PRIMARY KEY, kind TEXT NOT NULL, bench TEXT NOT NULL, year INTEGER NOT NULL,"
    " seq INTEGER NOT NULL, link INTEGER, amends TEXT, serial TEXT NOT NULL, at_utc TEXT NOT NULL,"
    " technician TEXT NOT NULL, body TEXT NOT NULL, written_utc TEXT, author TEXT, reason TEXT,"
    " prev_hash TEXT, hash TEXT, UNIQUE (bench, year, seq))";
// The register of people (version 3): every state of a person is a row of its own, never
// changed; the newest version of an id counts.
const char* const kPeopleTable =
    "CREATE TABLE IF NOT EXISTS people ("
    " id TEXT NOT NULL, version INTEGER NOT NULL, name TEXT NOT NULL, role TEXT NOT NULL,"
    " active INTEGER NOT NULL, password TEXT NOT NULL, at_utc TEXT NOT NULL, PRIMARY KEY (id, version))";
// Columns a version 1 store lacks.
const char* const kNewColumns[][2] = {{"link", "INTEGER"}, {"written_utc", "TEXT"}, {"author", "TEXT"},
                                      {"reason", "TEXT"},   {"prev_hash", "TEXT"},   {"hash", "TEXT"}};

// The triggers that keep records as they were written. A replacing insert (INSERT OR REPLACE)
// would delete the old row without firing the delete trigger: it is refused before it starts.
const QStringList kSqliteGuards = {
    "CREATE TRIGGER IF NOT EXISTS records_no_update BEFORE UPDATE ON records "
    "BEGIN SELECT RAISE(ABORT, 'records are never changed'); END",
    "CREATE TRIGGER IF NOT EXISTS records_no_delete BEFORE DELETE ON records "
    "BEGIN SELECT RAISE(ABORT, 'records are never changed'); END",
    "CREATE TRIGGER IF NOT EXISTS records_no_replace BEFORE INSERT ON records WHEN EXISTS (SELECT 1 FROM records"
    " WHERE number = NEW.number OR (bench = NEW.bench AND year = NEW.year AND seq = NEW.seq)) "
    "BEGIN SELECT RAISE(ABORT, 'records are never changed'); END",
    "CREATE TRIGGER IF NOT EXISTS people_no_update BEFORE UPDATE ON people "
    "BEGIN SELECT RAISE(ABORT, 'people are never changed: a new state is added'); END",
    "CREATE TRIGGER IF NOT EXISTS people_no_delete BEFORE DELETE ON people "
    "BEGIN SELECT RAISE(ABORT, 'people are never deleted'); END",
    "CREATE TRIGGER IF NOT EXISTS people_no_replace BEFORE INSERT ON people WHEN EXISTS (SELECT 1 FROM people"
    " WHERE id = NEW.id AND version = NEW.version) "
    "BEGIN SELECT RAISE(ABORT, 'people are never changed: a new state is added'); END",
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
    "DROP TRIGGER IF EXISTS people_no_change ON people",
    "CREATE TRIGGER people_no_change BEFORE UPDATE OR DELETE ON people FOR EACH ROW "
    "EXECUTE FUNCTION fluxa_records_unchanged()",
    "DROP TRIGGER IF EXISTS people_no_truncate ON people",
    "CREATE TRIGGER people_no_truncate BEFORE TRUNCATE ON people FOR EACH STATEMENT "
    "EXECUTE FUNCTION fluxa_records_unchanged()",
};

// Records written before the chains: each bench's in the order of their numbers, linked and
// hashed as they stand.
bool Seal(QSqlDatabase& db, QString* error) {
  QSqlQuery rows(db);
  if (!rows.exec(QStringLiteral("SELECT %1 FROM records WHERE hash IS NULL ORDER BY bench, year, seq").arg(kColumns))) {
    if (error) *error = Why(rows.lastError());
    return false;
  }
  QList<QList<QVariant>> all;
  while (rows.next()) {
    QList<QVariant> values;
    for (int i = 0; i < kColumnCount; ++i) values << rows.value(i);
    all << values;
  }
  rows.finish();
  QString bench, prev;
  qint64 link = 0;
  for (QList<QVariant>& values : all) {
    if (values[2].toString() != bench) bench = values[2].toString(), prev.clear(), link = 0;
    values[kLink] = ++link;
    values[kPrevHash] = prev;
    prev = RowHash(values);
    QSqlQuery seal(db);
    seal.prepare("UPDATE records SET link = ?, prev_hash = ?, hash = ? WHERE number = ?");
    for (const QVariant& v : {QVariant(link), values[kPrevHash], QVariant(prev), values[0]}) seal.addBindValue(v);
    if (!seal.exec()) {
      if (error) *error = Why(seal.lastError());
      return false;
    }
  }
  return true;
}
}  // namespace

QString Why(const QSqlError& e) { return e.text().trimmed(); }

bool Exec(QSqlDatabase& db, const QString& sql, QString* error) {
  QSqlQuery q(db);
  if (q.exec(sql)) return true;
  if (error) *error = Why(q.lastError());
  return false;
}

QString Text(const QVariant& value) { return value.isNull() ? QString() : value.toString(); }

QList<QVariant> RowOf(QSqlDatabase db, const QString& number) {
  QSqlQuery q(db);
  q.prepare(QStringLiteral("SELECT %1 FROM records WHERE number = ?").arg(kColumns));
  q.addBindValue(number);
  QList<QVariant> values;
  if (q.exec() && q.next())
    for (int i = 0; i < kColumnCount; ++i) values << q.value(i);
  return values;
}

QString RowHash(const QList<QVariant>& values) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  for (int i = 0; i < kColumnCount - 1; ++i) {
    const QByteArray field = Text(values.value(i)).toUtf8();
    hash.addData(QByteArray::number(field.size()) + ':');
    hash.addData(field);
  }
  return QString::fromLatin1(hash.result().toHex());
}

QSqlDatabase AddServerDatabase(const QString& name, const RecordStore::Server& server) {
  QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name);
  db.setHostName(server.host);
  db.setPort(server.port);
  db.setDatabaseName(server.database);
  db.setUserName(server.user);
  db.setPassword(server.password);
  db.setConnectOptions("connect_timeout=5");
  return db;
}

bool OpenServerDatabase(QSqlDatabase& db, QString* error) {
  if (!db.open()) {
    if (error) *error = Why(db.lastError());
    return false;
  }
  Exec(db, QStringLiteral("SET client_min_messages TO warning"), nullptr);
  return true;
}

int SchemaVersion(QSqlDatabase& db) {
  QSqlQuery q(db);
  if (!db.tables().contains("schema_version") || !q.exec("SELECT MAX(version) FROM schema_version") || !q.next())
    return 0;
  return q.value(0).toInt();
}

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
  const auto fail = [&] {
    db.rollback();
    return false;
  };
  QStringList steps = {"CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", kRecordsTable,
                       kPeopleTable};
  for (const QString& sql : steps)
    if (!Exec(db, sql, error)) return fail();
  steps.clear();
  const QSqlRecord columns = db.record("records");
  for (const auto& [name, type] : kNewColumns)
    if (!columns.contains(name)) steps << QStringLiteral("ALTER TABLE records ADD COLUMN %1 %2").arg(name, type);
  steps << "CREATE INDEX IF NOT EXISTS records_serial ON records (serial, at_utc)"
        << "CREATE INDEX IF NOT EXISTS records_amends ON records (amends)";
  if (local)
    steps << "CREATE TABLE IF NOT EXISTS uploaded (number TEXT PRIMARY KEY)"
          << "CREATE TABLE IF NOT EXISTS conflicts (number TEXT PRIMARY KEY)"
          << "CREATE TABLE IF NOT EXISTS installation (id TEXT NOT NULL)"
          << "CREATE TABLE IF NOT EXISTS sign_attempts (signer TEXT NOT NULL, at_utc TEXT NOT NULL,"
             " ok INTEGER NOT NULL)"
          << "CREATE TABLE IF NOT EXISTS bench_floor (bench TEXT NOT NULL, year INTEGER NOT NULL,"
             " seq INTEGER NOT NULL, PRIMARY KEY (bench, year))"
          << "CREATE TABLE IF NOT EXISTS chain_anchors (bench TEXT NOT NULL, link INTEGER NOT NULL,"
             " hash TEXT NOT NULL, PRIMARY KEY (bench, link, hash))"
          << QStringLiteral("INSERT INTO installation (id) SELECT '%1' WHERE NOT EXISTS (SELECT 1 FROM installation)")
                 .arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
  else
    steps << "CREATE TABLE IF NOT EXISTS benches (bench TEXT PRIMARY KEY, installation TEXT NOT NULL,"
             " since_utc TEXT NOT NULL)";
  // The records of before are sealed by the upgrade itself, the guards held off meanwhile.
  steps << (postgres ? "DROP TRIGGER IF EXISTS records_no_change ON records"
                     : "DROP TRIGGER IF EXISTS records_no_update");
  for (const QString& sql : steps)
    if (!Exec(db, sql, error)) return fail();
  if (!Seal(db, error)) return fail();
  steps = postgres ? kPostgresGuards : kSqliteGuards;
  steps << QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(RecordStore::kSchemaVersion);
  for (const QString& sql : steps)
    if (!Exec(db, sql, error)) return fail();
  if (db.commit()) return true;
  if (error) *error = Why(db.lastError());
  return false;
}
}  // namespace records_sql

using namespace records_sql;

namespace {
QString CurrentSchema(QSqlDatabase& db) {
  QSqlQuery q(db);
  return q.exec("SELECT current_schema()") && q.next() ? q.value(0).toString() : QStringLiteral("public");
}
}  // namespace

bool RecordStore::SetUpServer(const Server& owner, const QString& workingRole, QString* error) {
  const QString name = "fluxa-setup-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
  bool ok = false;
  {
    QSqlDatabase db = AddServerDatabase(name, owner);
    const auto run = [&] {
      if (!OpenServerDatabase(db, error)) return false;
      QSqlQuery role(db);
      role.prepare("SELECT rolsuper, rolname = current_user FROM pg_roles WHERE rolname = ?");
      role.addBindValue(workingRole);
      if (!role.exec() || !role.next()) {
        if (error)
          *error = QStringLiteral("the role %1 does not exist: make it first (CREATE ROLE %1 LOGIN PASSWORD '...')")
                       .arg(workingRole);
        return false;
      }
      if (role.value(0).toBool() || role.value(1).toBool()) {
        if (error)
          *error = QStringLiteral("the working role %1 must be neither a superuser nor the schema's owner (%2)")
                       .arg(workingRole, owner.user);
        return false;
      }
      role.finish();
      // A store made by the program's own role before is taken over by its owner.
      for (const char* table : {"records", "schema_version", "benches", "people"})
        if (db.tables().contains(table) && !Exec(db, QStringLiteral("ALTER TABLE %1 OWNER TO CURRENT_USER").arg(table), error))
          return false;
      QSqlQuery function(db);
      if (function.exec("SELECT 1 FROM pg_proc WHERE proname = 'fluxa_records_unchanged'") && function.next() &&
          !Exec(db, "ALTER FUNCTION fluxa_records_unchanged() OWNER TO CURRENT_USER", error))
        return false;
      bool newer = false;
      if (!MakeSchema(db, true, false, &newer, error)) return false;
      if (newer) {
        if (error) *error = QStringLiteral("the server's schema was made by a newer program");
        return false;
      }
      const QString who = db.driver()->escapeIdentifier(workingRole, QSqlDriver::TableName);
      for (const QString& sql : {QStringLiteral("REVOKE ALL ON records, benches, schema_version, people FROM PUBLIC"),
                                 QStringLiteral("REVOKE ALL ON records, benches, schema_version, people FROM %1").arg(who),
                                 QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2")
                                     .arg(db.driver()->escapeIdentifier(CurrentSchema(db), QSqlDriver::TableName), who),
                                 QStringLiteral("GRANT SELECT, INSERT ON records TO %1").arg(who),
                                 QStringLiteral("GRANT SELECT, INSERT ON people TO %1").arg(who),
                                 QStringLiteral("GRANT SELECT, INSERT, UPDATE ON benches TO %1").arg(who),
                                 QStringLiteral("GRANT SELECT ON schema_version TO %1").arg(who)})
        if (!Exec(db, sql, error)) return false;
      return true;
    };
    ok = run();
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
  return ok;
}
