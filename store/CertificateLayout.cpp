#include "store/CertificateLayout.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "common/PrintCanvas.h"

namespace {
constexpr int kFirstFlowLine = 9;  // in lines of v
constexpr int kLaterFlowLine = 4;
constexpr int kEndLine = 49;        // the closing rule; no line reaches it
constexpr int kValueColumn = 13;    // in u

// The meter's range index 0..3 and probe row 1..2 as its panel names them.
const char* const kRangeNames[] = {"DC1", "DC2", "AC1", "AC2"};
QString RangeName(int index) {
  return index >= 0 && index < 4 ? QString::fromLatin1(kRangeNames[index]) : QString::number(index);
}
QString ProbeName(int row) {
  return row == 1 ? QStringLiteral("AXIAL") : row == 2 ? QStringLiteral("TRANS") : QString::number(row);
}

// A draft says so in both languages: whoever reads it must not take it for a certificate.
const QString kDraftMark = QStringLiteral("PROJEKT / DRAFT — not a certificate");

// Every text of the certificate, Polish then English.
enum class T {
  Title, NumberShort, PageOf, Amends, Laboratory, LaboratoryAddress, Accreditation, Method, Customer,
  CustomerAddress, Item, ItemValue, RangeProbe, RangeProbeValue, Period, Issued, Technician, NoTechnician,
  Bench, ReferenceHeading, Reference, ReferenceValue, ReferenceCertificate, ReferenceCertificateValue,
  ReferenceU, NotStated, ReferenceResolution, Traceability1, Traceability2, Environment, ProbeTemperature,
  NotRecorded, AmbientTemperature, Humidity, AsFoundPlain, AsFoundAfterGain, AsLeft, No, Reading, Calibrated,
  Error, ErrorPercent, Limit, Result, Pass, Fail, NotJudged, Skipped, NoReadings, Results, Tolerance, ToleranceValue,
  Digit, Digits, DigitsMany, DigitSize, Expanded, CannotState, Uniformity, UniformityValue, Verdict,
  VerdictPass, VerdictFail, NoVerdict, DecisionRule, Fit, FitValue, ResidualSd, ResidualSdValue, Gain,
  GainValue, Unknown, CertificateNo, Approval, ApprovedBy, ApprovedAt, Meaning, RelateOnly, NotReproduced,
  End,
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
    {T::Laboratory, "Laboratorium", "Laboratory"},
    {T::LaboratoryAddress, "Adres laboratorium", "Laboratory's address"},
    {T::Accreditation, "Numer akredytacji", "Accreditation number"},
    {T::Method, "Metoda wzorcowania", "Calibration method"},
    {T::Customer, "Zleceniodawca", "Customer"},
    {T::CustomerAddress, "Adres zleceniodawcy", "Customer's address"},
    {T::Item, "Wzorcowany miernik", "Item calibrated"},
    {T::ItemValue, "%1, nr seryjny %2", "%1, serial number %2"},
    {T::RangeProbe, "Zakres i sonda", "Range and probe"},
    {T::RangeProbeValue, "%1, sonda %2", "%1, probe %2"},
    {T::Period, "Okres wzorcowania", "Period of calibration"},
    {T::Issued, "Data wydania", "Date of issue"},
    {T::Technician, "Wzorcował", "Calibrated by"},
    {T::NoTechnician, "— (stanowisko %1)", "— (bench %1)"},
    {T::Bench, "Stanowisko", "Bench"},
    {T::ReferenceHeading, "Wzorzec i spójność pomiarowa", "Reference standard and traceability"},
    {T::Reference, "Wzorzec odniesienia", "Reference standard"},
    {T::ReferenceValue, "%1, nr seryjny %2", "%1, serial number %2"},
    {T::ReferenceCertificate, "Świadectwo wzorca", "Its certificate"},
    {T::ReferenceCertificateValue, "%1, ważne do %2", "%1, due %2"},
    {T::ReferenceU, "Niepewność wzorca", "Its uncertainty"},
    {T::NotStated, "nie podano", "not stated"},
    {T::ReferenceResolution, "rozdzielczość %1", "resolution %1"},
    {T::Traceability1, "Wyniki są spójne pomiarowo z jednostkami SI przez wzorzec %1, nr seryjny %2,",
     "The results are traceable to the SI units through the reference standard %1, serial number %2,"},
    {T::Traceability2, "wzorcowany zgodnie ze świadectwem wzorcowania %1.", "calibrated under certificate %1."},
    {T::Environment, "Warunki środowiskowe", "Environmental conditions"},
    {T::ProbeTemperature, "Temperatura sondy", "Probe temperature"},
    {T::NotRecorded, "nie zapisano", "not recorded"},
    {T::AmbientTemperature, "Temperatura otoczenia", "Ambient temperature"},
    {T::Humidity, "Wilgotność względna", "Relative humidity"},
    {T::AsFoundPlain, "Stan zastany, przed jakąkolwiek adjustacją", "As found, before any adjustment"},
    {T::AsFoundAfterGain, "Stan zastany, po wzmocnieniu początkowym %1", "As found, after the initial gain %1"},
    {T::AsLeft, "Stan po adjustacji", "As left"},
    {T::No, "Lp.", "No."},
    {T::Reading, "Uwz", "Reference"},
    {T::Calibrated, "Ucal", "Meter"},
    {T::Error, "Błąd", "Error"},
    {T::ErrorPercent, "Błąd %", "Error %"},
    {T::Limit, "Granica", "Limit"},
    {T::Result, "Wynik", "Result"},
    {T::Pass, "zgodny", "pass"},
    {T::Fail, "niezgodny", "fail"},
    {T::NotJudged, "nie oceniono", "not judged"},
    {T::Skipped, "pominięto", "skipped"},
    {T::NoReadings, "brak pomiarów", "no readings"},
    {T::Results, "Wyniki", "Results"},
    {T::Tolerance, "Tolerancja", "Tolerance"},
    {T::ToleranceValue, "± (%1 % wskazania + %2 %3)", "± (%1 % of reading + %2 %3)"},
    {T::Digit, "cyfra", "digit"},
    {T::Digits, "cyfry", "digits"},
    {T::DigitsMany, "cyfr", "digits"},
    {T::DigitSize, "; cyfra = %1", "; digit = %1"},
    {T::Expanded, "Niepewność rozszerzona", "Expanded uncertainty"},
    {T::CannotState, "U nie może być podana (mniej niż trzy próbki)", "U cannot be stated (fewer than three samples)"},
    {T::Uniformity, "Położenie sondy, jednorodność pola", "Probe position, field uniformity"},
    {T::UniformityValue, "%1 % wskazania", "%1 % of reading"},
    {T::Verdict, "Wynik", "Verdict"},
    {T::VerdictPass, "ZGODNY", "PASS"},
    {T::VerdictFail, "NIEZGODNY", "FAIL"},
    {T::NoVerdict, "brak orzeczenia", "no verdict"},
    {T::DecisionRule, "Zasada decyzyjna", "Decision rule"},
    {T::Fit, "Prosta dopasowania", "Fitted line"},
    {T::FitValue, "Ucal = a · Uwz + b, a = %1, b = %2", "meter = a · reference + b, a = %1, b = %2"},
    {T::ResidualSd, "Odchylenie reszt", "Residual SD"},
    {T::ResidualSdValue, "s = %1, n = %2", "s = %1, n = %2"},
    {T::Gain, "Wzmocnienie", "Gain"},
    {T::GainValue, "przed %1, po %2", "before %1, after %2"},
    {T::Unknown, "nieznane", "unknown"},
    {T::Approval, "Zatwierdzenie", "Approval"},
    {T::ApprovedBy, "Zatwierdził", "Approved by"},
    {T::ApprovedAt, "Data i czas (UTC)", "Date and time (UTC)"},
    {T::Meaning, "Znaczenie podpisu", "Meaning"},
    {T::RelateOnly, "Wyniki odnoszą się wyłącznie do wzorcowanego obiektu.",
     "The results relate only to the item calibrated."},
    {T::NotReproduced, "Świadectwo nie może być powielane inaczej niż w całości bez zgody laboratorium.",
     "This certificate shall not be reproduced except in full without the laboratory's approval."},
    {T::End, "Koniec świadectwa", "End of certificate"},
};

class Texts {
 public:
  explicit Texts(CertificateLanguage language) : language_(language) {}
  QString operator()(T id) const {
    for (const Pair& p : kTexts)
      if (p.id == id) return QString::fromUtf8(Polish() ? p.polish : p.english);
    return {};
  }
  bool Polish() const { return language_ == CertificateLanguage::Polish; }
  CertificateLanguage Language() const { return language_; }

