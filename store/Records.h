#pragma once
// What the record store keeps: a calibration of one range of one probe (as found, the
// adjustment, as left) and a transfer of the service panel's values to a meter. A record is
// never changed once written: a correction is a new record whose `amends` names the one it
// corrects. Times are UTC.
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct ReferenceStandard {
  QString model;
  QString serial;
  QString certificate;
  QDate due;
  double uncertainty = 0;  // its stated expanded uncertainty, in the unit of the readings
  double coverage = 2;     // the k its certificate states with that uncertainty
  double resolution = 0;   // its last digit, in the unit of the readings; 0: not known
  QString unit;            // the unit it reads in ("Gs", "mT", "kA/m"); empty: not stated
  bool operator==(const ReferenceStandard&) const = default;
};

struct CalibrationPoint {
  double reference = 0;   // Uwz
  double calibrated = 0;  // Ucal
  QDateTime at;
  bool operator==(const CalibrationPoint&) const = default;
};

struct SearchStepRecord {
  int gain = 0;
  double reading = 0;
  bool operator==(const SearchStepRecord&) const = default;
};

// The laboratory that calibrates, as its settings name it when the record is made.
struct Laboratory {
  QString name;
  QString address;
  QString accreditation;  // its accreditation number
  QString method;         // the method or procedure the calibration follows
  bool operator==(const Laboratory&) const = default;
};

struct CalibrationRecord {
  QString number;  // bench / year / sequence, given by the store
  QString amends;  // the number this record corrects, or empty
  QString serial;  // the meter's
  QString maker;   // the meter's maker and model
  QString model;
  QString unit;    // the meter's unit as its frames report it ("Gs", "mT", "kA/m"); empty: not known
  QString customer;
  QString customerAddress;
  Laboratory laboratory;
  int rangeIndex = 0;
  int probeRow = 1;
  QDateTime at;
  QString technician;
  QString company;
  QString bench;
  ReferenceStandard reference;
  QList<CalibrationPoint> asFound;
  QList<CalibrationPoint> asLeft;
  bool asLeftSkipped = false;
  double slope = 0;
  double offset = 0;
  double residualSd = 0;
  std::optional<int> initialGain;  // the gain sent before the as-found samples, when one was
  std::optional<int> gainBefore;
  int gainAfter = 0;
  QList<SearchStepRecord> steps;
  QString search = QStringLiteral("bisection");  // the gain search whose steps these are: or "secant"
  // The probe's temperature over the samples and the check (from the frames), and the room's
  // when typed.
  std::optional<double> probeTemperatureMin;
  std::optional<double> probeTemperatureMax;
  std::optional<double> ambientTemperature;  // °C
  std::optional<double> humidity;            // % RH
  // The tolerance: ± (tolerancePercent % of reading + toleranceDigits last digits).
  double tolerancePercent = 1;
  double toleranceDigits = 0;
  double resolution = 0;  // the meter's last digit, in the readings' unit; 0: not known
  double uniformityPercent = 0;  // probe position and field uniformity, relative, typed
  QString decisionRule = QStringLiteral("simple");  // or "guarded"
  std::optional<double> uncertainty;  // U of the as-left error; none: cannot be stated
  std::optional<double> coverage;     // the k of U
  std::optional<double> effectiveDof; // ν_eff of U
  std::optional<bool> passed;
  // An amendment's who and why (required for one); written: when the store took the record.
  QString author;
  QString reason;
  QDateTime written;
  bool operator==(const CalibrationRecord&) const = default;
};

struct TransferRecord {
  QString number;
  QString amends;
  QString serial;
  QDateTime at;
  QString technician;
  QString bench;
  QStringList values;  // the 26 texts, in the panel's order
  bool stored = false;  // "Zapisz do EEPROM"
  int framesSent = 0;
  QString author;
  QString reason;
  QDateTime written;
  bool operator==(const TransferRecord&) const = default;
};

// An electronic signature of a calibration record: who signed, when, what it means, and the
// SHA-256 (hex) of the calibration record it signs. Kept as a record of its own, never changed.
struct SignatureRecord {
  QString number;       // the signature's own number, given by the store
  QString calibration;  // the number of the calibration it signs
  QString signer;       // the person's id in the register
  QString printedName;
  QString role;         // "technician" or "approver"
  QDateTime at;         // UTC
  QString meaning;      // "Zatwierdzam" / "Approved"
  QString recordHash;   // hex SHA-256 of the signed calibration record
  bool operator==(const SignatureRecord&) const = default;
};

// One line of the history.
struct RecordSummary {
  QString number;
  QString kind;  // "calibration" or "transfer"
  QString serial;
  QDateTime at;
  QString technician;
  QString amends;
  QString supersededBy;  // the newest record that amends this one
  QString state;         // "", "waiting" (for the server) or "conflict" (the server holds another)
  bool operator==(const RecordSummary&) const = default;
};
