#include "records/SpeedStep.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings/Jezyki.h"

TSpeedStepWin::TSpeedStepWin(QWidget* parent) : QDialog(parent) {
  setObjectName("SpeedStepWin");
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setWindowTitle(LookupText(95));

  Label1 = new QLabel(LookupText(96), this);
  Label1->setObjectName("Label1");
  Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  SpinEdit1 = new QSpinBox(this);
  SpinEdit1->setObjectName("SpinEdit1");
  SpinEdit1->setRange(1, 500);
  SpinEdit1->setValue(1);
  Label2 = new QLabel(LookupText(97), this);
  Label2->setObjectName("Label2");
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);

  auto* row = new QHBoxLayout;
  row->addWidget(Label1, 1);
  row->addWidget(SpinEdit1);
  row->addWidget(Label2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addLayout(buttons);
  setLayout(layout);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(Button1, &QPushButton::clicked, this, &TSpeedStepWin::Button1Click);
}

void TSpeedStepWin::Button1Click() { accept(); }

std::optional<int> TSpeedStepWin::Ask(QWidget* parent) {
  TSpeedStepWin dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.SpinEdit1->value();
}