 private:
  CertificateLanguage language_;
};

// Numbers as the certificate's language writes them: readings and errors to the meter's digit,
// the limit a digit further, U to two significant digits; dates as ISO 8601 whatever the
// language.
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
  QString Coverage(double k) const { return Fixed(k, 2); }
  // ν_eff to a tenth below 100, whole above; "∞" for a budget of Type B terms alone.
  QString Dof(double v) const {
    if (!std::isfinite(v) || v >= 1e6) return QStringLiteral("∞");
    return Fixed(v, v < 100 ? 1 : 0);
  }
  QString Temperature(double v) const { return Fixed(v, 1); }
  QString General(double v) const { return locale_.toString(v, 'g', 6); }
  static QString Date(const QDate& d) { return d.isValid() ? d.toString(Qt::ISODate) : QString(); }
  // The day in the lab's calendar.
  static QString Day(const QDateTime& t) { return t.isValid() ? Date(t.toLocalTime().date()) : QString(); }
  static QString Utc(const QDateTime& t) {
    return t.isValid() ? t.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'")) : QString();
  }

 private:
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

// A number and its unit, "0,50 Gs"; a record that does not know its unit prints the number alone.
QString WithUnit(const QString& number, const QString& unit) {
  return unit.isEmpty() ? number : number + u' ' + unit;
}

// A line of the flow.
struct Line {
  enum Kind { Blank, Heading, Fact, TableHead, TableRow, Note, Statement, Centre } kind = Blank;
  int table = 0;     // TableHead, TableRow: 0 as found, 1 as left
  QStringList cells;  // Heading, Note, Statement, Centre: the text; Fact: label, value; the table's cells
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

// Where each table's numbers end (in u); the as-left result starts at 34u.
const QList<int> kColumnEnds[2] = {{3, 9, 15, 21}, {3, 8, 13, 18, 23, 28, 33}};
constexpr int kResultColumn = 34;

QStringList TableHead(const Texts& t, const QString& unit, int table) {
  const QString in = unit.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(unit);
  QStringList head = {t(T::No), t(T::Reading) + in, t(T::Calibrated) + in, t(T::Error) + in};
  if (table == 1) head << t(T::ErrorPercent) << t(T::Limit) + in << QStringLiteral("U") + in << t(T::Result);
  return head;
}

// The first as-found sample to the last as-left point, as days: one day, or "first – last".
QString Period(const CalibrationRecord& r) {
  QDateTime first, last;
  for (const QList<CalibrationPoint>* points : {&r.asFound, &r.asLeft})
    for (const CalibrationPoint& p : *points) {
      if (!p.at.isValid()) continue;
      if (!first.isValid() || p.at < first) first = p.at;
      if (!last.isValid() || p.at > last) last = p.at;
    }
  if (!first.isValid()) first = last = r.at;
  const QString from = Numbers::Day(first), to = Numbers::Day(last);
  return from == to ? from : from + QStringLiteral(" – ") + to;
}

QString OrDash(const QString& text) { return text.trimmed().isEmpty() ? QStringLiteral("—") : text; }

// "2 cyfry", "5 cyfr", "1 digit": the tolerance's last digits in the certificate's language.
QString DigitsWord(const Texts& t, double digits) {
  if (digits != std::floor(digits)) return t(T::Digits);
  const qint64 n = qint64(std::abs(digits));
  if (n == 1) return t(T::Digit);
  if (!t.Polish()) return t(T::Digits);
  return n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14) ? t(T::Digits) : t(T::DigitsMany);
}

// "U = 0,52 Gs (k = 2,28, ν_eff = 9,6, 95,45 %)"; a record written before k was worked out says
// "(k = 2)". Without U: why, when there was an as-left check to state it for.
QString ExpandedText(const CalibrationRecord& judged, const Texts& t, const Numbers& n, const QString& unit) {
  if (!judged.uncertainty)
    return judged.asLeftSkipped || judged.asLeft.isEmpty() ? QStringLiteral("—") : t(T::CannotState);
  QStringList coverage;
  if (judged.coverage) {
    coverage << QStringLiteral("k = %1").arg(n.Coverage(*judged.coverage));
    if (judged.effectiveDof) coverage << QStringLiteral("ν_eff = %1").arg(n.Dof(*judged.effectiveDof));
    coverage << n.Percent(95.45) + QStringLiteral(" %");
  } else {
    coverage << QStringLiteral("k = 2");
  }
  return QStringLiteral("U = %1 (%2)").arg(WithUnit(n.Expanded(*judged.uncertainty), unit), coverage.join(QStringLiteral(", ")));
}

QString ReferenceUText(const ReferenceStandard& s, const Texts& t, const Numbers& n, const QString& unit) {
  QString text = s.uncertainty > 0 ? QStringLiteral("U = %1 (k = %2)").arg(WithUnit(n.Expanded(s.uncertainty), unit),
                                                                           n.General(s.coverage > 0 ? s.coverage : 2))
                                   : t(T::NotStated);
  if (s.resolution > 0) text += QStringLiteral(", ") + t(T::ReferenceResolution).arg(WithUnit(n.General(s.resolution), unit));
  return text;
}

QString ProbeTemperatureText(const CalibrationRecord& r, const Texts& t, const Numbers& n) {
  const std::optional<double> low = r.probeTemperatureMin ? r.probeTemperatureMin : r.probeTemperatureMax;
  const std::optional<double> high = r.probeTemperatureMax ? r.probeTemperatureMax : r.probeTemperatureMin;
  if (!low) return t(T::NotRecorded);
  const QString from = n.Temperature(*low), to = n.Temperature(*high);
  return (from == to ? from : from + QStringLiteral(" … ") + to) + QStringLiteral(" °C");
}

// The decision rule the record was judged by, as the certificate's language words it.
QString RuleText(const CalibrationRecord& r, const Texts& t) { return DecisionRuleText(t.Language(), r.decisionRule); }

QList<Line> Flow(const CalibrationRecord& r, const CertificateHeader& header, const Texts& t, const Numbers& n) {
  const QString unit = header.unit.isEmpty() ? r.unit : header.unit;
  const auto fact = [](const QString& label, const QString& value) { return Line{Line::Fact, 0, {label, value}}; };
  const auto statement = [](const QString& text, int keep = 0) { return Line{Line::Statement, 0, {text}, keep}; };
  QList<Line> flow;

  QStringList makerModel = {r.maker.trimmed(), r.model.trimmed()};
  makerModel.removeAll(QString());
  const QString technician = !r.technician.trimmed().isEmpty() ? r.technician
                             : r.bench.isEmpty()               ? QStringLiteral("—")
                                                               : t(T::NoTechnician).arg(r.bench);
  flow << fact(t(T::Laboratory), OrDash(r.laboratory.name)) << fact(t(T::LaboratoryAddress), OrDash(r.laboratory.address))
       << fact(t(T::Accreditation), OrDash(r.laboratory.accreditation)) << fact(t(T::Method), OrDash(r.laboratory.method))
       << fact(t(T::Customer), OrDash(r.customer)) << fact(t(T::CustomerAddress), OrDash(r.customerAddress))
       << fact(t(T::Item), t(T::ItemValue).arg(OrDash(makerModel.join(u' ')), OrDash(r.serial)))
       << fact(t(T::RangeProbe), t(T::RangeProbeValue).arg(RangeName(r.rangeIndex), ProbeName(r.probeRow)))
       << fact(t(T::Period), Period(r))
       << fact(t(T::Issued), header.approval ? OrDash(Numbers::Day(header.approval->at)) : QStringLiteral("—"))
       << fact(t(T::Technician), technician) << fact(t(T::Bench), OrDash(r.bench));

  const ReferenceStandard& s = r.reference;
  flow << Line{} << Line{Line::Heading, 0, {t(T::ReferenceHeading)}, 5}
       << fact(t(T::Reference), t(T::ReferenceValue).arg(OrDash(s.model), OrDash(s.serial)))
       << fact(t(T::ReferenceCertificate),
               t(T::ReferenceCertificateValue).arg(OrDash(s.certificate), OrDash(Numbers::Date(s.due))))
       << fact(t(T::ReferenceU), ReferenceUText(s, t, n, unit))
       << statement(t(T::Traceability1).arg(OrDash(s.model), OrDash(s.serial)), 1)
       << statement(t(T::Traceability2).arg(OrDash(s.certificate)));

  QList<Line> environment = {fact(t(T::ProbeTemperature), ProbeTemperatureText(r, t, n))};
  if (r.ambientTemperature)
    environment << fact(t(T::AmbientTemperature), n.Temperature(*r.ambientTemperature) + QStringLiteral(" °C"));
  if (r.humidity) environment << fact(t(T::Humidity), n.Temperature(*r.humidity) + QStringLiteral(" %"));
  flow << Line{} << Line{Line::Heading, 0, {t(T::Environment)}, int(environment.size())} << environment;

  const QString asFound = r.initialGain ? t(T::AsFoundAfterGain).arg(*r.initialGain) : t(T::AsFoundPlain);
  flow << Line{} << Line{Line::Heading, 0, {asFound}, 2} << Line{Line::TableHead, 0, TableHead(t, unit, 0), 1};
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
    flow << Line{Line::TableHead, 1, TableHead(t, unit, 1), 1};
    const QList<AsLeftPoint> points = EvaluateAsLeft(r);
    for (int i = 0; i < points.size(); ++i) {
      const AsLeftPoint& p = points[i];
      flow << Line{Line::TableRow, 1,
                   {QString::number(i + 1), n.Reading(p.reference), n.Reading(p.reading), n.Reading(p.error),
                    p.errorPercent ? n.Percent(*p.errorPercent) : QStringLiteral("—"), n.Limit(p.limit),
                    p.uncertainty ? n.Expanded(*p.uncertainty) : QStringLiteral("—"),
                    t(!p.judged ? T::NotJudged : p.passed ? T::Pass : T::Fail)}};
    }
  }

