#include "parameters/CardLayout.h"

#include <algorithm>

#include "common/PrintCanvas.h"

namespace {
struct Row {
  const char* text;
  int member;
};
using P = MeterParameters;
// Table rows 1..23 with the member each one prints.
constexpr Row kRows[kCardParameterRows] = {
    {"Współczynnik wzmocnienia sondy AXIAL (DC1)", P::Sondy(1, 1)},
    {"Współczynnik wzmocnienia sondy AXIAL (DC2)", P::Sondy(2, 1)},
    {"Współczynnik wzmocnienia sondy AXIAL (AC1)", P::Sondy(3, 1)},
    {"Współczynnik wzmocnienia sondy AXIAL (AC2)", P::Sondy(4, 1)},
    {"Współczynnik wzmocnienia sondy TRANSVERSE (DC1)", P::Sondy(1, 2)},
    {"Współczynnik wzmocnienia sondy TRANSVERSE (DC2)", P::Sondy(2, 2)},
    {"Współczynnik wzmocnienia sondy TRANSVERSE (AC1)", P::Sondy(3, 2)},
    {"Współczynnik wzmocnienia sondy TRANSVERSE (AC2)", P::Sondy(4, 2)},
    {"Próg rodzaju sondy", P::ProgRodzajuSondy},
    {"Współczynnik termometru", P::Wtemp},
    {"Offset termometru", P::OTemp},
    {"Współczynnik korekcji temperaturowej", P::WKor},
    {"Offset korekcji temperaturowej", P::OKor},
    {"Stała czasowa filtru (DC1)", P::Kfiltr(1, 1)},
    {"Stała czasowa filtru (DC2)", P::Kfiltr(2, 1)},
    {"Stała czasowa filtru (AC1)", P::Kfiltr(3, 1)},
    {"Stała czasowa filtru (AC2)", P::Kfiltr(4, 1)},
    {"Dynamika filtru (DC1)", P::Kfiltr(1, 2)},
    {"Dynamika filtru (DC2)", P::Kfiltr(2, 2)},
    {"Dynamika filtru (AC1)", P::Kfiltr(3, 2)},
    {"Dynamika filtru (AC2)", P::Kfiltr(4, 2)},
    {"Faza zakres 1", P::SFaza(1)},
    {"Faza zakres 2", P::SFaza(2)},
};

void RightAligned(PrintCanvas& canvas, int right, int y, const QString& text) {
  canvas.TextOut(right - canvas.TextWidth(text), y, text);
}

void Centred(PrintCanvas& canvas, int centre, int y, const QString& text) {
  canvas.TextOut(centre - canvas.TextWidth(text) / 2, y, text);
}

// Where the value after a text starts: at its column, or a space after the text when the text
// reaches further (a font wider than the card's own, or "R 13=" in any font), so that the two
// never run together.
int ValueX(PrintCanvas& canvas, int column, int textX, const QString& text) {
  return std::max(column, textX + canvas.TextWidth(text) + canvas.TextWidth(QStringLiteral(" ")));
}
}  // namespace

QString CardRowText(int row) { return QString::fromUtf8(kRows[row - 1].text); }

int CardRowMember(int row) { return kRows[row - 1].member; }

void LayoutCalibrationCard(PrintCanvas& canvas, const CalibrationCard& card) {
  const int W = canvas.PageWidth();
  const int H = canvas.PageHeight();
  const int a = W / 40;
  const int U = H / 50;
  const int c = W / 2;
  const int d = W / 20 + c;
  canvas.SetPenWidth(3);

  canvas.SetFont(kPrintFont, 12);
  canvas.TextOut(a, U, QStringLiteral("FLUXA H"));
  canvas.SetFont(kPrintFont, 8);
  canvas.TextOut(a, 2 * U, QStringLiteral("wersja 3.0"));
  canvas.Line(a, 2 * U, 39 * a, 2 * U);
  canvas.SetFont(kPrintFont, 24);
  Centred(canvas, c, 7 * U, QStringLiteral("KARTA KALIBRACYJNA"));
  canvas.SetFont(kPrintFont, 16);
  Centred(canvas, c, 9 * U, QStringLiteral("miernika typu KV - 38"));
  canvas.SetFont(kPrintFont, 12);
  const QString header[3][2] = {
      {QStringLiteral("Data wydruku:"), card.printDate},
      {QStringLiteral("Numer seryjny:"), card.parameters[P::NumerSeryjnyMiernika]},
      {QStringLiteral("Klient:"), card.customer},
  };
  const int right = 39 * a;  // the rules' end
  const int gap = a / 4;     // between a text and the next column
  for (int i = 0; i < 3; ++i) {
    RightAligned(canvas, c, (12 + i) * U, header[i][0]);
    FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, d, (12 + i) * U, right - d, header[i][1]);
  }

  for (int y : {16 * U - 3, 18 * U - 3, 49 * U - 3}) canvas.Line(a, y, 39 * a, y);
  const int headY = NearestInt(16.5 * U);
  RightAligned(canvas, 3 * a, headY, QStringLiteral("L.p."));
  canvas.TextOut(4 * a, headY, QStringLiteral("Funkcja"));
  canvas.TextOut(26 * a, headY, QStringLiteral("Wartość"));

  for (int n = 1; n <= kCardParameterRows; ++n) {
    const int y = (18 + n) * U;
    RightAligned(canvas, 3 * a, y, QString::number(n));
    canvas.TextOut(4 * a, y, CardRowText(n));
    const int x = ValueX(canvas, 26 * a, 4 * a, CardRowText(n));
    FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, x, y, right - x,
                  card.parameters[CardRowMember(n)]);
  }

  // The service measurements: a label at 4a with its value, then two labels ending at 16a and
  // 26a with their values starting there.
  struct Measurements {
    QString label;
    int valueX;  // 0: the row has no first value
    QString value;
    QString secondLabel, second, thirdLabel, third;
  };
  const Measurements measurements[3] = {
      {QStringLiteral("R 13="), 6 * a, card.r1, QStringLiteral("R 49="), card.r2,
       QStringLiteral("R 9="), card.r3},
      {QStringLiteral("Jdc(AC)="), NearestInt(7.5 * a), card.i1, QStringLiteral("Jdc(DC)="),
       card.i2, QStringLiteral("Jac(DC)="), card.i3},
      {QStringLiteral("Offsety"), 0, QString(), QStringLiteral("1="), card.o1,
       QStringLiteral("2="), card.o2},
  };
  for (int i = 0; i < 3; ++i) {
    const int n = kCardParameterRows + 1 + i;
    const int y = (18 + n) * U;
    const Measurements& m = measurements[i];
    RightAligned(canvas, 3 * a, y, QString::number(n));
    canvas.TextOut(4 * a, y, m.label);
    // Each value ends before the label after it.
    const int secondLabelX = 16 * a - canvas.TextWidth(m.secondLabel);
    const int thirdLabelX = 26 * a - canvas.TextWidth(m.thirdLabel);
    if (m.valueX > 0) {
      const int x = ValueX(canvas, m.valueX, 4 * a, m.label);
      FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, x, y, secondLabelX - gap - x, m.value);
    }
    canvas.TextOut(secondLabelX, y, m.secondLabel);
    FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, 16 * a, y, thirdLabelX - gap - 16 * a,
                  m.second);
    canvas.TextOut(thirdLabelX, y, m.thirdLabel);
    FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, 26 * a, y, right - 26 * a, m.third);
  }
}
