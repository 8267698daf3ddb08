#include "records/Pobieranie.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kCaption = QStringLiteral("Pobieranie wyników");
const QString kWaitText = QStringLiteral("Proszę czekać.");
const QString kReceivingText = QStringLiteral("Trwa odbieranie wyniku..");
const QString kAnulujText = QStringLiteral("Anuluj");
}  // namespace

TPobierzWin::TPobierzWin(QWidget* mainWindow) : QDialog(nullptr), mainWindow_(mainWindow) {
  setObjectName("PobierzWin");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  setWindowTitle(kCaption);

  Label1 = new QLabel(kWaitText, this);
  Label1->setObjectName("Label1");
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setMinimumWidth(200);
  Anuluj = new QPushButton(kAnulujText, this);
  Anuluj->setObjectName("Anuluj");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Anuluj);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(Anuluj, &QPushButton::clicked, this, &TPobierzWin::AnulujClick);
}

TPobierzWin::~TPobierzWin() {
  // Destroyed while shown: the main window must not stay disabled.
  if (shown_ && mainWindow_) mainWindow_->setEnabled(true);
}

void TPobierzWin::ShowReceiving() { Label1->setText(kReceivingText); }

void TPobierzWin::AnulujClick() {
  if (OnAnuluj) OnAnuluj();
  close();
}

void TPobierzWin::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous() || shown_) return;
  shown_ = true;
  if (mainWindow_) mainWindow_->setEnabled(false);
}

void TPobierzWin::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // A minimised window is hidden spontaneously; that is no close.
  if (event->spontaneous() || !shown_) return;
  shown_ = false;
  Label1->setText(kWaitText);
  if (mainWindow_) mainWindow_->setEnabled(true);
  if (OnClosed) OnClosed();
}
