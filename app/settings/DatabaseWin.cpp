#include "app/settings/DatabaseWin.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/Named.h"
#include "publish/PublishSettings.h"
#include "settings/Jezyki.h"
#include "store/RecordsSettings.h"

TDatabaseWin::TDatabaseWin(TMainWin* mainWindow) : TDialogWindow(mainWindow) {
  setObjectName("DatabaseWin");
  setAttribute(Qt::WA_DeleteOnClose);
  auto* root = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  Serwer = Named(new QLineEdit, "Serwer");
  Port = Named(new QSpinBox, "Port");
  Port->setRange(1, 65535);
  Baza = Named(new QLineEdit, "Baza");
  Uzytkownik = Named(new QLineEdit, "Uzytkownik");
  Haslo = Named(new QLineEdit, "Haslo");
  Haslo->setEchoMode(QLineEdit::Password);
  Stanowisko = Named(new QLineEdit, "Stanowisko");
  for (QWidget* field : QList<QWidget*>{Serwer, Port, Baza, Uzytkownik, Haslo, Stanowisko}) {
    captions_ << new QLabel;
    form->addRow(captions_.last(), field);
  }
  root->addLayout(form);
  Plik = Named(new QLabel, "Plik");
  Plik->setWordWrap(true);
  Plik->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Stan = Named(new QLabel, "Stan");
  Stan->setWordWrap(true);
  root->addWidget(Plik);
  root->addWidget(Stan);
  auto* buttons = new QHBoxLayout;
  Polacz = Named(new QPushButton, "Polacz");
  Przejmij = Named(new QPushButton, "Przejmij");
  Przejmij->setEnabled(false);
  OK = Named(new QPushButton(QStringLiteral("OK")), "OK");
  Anuluj = Named(new QPushButton, "Anuluj");
  buttons->addWidget(Polacz);
  buttons->addWidget(Przejmij);
  buttons->addStretch(1);
  buttons->addWidget(OK);
  buttons->addWidget(Anuluj);
  root->addLayout(buttons);
  connect(Polacz, &QPushButton::clicked, this, &TDatabaseWin::PolaczClick);
  connect(Przejmij, &QPushButton::clicked, this, &TDatabaseWin::PrzejmijClick);
  connect(OK, &QPushButton::clicked, this, &TDatabaseWin::OKClick);
  connect(Anuluj, &QPushButton::clicked, this, &TDatabaseWin::AnulujClick);
  FormPaint();
  SetFormSize(460, sizeHint().height());
}

TDatabaseWin* TDatabaseWin::Open(TMainWin* mainWindow) {
  auto* dialog = new TDatabaseWin(mainWindow);
  dialog->show();
  return dialog;
}

void TDatabaseWin::FormShow() {
  const RecordsSettings s = ReadRecordsSettings();
  Serwer->setText(s.host);
  Port->setValue(s.port);
  Baza->setText(s.database);
  Uzytkownik->setText(s.user);
  bool fromEnvironment = false;
  DatabasePasswordFromEnvironment(&fromEnvironment);
  Haslo->setText(fromEnvironment ? QString() : DatabasePassword());
  Haslo->setEnabled(!fromEnvironment);  // the environment's wins
  Stanowisko->setText(BenchId());
  RecordStore local(BenchId());
  Plik->setText(LookupText(119).arg(RecordsPath()) +
                (local.Open(RecordsPath(), nullptr) ? QStringLiteral("\n") + LookupText(178).arg(local.Installation())
                                                    : QString()));
  Stan->clear();
  Przejmij->setEnabled(false);
}

void TDatabaseWin::FormPaint() {
  setWindowTitle(LookupText(114).remove(QChar(0x2026)));
  const quint16 texts[] = {115, 102, 116, 104, 117, 107};
  for (int i = 0; i < captions_.size(); ++i) captions_[i]->setText(LookupText(texts[i]));
  Polacz->setText(LookupText(118));
  Przejmij->setText(LookupText(169));
  Anuluj->setText(LookupText(43));
}

void TDatabaseWin::Keep() {
  RecordsSettings s = ReadRecordsSettings();
  s.host = Serwer->text().trimmed();
  s.port = Port->value();
  s.database = Baza->text().trimmed();
  s.user = Uzytkownik->text().trimmed();
  WriteRecordsSettings(s);
  WriteBenchId(Stanowisko->text());
  if (Haslo->isEnabled()) SetSessionDatabasePassword(Haslo->text());
}

// Connects with what is typed, sends what waits and says how it went.
void TDatabaseWin::PolaczClick() { Connect(false); }

void TDatabaseWin::PrzejmijClick() { Connect(true); }

void TDatabaseWin::Connect(bool takeOver) {
  Keep();
  Przejmij->setEnabled(false);
  const RecordsSettings s = ReadRecordsSettings();
  if (s.host.isEmpty()) {
    Stan->setText(LookupText(141));
    return;
  }
  RecordStore store(BenchId());
  QString error, serverError;
  if (!OpenRecords(store, s, DatabasePassword(), &error, &serverError)) {
    Stan->setText(LookupText(136).arg(error));
    return;
  }
  if (takeOver && store.BenchTaken() && !store.TakeOverBench({s.host, s.port, s.database, s.user, DatabasePassword()},
                                                              &serverError)) {
    Stan->setText(LookupText(121).arg(serverError).arg(store.Waiting()));
    return;
  }
  QString state = store.ServerConnected() ? LookupText(120).arg(store.Waiting())
                  : store.BenchTaken()    ? LookupText(168).arg(store.Bench())
                                          : LookupText(121).arg(serverError).arg(store.Waiting());
  if (const QStringList conflicts = store.Conflicts(); !conflicts.isEmpty())
    state += QStringLiteral("\n") + LookupText(170).arg(conflicts.join(QStringLiteral(", ")));
  Stan->setText(state);
  Przejmij->setEnabled(store.BenchTaken());
}

void TDatabaseWin::OKClick() {
  Keep();
  close();
}

void TDatabaseWin::AnulujClick() { close(); }
