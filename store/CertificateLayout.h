#pragma once
// The calibration certificate of one calibration record, in Polish or English whatever the
// interface language, over as many pages as its tables take. Its pages are counted before the
// first is drawn, so each one says "Strona k z n" / "Page k of n".
//
// Page units, integer division: u = W/40, v = H/50, c = W/2. Font "Tahoma", pen 3.
//   every page  the company at (u, v), 12 pt, to 24u; the certificate's number ending at 39u
//               at v, 10 pt, from 25u; "Strona k z n" ending at 39u at 2v, 8 pt; rules from u
//               to 39u at 3v-3 and 49v-3
//   page 1      the title centred at 4v, 20 pt; "nr NUMBER" centred at 6v, 14 pt; the record
//               it amends centred at 7v, 10 pt; facts on 9v..16v, 10 pt: label at u, value
//               from 13u to 39u; the flow from line 18
//   later pages the flow from line 4
//   flow        one line every v down to 48v: 31 on page 1, 45 on each later one. Headings
//               12 pt, everything else 10 pt. The tables' numbers end at 3u, 9u, 15u, 21u, 26u
//               and 31u, the as-left result starts at 32u; a table that goes on to a new page
//               repeats its head there. A heading stays with its table's head and first row,
//               the results stay together; no page starts with an empty line.
// The typed texts (company, serial, technician, the reference's) and every cell keep to their
// room (FittedTextOut).
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

// The number of pages the record's certificate takes.
int CertificatePageCount(const CalibrationRecord& record);

void LayoutCertificate(PrintCanvas& canvas, const CalibrationRecord& record, const CertificateHeader& header,
                       CertificateLanguage language);
