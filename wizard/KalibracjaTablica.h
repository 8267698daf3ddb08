#pragma once
// TkSG1: the wizard's sample grid SG1 with its pop-up menu ("Usuń", "Edytuj", "Odświerz").
// It shows the sample table; edits change only the grid's texts, never the table, and the next
// showing of the table puts the table's values back.
#include <QTableWidget>
#include <functional>

class QAction;
class QMenu;
class SampleTable;

class TkSG1 : public QTableWidget {
  Q_OBJECT
 public:
  static constexpr int kInitialRows = 499;  // below the heading

  TkSG1(SampleTable& samples, QWidget* parent = nullptr);

  // Writes samples 1..count into rows 1..count; rows beyond are not touched.
  void WyswietlTablice();
  // Empties every row.
  void ClearRows();

  // Handlers. Rows count from 1, as the samples do.
  void Usu1Click();
  void Edytuj1Click();
  void Odwierz1Click();
  void SG1Click(int row);
  void SG1Exit();
  bool Editing() const { return editFlag_; }

  QMenu* PopupMenu1;
  QAction* Usu1;
  QAction* Edytuj1;
  QAction* Odwierz1;

  // The number of samples changed by the grid (deletion) or was shown again.
  std::function<void()> OnCountShown;
  // "Usuń" on a sample's row (1..count); without a taker the grid deletes it itself.
  std::function<void(int position)> OnDelete;

 private:
  int SelectedRow() const;
  void SetRowTexts(int row, const QStringList& texts);
  void ReadOnlyRows();

  SampleTable& samples_;
  bool editFlag_ = false;
  int editRow_ = 0;
  int clickedRow_ = 0;
};
