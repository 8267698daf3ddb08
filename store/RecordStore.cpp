#include "store/RecordStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QSet>
#include <QUuid>
#include <algorithm>

#include "store/RecordJson.h"
#include "store/RecordSql.h"

using namespace records_sql;

namespace {
constexpr int kNumberTries = 50;  // another writer may take a sequence number first

// An empty text is kept as one: a null QString would be bound as NULL.
QString NotNull(const QString& text) { return text.isNull() ? QStringLiteral("") : text; }
QVariant OrNull(const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); }

QString Utc(const QDateTime& t) { return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString(); }
QDateTime FromUtc(const QString& text) {
  if (text.isEmpty()) return {};
  QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
  t.setTimeSpec(Qt::UTC);
  return t;
}

QString Placeholders(int n) {
  QStringList marks;
  for (int i = 0; i < n; ++i) marks << QStringLiteral("?");
  return marks.join(QStringLiteral(", "));
}

// Whether both hold the same record, column by column.
bool SameRecord(const QList<QVariant>& a, const QList<QVariant>& b) {
  if (a.size() != kColumnCount || b.size() != kColumnCount) return false;
  for (int i = 0; i < kColumnCount; ++i)
    if (Text(a[i]) != Text(b[i])) return false;
  return true;
}

const QString kHistorySelect = QStringLiteral(
    "SELECT r.number, r.kind, r.serial, r.at_utc, r.technician, r.amends,"
    " (SELECT a.number FROM records a WHERE a.amends = r.number ORDER BY a.written_utc DESC, a.number DESC LIMIT 1)"
    " FROM records r WHERE r.serial LIKE ?");
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
    QSqlQuery id(db);
    if (id.exec("SELECT id FROM installation") && id.next()) installation_ = id.value(0).toString();
    return true;
  }
  if (error) *error = why.contains("locked") ? why : QStringLiteral("%1 is damaged (left as it is)").arg(path);
  db.close();
  return false;
}

bool RecordStore::ConnectServer(const Server& server, QString* error) {
  serverNamed_ = true;
  benchTaken_ = false;
  if (QSqlDatabase::contains(server_)) QSqlDatabase::removeDatabase(server_);
  QSqlDatabase db = AddServerDatabase(server_, server);
  if (!OpenServerDatabase(db, error)) return false;
  bool newer = false;
  QString why;
  if (!MakeSchema(db, true, false, &newer, &why)) {
    if (error)
      *error = QStringLiteral("%1 (the server's records schema is missing or older: its owner runs "
                              "\"fluxa-cli db setup\")").arg(why);
    db.close();
    return false;
  }
  readOnly_ = readOnly_ || newer;
  if (!Register(false, error)) {
    db.close();
    return false;
  }
  SyncPeople();
  Upload(nullptr);
  return true;
}

bool RecordStore::TakeOverBench(const Server& server, QString* error) {
  if (!ServerConnected() && !ConnectServer(server, error) && !benchTaken_) return false;
  if (!ServerConnected()) {  // refused for the bench alone: connected again to take it
    QSqlDatabase db = QSqlDatabase::database(server_, false);
    if (!db.open()) {
      if (error) *error = Why(db.lastError());
      return false;
    }
    Exec(db, QStringLiteral("SET client_min_messages TO warning"), nullptr);
  }
  if (!Register(true, error)) return false;
  Upload(nullptr);
  return true;
}

// This bench's registration on the server: made when no installation holds it, refused when
// another does (unless taken over); then the server's highest numbers of the bench are learnt.
bool RecordStore::Register(bool takeOver, QString* error) {
  QSqlDatabase db = QSqlDatabase::database(server_, false);
  QSqlQuery claim(db);
  claim.prepare(takeOver ? "INSERT INTO benches (bench, installation, since_utc) VALUES (?, ?, ?)"
                           " ON CONFLICT (bench) DO UPDATE SET installation = EXCLUDED.installation,"
                           " since_utc = EXCLUDED.since_utc"
                         : "INSERT INTO benches (bench, installation, since_utc) VALUES (?, ?, ?)"
                           " ON CONFLICT (bench) DO NOTHING");
  for (const QString& v : {bench_, installation_, Utc(QDateTime::currentDateTimeUtc())}) claim.addBindValue(v);
  QSqlQuery holder(db);
  holder.prepare("SELECT installation, since_utc FROM benches WHERE bench = ?");
  holder.addBindValue(bench_);
  if (!claim.exec() || !holder.exec() || !holder.next()) {
    if (error) *error = Why(claim.lastError().isValid() ? claim.lastError() : holder.lastError());
    return false;
  }
  if (holder.value(0).toString() != installation_) {
    benchTaken_ = true;
    if (error)
      *error = QStringLiteral("the bench id %1 is registered on the server to another installation (since %2); "
                              "records wait here until the bench id is changed or taken over")
                   .arg(bench_, holder.value(1).toString());
    holder.finish();
    db.close();
    return false;
  }
  benchTaken_ = false;
  LearnFloor();
  return true;
}

