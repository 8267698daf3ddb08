// Checking the chains of records: each record's hash against its content, and each record's
// prev_hash against the hash of the one before it in its bench's chain (link order).
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <map>

#include "settings/Jezyki.h"
#include "store/RecordSql.h"
#include "store/RecordStore.h"

using namespace records_sql;

namespace {
struct ChainRow {
  QList<QVariant> values;
  bool changed = false;
  QString Number() const { return values[0].toString(); }
  qint64 Link() const { return values[kLink].isNull() ? -1 : values[kLink].toLongLong(); }
  QString Hash() const { return Text(values[kHash]); }
  QString Prev() const { return Text(values[kPrevHash]); }
};

// The findings of one bench's chain, its rows in link order. anchors: the server's records a
// local chain may continue from, as (link, hash).
void CheckChain(const QList<ChainRow>& rows, const QSet<QPair<qint64, QString>>& anchors,
                const QSet<QString>& numbers, QList<RecordStore::Finding>& findings) {
  using F = RecordStore::Finding;
  QHash<qint64, QList<int>> byLink;
  for (int i = 0; i < rows.size(); ++i) byLink[rows[i].Link()] << i;
  // Whether the chain goes on from row i: the record after it names its hash.
  const auto followed = [&](int i) {
    for (int j : byLink.value(rows[i].Link() + 1))
      if (rows[j].Prev() == rows[i].Hash()) return true;
    return false;
  };
  for (int i = 0; i < rows.size(); ++i) {
    const ChainRow& row = rows[i];
    if (row.changed) continue;  // told already
    const qint64 link = row.Link();
    if (link < 1) {
      findings << F{row.Number(), F::Inserted};
      continue;
    }
    const QList<int> same = byLink.value(link);
    if (same.size() > 1 && !followed(i) && std::any_of(same.begin(), same.end(), [&](int j) { return j != i && followed(j); })) {
      findings << F{row.Number(), F::Inserted};  // a second record in the place of one
      continue;
    }
    if (link == 1) {
      if (!row.Prev().isEmpty()) findings << F{row.Number(), F::Inserted};
      continue;
    }
    const QList<int> before = byLink.value(link - 1);
    if (before.isEmpty()) {
      if (anchors.contains({link - 1, row.Prev()})) continue;
      // The number of what is gone, when the sequence tells it.
      const QStringList parts = row.Number().split('/');
      const int seq = parts.value(2).toInt();
      const QString guess = QStringLiteral("%1/%2/%3").arg(parts.value(0), parts.value(1)).arg(seq - 1, 4, 10, QLatin1Char('0'));
      if (parts.size() == 3 && seq > 1 && !numbers.contains(guess)) findings << F{guess, F::Removed};
      else findings << F{row.Number(), F::RemovedBefore};
      continue;
    }
    bool linked = false, beforeChanged = false;
    for (int j : before) {
      linked = linked || rows[j].Hash() == row.Prev();
      beforeChanged = beforeChanged || rows[j].changed;
    }
    if (linked || beforeChanged) continue;
    // The one before is not the one this record was written after: it replaced that one when
    // this record is still followed by the chain (or ends it), else this record is the stranger.
    if (before.size() == 1 && (followed(i) || rows.last().Link() == link))
      findings << F{rows[before.first()].Number(), F::Replaced};
    else findings << F{row.Number(), F::Inserted};
  }
}
}  // namespace

QList<RecordStore::Finding> RecordStore::Verify(bool server) const {
  QList<Finding> findings;
  const QString name = server ? server_ : local_;
  if (!QSqlDatabase::contains(name) || !QSqlDatabase::database(name, false).isOpen()) return findings;
  QSqlDatabase db = QSqlDatabase::database(name, false);
  QSqlQuery q(db);
  if (!q.exec(QStringLiteral("SELECT %1 FROM records ORDER BY bench, link, number").arg(kColumns))) return findings;
  std::map<QString, QList<ChainRow>> benches;
  QSet<QString> numbers;
  while (q.next()) {
    ChainRow row;
    for (int i = 0; i < kColumnCount; ++i) row.values << q.value(i);
    row.changed = RowHash(row.values) != row.Hash();
    if (row.changed) findings << Finding{row.Number(), Finding::Changed};
    numbers << row.Number();
    benches[row.values[2].toString()] << row;
  }
  QSqlDatabase local = QSqlDatabase::database(local_, false);
  QHash<QString, QSet<QPair<qint64, QString>>> anchors;
  QSqlQuery a(local);
  if (!server && a.exec("SELECT bench, link, hash FROM chain_anchors"))
    while (a.next()) anchors[a.value(0).toString()] << QPair<qint64, QString>{a.value(1).toLongLong(), a.value(2).toString()};
  for (const auto& [bench, rows] : benches) CheckChain(rows, anchors.value(bench), numbers, findings);
  // What this installation knows the server took (or held) and is no longer there.
  QSqlQuery known(local);
  if (known.exec(server ? QStringLiteral("SELECT number FROM uploaded")
                        : QStringLiteral("SELECT number FROM uploaded UNION SELECT number FROM conflicts")))
    while (known.next())
      if (!numbers.contains(known.value(0).toString())) findings << Finding{known.value(0).toString(), Finding::Removed};
  return findings;
}

QString FindingText(const RecordStore::Finding& finding) {
  static const quint16 kTexts[] = {172, 173, 174, 175, 176};  // in the order of Finding::Kind
  return LookupText(kTexts[finding.kind]).arg(finding.number);
}
