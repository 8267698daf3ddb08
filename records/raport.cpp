#include "records/raport.h"

#include <algorithm>

#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include "common/Messages.h"
#include "records/DataFile.h"
#include "settings/Jezyki.h"
#include "settings/ProgramLanguage.h"

namespace {
// Texts that are not in the language table.
const QString k50HzItem = QStringLiteral("50 Hz");
const QString kHzLabel = QStringLiteral("Hz");
const QString kTooManyLinesText =
    QStringLiteral("Plik zawiera więcej niż %1 wyników. Pominięto ostatnie: %2.");
const char* const kPreviewText[2] = {"Podgląd...", "Preview..."};
const char* const kSavePdfText[2] = {"Zapisz PDF...", "Save as PDF..."};

constexpr int kInitialRows = 10;
constexpr int kFrequencyLength = 8;
constexpr int kColumnWidths[4] = {40, 168, 78, 162};
constexpr int kRowHeight = 18;

QString InLanguage(const char* const texts[2]) {
  return QString::fromUtf8(texts[CurrentLanguage == QStringLiteral("Angielski") ? 1 : 0]);
}

template <typename T>
T* Place(T* control, const char* name, const QRect& geometry) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}
}  // namespace

TRaport_Win::TRaport_Win(QWidget* mainWindow, DialogSeams dialogs)
    : TPrintWindow(mainWindow, std::move(dialogs)) {
  setObjectName("Raport_Win");
  setAttribute(Qt::WA_DeleteOnClose);

  // Label and edit pairs down the left, the table below them, the buttons at the bottom.
  auto label = [this](const char* name, int y) {
    QLabel* l = Place(new QLabel(this), name, QRect(8, y, 124, 21));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
  };
  auto edit = [this](const char* name, int y) {
    return Place(new QLineEdit(this), name, QRect(136, y, 352, 21));
  };
  Label1 = label("Label1", 8);
  Edit1 = edit("Edit1", 8);
  Label2 = label("Label2", 34);
  Edit2 = edit("Edit2", 34);
  Label3 = label("Label3", 60);
  ComboBox1 = Place(new QComboBox(this), "ComboBox1", QRect(136, 60, 150, 21));
  ComboBox1->addItems({QString(), k50HzItem, QString()});
  Edit4 = Place(new QLineEdit(this), "Edit4", QRect(296, 60, 60, 21));
  // A frequency, not a sentence: the centred subtitle that carries it stays on the page.
  Edit4->setMaxLength(kFrequencyLength);
  Label4 = Place(new QLabel(kHzLabel, this), "Label4", QRect(362, 60, 24, 21));
  Label5 = label("Label5", 86);
  Edit3 = edit("Edit3", 86);
  Label6 = label("Label6", 112);
  Edit5 = edit("Edit5", 112);
  // Today, written as the program's language writes a date (Polish: 07.12.2026); the user may
  // change it to the day of the measurements.
  Edit5->setText(FormatProgramDate(QDate::currentDate()));
  Label7 = label("Label7", 138);
  Edit6 = edit("Edit6", 138);
  Label8 = label("Label8", 164);
  Edit7 = edit("Edit7", 164);

  Wyniki = Place(new QTableWidget(0, 4, this), "Wyniki", QRect(8, 196, 480, 240));
  Wyniki->verticalHeader()->hide();
  Wyniki->verticalHeader()->setMinimumSectionSize(kRowHeight);
  Wyniki->verticalHeader()->setDefaultSectionSize(kRowHeight);
  Wyniki->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (int column = 0; column < 4; ++column)
    Wyniki->setColumnWidth(column, kColumnWidths[column]);

  Label9 = label("Label9", 446);
  SpinEdit1 = Place(new QSpinBox(this), "SpinEdit1", QRect(136, 446, 70, 21));
  SpinEdit1->setRange(1, kMaxRows);
  // The rows follow a typed number once it is complete, not at every digit: typing 32 over 10
  // must not first cut the table to 3 rows and lose what they held.
  SpinEdit1->setKeyboardTracking(false);
  Zpliku = Place(new QPushButton(this), "Zpliku", QRect(376, 444, 112, 25));
  Podglad = Place(new QPushButton(this), "Podglad", QRect(8, 480, 112, 25));
  ZapiszPdf = Place(new QPushButton(this), "ZapiszPdf", QRect(126, 480, 112, 25));
  Button1 = Place(new QPushButton(this), "Button1", QRect(294, 480, 94, 25));
  Button1->setDefault(true);
  Button2 = Place(new QPushButton(this), "Button2", QRect(394, 480, 94, 25));

  // FormCreate: item 0, rows 1 to 10.
  ComboBox1->setCurrentIndex(0);
  ComboBox1Change();
  SpinEdit1->setValue(kInitialRows);
  SetRowCount(kInitialRows);
  FormPaint();

  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TRaport_Win::ComboBox1Change);
  connect(SpinEdit1, &QSpinBox::valueChanged, this, &TRaport_Win::SpinEdit1Change);
  connect(Zpliku, &QPushButton::clicked, this, &TRaport_Win::ZplikuClick);
  connect(Podglad, &QPushButton::clicked, this, &TRaport_Win::ShowPreview);
  connect(ZapiszPdf, &QPushButton::clicked, this, &TRaport_Win::SavePdf);
  connect(Button1, &QPushButton::clicked, this, &TRaport_Win::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TRaport_Win::Button2Click);

  SetFormSize(496, 513);
}

