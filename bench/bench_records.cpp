// The record store's history and a certificate, at a lab's size.
//
//   history      10 000 records (calibrations with 10 points as found and as left, and
//                transfers): the store opened as fluxa-cli history opens it, History() and
//                History("M-012") (one meter in fifty), on the local SQLite file and on a
//                PostgreSQL server (a throwaway cluster on this machine; skipped with a message
//                when it cannot start). Target 200 ms. Baseline in the same run: the same
//                SELECT of every row on a connection already open, which is what the database
//                itself costs.
//   certificate  a record with 60 as-left points to a three-page PDF file. Target 1 s.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPdfWriter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/PrintCanvas.h"
#include "store/AsLeft.h"
#include "store/CertificateLayout.h"
#include "store/RecordJson.h"
#include "store/RecordStore.h"
#include "tests/common/PostgresCluster.h"

namespace {
constexpr int kRecords = 10000;
constexpr int kMeters = 500;
const QString kFilter = QStringLiteral("M-012");  // M-0120 .. M-0129: 200 records

using Clock = std::chrono::steady_clock;
double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

CalibrationRecord ACalibration(int i, const QDateTime& at) {
  CalibrationRecord r;
  r.serial = QStringLiteral("M-%1").arg(i % kMeters, 4, 10, QLatin1Char('0'));
  r.rangeIndex = i % 4;
  r.probeRow = 1 + i % 2;
  r.at = at;
  r.technician = QStringLiteral("Technik %1").arg(i % 7);
  r.company = QStringLiteral("Laboratorium Pól Magnetycznych");
  r.bench = QStringLiteral("LAB");
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.5};
  for (int p = 0; p < 10; ++p) {
    const double field = 20.0 * (p + 1) * (p % 2 ? -1 : 1);
    r.asFound << CalibrationPoint{field, field * 0.8, at.addSecs(p)};
    r.asLeft << CalibrationPoint{field, field * 1.002, at.addSecs(600 + p)};
    r.steps << SearchStepRecord{16000 + 500 * p, 100.0 + p};
  }
  r.slope = 0.8;
  r.residualSd = 0.12;
  r.resolution = 0.1;
  r.gainBefore = 16000;
  r.gainAfter = 20000;
  EvaluateCalibration(r);
  return r;
}

// The rows as RecordStore writes them, in one transaction (the store's own Add commits each,
// which would make the filling the longest part of the run).
bool Fill(QSqlDatabase& db) {
  if (!db.transaction()) return false;
  QSqlQuery insert(db);
  insert.prepare("INSERT INTO records (number, kind, bench, year, seq, amends, serial, at_utc, technician, body)"
                 " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  const QDateTime start(QDate(2026, 1, 2), QTime(8, 0), Qt::UTC);
  for (int i = 0; i < kRecords; ++i) {
    const QDateTime at = start.addSecs(i * 1800);
    const bool transfer = i % 5 == 4;
    QByteArray body;
    QString serial, technician;
    if (transfer) {
      TransferRecord t;
      for (int v = 0; v < 26; ++v) t.values << QString::number(v) + ",5";
      t.stored = true;
      t.framesSent = 25;
      body = TransferBody(t);
      serial = QStringLiteral("M-%1").arg(i % kMeters, 4, 10, QLatin1Char('0'));
      technician = QStringLiteral("Technik %1").arg(i % 7);
    } else {
      const CalibrationRecord c = ACalibration(i, at);
      body = CalibrationBody(c);
      serial = c.serial;
      technician = c.technician;
    }
    for (const QVariant& v : {QVariant(QStringLiteral("LAB/2026/%1").arg(i + 1, 5, 10, QLatin1Char('0'))),
                              QVariant(transfer ? "transfer" : "calibration"), QVariant("LAB"), QVariant(2026),
                              QVariant(i + 1), QVariant(), QVariant(serial),
                              QVariant(at.toString(Qt::ISODateWithMs)), QVariant(technician),
                              QVariant(QString::fromUtf8(body))})
      insert.addBindValue(v);
    if (!insert.exec()) {
      std::fprintf(stderr, "fill: %s\n", qPrintable(insert.lastError().text()));
      return false;
    }
  }
  return db.commit();
}

struct Stores {
  QTemporaryDir dir;
  QString sqlite;         // 10 000 records
  QString emptyLocal;     // the local file beside the server
  PostgresCluster cluster;
  bool postgres = false;  // the server holds 10 000 records
  QString postgresWhy;
  RecordStore::Server Server() const { return {"127.0.0.1", cluster.port(), "records", "fluxa", ""}; }
};

// Made at the first benchmark that needs them; main ends them, which stops the cluster.
std::unique_ptr<Stores> stores;

Stores& TheStores() {
  if (!stores) stores = [] {
    auto s = std::make_unique<Stores>();
    s->sqlite = s->dir.filePath("records.sqlite");
    s->emptyLocal = s->dir.filePath("local.sqlite");
    {
      RecordStore schema("LAB");  // the store makes its schema
      QString why;
      if (!schema.Open(s->sqlite, &why)) std::abort();
    }
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-fill");
      db.setDatabaseName(s->sqlite);
      if (!db.open() || !Fill(db)) std::abort();
      db.close();
    }
    QSqlDatabase::removeDatabase("bench-fill");
    if (!PostgresCluster::Available()) {
      s->postgresWhy = "PostgreSQL is not installed";
    } else if (!s->cluster.start()) {
      s->postgresWhy = s->cluster.error();
    } else {
      RecordStore schema("LAB");
      QString why;
      if (!schema.Open(s->emptyLocal, &why) || !schema.ConnectServer(s->Server(), &why)) {
        s->postgresWhy = why;
      } else {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "bench-fill-pg");
        db.setHostName("127.0.0.1");
        db.setPort(s->cluster.port());
        db.setDatabaseName("records");
        db.setUserName("fluxa");
        s->postgres = db.open() && Fill(db);
        if (!s->postgres) s->postgresWhy = db.lastError().text();
        db.close();
      }
      QSqlDatabase::removeDatabase("bench-fill-pg");
    }
    return s;
  }();
  return *stores;
}

