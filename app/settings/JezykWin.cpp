#include "app/settings/JezykWin.h"

#include <QGroupBox>
#include <QHideEvent>
#include <QListWidget>
#include <QPushButton>

#include "app/Main.h"
#include "app/MainForm.h"
#include "settings/Jezyki.h"
#include "settings/ProgramLanguage.h"

TJezyk::TJezyk(TMainWin* mainWindow) : TDialogWindow(mainWindow) {
  setObjectName("Jezyk");
  setAttribute(Qt::WA_DeleteOnClose);

  GroupBox1 = Named(new QGroupBox(this), "GroupBox1", QRect(8, 8, 185, 97));
  WybranyJezyk = Named(new QListWidget(GroupBox1), "WybranyJezyk", QRect(12, 24, 161, 61));
  WybranyJezyk->addItems({QStringLiteral("Polski"), QStringLiteral("English")});
  OK = Named(new QPushButton(QStringLiteral("OK"), this), "OK", QRect(37, 113, 75, 25));
  Anuluj = Named(new QPushButton(this), "Anuluj", QRect(118, 113, 75, 25));
  FormPaint();

  connect(OK, &QPushButton::clicked, this, &TJezyk::OKClick);
  connect(Anuluj, &QPushButton::clicked, this, &TJezyk::AnulujClick);

  SetFormSize(201, 146);

  // Always offers Polish first, whatever the current language.
  WybranyJezyk->setCurrentRow(0);
  if (mainWindow_) mainWindow_->setEnabled(false);
}

TJezyk* TJezyk::Open(TMainWin* mainWindow) {
  auto* dialog = new TJezyk(mainWindow);
  dialog->show();
  return dialog;
}

void TJezyk::FormShow() { FormPaint(); }

void TJezyk::FormPaint() {
  setWindowTitle(LookupText(44));
  GroupBox1->setTitle(LookupText(45));
  Anuluj->setText(LookupText(43));
}

void TJezyk::OKClick() {
  const QList<QListWidgetItem*> selected = WybranyJezyk->selectedItems();
  if (!selected.isEmpty()) {
    const int row = WybranyJezyk->row(selected.first());
    // The toolkit's own texts (file and print dialogs, message-box buttons) switch with it.
    if (row == 0) SetProgramLanguage(QStringLiteral("Polski"));
    if (row == 1) SetProgramLanguage(QStringLiteral("Angielski"));
  }
  if (mainWindow_) mainWindow_->ApplyLanguage();
  close();
}

void TJezyk::AnulujClick() { close(); }