  // The record's own verdict and U, as it was written; one written without them is judged now.
  CalibrationRecord judged = r;
  if (!r.passed && !r.uncertainty) EvaluateCalibration(judged);
  const std::optional<bool> passed = judged.passed;
  const QString gainBefore = r.gainBefore ? QString::number(*r.gainBefore) : t(T::Unknown);
  QString tolerance = t(T::ToleranceValue).arg(n.General(r.tolerancePercent), n.General(r.toleranceDigits),
                                               DigitsWord(t, r.toleranceDigits));
  if (r.toleranceDigits != 0 && r.resolution > 0) tolerance += t(T::DigitSize).arg(WithUnit(n.Reading(r.resolution), unit));
  const QList<Line> results = {
      fact(t(T::Tolerance), tolerance),
      fact(t(T::Expanded), ExpandedText(judged, t, n, unit)),
      fact(t(T::Uniformity), t(T::UniformityValue).arg(n.General(r.uniformityPercent))),
      fact(t(T::Verdict), passed ? t(*passed ? T::VerdictPass : T::VerdictFail) : t(T::NoVerdict)),
      fact(t(T::DecisionRule), RuleText(r, t)),
      fact(t(T::Fit), t(T::FitValue).arg(n.General(r.slope), WithUnit(n.General(r.offset), unit))),
      fact(t(T::ResidualSd), t(T::ResidualSdValue).arg(WithUnit(n.General(r.residualSd), unit)).arg(r.asFound.size())),
      fact(t(T::Gain), t(T::GainValue).arg(gainBefore, QString::number(r.gainAfter))),
  };
  flow << Line{} << Line{Line::Heading, 0, {t(T::Results)}, int(results.size())} << results;