// The server's highest sequence of each year and the end of its chain for this bench, so that
// a local file that lost its records numbers after them.
void RecordStore::LearnFloor() {
  QSqlDatabase server = QSqlDatabase::database(server_, false);
  QSqlDatabase local = QSqlDatabase::database(local_, false);
  QSqlQuery years(server);
  years.prepare("SELECT year, MAX(seq) FROM records WHERE bench = ? GROUP BY year");
  years.addBindValue(bench_);
  if (years.exec())
    while (years.next()) {
      QSqlQuery keep(local);
      keep.prepare("INSERT INTO bench_floor (bench, year, seq) VALUES (?, ?, ?) ON CONFLICT (bench, year)"
                   " DO UPDATE SET seq = MAX(seq, excluded.seq)");
      for (const QVariant& v : {QVariant(bench_), years.value(0), years.value(1)}) keep.addBindValue(v);
      keep.exec();
    }
  QSqlQuery end(server);
  end.prepare("SELECT link, hash FROM records WHERE bench = ? AND link IS NOT NULL ORDER BY link DESC LIMIT 1");
  end.addBindValue(bench_);
  if (end.exec() && end.next()) {
    QSqlQuery keep(local);
    keep.prepare("INSERT OR IGNORE INTO chain_anchors (bench, link, hash) VALUES (?, ?, ?)");
    for (const QVariant& v : {QVariant(bench_), end.value(0), end.value(1)}) keep.addBindValue(v);
    keep.exec();
  }
}

bool RecordStore::ServerConnected() const {
  return QSqlDatabase::contains(server_) && QSqlDatabase::database(server_, false).isOpen();
}

QString RecordStore::Insert(const QString& kind, const QString& serial, const QDateTime& at,
                            const QString& technician, const QString& amends, const QString& author,
                            const QString& reason, const QByteArray& body, QDateTime* written, QString* error) {
  if (readOnly_) {
    if (error) *error = QStringLiteral("the record store was made by a newer program: it is read-only here");
    return {};
  }
  QSqlDatabase db = QSqlDatabase::database(local_, false);
  const int year = at.toUTC().date().year();
  *written = QDateTime::currentDateTimeUtc();
  QString why;
  for (int attempt = 0; attempt < kNumberTries; ++attempt) {
    if (attempt) QThread::msleep(20);
    // The write lock first: the number and the chain's end read below stay this writer's.
    if (!Exec(db, QStringLiteral("BEGIN IMMEDIATE"), &why)) continue;
    QSqlQuery next(db);
    next.prepare("SELECT MAX(COALESCE((SELECT MAX(seq) FROM records WHERE bench = ? AND year = ?), 0),"
                 " COALESCE((SELECT seq FROM bench_floor WHERE bench = ? AND year = ?), 0)) + 1");
    for (const QVariant& v : {QVariant(bench_), QVariant(year), QVariant(bench_), QVariant(year)}) next.addBindValue(v);
    // The chain's end: this file's last record of the bench, or the server's when it is further on.
    QSqlQuery end(db);
    end.prepare("SELECT link, hash, 0 FROM records WHERE bench = ? AND link IS NOT NULL UNION ALL"
                " SELECT link, hash, 1 FROM chain_anchors WHERE bench = ? ORDER BY 1 DESC, 3 LIMIT 1");
    end.addBindValue(bench_);
    end.addBindValue(bench_);
    if (!next.exec() || !next.next() || !end.exec()) {
      why = Why(next.lastError().isValid() ? next.lastError() : end.lastError());
      db.rollback();
      break;
    }
    const qint64 seq = next.value(0).toLongLong();
    const bool ended = end.next();
    const qint64 link = ended ? end.value(0).toLongLong() + 1 : 1;
    const QString prev = ended ? end.value(1).toString() : QString();
    next.finish();
    end.finish();
    const QString number = QStringLiteral("%1/%2/%3").arg(bench_).arg(year).arg(seq, 4, 10, QLatin1Char('0'));
    QList<QVariant> values = {number, kind, bench_, year, seq, link, OrNull(amends), NotNull(serial), Utc(at),
                              NotNull(technician), QString::fromUtf8(body), Utc(*written), OrNull(author),
                              OrNull(reason), prev};
    values << RowHash(values);
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO records (%1) VALUES (%2)").arg(kColumns, Placeholders(kColumnCount)));
    for (const QVariant& v : values) insert.addBindValue(v);
    if (insert.exec() && db.commit()) {
      if (ServerConnected()) UploadOne(number, nullptr);  // when it fails, it waits
      return number;
    }
    why = Why(insert.lastError().isValid() ? insert.lastError() : db.lastError());
    db.rollback();
  }
  if (error) *error = why;
  return {};
}

