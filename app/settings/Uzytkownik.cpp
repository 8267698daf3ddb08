#include "app/settings/Uzytkownik.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "app/Main.h"
#include "app/MainForm.h"
#include "settings/UserSettings.h"

TUzytkownikWin::TUzytkownikWin(TMainWin* mainWindow) : TDialogWindow(mainWindow) {
  setObjectName("UzytkownikWin");
  setWindowTitle(QStringLiteral("Użytkownik"));

  GroupBox1 = Named(new QGroupBox(QStringLiteral(" Ustawienia użytkownika "), this), "GroupBox1",
                    QRect(8, 8, 289, 117));
  Label1 = Named(new QLabel(QStringLiteral("Nazwa:"), GroupBox1), "Label1", QRect(12, 26, 50, 16));
  Nazwa = Named(new QLineEdit(GroupBox1), "Nazwa", QRect(64, 24, 209, 22));
  Label2 = Named(new QLabel(QStringLiteral("Firma:"), GroupBox1), "Label2", QRect(12, 56, 50, 16));
  Miasto = Named(new QLineEdit(GroupBox1), "Miasto", QRect(64, 54, 209, 22));
  Serwisant = Named(new QCheckBox(QStringLiteral("Serwisant"), GroupBox1), "Serwisant",
                    QRect(64, 86, 150, 20));
  OK = Named(new QPushButton(QStringLiteral("OK"), this), "OK", QRect(141, 133, 75, 25));
  Anuluj = Named(new QPushButton(QStringLiteral("Anuluj"), this), "Anuluj", QRect(222, 133, 75, 25));

  connect(Serwisant, &QCheckBox::clicked, this, &TUzytkownikWin::SerwisantClick);
  connect(OK, &QPushButton::clicked, this, &TUzytkownikWin::OKClick);
  connect(Anuluj, &QPushButton::clicked, this, &TUzytkownikWin::AnulujClick);

  SetFormSize(305, 166);
}

void TUzytkownikWin::FormShow() {
  const UserSettings settings = ReadUserSettings();
  Nazwa->setText(settings.name);
  Miasto->setText(settings.company);
  Serwisant->setChecked(settings.service);
  SerwisantClick();
}

// A service technician's entry is fixed while the flag is set.
void TUzytkownikWin::SerwisantClick() {
  const bool editable = !Serwisant->isChecked();
  Nazwa->setEnabled(editable);
  Miasto->setEnabled(editable);
}

void TUzytkownikWin::OKClick() {
  // Written as typed: leading and trailing spaces are the user's.
  WriteUserSettings({Nazwa->text(), Miasto->text(), Serwisant->isChecked()});
  hide();
}

void TUzytkownikWin::AnulujClick() { hide(); }

