#include "app/settings/PortDevicesWin.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/Main.h"
#include "app/MainForm.h"
#include "settings/Jezyki.h"

namespace {
QComboBox* DeviceBox(QWidget* parent, const char* name, int y, const QString& portName,
                     const QList<SerialDevice>& choices) {
  auto* box = Named(new QComboBox(parent), name, QRect(64, y, 384, 22));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  for (const SerialDevice& d : choices) box->addItem(DeviceChoiceText(d), d.device);
  const int current = box->findData(DeviceForPort(portName));
  if (current >= 0) box->setCurrentIndex(current);
  return box;
}
}  // namespace

TPortDevicesWin::TPortDevicesWin(TMainWin* mainWindow, const QList<SerialDevice>& present)
    : TDialogWindow(mainWindow) {
  setObjectName("PortDevicesWin");
  setAttribute(Qt::WA_DeleteOnClose);
  const QList<SerialDevice> choices = DeviceChoices(present);
  Label1 = Named(new QLabel(QStringLiteral("COM1"), this), "Label1", QRect(12, 12, 48, 22));
  Device1 = DeviceBox(this, "Device1", 12, QStringLiteral("COM1"), choices);
  Note1 = Named(new QLabel(this), "Note1", QRect(64, 36, 384, 16));
  Label2 = Named(new QLabel(QStringLiteral("COM2"), this), "Label2", QRect(12, 60, 48, 22));
  Device2 = DeviceBox(this, "Device2", 60, QStringLiteral("COM2"), choices);
  Note2 = Named(new QLabel(this), "Note2", QRect(64, 84, 384, 16));
  for (QLabel* note : {Note1, Note2}) SetTextColour(note, Qt::darkRed);
  Hint = Named(new QLabel(this), "Hint", QRect(12, 108, 436, 16));
  OK = Named(new QPushButton(QStringLiteral("OK"), this), "OK", QRect(292, 134, 75, 25));
  Anuluj = Named(new QPushButton(this), "Anuluj", QRect(373, 134, 75, 25));
  FormPaint();

  connect(OK, &QPushButton::clicked, this, &TPortDevicesWin::OKClick);
  connect(Anuluj, &QPushButton::clicked, this, &TPortDevicesWin::AnulujClick);
  SetFormSize(460, 168);
}

TPortDevicesWin* TPortDevicesWin::Open(TMainWin* mainWindow, const QList<SerialDevice>& present) {
  auto* dialog = new TPortDevicesWin(mainWindow, present);
  dialog->show();
  return dialog;
}

void TPortDevicesWin::FormPaint() {
  setWindowTitle(LookupText(17));
  Anuluj->setText(LookupText(43));
  Hint->setText(LookupText(86));
  const QString names[2] = {QStringLiteral("COM1"), QStringLiteral("COM2")};
  QLabel* notes[2] = {Note1, Note2};
  for (int i = 0; i < 2; ++i) {
    const QString fromEnv = DeviceFromEnvironment(names[i]);
    const QString note =
        fromEnv.isEmpty() ? QString() : LookupText(83) + PortVariable(names[i]) + "=" + fromEnv;
    // A long path is shortened in its middle; the whole note is in the tooltip.
    notes[i]->setText(notes[i]->fontMetrics().elidedText(note, Qt::ElideMiddle, notes[i]->width()));
    notes[i]->setToolTip(note);
  }
}

QString TPortDevicesWin::ChosenDevice(const QComboBox& box) {
  const int index = box.currentIndex();
  if (index >= 0 && box.currentText() == box.itemText(index)) return box.itemData(index).toString();
  return box.currentText().trimmed();
}

void TPortDevicesWin::OKClick() {
  StoreDeviceForPort(QStringLiteral("COM1"), ChosenDevice(*Device1));
  StoreDeviceForPort(QStringLiteral("COM2"), ChosenDevice(*Device2));
  close();
}

void TPortDevicesWin::AnulujClick() { close(); }
