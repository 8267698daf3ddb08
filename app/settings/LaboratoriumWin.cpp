#include "app/settings/LaboratoriumWin.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "common/Named.h"
#include "settings/Jezyki.h"
#include "store/RecordsSettings.h"

TLaboratoriumWin::TLaboratoriumWin(TMainWin* mainWindow) : TDialogWindow(mainWindow) {
  setObjectName("LaboratoriumWin");
  setAttribute(Qt::WA_DeleteOnClose);
  auto* root = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  Nazwa = Named(new QLineEdit, "Nazwa");
  Adres = Named(new QLineEdit, "Adres");
  Akredytacja = Named(new QLineEdit, "Akredytacja");
  Metoda = Named(new QLineEdit, "Metoda");
  for (QLineEdit* field : {Nazwa, Adres, Akredytacja, Metoda}) {
    captions_ << new QLabel;
    captions_.last()->setBuddy(field);
    form->addRow(captions_.last(), field);
  }
  root->addLayout(form);
  Opis = Named(new QLabel, "Opis");
  Opis->setWordWrap(true);
  root->addWidget(Opis);
  auto* buttons = new QHBoxLayout;
  OK = Named(new QPushButton(QStringLiteral("OK")), "OK");
  Anuluj = Named(new QPushButton, "Anuluj");
  buttons->addStretch(1);
  buttons->addWidget(OK);
  buttons->addWidget(Anuluj);
  root->addLayout(buttons);
  connect(OK, &QPushButton::clicked, this, &TLaboratoriumWin::OKClick);
  connect(Anuluj, &QPushButton::clicked, this, &TLaboratoriumWin::AnulujClick);
  FormPaint();
  SetFormSize(460, sizeHint().height());
}

TLaboratoriumWin* TLaboratoriumWin::Open(TMainWin* mainWindow) {
  auto* dialog = new TLaboratoriumWin(mainWindow);
  dialog->show();
  return dialog;
}

void TLaboratoriumWin::FormShow() {
  const Laboratory lab = ReadRecordsSettings().laboratory;
  Nazwa->setText(lab.name);
  Adres->setText(lab.address);
  Akredytacja->setText(lab.accreditation);
  Metoda->setText(lab.method);
}

void TLaboratoriumWin::FormPaint() {
  setWindowTitle(LookupText(204).remove(QChar(0x2026)));
  const quint16 texts[] = {205, 206, 207, 208};
  for (int i = 0; i < captions_.size(); ++i) captions_[i]->setText(LookupText(texts[i]));
  Opis->setText(LookupText(209));
  Anuluj->setText(LookupText(43));
}

void TLaboratoriumWin::OKClick() {
  RecordsSettings s = ReadRecordsSettings();
  s.laboratory = {Nazwa->text().trimmed(), Adres->text().trimmed(), Akredytacja->text().trimmed(),
                  Metoda->text().trimmed()};
  if (!WriteRecordsSettings(s)) {
    ShowMessage(LookupText(210));
    return;
  }
  close();
}

void TLaboratoriumWin::AnulujClick() { close(); }
