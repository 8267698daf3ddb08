#pragma once
// TParameterGrid: a small string grid of the service panel (Sondy, KFILTR, S_Faza). Row 0 and
// column 0 are fixed captions; the other cells are typed into, with the editor opening as soon
// as a cell becomes current, and every keystroke reaching the cell's text at once. The grid is
// exactly as large as its cells: it never scrolls. Cells are addressed (column, row).
#include <QStringList>
#include <QTableWidget>
#include <functional>

class TParameterGrid : public QTableWidget {
  Q_OBJECT
 public:
  TParameterGrid(int columns, int rows, QWidget* parent = nullptr);

  // The fixed captions: the corner, row 0 from column 1 on, column 0 from row 1 on.
  void SetCaptions(const QString& corner, const QStringList& columnCaptions,
                   const QStringList& rowCaptions);
  // Column 0's width, the data columns' width and every row's height; the grid takes the size
  // that shows them all.
  void SetCellSizes(int fixedWidth, int dataWidth, int rowHeight);

  QString CellText(int column, int row) const;
  void SetCellText(int column, int row, const QString& text);

  // A double click on a data cell (never on a fixed one), also when its editor is open.
  std::function<void(int column, int row)> OnDataCellDoubleClick;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void DataCellDoubleClicked(int column, int row);
};
