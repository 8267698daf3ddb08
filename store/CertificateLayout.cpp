#include "store/CertificateLayout.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "common/PrintCanvas.h"

namespace {
constexpr int kFirstFlowLine = 18;  // in lines of v
constexpr int kLaterFlowLine = 4;
constexpr int kEndLine = 49;        // the closing rule; no line reaches it
constexpr int kFactsLine = 9;
constexpr int kValueColumn = 13;    // in u

// The meter's range index 0..3 and probe row 1..2 as its panel names them.
const char* const kRangeNames[] = {"DC1", "DC2", "AC1", "AC2"};
QString RangeName(int index) {
  return index >= 0 && index < 4 ? QString::fromLatin1(kRangeNames[index]) : QString::number(index);
}
QString ProbeName(int row) {
  return row == 1 ? QStringLiteral("AXIAL") : row == 2 ? QStringLiteral("TRANS") : QString::number(row);
}

// Every text of the certificate, Polish then English.
enum class T {
  Title, NumberShort, PageOf, Amends, Serial, RangeProbe, RangeProbeValue, Date, Technician, Bench,
  Reference, ReferenceValue, ReferenceCertificate, ReferenceCertificateValue, ReferenceU,
  AsFound, AsLeft, No, Error, ErrorPercent, Limit, Result, Pass, Fail, Skipped, NoReadings,
  Results, Tolerance, ToleranceValue, Expanded, Verdict, VerdictPass, VerdictFail, NoVerdict,
  DecisionRule, Fit, FitValue, ResidualSd, ResidualSdValue, Gain, GainValue, Unknown, CertificateNo,
};
struct Pair {
  T id;
  const char* polish;
  const char* english;
};
const Pair kTexts[] = {
    {T::Title, "Świadectwo wzorcowania", "Calibration certificate"},
    {T::NumberShort, "nr %1", "No. %1"},
    {T::CertificateNo, "Świadectwo nr %1", "Certificate No. %1"},
    {T::PageOf, "Strona %1 z %2", "Page %1 of %2"},
    {T::Amends, "Koryguje świadectwo %1", "Amends certificate %1"},
    {T::Serial, "Numer seryjny miernika", "Meter serial number"},
    {T::RangeProbe, "Zakres i sonda", "Range and probe"},
    {T::RangeProbeValue, "%1, sonda %2", "%1, probe %2"},
    {T::Date, "Data wzorcowania", "Date of calibration"},
    {T::Technician, "Wzorcował", "Calibrated by"},
    {T::Bench, "Stanowisko", "Bench"},
    {T::Reference, "Wzorzec odniesienia", "Reference standard"},
    {T::ReferenceValue, "%1, nr seryjny %2", "%1, serial number %2"},
    {T::ReferenceCertificate, "Świadectwo wzorca", "Its certificate"},
    {T::ReferenceCertificateValue, "%1, ważne do %2", "%1, due %2"},
    {T::ReferenceU, "Niepewność wzorca", "Its uncertainty"},
    {T::AsFound, "Stan przed adjustacją", "As found"},
    {T::AsLeft, "Stan po adjustacji", "As left"},
    {T::No, "Lp.", "No."},
    {T::Error, "Błąd", "Error"},
    {T::ErrorPercent, "Błąd %", "Error %"},
    {T::Limit, "Granica", "Limit"},
    {T::Result, "Wynik", "Result"},
    {T::Pass, "zgodny", "pass"},
    {T::Fail, "niezgodny", "fail"},
    {T::Skipped, "pominięto", "skipped"},
    {T::NoReadings, "brak pomiarów", "no readings"},
    {T::Results, "Wyniki", "Results"},
    {T::Tolerance, "Tolerancja", "Tolerance"},
    {T::ToleranceValue, "±%1 % wskazania wzorca", "±%1 % of the reference reading"},
    {T::Expanded, "Niepewność rozszerzona", "Expanded uncertainty"},
    {T::Verdict, "Wynik", "Verdict"},
    {T::VerdictPass, "ZGODNY", "PASS"},
    {T::VerdictFail, "NIEZGODNY", "FAIL"},
    {T::NoVerdict, "brak orzeczenia", "no verdict"},
    {T::DecisionRule, "Zasada decyzyjna", "Decision rule"},
    {T::Fit, "Prosta dopasowania", "Fitted line"},
    {T::FitValue, "Ucal = a · Uwz + b, a = %1, b = %2", "Ucal = a · Uwz + b, a = %1, b = %2"},
    {T::ResidualSd, "Odchylenie reszt", "Residual SD"},
    {T::ResidualSdValue, "s = %1, n = %2", "s = %1, n = %2"},
    {T::Gain, "Wzmocnienie", "Gain"},
    {T::GainValue, "przed %1, po %2", "before %1, after %2"},
    {T::Unknown, "nieznane", "unknown"},
};

class Texts {
 public:
  explicit Texts(CertificateLanguage language) : polish_(language == CertificateLanguage::Polish) {}
  QString operator()(T id) const {
    for (const Pair& p : kTexts)
      if (p.id == id) return QString::fromUtf8(polish_ ? p.polish : p.english);
    return {};
  }
  bool Polish() const { return polish_; }

