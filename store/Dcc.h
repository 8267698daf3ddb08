#pragma once
// The Digital Calibration Certificate of a signed calibration: XML after PTB's DCC schema 3.1.2
// with the units and quantities of D-SI 2.2.0 (the schemas, their licence and an offline catalog
// are in dcc/ at the top of the source tree).
//
//   dcc:digitalCalibrationCertificate schemaVersion="3.1.2"
//     administrativeData  dccSoftware (Fluxa and its version); coreData (country, languages,
//                         the certificate's number, the period of the calibration from the first
//                         sample to the check, "laboratory"); items (the meter: maker, model,
//                         serial); calibrationLaboratory; respPersons (the technician, and the
//                         approver with the signature's meaning, time and record hash);
//                         customer; statements (date of issue = the approval's, traceability,
//                         the amended certificate)
//     measurementResults  one result: the reference standard, the environment as influence
//                         conditions, then results "as found" and "as left", each a list of
//                         three quantities over its points (reference reading, meter reading,
//                         error), and the fit, the gains and the decision as quantities.
//
// Units: the schema takes any string as si:unit, so the program checks them here. The meter's
// unit maps to D-SI as
//   mT    \milli\tesla
//   Gs    \tesla (value × 1e-4), with the gauss beside it in si:hybrid as |gauss
//   kA/m  \kilo\ampere\metre\tothe{-1}
// and any other unit, or a meter and reference that read in different units, refuse the export.
// The expanded uncertainty goes with the record's k and a coverage probability of 0.9545: the
// reference readings carry the reference's own U and k, the meter readings and errors of the
// as-left check the record's U. A record whose U is not stated gets no uncertainty element for
// it, and the result's text says so.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "store/AsLeft.h"
#include "store/Records.h"

// A reading's unit in D-SI terms.
struct DsiUnit {
  QString unit;          // the SI unit the value is written in ("\milli\tesla")
  double scale = 1;      // value in unit = reading × scale
  QString nonSiUnit;     // the reading's own unit beside it in si:hybrid ("|gauss"), or empty
};
// The D-SI form of the meter's unit ("Gs", "mT", "kA/m"); none for any other text.
std::optional<DsiUnit> DsiUnitOf(const QString& unit);

struct DccOptions {
  CertificateLanguage language = CertificateLanguage::Polish;  // the mandatory language
  QString countryCode = QStringLiteral("PL");                  // ISO 3166-1, of the laboratory
  QString softwareVersion;                                     // empty: this program's
};

struct DccResult {
  bool ok = false;
  QByteArray xml;      // UTF-8; empty when refused
  QString message;     // why it was refused, in the certificate's language
  QStringList notes;   // what the reader should know (an uncertainty that is not stated)
};

// The DCC of the record signed by approval. Refused, with a message, when the signature is not
// the record's, the meter's unit is not known or not one of the three, the reference reads in
// another unit, or the record holds no readings.
DccResult WriteDcc(const CalibrationRecord& record, const SignatureRecord& approval, const DccOptions& options = {});

// The file name the DCC takes inside the PDF and beside it: "DCC-<number>.xml" with every '/'
// of the number made '-'.
QString DccFileName(const QString& number);
