#pragma once
// The measurement report: a title block with the series' description, then a table of
// measuring points over as many pages as it takes. Its texts follow the current language.
//
// Page units, integer division: u = W/40, v = H/50, c = W/2, value column c + W/20.
// Font "Tahoma", pen 3; nint rounds a half to the even neighbour.
//   every page  "FLUXA H" (u,v) 12 pt; "Strona N" ending at 39u and "wersja 3.1" at u, both at
//               2v, 8 pt; rule at 2v from u to 39u; closing rule at 49v-3
//   page 1      institution and city ending at 39u at 3v and nint(4.2v), 16 pt; "RAPORT" at 7v,
//               24 pt, and the subtitle at 9v, 16 pt, both centred; four labels ending at c with
//               their values at c + W/20 on 11v..14v, 12 pt; rules at 16v-3 and 18v-3; head at
//               nint(16.5v); rows from 18v
//   later pages rules at 4v-3 and 6v-3; head at nint(4.5v); rows from 6v
//   table       columns: number ending at 3u, then 4u, 16u and 26u; one row every v down to
//               48v: 31 rows on the first page, 43 on each later one
// The texts typed for it and the table's cells keep to their room (FittedTextOut): the title
// block's texts between u and 39u, the values from c + W/20 to 39u, a cell to u/4 before the next
// column (the number from u, the last column to 39u).
#include <QList>
#include <QString>
#include <QStringList>

class PrintCanvas;

struct RaportContents {
  QString institution;
  QString city;
  int fieldKind = 0;  // 0 dc, 1 50 Hz, 2 ac at `frequency` Hz
  QString frequency;
  QString place;
  QString date;
  QString person;
  QString source;
  QList<QStringList> rows;  // number, place, induction, remark; a missing cell prints nothing
};

inline constexpr int kRaportRowsOnFirstPage = 31;
inline constexpr int kRaportRowsOnLaterPages = 43;

// The subtitle under "RAPORT" for a kind of field, in the current language.
QString RaportSubtitle(int fieldKind, const QString& frequency);

void LayoutRaport(PrintCanvas& canvas, const RaportContents& contents);