 private:
  bool polish_;
};

// Numbers as the certificate's language writes them: readings and errors to the meter's digit,
// the limit a digit further, U to two significant digits.
class Numbers {
 public:
  Numbers(CertificateLanguage language, const CalibrationRecord& r)
      : locale_(language == CertificateLanguage::Polish ? QLocale(QLocale::Polish, QLocale::Poland)
                                                        : QLocale(QLocale::English, QLocale::UnitedKingdom)),
        decimals_(ReadingDecimals(r)) {
    locale_.setNumberOptions(QLocale::OmitGroupSeparator);
  }
  QString Reading(double v) const { return Fixed(v, decimals_); }
  QString Limit(double v) const { return Fixed(v, decimals_ + 1); }
  QString Percent(double v) const { return Fixed(v, 2); }
  QString Expanded(double v) const {
    const int decimals = v > 0 ? std::max(0, 1 - int(std::floor(std::log10(v)))) : 0;
    return Fixed(v, std::min(decimals, 9));
  }
  QString General(double v) const { return locale_.toString(v, 'g', 6); }
  QString Whole(qint64 v) const { return locale_.toString(v); }
  QString Date(const QDate& d) const { return d.isValid() ? d.toString(DateFormat()) : QString(); }
  QString Time(const QDateTime& t) const {
    return t.isValid() ? t.toLocalTime().toString(DateFormat() + QStringLiteral(" HH:mm")) : QString();
  }