TRaport_Win* TRaport_Win::Open(QWidget* mainWindow, DialogSeams dialogs) {
  auto* dialog = new TRaport_Win(mainWindow, std::move(dialogs));
  dialog->show();
  return dialog;
}

void TRaport_Win::FormShow() { FormPaint(); }

void TRaport_Win::FormPaint() {
  setWindowTitle(LookupText(50));
  QLabel* labels[] = {Label1, Label2, Label3, Label5, Label6, Label7, Label8};
  for (int i = 0; i < 7; ++i) labels[i]->setText(LookupText(quint16(51 + i)));
  Label9->setText(LookupText(61));
  Button1->setText(LookupText(58));
  Button2->setText(LookupText(59));
  Zpliku->setText(LookupText(60));
  Podglad->setText(InLanguage(kPreviewText));
  ZapiszPdf->setText(InLanguage(kSavePdfText));
  const QStringList headers = {LookupText(62), LookupText(63), LookupText(64), LookupText(65)};
  for (int column = 0; column < 4; ++column) {
    QTableWidgetItem* header = Wyniki->horizontalHeaderItem(column);
    if (!header) Wyniki->setHorizontalHeaderItem(column, header = new QTableWidgetItem);
    if (header->text() != headers[column]) header->setText(headers[column]);
  }
  // A heading its column cannot hold ("Field induction") widens the column; the last column
  // gives the room, so the table keeps its width.
  int widened = 0;
  for (int column = 0; column < 3; ++column) {
    const int width = std::max(kColumnWidths[column], Wyniki->horizontalHeader()->sectionSizeHint(column));
    Wyniki->setColumnWidth(column, width);
    widened += width - kColumnWidths[column];
  }
  Wyniki->setColumnWidth(3, std::max(kColumnWidths[3] - widened, Wyniki->horizontalHeader()->sectionSizeHint(3)));
  if (ComboBox1->itemText(0) != LookupText(66)) ComboBox1->setItemText(0, LookupText(66));
  if (ComboBox1->itemText(2) != LookupText(67)) ComboBox1->setItemText(2, LookupText(67));
}

void TRaport_Win::ComboBox1Change() {
  const bool alternating = ComboBox1->currentIndex() == 2;
  Edit4->setVisible(alternating);
  Label4->setVisible(alternating);
}

void TRaport_Win::SpinEdit1Change() { SetRowCount(SpinEdit1->value()); }

void TRaport_Win::SetCell(int row, int column, const QString& text) {
  if (QTableWidgetItem* item = Wyniki->item(row, column))
    item->setText(text);
  else
    Wyniki->setItem(row, column, new QTableWidgetItem(text));
}

void TRaport_Win::SetRowCount(int rows) {
  rows = qBound(1, rows, kMaxRows);
  Wyniki->setRowCount(rows);
  for (int row = 0; row < rows; ++row) SetCell(row, 0, QString::number(row + 1));
}

// The whole file is read before the table changes: a file that cannot be read leaves the
// table as it was. Lines beyond the table's 500 rows are counted and reported.
void TRaport_Win::ZplikuClick() {
  const QString name = Dialogs().askOpenFileName(this, DataFileDialogSettings());
  if (name.isEmpty()) return;
  const DataFileLines file = ReadDataFileLines(name, kMaxRows);
  if (!file.ok) {
    ShowMessage(kReadErrorText);
    return;
  }
  const int count = int(file.lines.size());
  if (count > Wyniki->rowCount()) Wyniki->setRowCount(count);
  for (int row = 0; row < count; ++row) SetCell(row, 2, file.lines.at(row));
  {
    const QSignalBlocker block(SpinEdit1);
    SpinEdit1->setValue(qBound(1, count, kMaxRows));
  }
  SetRowCount(SpinEdit1->value());
  if (file.linesLeftOut > 0) ShowMessage(kTooManyLinesText.arg(kMaxRows).arg(file.linesLeftOut));
}

void TRaport_Win::Button1Click() { PrintAndClose(); }

void TRaport_Win::Button2Click() { close(); }

RaportContents TRaport_Win::Contents() const {
  RaportContents contents;
  contents.institution = Edit1->text();
  contents.city = Edit2->text();
  contents.fieldKind = ComboBox1->currentIndex();
  contents.frequency = Edit4->text();
  contents.place = Edit3->text();
  contents.date = Edit5->text();
  contents.person = Edit6->text();
  contents.source = Edit7->text();
  for (int row = 0; row < Wyniki->rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < 4; ++column) {
      const QTableWidgetItem* item = Wyniki->item(row, column);
      cells << (item ? item->text() : QString());
    }
    contents.rows << cells;
  }
  return contents;
}

PrintLayout TRaport_Win::Layout() const {
  return [contents = Contents()](PrintCanvas& canvas) { LayoutRaport(canvas, contents); };
}
