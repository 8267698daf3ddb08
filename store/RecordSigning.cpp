// The register of people and the signing of calibrations (RecordStore.h tells how both are
// kept): people as append-only states, the newest counting; a signature as a record of its own
// that names the SHA-256 of the calibration record it signs.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

#include "settings/Jezyki.h"
#include "store/RecordSql.h"
#include "store/RecordStore.h"

using namespace records_sql;

namespace {
QString Utc(const QDateTime& t) { return t.toUTC().toString(Qt::ISODateWithMs); }
QDateTime FromUtc(const QString& text) {
  QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
  t.setTimeSpec(Qt::UTC);
  return t;
}

bool IsOpen(const QString& name) { return QSqlDatabase::contains(name) && QSqlDatabase::database(name, false).isOpen(); }

const char* const kPersonColumns = "id, version, name, role, active, password, at_utc";

Person PersonFrom(const QSqlQuery& q, QString* passwordHash) {
  Person p{q.value(0).toString(), q.value(2).toString(), q.value(3).toString(), q.value(4).toInt() != 0,
           q.value(1).toInt(), FromUtc(q.value(6).toString())};
  if (passwordHash) *passwordHash = q.value(5).toString();
  return p;
}

// Adds one state row unless the database holds that id and version already.
bool InsertState(QSqlDatabase db, const QList<QVariant>& values, QString* error) {
  QSqlQuery insert(db);
  insert.prepare(QStringLiteral("INSERT INTO people (%1) SELECT ?, ?, ?, ?, ?, ?, ? WHERE NOT EXISTS"
                                " (SELECT 1 FROM people WHERE id = ? AND version = ?)")
                     .arg(kPersonColumns));
  for (const QVariant& v : values) insert.addBindValue(v);
  insert.addBindValue(values[0]);
  insert.addBindValue(values[1]);
  if (insert.exec()) return true;
  if (error) *error = Why(insert.lastError());
  return false;
}

QList<QList<QVariant>> States(QSqlDatabase db, const QString& where = {}) {
  QSqlQuery q(db);
  QList<QList<QVariant>> rows;
  if (!q.exec(QStringLiteral("SELECT %1 FROM people %2 ORDER BY id, version").arg(kPersonColumns, where))) return rows;
  while (q.next()) {
    QList<QVariant> values;
    for (int i = 0; i < 7; ++i) values << q.value(i);
    rows << values;
  }
  return rows;
}

SignatureRecord SignatureFrom(const QList<QVariant>& row) {
  SignatureRecord s;
  people::ReadSignatureBody(row[10].toString().toUtf8(), s);
  s.number = row[0].toString();
  s.signer = row[9].toString();
  s.at = FromUtc(row[8].toString());
  return s;
}

// Whether a row still holds what its hash sealed.
bool Sound(const QList<QVariant>& row) { return row.size() == kColumnCount && RowHash(row) == Text(row[kHash]); }
}  // namespace

QSqlDatabase RecordStore::RegisterDatabase() const {
  return QSqlDatabase::database(ServerConnected() ? server_ : local_, false);
}

std::optional<Person> RecordStore::PersonOf(const QString& id, QString* passwordHash) const {
  QSqlQuery q(RegisterDatabase());
  q.prepare(QStringLiteral("SELECT %1 FROM people WHERE id = ? ORDER BY version DESC LIMIT 1").arg(kPersonColumns));
  q.addBindValue(id);
  if (!q.exec() || !q.next()) return std::nullopt;
  return PersonFrom(q, passwordHash);
}

std::optional<Person> RecordStore::FindPerson(const QString& id) const { return PersonOf(id, nullptr); }

QList<Person> RecordStore::People(bool activeOnly) const {
  QSqlQuery q(RegisterDatabase());
  QList<Person> list;
  if (!q.exec(QStringLiteral("SELECT %1 FROM people p WHERE version = (SELECT MAX(version) FROM people n"
                             " WHERE n.id = p.id) ORDER BY id")
                  .arg(kPersonColumns)))
    return list;
  while (q.next()) {
    const Person p = PersonFrom(q, nullptr);
    if (p.active || !activeOnly) list << p;
  }
  return list;
}