void Check(qsizetype all, qsizetype filtered, benchmark::State& state) {
  if (all != kRecords || filtered != 10 * kRecords / kMeters) {
    state.SkipWithError("the history does not hold the records written");
    return;
  }
  state.counters["records"] = double(all);
  state.counters["filtered"] = double(filtered);
}

void History(benchmark::State& state, bool postgres) {
  Stores& s = TheStores();
  if (postgres && !s.postgres) {
    state.SkipWithError(qPrintable("no PostgreSQL cluster: " + s.postgresWhy));
    return;
  }
  double worst = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    RecordStore store("LAB");
    QString why;
    if (!store.Open(postgres ? s.emptyLocal : s.sqlite, &why) || (postgres && !store.ConnectServer(s.Server(), &why))) {
      state.SkipWithError(qPrintable(why));
      return;
    }
    const QList<RecordSummary> all = store.History();
    const QList<RecordSummary> filtered = store.History(kFilter);
    const double seconds = SecondsSince(start);
    state.SetIterationTime(seconds);
    worst = std::max(worst, seconds);
    Check(all.size(), filtered.size(), state);
  }
  state.counters["worst_ms"] = worst * 1000;
  state.counters["target_ms"] = 200;
}

// The database's own part: the history's SELECT on a connection already open, every row read.
void BareSelect(benchmark::State& state, bool postgres) {
  Stores& s = TheStores();
  if (postgres && !s.postgres) {
    state.SkipWithError(qPrintable("no PostgreSQL cluster: " + s.postgresWhy));
    return;
  }
  const QString name = postgres ? "bench-bare-pg" : "bench-bare";
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(postgres ? "QPSQL" : "QSQLITE", name);
    if (postgres) {
      db.setHostName("127.0.0.1");
      db.setPort(s.cluster.port());
      db.setDatabaseName("records");
      db.setUserName("fluxa");
    } else {
      db.setDatabaseName(s.sqlite);
    }
    if (!db.open()) std::abort();
    for (auto _ : state) {
      qsizetype rows = 0;
      for (const QString& filter : {QString(), kFilter}) {
        QSqlQuery q(db);
        q.prepare("SELECT number, kind, serial, at_utc, technician, amends FROM records"
                  " WHERE serial LIKE ? ORDER BY at_utc DESC, number DESC");
        q.addBindValue("%" + filter + "%");
        q.exec();
        while (q.next()) rows += q.value(0).toString().size() > 0;
      }
      benchmark::DoNotOptimize(rows);
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}
}  // namespace

static void BM_HistorySqlite10000(benchmark::State& state) { History(state, false); }
BENCHMARK(BM_HistorySqlite10000)->UseManualTime()->Unit(benchmark::kMillisecond);
static void BM_BareSelectSqlite10000(benchmark::State& state) { BareSelect(state, false); }
BENCHMARK(BM_BareSelectSqlite10000)->Unit(benchmark::kMillisecond);
static void BM_HistoryPostgres10000(benchmark::State& state) { History(state, true); }
BENCHMARK(BM_HistoryPostgres10000)->UseManualTime()->Unit(benchmark::kMillisecond);
static void BM_BareSelectPostgres10000(benchmark::State& state) { BareSelect(state, true); }
BENCHMARK(BM_BareSelectPostgres10000)->Unit(benchmark::kMillisecond);

// What fluxa-cli certificate does once the record is read: the layout through a PDF writer to
// a file.
static void BM_CertificatePdf60Rows(benchmark::State& state) {
  QTemporaryDir dir;
  CalibrationRecord r = ACalibration(7, QDateTime(QDate(2026, 12, 7), QTime(22, 41), Qt::UTC));
  r.number = "LAB/2026/00007";
  const QList<CalibrationPoint> asLeft = r.asLeft;
  r.asLeft.clear();
  for (int i = 0; i < 60; ++i) r.asLeft << asLeft[i % asLeft.size()];
  EvaluateCalibration(r);
  const QString path = dir.filePath("certificate.pdf");
  for (auto _ : state) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    if (!PrintDocument(writer, [&](PrintCanvas& canvas) {
          LayoutCertificate(canvas, r, {{}, "Gs"}, CertificateLanguage::Polish);
        })) {
      state.SkipWithError("the PDF could not be written");
      return;
    }
  }
  state.counters["pages"] = CertificatePageCount(r);
  state.counters["target_ms"] = 1000;
}
BENCHMARK(BM_CertificatePdf60Rows)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // the certificate's fonts
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  stores.reset();
  return 0;
}
