#pragma once
// What the record store's files share: the columns of a record in their order, the hash that
// seals a record into its bench's chain, and making or upgrading the schema.
#include <QList>
#include <QString>
#include <QVariant>

#include "store/RecordStore.h"

class QSqlDatabase;
class QSqlError;

namespace records_sql {
// Every column of a record; the hash seals all but the last (hash itself).
inline constexpr const char* kColumns =
    "number, kind, bench, year, seq, link, amends, serial, at_utc, technician, body, written_utc, author, reason,"
    " prev_hash, hash";
inline constexpr int kColumnCount = 16;
inline constexpr int kLink = 5, kPrevHash = 14, kHash = 15;

QString Why(const QSqlError& e);
bool Exec(QSqlDatabase& db, const QString& sql, QString* error);
// SHA-256 (hex) over the first kColumnCount - 1 values, each as its text with its length, so
// that no two contents give the same input; NULL counts as an empty text.
QString RowHash(const QList<QVariant>& values);
// A column's value as the hash sees it.
QString Text(const QVariant& value);
// A record's columns in the order of kColumns, from a database; empty when it holds none.
QList<QVariant> RowOf(QSqlDatabase db, const QString& number);
// A connection named name to a lab's server, and opening it. An open connection keeps the
// server's notices ("trigger ... does not exist, skipping") for its log: the client library
// would print them on the user's terminal.
QSqlDatabase AddServerDatabase(const QString& name, const RecordStore::Server& server);
bool OpenServerDatabase(QSqlDatabase& db, QString* error);
int SchemaVersion(QSqlDatabase& db);
// Makes or upgrades the schema; false and the reason when it cannot. newer: the database was
// made by a newer program.
bool MakeSchema(QSqlDatabase& db, bool postgres, bool local, bool* newer, QString* error);
}  // namespace records_sql