// A state goes where the register is: the server when connected (and the local copy), the local
// file when no server is named; never while a named server is away, so that the lab's one
// register does not split.
bool RecordStore::AddPersonState(const Person& person, const QString& passwordHash, QString* error) {
  if (readOnly_) {
    if (error) *error = QStringLiteral("the record store was made by a newer program: it is read-only here");
    return false;
  }
  if (serverNamed_ && !ServerConnected()) {
    if (error) *error = QStringLiteral("the register of people is the lab server's, which cannot be reached now");
    return false;
  }
  const QList<QVariant> values = {person.id, person.version, person.name, person.role, person.active ? 1 : 0,
                                  passwordHash, Utc(QDateTime::currentDateTimeUtc())};
  QSqlDatabase target = RegisterDatabase();
  QSqlQuery there(target);
  there.prepare("SELECT 1 FROM people WHERE id = ? AND version = ?");
  there.addBindValue(person.id);
  there.addBindValue(person.version);
  if (!there.exec() || there.next()) {
    if (error)
      *error = there.lastError().isValid() ? Why(there.lastError())
                                           : QStringLiteral("%1 was changed meanwhile: try again").arg(person.id);
    return false;
  }
  there.finish();
  if (!InsertState(target, values, error)) return false;
  if (ServerConnected()) InsertState(QSqlDatabase::database(local_, false), values, nullptr);  // the copy
  return true;
}

bool RecordStore::AddPerson(const Person& person, const QString& password, QString* error) {
  Person p = person;
  p.id = p.id.trimmed();
  p.name = p.name.trimmed();
  QString why = people::CheckId(p.id);
  if (why.isEmpty() && p.name.isEmpty()) why = QStringLiteral("a person's printed name is required");
  if (why.isEmpty() && !people::IsRole(p.role)) why = QStringLiteral("a role is technician or approver, not %1").arg(p.role);
  if (why.isEmpty()) why = people::CheckPassword(password);
  if (why.isEmpty() && FindPerson(p.id)) why = QStringLiteral("%1 is registered already (people are never deleted)").arg(p.id);
  if (!why.isEmpty()) {
    if (error) *error = why;
    return false;
  }
  const QString hash = people::HashPassword(password);
  if (hash.isEmpty()) {
    if (error) *error = QStringLiteral("the password could not be hashed");
    return false;
  }
  p.active = true;
  p.version = 1;
  return AddPersonState(p, hash, error);
}

bool RecordStore::DeactivatePerson(const QString& id, QString* error) {
  QString hash;
  std::optional<Person> p = PersonOf(id, &hash);
  if (!p) {
    if (error) *error = QStringLiteral("%1 is not in the register").arg(id);
    return false;
  }
  if (!p->active) return true;  // already
  p->active = false;
  ++p->version;
  return AddPersonState(*p, hash, error);
}

bool RecordStore::SetPassword(const QString& id, const QString& password, QString* error) {
  std::optional<Person> p = FindPerson(id);
  QString why = p ? people::CheckPassword(password) : QStringLiteral("%1 is not in the register").arg(id);
  const QString hash = why.isEmpty() ? people::HashPassword(password) : QString();
  if (why.isEmpty() && hash.isEmpty()) why = QStringLiteral("the password could not be hashed");
  if (!why.isEmpty()) {
    if (error) *error = why;
    return false;
  }
  ++p->version;
  return AddPersonState(*p, hash, error);
}

