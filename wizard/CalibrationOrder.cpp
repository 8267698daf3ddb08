#include "wizard/CalibrationOrder.h"

#include "store/RecordStore.h"
#include "store/RecordsSettings.h"

EarlierDetails EarlierDetailsOf(const RecordStore& store, const QString& serial) {
  EarlierDetails details;
  if (serial.trimmed().isEmpty()) return details;
  bool meterNamed = false;
  for (const RecordSummary& summary : store.History(serial.trimmed())) {  // newest first
    if (summary.kind != QLatin1String("calibration") || summary.serial != serial.trimmed()) continue;
    const std::optional<CalibrationRecord> record = store.Calibration(summary.number);
    if (!record) continue;
    const Customer customer{record->customer, record->customerAddress};
    if (!customer.name.isEmpty() && !details.customers.contains(customer)) details.customers << customer;
    if (!meterNamed && !(record->maker.isEmpty() && record->model.isEmpty())) {
      details.maker = record->maker;
      details.model = record->model;
      meterNamed = true;
    }
  }
  return details;
}

QStringList TechnicianChoices(const RecordStore& store, const QString& userName) {
  QStringList names;
  for (const Person& person : store.People(true))
    if (!names.contains(person.name)) names << person.name;
  if (names.isEmpty() && !userName.trimmed().isEmpty()) names << userName.trimmed();
  return names;
}

void FillFromOrder(CalibrationRecord& record, const CalibrationOrder& order, const RecordsSettings& settings,
                   const QString& userName, const QString& company) {
  record.technician = order.technician.trimmed().isEmpty() ? userName : order.technician.trimmed();
  record.company = company;
  record.customer = order.customer.trimmed();
  record.customerAddress = order.customerAddress.trimmed();
  record.maker = order.maker.trimmed();
  record.model = order.model.trimmed();
  record.ambientTemperature = order.ambientTemperature;
  record.humidity = order.humidity;
  record.reference = settings.reference;
  record.tolerancePercent = settings.tolerancePercent;
  record.toleranceDigits = settings.toleranceDigits;
  record.uniformityPercent = settings.uniformityPercent;
  record.decisionRule = settings.decisionRule;
  record.laboratory = settings.laboratory;
}