 private:
  QString DateFormat() const {
    return locale_.language() == QLocale::Polish ? QStringLiteral("dd.MM.yyyy") : QStringLiteral("dd/MM/yyyy");
  }
  QString Fixed(double v, int decimals) const {
    if (std::abs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0;  // no "-0,0"
    return locale_.toString(v, 'f', decimals);
  }
  // The meter's digit when known, else the most decimals a reading was written with (at most 6).
  static int ReadingDecimals(const CalibrationRecord& r) {
    if (r.resolution > 0) {
      for (int d = 0; d < 9; ++d) {
        const double scaled = r.resolution * std::pow(10.0, d);
        if (std::abs(scaled - std::nearbyint(scaled)) < 1e-6 * scaled) return d;
      }
      return 9;
    }
    int decimals = 0;
    for (const QList<CalibrationPoint>* points : {&r.asFound, &r.asLeft})
      for (const CalibrationPoint& p : *points)
        for (double v : {p.reference, p.calibrated}) {
          const QString text = QLocale::c().toString(v, 'f', QLocale::FloatingPointShortest);
          const qsizetype dot = text.indexOf(u'.');
          if (dot >= 0) decimals = std::max(decimals, int(text.size() - dot - 1));
        }
    return std::min(decimals, 6);
  }

  QLocale locale_;
  int decimals_;
};

// A line of the flow below the first page's facts.
struct Line {
  enum Kind { Blank, Heading, Fact, TableHead, TableRow, Note } kind = Blank;
  int table = 0;     // TableHead, TableRow: 0 as found, 1 as left
  QStringList cells;  // Heading, Note: the text; Fact: label, value; the table's cells
  int keep = 0;      // the lines after it that go on its page with it
};

struct Placed {
  int page = 1;
  int row = 0;  // in lines of v
  Line line;
};

struct Units {
  explicit Units(const PrintCanvas& canvas)
      : W(canvas.PageWidth()), u(W / 40), v(canvas.PageHeight() / 50), c(W / 2) {}
  int W, u, v, c;
  int Gap() const { return u / 4; }
};

// Where each table's numbers end (in u); the as-left result starts at 32u.
const QList<int> kColumnEnds[2] = {{3, 9, 15, 21}, {3, 9, 15, 21, 26, 31}};
constexpr int kResultColumn = 32;

QStringList TableHead(const Texts& t, const QString& unit, int table) {
  const QString in = unit.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(unit);
  QStringList head = {t(T::No), QStringLiteral("Uwz") + in, QStringLiteral("Ucal") + in, t(T::Error) + in};
  if (table == 1) head << t(T::ErrorPercent) << t(T::Limit) + in << t(T::Result);
  return head;
}

QList<Line> Flow(const CalibrationRecord& r, const CertificateHeader& header, const Texts& t, const Numbers& n) {
  QList<Line> flow;
  const QString unit = header.unit.isEmpty() ? QString() : u' ' + header.unit;

  flow << Line{Line::Heading, 0, {t(T::AsFound)}, 2} << Line{Line::TableHead, 0, TableHead(t, header.unit, 0), 1};
  for (int i = 0; i < r.asFound.size(); ++i) {
    const CalibrationPoint& p = r.asFound[i];
    flow << Line{Line::TableRow, 0,
                 {QString::number(i + 1), n.Reading(p.reference), n.Reading(p.calibrated),
                  n.Reading(p.calibrated - p.reference)}};
  }
  if (r.asFound.isEmpty()) flow << Line{Line::Note, 0, {t(T::NoReadings)}};

  flow << Line{} << Line{Line::Heading, 1, {t(T::AsLeft)}, 2};
  if (r.asLeftSkipped) {
    flow << Line{Line::Note, 1, {t(T::Skipped)}};
  } else if (r.asLeft.isEmpty()) {
    flow << Line{Line::Note, 1, {t(T::NoReadings)}};
  } else {
    flow << Line{Line::TableHead, 1, TableHead(t, header.unit, 1), 1};
    const QList<AsLeftPoint> points = EvaluateAsLeft(r);
    for (int i = 0; i < points.size(); ++i) {
      const AsLeftPoint& p = points[i];
      flow << Line{Line::TableRow, 1,
                   {QString::number(i + 1), n.Reading(p.reference), n.Reading(p.reading), n.Reading(p.error),
                    p.errorPercent ? n.Percent(*p.errorPercent) : QStringLiteral("—"), n.Limit(p.limit),
                    t(p.passed ? T::Pass : T::Fail)}};
    }
  }

  // The record's own verdict and U, as it was written; one written without them is judged now.
  CalibrationRecord judged = r;
  if (!r.passed && !r.uncertainty) EvaluateCalibration(judged);
  const std::optional<bool> passed = judged.passed;
  const std::optional<double> expanded = judged.uncertainty;
  const QString gainBefore = r.gainBefore ? QString::number(*r.gainBefore) : t(T::Unknown);
  const QList<Line> results = {
      {Line::Fact, 0, {t(T::Tolerance), t(T::ToleranceValue).arg(n.General(r.tolerancePercent))}},
      {Line::Fact, 0,
       {t(T::Expanded), expanded ? QStringLiteral("U = %1%2 (k = 2)").arg(n.Expanded(*expanded), unit)
                                 : QStringLiteral("—")}},
      {Line::Fact, 0, {t(T::Verdict), passed ? t(*passed ? T::VerdictPass : T::VerdictFail) : t(T::NoVerdict)}},
      {Line::Fact, 0, {t(T::DecisionRule), DecisionRuleText(t.Polish() ? CertificateLanguage::Polish
                                                                        : CertificateLanguage::English)}},
      {Line::Fact, 0, {t(T::Fit), t(T::FitValue).arg(n.General(r.slope), n.General(r.offset))}},
      {Line::Fact, 0, {t(T::ResidualSd), t(T::ResidualSdValue).arg(n.General(r.residualSd)).arg(r.asFound.size())}},
      {Line::Fact, 0, {t(T::Gain), t(T::GainValue).arg(gainBefore, QString::number(r.gainAfter))}},
  };
  flow << Line{} << Line{Line::Heading, 0, {t(T::Results)}, int(results.size())} << results;
  return flow;
}

// Each line's page and line; a table's head again where its rows go on to a new page.
QList<Placed> Paginate(const QList<Line>& flow) {
  QList<Placed> placed;
  int page = 1;
  int top = kFirstFlowLine;
  int line = top;
  const Line* heads[2] = {nullptr, nullptr};
  for (qsizetype i = 0; i < flow.size(); ++i) {
    const Line& l = flow[i];
    if (l.kind == Line::TableHead) heads[l.table] = &l;
    if (l.kind == Line::Blank && line == top) continue;
    const int need = 1 + int(std::min<qsizetype>(l.keep, flow.size() - 1 - i));
    if (line + need > kEndLine && line > top) {
      ++page;
      line = top = kLaterFlowLine;
      if (l.kind == Line::Blank) continue;
      if (l.kind == Line::TableRow && heads[l.table]) placed << Placed{page, line++, *heads[l.table]};
    }
    placed << Placed{page, line++, l};
  }
  return placed;
}

void RightAligned(PrintCanvas& canvas, int right, int y, const QString& text) {
  canvas.TextOut(right - canvas.TextWidth(text), y, text);
}

void Centred(PrintCanvas& canvas, int centre, int y, const QString& text) {
  canvas.TextOut(centre - canvas.TextWidth(text) / 2, y, text);
}

void Rule(PrintCanvas& canvas, const Units& k, int y) { canvas.Line(k.u, y, 39 * k.u, y); }

void PageFrame(PrintCanvas& canvas, const Units& k, const QString& company, const QString& number, int page,
               int pages, const Texts& t) {
  FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, k.u, k.v, 23 * k.u, company);
  FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Right, 39 * k.u, k.v, 14 * k.u,
                t(T::CertificateNo).arg(number));
  canvas.SetFont(kPrintFont, 8);
  RightAligned(canvas, 39 * k.u, 2 * k.v, t(T::PageOf).arg(page).arg(pages));
  for (int line : {3, kEndLine}) Rule(canvas, k, line * k.v - 3);
}