// On connecting: the server's states the local copy lacks come here; the people the server
// does not know at all (registered here before the server was named) go there.
void RecordStore::SyncPeople() {
  if (readOnly_) return;
  QSqlDatabase local = QSqlDatabase::database(local_, false);
  QSqlDatabase server = QSqlDatabase::database(server_, false);
  const QList<QList<QVariant>> serverStates = States(server);
  QSet<QString> known;
  for (const QList<QVariant>& values : serverStates) known << values[0].toString();
  for (const QList<QVariant>& values : States(local))
    if (!known.contains(values[0].toString())) InsertState(server, values, nullptr);
  for (const QList<QVariant>& values : serverStates) InsertState(local, values, nullptr);
}

QList<QVariant> RecordStore::CalibrationRow(const QString& number) const {
  for (const QString& name : {local_, server_}) {
    if (!IsOpen(name)) continue;
    const QList<QVariant> row = RowOf(QSqlDatabase::database(name, false), number);
    if (!row.isEmpty() && row[1].toString() == QLatin1String("calibration")) return row;
  }
  return {};
}

std::optional<SignatureRecord> RecordStore::Approval(const QString& calibrationNumber) const {
  const QList<QVariant> calibration = CalibrationRow(calibrationNumber);
  if (calibration.isEmpty() || !Sound(calibration)) return std::nullopt;
  const QString hash = RowHash(calibration);
  std::optional<SignatureRecord> first;
  for (const QString& name : {local_, server_}) {
    if (!IsOpen(name)) continue;
    QSqlQuery q(QSqlDatabase::database(name, false));
    q.prepare(QStringLiteral("SELECT %1 FROM records WHERE kind = 'signature' AND serial = ?").arg(kColumns));
    q.addBindValue(calibration[7]);
    if (!q.exec()) continue;
    while (q.next()) {
      QList<QVariant> row;
      for (int i = 0; i < kColumnCount; ++i) row << q.value(i);
      if (!Sound(row)) continue;
      const SignatureRecord s = SignatureFrom(row);
      if (s.calibration != calibrationNumber || s.recordHash != hash) continue;
      if (!first || s.at < first->at || (s.at == first->at && s.number < first->number)) first = s;
    }
  }
  return first;
}

std::optional<SignatureRecord> RecordStore::Signature(const QString& number) const {
  for (const QString& name : {local_, server_}) {
    if (!IsOpen(name)) continue;
    const QList<QVariant> row = RowOf(QSqlDatabase::database(name, false), number);
    if (!row.isEmpty() && row[1].toString() == QLatin1String("signature")) return SignatureFrom(row);
  }
  return std::nullopt;
}

