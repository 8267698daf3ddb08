#include "app/settings/MqttWin.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/Main.h"
#include "common/Named.h"
#include "publish/PublishSettings.h"
#include "settings/Jezyki.h"

TMqttWin::TMqttWin(TMainWin* mainWindow) : TDialogWindow(mainWindow) {
  setObjectName("MqttWin");
  setAttribute(Qt::WA_DeleteOnClose);
  auto* root = new QVBoxLayout(this);
  Publikuj = Named(new QCheckBox, "Publikuj");
  root->addWidget(Publikuj);
  auto* form = new QFormLayout;
  Broker = Named(new QLineEdit, "Broker");
  Port = Named(new QSpinBox, "Port");
  Port->setRange(1, 65535);
  Prefiks = Named(new QLineEdit, "Prefiks");
  Uzytkownik = Named(new QLineEdit, "Uzytkownik");
  Tls = Named(new QCheckBox, "Tls");
  PlikCa = Named(new QLineEdit, "PlikCa");
  // The bench's id is set in one place, the calibration database's window: shown here.
  Stanowisko = Named(new QLineEdit, "Stanowisko");
  Stanowisko->setReadOnly(true);
  for (QWidget* field : QList<QWidget*>{Broker, Port, Prefiks, Uzytkownik, nullptr, PlikCa, Stanowisko}) {
    if (!field) {
      form->addRow(Tls);
      continue;
    }
    captions_ << new QLabel;
    form->addRow(captions_.last(), field);
  }
  root->addLayout(form);
  Blad = Named(new QLabel, "Blad");
  Blad->setWordWrap(true);
  root->addWidget(Blad);
  auto* buttons = new QHBoxLayout;
  OK = Named(new QPushButton(QStringLiteral("OK")), "OK");
  Anuluj = Named(new QPushButton, "Anuluj");
  buttons->addStretch(1);
  buttons->addWidget(OK);
  buttons->addWidget(Anuluj);
  root->addLayout(buttons);
  connect(OK, &QPushButton::clicked, this, &TMqttWin::OKClick);
  connect(Anuluj, &QPushButton::clicked, this, &TMqttWin::AnulujClick);
  connect(Tls, &QCheckBox::toggled, this, [this](bool on) {
    PlikCa->setEnabled(on);
    if (Port->value() == (on ? 1883 : 8883)) Port->setValue(on ? 8883 : 1883);
  });
  FormPaint();
  SetFormSize(420, sizeHint().height());
}

TMqttWin* TMqttWin::Open(TMainWin* mainWindow) {
  auto* dialog = new TMqttWin(mainWindow);
  dialog->show();
  return dialog;
}

void TMqttWin::FormShow() {
  const PublishSettings s = ReadPublishSettings();
  Publikuj->setChecked(s.enabled);
  Broker->setText(s.target.host);
  Port->setValue(s.target.port);
  Prefiks->setText(s.target.prefix);
  Uzytkownik->setText(s.target.user);
  Tls->setChecked(s.target.tls);
  PlikCa->setText(s.target.caFile);
  PlikCa->setEnabled(s.target.tls);
  Stanowisko->setText(BenchId());
  Blad->clear();
}

void TMqttWin::FormPaint() {
  setWindowTitle(LookupText(99).remove(QChar(0x2026)));
  Publikuj->setText(LookupText(100));
  Tls->setText(LookupText(105));
  const int texts[] = {101, 102, 103, 104, 106, 107};
  for (int i = 0; i < captions_.size(); ++i) captions_[i]->setText(LookupText(quint16(texts[i])));
  Anuluj->setText(LookupText(43));
  Stanowisko->setToolTip(LookupText(179).arg(LookupText(114).remove(QChar(0x2026))));
}

void TMqttWin::OKClick() {
  PublishSettings s;
  s.enabled = Publikuj->isChecked();
  // The fields as one URL: the same checks as fluxa-cli's --mqtt.
  const QString user = Uzytkownik->text().trimmed();
  const QString url = (Tls->isChecked() ? QStringLiteral("mqtts://") : QStringLiteral("mqtt://")) +
                      (user.isEmpty() ? QString() : user + QLatin1Char('@')) + Broker->text().trimmed() +
                      QLatin1Char(':') + QString::number(Port->value()) + QLatin1Char('/') +
                      Prefiks->text().trimmed();
  QString why;
  const auto target = ParseMqttUrl(url, &why);
  if (!target && s.enabled) {
    Blad->setText(why);
    return;
  }
  if (target) s.target = *target;
  s.target.caFile = Tls->isChecked() ? PlikCa->text().trimmed() : QString();
  WritePublishSettings(s);
  hide();
  mainWindow_->StartPublishing(true);
  close();
}

void TMqttWin::AnulujClick() { close(); }