void Fact(PrintCanvas& canvas, const Units& k, int y, const QString& label, const QString& value) {
  FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Left, k.u, y, (kValueColumn - 1) * k.u - k.Gap(), label);
  FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Left, kValueColumn * k.u, y, (39 - kValueColumn) * k.u, value);
}

void FirstPage(PrintCanvas& canvas, const Units& k, const CalibrationRecord& r, const CertificateHeader& header,
               const Texts& t, const Numbers& n) {
  canvas.SetFont(kPrintFont, 20);
  Centred(canvas, k.c, 4 * k.v, t(T::Title));
  FittedTextOut(canvas, kPrintFont, 14, TextAnchor::Centre, k.c, 6 * k.v, 38 * k.u, t(T::NumberShort).arg(r.number));
  if (!r.amends.isEmpty())
    FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Centre, k.c, 7 * k.v, 38 * k.u, t(T::Amends).arg(r.amends));
  const QString unit = header.unit.isEmpty() ? QString() : u' ' + header.unit;
  const QString facts[][2] = {
      {t(T::Serial), r.serial},
      {t(T::RangeProbe), t(T::RangeProbeValue).arg(RangeName(r.rangeIndex), ProbeName(r.probeRow))},
      {t(T::Date), n.Time(r.at)},
      {t(T::Technician), r.technician},
      {t(T::Bench), r.bench},
      {t(T::Reference), t(T::ReferenceValue).arg(r.reference.model, r.reference.serial)},
      {t(T::ReferenceCertificate), t(T::ReferenceCertificateValue).arg(r.reference.certificate, n.Date(r.reference.due))},
      {t(T::ReferenceU), QStringLiteral("U = %1%2 (k = 2)").arg(n.Expanded(r.reference.uncertainty), unit)},
  };
  int line = kFactsLine;
  for (const auto& [label, value] : facts) Fact(canvas, k, line++ * k.v, label, value);
}

void TableLine(PrintCanvas& canvas, const Units& k, int y, const Line& l) {
  const QList<int>& ends = kColumnEnds[l.table];
  for (qsizetype column = 0; column < l.cells.size(); ++column) {
    if (column < ends.size()) {
      const int start = column ? ends[column - 1] * k.u + k.Gap() : k.u;
      FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Right, ends[column] * k.u, y, ends[column] * k.u - start,
                    l.cells[column]);
    } else {
      FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Left, kResultColumn * k.u, y, (39 - kResultColumn) * k.u,
                    l.cells[column]);
    }
  }
}

void DrawLine(PrintCanvas& canvas, const Units& k, int y, const Line& l) {
  switch (l.kind) {
    case Line::Blank:
      break;
    case Line::Heading:
      FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, k.u, y, 38 * k.u, l.cells.value(0));
      break;
    case Line::Note:
      FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Left, 4 * k.u, y, 35 * k.u, l.cells.value(0));
      break;
    case Line::Fact:
      Fact(canvas, k, y, l.cells.value(0), l.cells.value(1));
      break;
    case Line::TableHead:
    case Line::TableRow:
      TableLine(canvas, k, y, l);
      break;
  }
}

QList<Placed> PlacedFlow(const CalibrationRecord& r, const CertificateHeader& header, CertificateLanguage language) {
  return Paginate(Flow(r, header, Texts(language), Numbers(language, r)));
}
}  // namespace

int CertificatePageCount(const CalibrationRecord& record) {
  const QList<Placed> placed = PlacedFlow(record, {}, CertificateLanguage::English);
  return placed.isEmpty() ? 1 : placed.last().page;
}

void LayoutCertificate(PrintCanvas& canvas, const CalibrationRecord& record, const CertificateHeader& header,
                       CertificateLanguage language) {
  const Units k(canvas);
  const Texts t(language);
  const Numbers n(language, record);
  const QList<Placed> placed = Paginate(Flow(record, header, t, n));
  const int pages = placed.isEmpty() ? 1 : placed.last().page;
  const QString company = header.company.isEmpty() ? record.company : header.company;
  canvas.SetPenWidth(3);
  qsizetype next = 0;
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) canvas.NewPage();
    PageFrame(canvas, k, company, record.number, page, pages, t);
    if (page == 1) FirstPage(canvas, k, record, header, t, n);
    for (; next < placed.size() && placed[next].page == page; ++next)
      DrawLine(canvas, k, placed[next].row * k.v, placed[next].line);
  }
}