RecordStore::SignResult RecordStore::Sign(const QString& calibrationNumber, const QString& signer,
                                          const QString& password, const QString& meaning) {
  SignResult result;
  if (readOnly_) {
    result.error = QStringLiteral("the record store was made by a newer program: it is read-only here");
    return result;
  }
  if (meaning.trimmed().isEmpty()) {
    result.error = QStringLiteral("a signature needs its meaning");
    return result;
  }
  QSqlDatabase local = QSqlDatabase::database(local_, false);
  const QDateTime now = QDateTime::currentDateTimeUtc();
  // The wrong passwords since the last right one: every kSigningTries of them pause signing as
  // this person for kSigningPauseSeconds; after the pause, kSigningTries more.
  int wrong = 0;
  QDateTime pauseEnd;
  {
    QSqlQuery tried(local);
    tried.prepare("SELECT at_utc FROM sign_attempts WHERE signer = ? AND ok = 0 AND at_utc > COALESCE("
                  "(SELECT MAX(at_utc) FROM sign_attempts WHERE signer = ? AND ok = 1), '') ORDER BY at_utc");
    tried.addBindValue(signer);
    tried.addBindValue(signer);
    if (!tried.exec()) {
      result.error = Why(tried.lastError());
      return result;
    }
    while (tried.next()) {
      const QDateTime at = FromUtc(tried.value(0).toString());
      if (wrong >= kSigningTries && at >= pauseEnd) wrong = 0;
      if (++wrong == kSigningTries) pauseEnd = at.addSecs(kSigningPauseSeconds);
    }
  }
  if (wrong >= kSigningTries) {
    if (now < pauseEnd) {
      result.outcome = SignResult::Paused;
      result.secondsLeft = int(std::ceil(now.msecsTo(pauseEnd) / 1000.0));
      return result;
    }
    wrong = 0;
  }
  QString hash;
  const std::optional<Person> person = PersonOf(signer, &hash);
  if (!person) {
    result.outcome = SignResult::UnknownPerson;
    return result;
  }
  const bool right = people::PasswordMatches(hash, password);
  QSqlQuery note(local);
  note.prepare("INSERT INTO sign_attempts (signer, at_utc, ok) VALUES (?, ?, ?)");
  for (const QVariant& v : {QVariant(signer), QVariant(Utc(now)), QVariant(right ? 1 : 0)}) note.addBindValue(v);
  if (!note.exec()) {  // a try that cannot be counted is not made
    result.error = Why(note.lastError());
    return result;
  }
  if (!right) {
    result.outcome = SignResult::WrongPassword;
    result.triesLeft = kSigningTries - (wrong + 1);
    if (result.triesLeft == 0) result.secondsLeft = kSigningPauseSeconds;
    return result;
  }
  if (!person->active) {
    result.outcome = SignResult::Inactive;
    return result;
  }
  if (person->role != QLatin1String(people::kApprover)) {
    result.outcome = SignResult::NotApprover;
    return result;
  }
  const QList<QVariant> calibration = CalibrationRow(calibrationNumber);
  if (calibration.isEmpty()) {
    result.outcome = SignResult::NotFound;
    return result;
  }
  if (!Sound(calibration)) {
    result.outcome = SignResult::HashMismatch;
    return result;
  }
  for (const RecordSummary& r : History(calibration[7].toString()))
    if (r.number == calibrationNumber && !r.supersededBy.isEmpty()) {
      result.outcome = SignResult::Superseded;
      result.amendment = r.supersededBy;
      return result;
    }
  if (const std::optional<SignatureRecord> there = Approval(calibrationNumber)) {
    result.outcome = SignResult::AlreadyApproved;
    result.signature = *there;
    return result;
  }
  SignatureRecord s;
  s.calibration = calibrationNumber;
  s.signer = person->id;
  s.printedName = person->name;
  s.role = person->role;
  s.at = now;
  s.meaning = meaning.trimmed();
  s.recordHash = RowHash(calibration);
  QDateTime written;
  s.number = Insert(QStringLiteral("signature"), calibration[7].toString(), s.at, s.signer, {}, {}, {},
                    people::SignatureBody(s), &written, &result.error);
  if (s.number.isEmpty()) return result;
  result.outcome = SignResult::Signed;
  result.signature = s;
  return result;
}

QString ApprovalText(const SignatureRecord& s) {
  return LookupText(189).arg(s.printedName, s.signer, s.at.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                             s.meaning);
}

QString SignResultText(const RecordStore::SignResult& r, const QString& number, const QString& signer) {
  using R = RecordStore::SignResult;
  switch (r.outcome) {
    case R::Signed: return ApprovalText(r.signature) + QStringLiteral(" — ") + r.signature.number;
    case R::WrongPassword:
      return r.triesLeft > 0 ? LookupText(191).arg(signer).arg(r.triesLeft)
                             : LookupText(192).arg(signer).arg(r.secondsLeft);
    case R::Paused: return LookupText(192).arg(signer).arg(r.secondsLeft);
    case R::UnknownPerson: return LookupText(193).arg(signer);
    case R::Inactive: return LookupText(194).arg(signer);
    case R::NotApprover: return LookupText(195).arg(signer);
    case R::NotFound: return LookupText(196).arg(number);
    case R::HashMismatch: return LookupText(197).arg(number);
    case R::AlreadyApproved: return number + QStringLiteral(": ") + ApprovalText(r.signature);
    case R::Superseded: return number + QStringLiteral(": ") + LookupText(167).arg(r.amendment);
    case R::Failed: break;
  }
  return LookupText(139).arg(number) + QStringLiteral(": ") + r.error;
}