QString RecordStore::Add(CalibrationRecord& record, QString* error) {
  record.bench = bench_;
  const QString number = Insert("calibration", record.serial, record.at, record.technician, record.amends,
                                record.author, record.reason, CalibrationBody(record), &record.written, error);
  if (!number.isEmpty()) record.number = number;
  return number;
}

QString RecordStore::Add(TransferRecord& record, QString* error) {
  record.bench = bench_;
  const QString number = Insert("transfer", record.serial, record.at, record.technician, record.amends,
                                record.author, record.reason, TransferBody(record), &record.written, error);
  if (!number.isEmpty()) record.number = number;
  return number;
}

// Sent when the server holds exactly this record afterwards: put there now, or there before
// (a repeated upload). A different record under the number is a conflict, kept as such.
int RecordStore::UploadOne(const QString& number, QString* error) {
  QSqlDatabase local = QSqlDatabase::database(local_, false);
  QSqlDatabase server = QSqlDatabase::database(server_, false);
  const QList<QVariant> row = RowOf(local, number);
  if (row.isEmpty()) return 0;
  QSqlQuery insert(server);
  insert.prepare(QStringLiteral("INSERT INTO records (%1) VALUES (%2) ON CONFLICT (number) DO NOTHING")
                     .arg(kColumns, Placeholders(kColumnCount)));
  for (const QVariant& v : row) insert.addBindValue(v);
  if (!insert.exec()) {
    if (error) *error = QStringLiteral("%1: %2").arg(number, Why(insert.lastError()));
    return 0;
  }
  const QList<QVariant> held = RowOf(server, number);
  if (held.isEmpty()) {
    if (error) *error = QStringLiteral("%1: the server does not show it").arg(number);
    return 0;
  }
  QSqlQuery mark(local);
  const bool same = SameRecord(row, held);
  mark.prepare(same ? "INSERT OR IGNORE INTO uploaded (number) VALUES (?)"
                    : "INSERT OR IGNORE INTO conflicts (number) VALUES (?)");
  mark.addBindValue(number);
  mark.exec();
  if (same) {
    QSqlQuery settled(local);
    settled.prepare("DELETE FROM conflicts WHERE number = ?");
    settled.addBindValue(number);
    settled.exec();
    return 1;
  }
  if (error)
    *error = QStringLiteral("%1: the server holds a different record under this number; this one stays in the "
                            "local file")
                 .arg(number);
  return -1;
}

int RecordStore::Waiting() const {
  QSqlQuery q(QSqlDatabase::database(local_, false));
  if (!q.exec("SELECT COUNT(*) FROM records WHERE number NOT IN (SELECT number FROM uploaded)") || !q.next())
    return 0;
  return q.value(0).toInt();
}

QStringList RecordStore::Conflicts() const {
  QSqlQuery q(QSqlDatabase::database(local_, false));
  QStringList numbers;
  if (q.exec("SELECT number FROM conflicts ORDER BY number"))
    while (q.next()) numbers << q.value(0).toString();
  return numbers;
}

