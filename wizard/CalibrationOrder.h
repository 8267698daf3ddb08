#pragma once
// What a calibration's record takes from outside the two meters: the order typed on the
// wizard's page 0 (the customer, the meter's maker and model, the technician, the room's
// temperature and humidity when measured) and the lab's settings (the reference standard, the
// tolerance, the uniformity term, the decision rule, the laboratory).
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "store/Records.h"

class RecordStore;
struct RecordsSettings;

struct CalibrationOrder {
  QString customer;
  QString customerAddress;
  QString maker;
  QString model;
  QString technician;  // empty: the user's name
  std::optional<double> ambientTemperature;  // °C
  std::optional<double> humidity;            // % RH
};

struct Customer {
  QString name;
  QString address;
  bool operator==(const Customer&) const = default;
};

// What the earlier calibrations of one meter say of it: their customers, newest first and each
// once, and the maker and model of the newest that names them.
struct EarlierDetails {
  QList<Customer> customers;
  QString maker;
  QString model;
};
EarlierDetails EarlierDetailsOf(const RecordStore& store, const QString& serial);

// Who may be named as the calibration's technician: the active people of the store's register,
// or the user's name when the register names nobody.
QStringList TechnicianChoices(const RecordStore& store, const QString& userName);

// Fills what the record takes from the order and the settings; userName stands in for a
// technician not chosen.
void FillFromOrder(CalibrationRecord& record, const CalibrationOrder& order, const RecordsSettings& settings,
                   const QString& userName, const QString& company);
