// A signed certificate as fluxa-cli certificate and the history window make it, once the record
// and its approval are read: a calibration whose as-left points fill three pages, its DCC (XML),
// the pages drawn into a PDF/A-1b by Qt, libqpdf making it PDF/A-3b with the DCC attached, and
// the file written. Target 200 ms.
// Baselines in the same run: the same three pages through a plain QPdfWriter to a file (what a
// certificate cost before it carried a DCC), and the DCC alone.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "common/PrintCanvas.h"
#include "store/CertificateLayout.h"
#include "store/Dcc.h"
#include "store/PdfA3.h"

namespace {
CalibrationRecord ARecord(int asLeftPoints) {
  CalibrationRecord r;
  r.number = "LAB/2026/0007";
  r.serial = "M-0007";
  r.maker = "Magnetix";
  r.model = "MF-3";
  r.unit = "Gs";
  r.customer = "Huta Łaziska S.A.";
  r.customerAddress = "ul. Hutnicza 1, 43-170 Łaziska Górne";
  r.laboratory = {"Laboratorium Pól Magnetycznych", "ul. Polna 5, 00-001 Warszawa", "AP 123", "PW-07"};
  const QDateTime at(QDate(2026, 12, 7), QTime(22, 41), Qt::UTC);
  r.at = at;
  r.technician = "Anna Żak";
  r.company = "LPM";
  r.bench = "LAB";
  r.reference = {"RM-100", "R-77", "PL/123/2026", QDate(2027, 6, 30), 0.5, 2, 0.1, "Gs"};
  for (int i = 0; i < 10; ++i) r.asFound << CalibrationPoint{10.0 * (i + 1), 8.0 * (i + 1), at.addSecs(i)};
  for (int i = 0; i < asLeftPoints; ++i)
    r.asLeft << CalibrationPoint{10.0 * (i % 20 + 1), 10.0 * (i % 20 + 1) + 0.1, at.addSecs(600 + i)};
  r.slope = 0.8;
  r.residualSd = 0.12;
  r.resolution = 0.1;
  r.gainBefore = 16000;
  r.gainAfter = 20000;
  r.probeTemperatureMin = 22.5;
  r.probeTemperatureMax = 23;
  r.uncertainty = 0.62;
  r.coverage = 2.87;
  r.effectiveDof = 4.2;
  r.passed = true;
  return r;
}

CertificateHeader Signed(const CalibrationRecord& r) {
  CertificateHeader header;
  header.approval = SignatureRecord{"LAB/2026/0008", r.number, "jkow", "Jan Kowalski", "approver",
                                    QDateTime(QDate(2026, 12, 9), QTime(10, 15), Qt::UTC), "Zatwierdzam",
                                    QString(64, u'a')};
  return header;
}

// The fewest as-left points whose signed certificate takes three pages.
CalibrationRecord ThreePages() {
  for (int points = 10;; points += 2) {
    CalibrationRecord r = ARecord(points);
    if (CertificatePageCount(r, Signed(r)) >= 3) return r;
  }
}
}  // namespace

static void BM_SignedCertificatePdfA3ThreePages(benchmark::State& state) {
  QTemporaryDir dir;
  const CalibrationRecord r = ThreePages();
  const CertificateHeader header = Signed(r);
  const QString path = dir.filePath("certificate.pdf");
  qsizetype bytes = 0, dccBytes = 0;
  for (auto _ : state) {
    const CertificatePdf made = MakeCertificatePdf(r, header, {});
    if (!made.ok || !WriteWholeFile(path, made.pdf, nullptr)) {
      state.SkipWithError("the certificate could not be made");
      return;
    }
    bytes = made.pdf.size();
    dccBytes = made.dcc.size();
  }
  state.counters["pages"] = CertificatePageCount(r, header);
  state.counters["pdf_kB"] = bytes / 1024.0;
  state.counters["dcc_kB"] = dccBytes / 1024.0;
  state.counters["target_ms"] = 200;
}
BENCHMARK(BM_SignedCertificatePdfA3ThreePages)->Unit(benchmark::kMillisecond);

static void BM_BaselinePlainPdfThreePages(benchmark::State& state) {
  QTemporaryDir dir;
  const CalibrationRecord r = ThreePages();
  const CertificateHeader header = Signed(r);
  const QString path = dir.filePath("plain.pdf");
  for (auto _ : state) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    if (!PrintDocument(writer, [&](PrintCanvas& canvas) {
          LayoutCertificate(canvas, r, header, CertificateLanguage::Polish);
        })) {
      state.SkipWithError("the PDF could not be written");
      return;
    }
  }
}
BENCHMARK(BM_BaselinePlainPdfThreePages)->Unit(benchmark::kMillisecond);

static void BM_BaselineDccAlone(benchmark::State& state) {
  const CalibrationRecord r = ThreePages();
  const CertificateHeader header = Signed(r);
  for (auto _ : state) benchmark::DoNotOptimize(WriteDcc(r, *header.approval).xml);
  state.counters["points"] = r.asFound.size() + r.asLeft.size();
}
BENCHMARK(BM_BaselineDccAlone)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);  // the certificate's fonts
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