int RecordStore::Upload(QString* error) {
  if (!ServerConnected()) {
    if (error) *error = QStringLiteral("no server");
    return -1;
  }
  QSqlQuery waiting(QSqlDatabase::database(local_, false));
  if (!waiting.exec("SELECT number FROM records WHERE number NOT IN (SELECT number FROM uploaded)"
                    " ORDER BY bench, link, year, seq"))
    return -1;
  QStringList numbers;
  while (waiting.next()) numbers << waiting.value(0).toString();
  int sent = 0;
  for (const QString& number : numbers) sent += UploadOne(number, error) > 0;  // each on its own
  return sent;
}

QList<RecordSummary> RecordStore::History(const QString& serialFilter) const {
  const bool server = ServerConnected();
  QSqlQuery q(QSqlDatabase::database(server ? server_ : local_, false));
  q.prepare(kHistorySelect + " ORDER BY r.at_utc DESC, r.number DESC");
  q.addBindValue("%" + serialFilter + "%");
  QList<RecordSummary> list;
  const auto take = [&list](QSqlQuery& rows, const QString& state) {
    while (rows.next())
      list << RecordSummary{rows.value(0).toString(), rows.value(1).toString(), rows.value(2).toString(),
                            FromUtc(rows.value(3).toString()), rows.value(4).toString(), rows.value(5).toString(),
                            rows.value(6).toString(), state};
  };
  if (!q.exec()) return list;
  take(q, {});
  if (!serverNamed_ && Conflicts().isEmpty()) return list;
  // What has not reached the server: marked, and when the server's list is shown, added to it.
  const QStringList conflicts = Conflicts();
  QSqlQuery pending(QSqlDatabase::database(local_, false));
  pending.prepare(kHistorySelect + " AND r.number NOT IN (SELECT number FROM uploaded)");
  pending.addBindValue("%" + serialFilter + "%");
  if (!pending.exec()) return list;
  if (server) {
    QList<RecordSummary> mine;
    std::swap(list, mine);
    take(pending, QStringLiteral("waiting"));
    for (RecordSummary& r : list)
      if (conflicts.contains(r.number)) r.state = QStringLiteral("conflict");
    list += mine;
  } else {
    QSet<QString> waiting;
    while (pending.next()) waiting << pending.value(0).toString();
    for (RecordSummary& r : list)
      if (conflicts.contains(r.number)) r.state = QStringLiteral("conflict");
      else if (waiting.contains(r.number)) r.state = QStringLiteral("waiting");
  }
  std::stable_sort(list.begin(), list.end(), [](const RecordSummary& a, const RecordSummary& b) {
    return a.at != b.at ? a.at > b.at : a.number > b.number;
  });
  return list;
}

// A record of either kind: its columns, and its body read by the kind's reader; this
// installation's own first, then the server's.
template <typename Record>
std::optional<Record> RecordStore::Read(const QString& number, const QString& kind,
                                        bool (*readBody)(const QByteArray&, Record&)) const {
  for (const QString& name : {local_, server_}) {
    if (!QSqlDatabase::contains(name) || !QSqlDatabase::database(name, false).isOpen()) continue;
    const QList<QVariant> row = RowOf(QSqlDatabase::database(name, false), number);
    Record r;
    if (row.isEmpty() || row[1].toString() != kind || !readBody(row[10].toString().toUtf8(), r)) continue;
    r.number = number;
    r.bench = row[2].toString();
    r.amends = Text(row[6]);
    r.serial = row[7].toString();
    r.at = FromUtc(row[8].toString());
    r.technician = row[9].toString();
    r.written = FromUtc(Text(row[11]));
    r.author = Text(row[12]);
    r.reason = Text(row[13]);
    return r;
  }
  return std::nullopt;
}

std::optional<CalibrationRecord> RecordStore::Calibration(const QString& number) const {
  return Read<CalibrationRecord>(number, "calibration", &ReadCalibrationBody);
}

std::optional<TransferRecord> RecordStore::Transfer(const QString& number) const {
  return Read<TransferRecord>(number, "transfer", &ReadTransferBody);
}
