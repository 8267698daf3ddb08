#include "records/RaportLayout.h"

#include "common/PrintCanvas.h"
#include "settings/Jezyki.h"

namespace {
constexpr int kFirstTableLine = 18;  // first row of page 1, in lines of v
constexpr int kLaterTableLine = 6;   // first row of the later pages
constexpr int kEndLine = 49;         // the closing rule; no row reaches it

struct Units {
  explicit Units(const PrintCanvas& canvas)
      : W(canvas.PageWidth()), u(W / 40), v(canvas.PageHeight() / 50), c(W / 2) {}
  int W, u, v, c;
  // Between a text and the column after it.
  int Gap() const { return u / 4; }
};

// The table's columns: the number ends at 3u, the others start at 4u, 16u and 26u; each text
// keeps to its own column, the last one to the rule's end.
constexpr int kColumnStarts[4] = {3, 4, 16, 26};

void TableCell(PrintCanvas& canvas, const Units& k, int column, int y, const QString& text) {
  if (column == 0) {
    FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Right, 3 * k.u, y, 2 * k.u, text);
    return;
  }
  const int x = kColumnStarts[column] * k.u;
  const int end = column == 3 ? 39 * k.u : kColumnStarts[column + 1] * k.u - k.Gap();
  FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, x, y, end - x, text);
}

void RightAligned(PrintCanvas& canvas, int right, int y, const QString& text) {
  canvas.TextOut(right - canvas.TextWidth(text), y, text);
}

void Centred(PrintCanvas& canvas, int centre, int y, const QString& text) {
  canvas.TextOut(centre - canvas.TextWidth(text) / 2, y, text);
}

void Rule(PrintCanvas& canvas, const Units& k, int y) { canvas.Line(k.u, y, 39 * k.u, y); }

// "FLUXA H", the page number and the version, ruled off: the top of every page.
void PageTop(PrintCanvas& canvas, const Units& k) {
  canvas.SetFont(kPrintFont, 12);
  canvas.TextOut(k.u, k.v, QStringLiteral("FLUXA H"));
  canvas.SetFont(kPrintFont, 8);
  RightAligned(canvas, 39 * k.u, 2 * k.v, LookupText(68) + QString::number(canvas.PageNumber()));
  canvas.TextOut(k.u, 2 * k.v, LookupText(69));
  Rule(canvas, k, 2 * k.v);
}

void TableHead(PrintCanvas& canvas, const Units& k, int y) {
  canvas.SetFont(kPrintFont, 12);
  for (int column = 0; column < 4; ++column)
    TableCell(canvas, k, column, y, LookupText(quint16(62 + column)));
}

void FirstPage(PrintCanvas& canvas, const Units& k, const RaportContents& contents) {
  PageTop(canvas, k);
  // Between the left margin and the rule's end.
  const int line = 38 * k.u;
  canvas.SetFont(kPrintFont, 16);
  FittedTextOut(canvas, kPrintFont, 16, TextAnchor::Right, 39 * k.u, 3 * k.v, line, contents.institution);
  FittedTextOut(canvas, kPrintFont, 16, TextAnchor::Right, 39 * k.u, NearestInt(4.2 * k.v), line,
                contents.city);
  canvas.SetFont(kPrintFont, 24);
  Centred(canvas, k.c, 7 * k.v, LookupText(70));
  FittedTextOut(canvas, kPrintFont, 16, TextAnchor::Centre, k.c, 9 * k.v, line,
                RaportSubtitle(contents.fieldKind, contents.frequency));
  canvas.SetFont(kPrintFont, 12);
  const QString* values[4] = {&contents.place, &contents.date, &contents.person, &contents.source};
  const int valueX = k.c + k.W / 20;
  for (int i = 0; i < 4; ++i) {
    const int y = (11 + i) * k.v;
    RightAligned(canvas, k.c, y, LookupText(quint16(54 + i)));
    FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, valueX, y, 39 * k.u - valueX, *values[i]);
  }
  for (int line : {16, 18, kEndLine}) Rule(canvas, k, line * k.v - 3);
  TableHead(canvas, k, NearestInt(16.5 * k.v));
}

void LaterPage(PrintCanvas& canvas, const Units& k) {
  PageTop(canvas, k);
  for (int line : {4, 6, kEndLine}) Rule(canvas, k, line * k.v - 3);
  TableHead(canvas, k, NearestInt(4.5 * k.v));
}

QString Cell(const QStringList& row, int column) {
  return column < row.size() ? row.at(column) : QString();
}
}  // namespace

QString RaportSubtitle(int fieldKind, const QString& frequency) {
  switch (fieldKind) {
    case 1:
      return LookupText(72);
    case 2:
      return LookupText(73) + frequency + QStringLiteral(" Hz");
    default:
      return LookupText(71);
  }
}

void LayoutRaport(PrintCanvas& canvas, const RaportContents& contents) {
  const Units k(canvas);
  canvas.SetPenWidth(3);
  FirstPage(canvas, k, contents);
  int line = kFirstTableLine;
  bool breakPending = false;
  for (const QStringList& row : contents.rows) {
    if (breakPending) {
      canvas.NewPage();
      LaterPage(canvas, k);
      line = kLaterTableLine;
      breakPending = false;
    }
    const int y = line * k.v;  // 12 pt, as the table head left it
    for (int column = 0; column < 4; ++column) TableCell(canvas, k, column, y, Cell(row, column));
    if (++line == kEndLine) breakPending = true;
  }
}
