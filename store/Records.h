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

struct CalibrationRecord {
  QString number;  // bench / year / sequence, given by the store
  QString amends;  // the number this record corrects, or empty
  QString serial;  // the meter's
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
  std::optional<int> gainBefore;
  int gainAfter = 0;
  QList<SearchStepRecord> steps;
  QString search = QStringLiteral("bisection");  // the gain search whose steps these are: or "secant"
  double tolerancePercent = 1;
  double resolution = 0;  // the meter's last digit, in the readings' unit; 0: not known
  std::optional<double> uncertainty;  // U (k = 2) of the as-left error
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
