#include "parameters/ParameterGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {

// Cell editors that hand every keystroke to the cell, so the cell's text is always what the
// editor shows, and that let the grid see a double click on them.
class CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(TParameterGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("CellEditor"));
    editor->setFrame(false);
    editor->setFont(option.font);
    editor->setProperty("column", index.column());
    editor->setProperty("row", index.row());
    editor->installEventFilter(grid_);
    auto* self = const_cast<CellDelegate*>(this);
    QObject::connect(editor, &QLineEdit::textEdited, self, [self, editor] { emit self->commitData(editor); });
    return editor;
  }

 private:
  TParameterGrid* grid_;
};

}  // namespace

TParameterGrid::TParameterGrid(int columns, int rows, QWidget* parent) : QTableWidget(rows, columns, parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSelectionMode(QAbstractItemView::NoSelection);
  // No double click among the triggers: a double click belongs to OnDataCellDoubleClick.
  setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  setItemDelegate(new CellDelegate(this));
  setTabKeyNavigation(true);
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      auto* item = new QTableWidgetItem;
      if (row == 0 || column == 0) {
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().button());
        item->setForeground(palette().buttonText());
      }
      setItem(row, column, item);
    }
  }
  connect(this, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int column) { DataCellDoubleClicked(column, row); });
}

void TParameterGrid::SetCaptions(const QString& corner, const QStringList& columnCaptions,
                                 const QStringList& rowCaptions) {
  item(0, 0)->setText(corner);
  for (int c = 1; c < columnCount() && c <= columnCaptions.size(); ++c)
    item(0, c)->setText(columnCaptions[c - 1]);
  for (int r = 1; r < rowCount() && r <= rowCaptions.size(); ++r) item(r, 0)->setText(rowCaptions[r - 1]);
}

void TParameterGrid::SetCellSizes(int fixedWidth, int dataWidth, int rowHeight) {
  setColumnWidth(0, fixedWidth);
  for (int c = 1; c < columnCount(); ++c) setColumnWidth(c, dataWidth);
  for (int r = 0; r < rowCount(); ++r) setRowHeight(r, rowHeight);
  const int frame = 2 * frameWidth();
  setFixedSize(horizontalHeader()->length() + frame, verticalHeader()->length() + frame);
}

QString TParameterGrid::CellText(int column, int row) const { return item(row, column)->text(); }

void TParameterGrid::SetCellText(int column, int row, const QString& text) {
  // An open editor of the cell follows the new text.
  item(row, column)->setText(text);
}

bool TParameterGrid::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && watched->objectName() == QLatin1String("CellEditor")) {
    auto* editor = static_cast<QWidget*>(watched);
    const int column = editor->property("column").toInt();
    const int row = editor->property("row").toInt();
    // The editor closes first, so that what the hook writes into the cell stays there.
    emit itemDelegate()->commitData(editor);
    emit itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
    DataCellDoubleClicked(column, row);
    return true;
  }
  return QTableWidget::eventFilter(watched, event);
}

void TParameterGrid::DataCellDoubleClicked(int column, int row) {
  if (column < 1 || row < 1 || !OnDataCellDoubleClick) return;
  OnDataCellDoubleClick(column, row);
}
