#include "app/settings/OsobyWin.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Named.h"
#include "publish/PublishSettings.h"
#include "settings/Jezyki.h"
#include "store/RecordsSettings.h"

namespace {
// The store as the settings name it, the register read and changed through it.
std::unique_ptr<RecordStore> OpenStore(QString* error) {
  auto store = std::make_unique<RecordStore>(BenchId());
  QString serverError;
  if (!OpenRecords(*store, ReadRecordsSettings(), DatabasePassword(), error, &serverError)) return nullptr;
  if (error) *error = serverError;
  return store;
}
}  // namespace

TOsobyWin::TOsobyWin(TMainWin* mainWindow) : TDialogWindow(mainWindow) {
  setObjectName("OsobyWin");
  setAttribute(Qt::WA_DeleteOnClose);
  auto* root = new QVBoxLayout(this);
  Lista = Named(new QTableWidget(0, 4), "Lista");
  Lista->setSelectionBehavior(QAbstractItemView::SelectRows);
  Lista->setSelectionMode(QAbstractItemView::SingleSelection);
  Lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Lista->verticalHeader()->hide();
  Lista->horizontalHeader()->setStretchLastSection(true);
  root->addWidget(Lista, 1);
  Dezaktywuj = Named(new QPushButton, "Dezaktywuj");
  root->addWidget(Dezaktywuj, 0, Qt::AlignLeft);
  auto* form = new QFormLayout;
  Id = Named(new QLineEdit, "Id");
  Nazwisko = Named(new QLineEdit, "Nazwisko");
  Rola = Named(new QComboBox, "Rola");
  Rola->addItem(QString(), QStringLiteral("technician"));
  Rola->addItem(QString(), QStringLiteral("approver"));
  Haslo = Named(new QLineEdit, "Haslo");
  Haslo->setEchoMode(QLineEdit::Password);
  Haslo2 = Named(new QLineEdit, "Haslo2");
  Haslo2->setEchoMode(QLineEdit::Password);
  for (QWidget* field : QList<QWidget*>{Id, Nazwisko, Rola, Haslo, Haslo2}) {
    captions_ << new QLabel;
    form->addRow(captions_.last(), field);
  }
  root->addLayout(form);
  Stan = Named(new QLabel, "Stan");
  Stan->setWordWrap(true);
  root->addWidget(Stan);
  auto* buttons = new QHBoxLayout;
  Dodaj = Named(new QPushButton, "Dodaj");
  Zamknij = Named(new QPushButton(QStringLiteral("OK")), "Zamknij");
  buttons->addWidget(Dodaj);
  buttons->addStretch(1);
  buttons->addWidget(Zamknij);
  root->addLayout(buttons);
  connect(Dodaj, &QPushButton::clicked, this, &TOsobyWin::DodajClick);
  connect(Dezaktywuj, &QPushButton::clicked, this, &TOsobyWin::DezaktywujClick);
  connect(Zamknij, &QPushButton::clicked, this, &QWidget::close);
  FormPaint();
  SetFormSize(560, 520);
}

TOsobyWin* TOsobyWin::Open(TMainWin* mainWindow) {
  auto* dialog = new TOsobyWin(mainWindow);
  dialog->show();
  return dialog;
}

QString TOsobyWin::Part(int index) { return LookupText(quint16(199 + index)); }

void TOsobyWin::FormPaint() {
  setWindowTitle(LookupText(198).remove(QChar(0x2026)));
  Lista->setHorizontalHeaderLabels({LookupText(183), LookupText(184), LookupText(185), LookupText(187)});
  const quint16 captions[] = {183, 184, 185, 46};
  for (int i = 0; i < 4; ++i) captions_[i]->setText(LookupText(captions[i]) + QLatin1Char(':'));
  captions_[4]->setText(Part(2) + QLatin1Char(':'));
  Rola->setItemText(0, RoleText(QStringLiteral("technician")));
  Rola->setItemText(1, RoleText(QStringLiteral("approver")));
  Dodaj->setText(Part(0));
  Dezaktywuj->setText(Part(1));
}

void TOsobyWin::FormShow() { Fill(); }

void TOsobyWin::Fill() {
  QString error;
  const std::unique_ptr<RecordStore> store = OpenStore(&error);
  const QList<Person> people = store ? store->People() : QList<Person>{};
  Lista->setRowCount(int(people.size()));
  for (int row = 0; row < people.size(); ++row) {
    const Person& p = people[row];
    const QStringList cells = {p.id, p.name, RoleText(p.role), p.active ? QStringLiteral("✓") : QString()};
    for (int column = 0; column < cells.size(); ++column) Lista->setItem(row, column, new QTableWidgetItem(cells[column]));
  }
  Lista->resizeColumnsToContents();
  Stan->setText(error);
}

void TOsobyWin::DodajClick() {
  if (Haslo->text() != Haslo2->text()) {
    Stan->setText(Part(3));
    return;
  }
  QString error;
  const std::unique_ptr<RecordStore> store = OpenStore(&error);
  Person person;
  person.id = Id->text();
  person.name = Nazwisko->text();
  person.role = Rola->currentData().toString();
  if (store && store->AddPerson(person, Haslo->text(), &error)) {
    for (QLineEdit* field : {Id, Nazwisko, Haslo, Haslo2}) field->clear();
    Fill();
    return;
  }
  Haslo->clear();
  Haslo2->clear();
  Stan->setText(error);
}

void TOsobyWin::DezaktywujClick() {
  const int row = Lista->currentRow();
  if (row < 0 || !Lista->item(row, 0)) return;
  QString error;
  const std::unique_ptr<RecordStore> store = OpenStore(&error);
  if (store && store->DeactivatePerson(Lista->item(row, 0)->text(), &error)) {
    Fill();
    return;
  }
  Stan->setText(error);
}
