#pragma once
// The calibration certificate of one calibration record, in Polish or English whatever the
// interface language, over as many pages as its tables take. Its pages are counted before the
// first is drawn, so each one says "Strona k z n" / "Page k of n".
//
// What it says: the laboratory (name, address, accreditation number, method), the customer, the
// meter (maker, model, serial number, range and probe), the period of the calibration (the first
// as-found sample to the last as-left point) and the date of issue (the approval's), who
// calibrated (the technician, or "—" with the bench), the reference standard with its
// certificate and U and a traceability statement, the environment (the probe's temperature range
// from the frames, the room's temperature and humidity when typed), the as-found table (before
// any adjustment, or after the initial gain sent first), the as-left table, the results
// (tolerance, U with k, ν_eff and the coverage probability or why it cannot be stated, the
// verdict and its decision rule, the fit and the gains), the approval (the approver's printed
// name, the date and time in UTC and the meaning) and the closing statements, then the end mark
// on the last page. Every number carries its unit: a table's in its head, any other's after it.
// Dates are ISO 8601 (2026-12-08), in the local calendar; the approval's time is printed in UTC.
// Without an approval it is a draft: "PROJEKT / DRAFT — not a certificate" on every page.
//
// Page units, integer division: u = W/40, v = H/50, c = W/2. Font "Tahoma", pen 3.
//   every page  the company at (u, v), 12 pt, to 24u; the certificate's number ending at 39u
//               at v, 10 pt, from 25u; "Strona k z n" ending at 39u at 2v, 8 pt; a draft's mark
//               at (u, 2v), 12 pt, to 24u; rules from u to 39u at 3v-3 and 49v-3
//   page 1      the title centred at 4v, 20 pt; "nr NUMBER" centred at 6v, 14 pt; the record
//               it amends centred at 7v, 10 pt; the flow from line 9
//   later pages the flow from line 4
//   flow        one line every v down to 48v: 40 on page 1, 45 on each later one. Headings
//               12 pt, everything else 10 pt. Facts: label at u, value from 13u to 39u;
//               statements from u to 39u; the end mark centred. The as-found table's numbers
//               end at 3u, 9u, 15u and 21u, the as-left table's at 3u, 8u, 13u, 18u, 23u, 28u
//               and 33u (the last its point's U), its result starts at 34u; a table that goes
//               on to a new page repeats its head there. A heading stays with what it heads
//               (a table's head and first row, a group of facts), the results stay together,
//               the closing statements stay with the end mark; no page starts with an empty
//               line.
// The typed texts (laboratory, customer, company, serial, technician, the reference's) and every
// cell keep to their room (FittedTextOut).
#include <QString>
#include <optional>

#include "store/AsLeft.h"
#include "store/Records.h"

class PrintCanvas;

// What the certificate prints beside the record.
struct CertificateHeader {
  QString company;  // the issuer; empty: the record's company
  QString unit;     // the readings' unit ("Gs"), after the numbers; empty: the record's unit
  // The approval that makes it a certificate; none: it prints as a draft.
  std::optional<SignatureRecord> approval;
};

// The number of pages the record's certificate takes with that header.
int CertificatePageCount(const CalibrationRecord& record, const CertificateHeader& header = {});

void LayoutCertificate(PrintCanvas& canvas, const CalibrationRecord& record, const CertificateHeader& header,
                       CertificateLanguage language);