  flow << Line{};
  if (header.approval) {
    const SignatureRecord& a = *header.approval;
    flow << Line{Line::Heading, 0, {t(T::Approval)}, 3} << fact(t(T::ApprovedBy), OrDash(a.printedName))
         << fact(t(T::ApprovedAt), OrDash(Numbers::Utc(a.at))) << fact(t(T::Meaning), OrDash(a.meaning));
  } else {
    flow << Line{Line::Heading, 0, {t(T::Approval)}, 1} << Line{Line::Heading, 0, {kDraftMark}};
  }
  flow << Line{} << statement(t(T::RelateOnly), 3) << statement(t(T::NotReproduced)) << Line{}
       << Line{Line::Centre, 0, {t(T::End)}};
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
               int pages, bool draft, const Texts& t) {
  FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, k.u, k.v, 23 * k.u, company);
  if (draft) FittedTextOut(canvas, kPrintFont, 12, TextAnchor::Left, k.u, 2 * k.v, 23 * k.u, kDraftMark);
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

void FirstPage(PrintCanvas& canvas, const Units& k, const CalibrationRecord& r, const Texts& t) {
  canvas.SetFont(kPrintFont, 20);
  Centred(canvas, k.c, 4 * k.v, t(T::Title));
  FittedTextOut(canvas, kPrintFont, 14, TextAnchor::Centre, k.c, 6 * k.v, 38 * k.u, t(T::NumberShort).arg(r.number));
  if (!r.amends.isEmpty())
    FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Centre, k.c, 7 * k.v, 38 * k.u, t(T::Amends).arg(r.amends));
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
    case Line::Statement:
      FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Left, k.u, y, 38 * k.u, l.cells.value(0));
      break;
    case Line::Centre:
      FittedTextOut(canvas, kPrintFont, 10, TextAnchor::Centre, k.c, y, 38 * k.u, l.cells.value(0));
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
}  // namespace

int CertificatePageCount(const CalibrationRecord& record, const CertificateHeader& header) {
  const QList<Placed> placed =
      Paginate(Flow(record, header, Texts(CertificateLanguage::English), Numbers(CertificateLanguage::English, record)));
  return placed.isEmpty() ? 1 : placed.last().page;
}

void LayoutCertificate(PrintCanvas& canvas, const CalibrationRecord& record, const CertificateHeader& header,
                       CertificateLanguage language) {
  const Units k(canvas);
  const Texts t(language);
  const QList<Placed> placed = Paginate(Flow(record, header, t, Numbers(language, record)));
  const int pages = placed.isEmpty() ? 1 : placed.last().page;
  const QString company = header.company.isEmpty() ? record.company : header.company;
  canvas.SetPenWidth(3);
  qsizetype next = 0;
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) canvas.NewPage();
    PageFrame(canvas, k, company, record.number, page, pages, !header.approval, t);
    if (page == 1) FirstPage(canvas, k, record, t);
    for (; next < placed.size() && placed[next].page == page; ++next)
      DrawLine(canvas, k, placed[next].row * k.v, placed[next].line);
  }
}
