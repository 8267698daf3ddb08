#pragma once
// A date edit as the program's users expect it: a date that may be left "not given" (shown "—",
// kept as the minimum date), and a calendar that speaks the program's language whatever the
// system's locale, and opens at today's month while no date is given.
#include <QCalendarWidget>
#include <QDate>
#include <QDateEdit>
#include <QEvent>

#include "settings/Jezyki.h"

class CalendarOfProgram : public QObject {
 public:
  explicit CalendarOfProgram(QDateEdit* edit) : QObject(edit), edit_(edit) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      auto* calendar = static_cast<QCalendarWidget*>(watched);
      calendar->setLocale(ProgramLocale());
      if (edit_->date() == edit_->minimumDate()) {
        const QDate today = QDate::currentDate();
        calendar->setCurrentPage(today.year(), today.month());
      }
    }
    return false;
  }

 private:
  QDateEdit* edit_;
};

inline const QDate kDateNotGiven(2000, 1, 1);

// Sets up edit (yyyy-MM-dd, a calendar popup) with date, or "—" when date is not valid.
inline void SetUpDateEdit(QDateEdit* edit, const QDate& date) {
  edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  edit->setMinimumDate(kDateNotGiven);  // stands for "not given"
  edit->setSpecialValueText(QStringLiteral("—"));
  edit->setCalendarPopup(true);
  edit->setLocale(ProgramLocale());
  edit->calendarWidget()->installEventFilter(new CalendarOfProgram(edit));
  edit->setDate(date.isValid() && date > kDateNotGiven ? date : kDateNotGiven);
}

// The edit's date, or an invalid date when none is given.
inline QDate DateOf(const QDateEdit* edit) {
  return edit->date() == edit->minimumDate() ? QDate() : edit->date();
}
