#include "app/settings/PortDevicesWin.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "app/Main.h"
#include "app/MainForm.h"
#include "settings/Jezyki.h"

namespace {
constexpr int kFormWidth = 460;
constexpr int kFieldWidth = 384;  // a device box and the note under it
constexpr int kLineHeight = 16;

QComboBox* DeviceBox(QWidget* parent, const char* name, int y, const QString& portName,
                     const QList<SerialDevice>& choices) {
  auto* box = Named(new QComboBox(parent), name, QRect(64, y, kFieldWidth, 22));
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
  Note1 = Named(new QLabel(this), "Note1");
  Label2 = Named(new QLabel(QStringLiteral("COM2"), this), "Label2");
  Device2 = DeviceBox(this, "Device2", 60, QStringLiteral("COM2"), choices);
  Note2 = Named(new QLabel(this), "Note2");
  for (QLabel* note : {Note1, Note2}) {
    SetTextColour(note, Qt::darkRed);
    note->setWordWrap(true);
  }
  Hint = Named(new QLabel(this), "Hint");
  Hint->setWordWrap(true);
  OK = Named(new QPushButton(QStringLiteral("OK"), this), "OK");
  Anuluj = Named(new QPushButton(this), "Anuluj");
  FormPaint();

  connect(OK, &QPushButton::clicked, this, &TPortDevicesWin::OKClick);
  connect(Anuluj, &QPushButton::clicked, this, &TPortDevicesWin::AnulujClick);
  SetFormSize(kFormWidth, LayOut());
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
    // The whole note, on as many lines as it takes (a path breaks after "/" or "-").
    notes[i]->setText(note);
    notes[i]->setToolTip(note);
  }
  // A note of another length or language moves what lies below it; the width stays.
  const int height = LayOut();
  if (height != this->height()) setFixedSize(kFormWidth, height);
}

// Top to bottom: each port's row and its note under it (one line's room when it has none), the
// hint, the buttons. Returns the form's height.
int TPortDevicesWin::LayOut() {
  auto place = [](QLabel* label, int x, int y, int width) {
    const int lines = label->text().isEmpty() ? 0 : label->heightForWidth(width);
    label->setGeometry(x, y, width, std::max(kLineHeight, lines));
    return y + label->height();
  };
  int y = place(Note1, 64, 36, kFieldWidth) + 8;
  Label2->setGeometry(12, y, 48, 22);
  Device2->setGeometry(64, y, kFieldWidth, 22);
  y = place(Note2, 64, y + 24, kFieldWidth) + 8;
  y = place(Hint, 12, y, kFormWidth - 24) + 10;
  OK->setGeometry(292, y, 75, 25);
  Anuluj->setGeometry(373, y, 75, 25);
  return y + 25 + 9;
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
