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
};

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
  RightAligned(canvas, 3 * k.u, y, LookupText(62));
  canvas.TextOut(4 * k.u, y, LookupText(63));
  canvas.TextOut(16 * k.u, y, LookupText(64));
  canvas.TextOut(26 * k.u, y, LookupText(65));
}

void FirstPage(PrintCanvas& canvas, const Units& k, const RaportContents& contents) {
  PageTop(canvas, k);
  canvas.SetFont(kPrintFont, 16);
  RightAligned(canvas, 39 * k.u, 3 * k.v, contents.institution);
  RightAligned(canvas, 39 * k.u, NearestInt(4.2 * k.v), contents.city);
  canvas.SetFont(kPrintFont, 24);
  Centred(canvas, k.c, 7 * k.v, LookupText(70));
  canvas.SetFont(kPrintFont, 16);
  Centred(canvas, k.c, 9 * k.v, RaportSubtitle(contents.fieldKind, contents.frequency));
  canvas.SetFont(kPrintFont, 12);
  const QString* values[4] = {&contents.place, &contents.date, &contents.person, &contents.source};
  for (int i = 0; i < 4; ++i) {
    const int y = (11 + i) * k.v;
    RightAligned(canvas, k.c, y, LookupText(quint16(54 + i)));
    canvas.TextOut(k.c + k.W / 20, y, *values[i]);
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
    RightAligned(canvas, 3 * k.u, y, Cell(row, 0));
    canvas.TextOut(4 * k.u, y, Cell(row, 1));
    canvas.TextOut(16 * k.u, y, Cell(row, 2));
    canvas.TextOut(26 * k.u, y, Cell(row, 3));
    if (++line == kEndLine) breakPending = true;
  }
}
