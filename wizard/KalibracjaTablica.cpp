#include "wizard/KalibracjaTablica.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>

#include "common/Messages.h"
#include "wizard/Samples.h"
#include "wizard/WizardTexts.h"

TkSG1::TkSG1(SampleTable& samples, QWidget* parent)
    : QTableWidget(kInitialRows, 5, parent), samples_(samples) {
  setObjectName("SG1");
  setHorizontalHeaderLabels({"Id", "X", "Uwz", "Ucal", "Uend"});
  horizontalHeader()->setMinimumSectionSize(2);
  const int widths[5] = {29, 2, 56, 58, 52};  // X is there for the fits, not to be read
  for (int c = 0; c < 5; ++c) setColumnWidth(c, widths[c]);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(15);
  verticalHeader()->setMinimumSectionSize(15);
  horizontalHeader()->setFixedHeight(17);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWordWrap(false);
  QFont f = font();
  f.setPointSizeF(f.pointSizeF() * 0.85);
  setFont(f);
  ReadOnlyRows();

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  Usu1 = PopupMenu1->addAction(QStringLiteral("Usuń"));
  Usu1->setObjectName("Usu1");
  Edytuj1 = PopupMenu1->addAction(QStringLiteral("Edytuj"));
  Edytuj1->setObjectName("Edytuj1");
  PopupMenu1->addSeparator()->setObjectName("N1");
  Odwierz1 = PopupMenu1->addAction(QStringLiteral("Odświerz"));
  Odwierz1->setObjectName("Odwierz1");
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(viewport()->mapToGlobal(at)); });
  connect(Usu1, &QAction::triggered, this, &TkSG1::Usu1Click);
  connect(Edytuj1, &QAction::triggered, this, &TkSG1::Edytuj1Click);
  connect(Odwierz1, &QAction::triggered, this, &TkSG1::Odwierz1Click);
  connect(this, &QTableWidget::cellPressed, this, [this](int row, int) { SG1Click(row + 1); });
  // The grid loses the focus when it goes to a widget outside it; its cell editor is inside.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    auto inside = [this](QWidget* w) { return w && (w == this || isAncestorOf(w)); };
    if (inside(old) && !inside(now)) SG1Exit();
  });
}

void TkSG1::ReadOnlyRows() {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void TkSG1::SetRowTexts(int row, const QStringList& texts) {
  for (int c = 0; c < 5; ++c) {
    QTableWidgetItem* cell = item(row - 1, c);
    if (!cell) {
      cell = new QTableWidgetItem;
      setItem(row - 1, c, cell);
    }
    cell->setText(c < texts.size() ? texts[c] : QString());
  }
}

void TkSG1::WyswietlTablice() {
  const int count = samples_.Count();
  if (rowCount() < count + 1) setRowCount(count + 1);
  for (int k = 1; k <= count; ++k) SetRowTexts(k, SampleRowTexts(samples_.At(k)));
}

void TkSG1::ClearRows() {
  for (int row = 0; row < rowCount(); ++row)
    for (int c = 0; c < 5; ++c)
      if (QTableWidgetItem* cell = item(row, c)) cell->setText(QString());
}

int TkSG1::SelectedRow() const { return currentRow() < 0 ? 0 : currentRow() + 1; }

void TkSG1::Usu1Click() {
  const int row = SelectedRow();
  if (row < 1 || row > samples_.Count()) {
    ShowMessage(wizard_text::kNoWay);
    return;
  }
  const int oldCount = samples_.Count();
  if (OnDelete)
    OnDelete(row);
  else
    samples_.Delete(row);
  if (samples_.Count() == oldCount) return;
  SetRowTexts(oldCount, {});
  WyswietlTablice();
  if (OnCountShown) OnCountShown();
}

void TkSG1::Edytuj1Click() {
  const int row = SelectedRow();
  if (row < 1 || row > samples_.Count()) {
    ShowMessage(wizard_text::kNoWay);
    return;
  }
  editFlag_ = true;
  editRow_ = clickedRow_ ? clickedRow_ : row;
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
}

void TkSG1::Odwierz1Click() {
  WyswietlTablice();
  if (OnCountShown) OnCountShown();
}

void TkSG1::SG1Click(int row) {
  clickedRow_ = row;
  if (editFlag_ && row != editRow_) {
    editFlag_ = false;
    ReadOnlyRows();
  }
}

void TkSG1::SG1Exit() {
  editFlag_ = false;
  ReadOnlyRows();
}
