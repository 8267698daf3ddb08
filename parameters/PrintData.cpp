#include "parameters/PrintData.h"

#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include "settings/ProgramLanguage.h"

namespace {
const QString kCaption = QStringLiteral("Drukuj kartę kalibracyjną");
const QString kPreviewText = QStringLiteral("Podgląd...");
const QString kSavePdfText = QStringLiteral("Zapisz PDF...");
const QString kDrukujText = QStringLiteral("Drukuj");
const QString kAnulujText = QStringLiteral("Anuluj");

template <typename T>
T* Place(T* control, const char* name, const QRect& geometry) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* title, const QRect& geometry) {
  return Place(new QGroupBox(QString::fromUtf8(title), parent), name, geometry);
}
}  // namespace

TPrintDataWin::TPrintDataWin(QWidget* mainWindow, DialogSeams dialogs, PanelReader panel)
    : TPrintWindow(mainWindow, std::move(dialogs)), panel_(std::move(panel)) {
  setObjectName("PrintDataWin");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(kCaption);

  // A label and its edit on row i of a group box, the label ending where the edit starts.
  auto field = [](QGroupBox* group, int i, const char* labelName, const char* text,
                  QLabel*& label, const char* editName, QLineEdit*& edit, int labelWidth,
                  int editWidth) {
    const int y = 22 + 26 * i;
    label = Place(new QLabel(QString::fromUtf8(text), group), labelName,
                  QRect(8, y, labelWidth, 21));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit = Place(new QLineEdit(group), editName, QRect(12 + labelWidth, y, editWidth, 21));
    label->setBuddy(edit);
  };
  GroupBox1 = Group(this, "GroupBox1", " Klient ", QRect(8, 8, 424, 52));
  field(GroupBox1, 0, "Label1", "Klient:", Label1, "Klient", Klient, 46, 354);
  GroupBox2 = Group(this, "GroupBox2", " R ", QRect(8, 68, 132, 104));
  field(GroupBox2, 0, "Label2", "R 13:", Label2, "R1", R1, 46, 62);
  field(GroupBox2, 1, "Label3", "R 49:", Label3, "R2", R2, 46, 62);
  field(GroupBox2, 2, "Label4", "R 9:", Label4, "R3", R3, 46, 62);
  GroupBox3 = Group(this, "GroupBox3", " I ", QRect(148, 68, 148, 104));
  field(GroupBox3, 0, "Label5", "I dc (AC):", Label5, "I1", I1, 62, 62);
  field(GroupBox3, 1, "Label6", "I dc (DC):", Label6, "I2", I2, 62, 62);
  field(GroupBox3, 2, "Label7", "I ac (DC):", Label7, "I3", I3, 62, 62);
  GroupBox4 = Group(this, "GroupBox4", " Offsety ", QRect(304, 68, 128, 104));
  field(GroupBox4, 0, "Label8", "Offset 1:", Label8, "O1", O1, 52, 56);
  field(GroupBox4, 1, "Label9", "Offset 2:", Label9, "O2", O2, 52, 56);

  Podglad = Place(new QPushButton(kPreviewText, this), "Podglad", QRect(8, 182, 100, 25));
  ZapiszPdf = Place(new QPushButton(kSavePdfText, this), "ZapiszPdf", QRect(114, 182, 100, 25));
  Drukuj = Place(new QPushButton(kDrukujText, this), "Drukuj", QRect(252, 182, 88, 25));
  Drukuj->setDefault(true);
  Anuluj = Place(new QPushButton(kAnulujText, this), "Anuluj", QRect(344, 182, 88, 25));

  connect(Podglad, &QPushButton::clicked, this, &TPrintDataWin::ShowPreview);
  connect(ZapiszPdf, &QPushButton::clicked, this, &TPrintDataWin::SavePdf);
  connect(Drukuj, &QPushButton::clicked, this, &TPrintDataWin::DrukujClick);
  connect(Anuluj, &QPushButton::clicked, this, &TPrintDataWin::AnulujClick);

  SetFormSize(440, 215);
}

TPrintDataWin* TPrintDataWin::Open(QWidget* mainWindow, DialogSeams dialogs, PanelReader panel) {
  auto* dialog = new TPrintDataWin(mainWindow, std::move(dialogs), std::move(panel));
  dialog->show();
  return dialog;
}

void TPrintDataWin::FormShow() { Klient->setFocus(); }

void TPrintDataWin::DrukujClick() { PrintAndClose(); }

void TPrintDataWin::AnulujClick() { close(); }

CalibrationCard TPrintDataWin::Card() const {
  CalibrationCard card;
  if (panel_) card.parameters = panel_();
  card.customer = Klient->text();
  card.printDate = FormatProgramDate(QDate::currentDate());
  card.r1 = R1->text();
  card.r2 = R2->text();
  card.r3 = R3->text();
  card.i1 = I1->text();
  card.i2 = I2->text();
  card.i3 = I3->text();
  card.o1 = O1->text();
  card.o2 = O2->text();
  return card;
}

PrintLayout TPrintDataWin::Layout() const {
  return [card = Card()](PrintCanvas& canvas) { LayoutCalibrationCard(canvas, card); };
}
