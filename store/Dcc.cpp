#include "store/Dcc.h"

#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <functional>

#ifndef FLUXA_VERSION
#define FLUXA_VERSION "3.1"
#endif

namespace {
const QString kDcc = QStringLiteral("https://ptb.de/dcc");
const QString kSi = QStringLiteral("https://ptb.de/si");
const QString kProbability = QStringLiteral("0.9545");

// Every text of the DCC, Polish then English; the document carries both.
enum class T {
  MeterName, Serial, RangeProbe, Technician, Approver, Customer, NotStated, Result, AsFound,
  AsFoundAfterGain, AsFoundBefore, AsLeft, AsLeftCheck, Reference, Reading, Error, Adjustment,
  Slope, Offset, ResidualSd, InitialGain, GainBefore, GainAfter, Decision, Pass, Fail, NoVerdict,
  Tolerance, ReferenceStandard, ReferenceCertificate, ProbeTemperature, Minimum, Maximum,
  AmbientTemperature, Humidity, IssueDate, Traceability, OnlyItem, InFull, Amends, Signature,
  NoUncertainty, RefusedSignature, RefusedUnit, RefusedNoUnit, RefusedMismatch, RefusedEmpty,
  RefusedCoverage, RefusedNumber,
};
struct Pair {
  T id;
  const char* polish;
  const char* english;
};
const Pair kTexts[] = {
    {T::MeterName, "Miernik pola magnetycznego", "Magnetic field meter"},
    {T::Serial, "Numer seryjny", "Serial number"},
    {T::RangeProbe, "Zakres %1, sonda %2", "Range %1, probe %2"},
    {T::Technician, "Wzorcował", "Calibrated by"},
    {T::Approver, "Zatwierdził", "Approved by"},
    {T::Customer, "Zleceniodawca", "Customer"},
    {T::NotStated, "nie podano", "not stated"},
    {T::Result, "Wzorcowanie miernika pola magnetycznego", "Calibration of a magnetic field meter"},
    {T::AsFound, "Stan przed adjustacją", "As found"},
    {T::AsFoundBefore, "przed jakąkolwiek adjustacją", "before any adjustment"},
    {T::AsFoundAfterGain, "po wysłaniu wzmocnienia początkowego %1", "after the initial gain %1 was sent"},
    {T::AsLeft, "Stan po adjustacji", "As left"},
    {T::AsLeftCheck, "sprawdzenie po adjustacji", "the check after the adjustment"},
    {T::Reference, "Wskazanie wzorca", "Reference reading"},
    {T::Reading, "Wskazanie miernika", "Meter reading"},
    {T::Error, "Błąd wskazania", "Error of indication"},
    {T::Adjustment, "Adjustacja", "Adjustment"},
    {T::Slope, "Nachylenie prostej dopasowania", "Slope of the fitted line"},
    {T::Offset, "Przesunięcie prostej dopasowania", "Offset of the fitted line"},
    {T::ResidualSd, "Odchylenie standardowe reszt", "Residual standard deviation"},
    {T::InitialGain, "Wzmocnienie początkowe", "Initial gain"},
    {T::GainBefore, "Wzmocnienie przed adjustacją", "Gain before the adjustment"},
    {T::GainAfter, "Wzmocnienie po adjustacji", "Gain after the adjustment"},
    {T::Decision, "Stwierdzenie zgodności", "Statement of conformity"},
    {T::Pass, "zgodny", "pass"},
    {T::Fail, "niezgodny", "fail"},
    {T::NoVerdict, "brak orzeczenia", "no verdict"},
    {T::Tolerance, "Tolerancja ± (%1 % wskazania + %2 cyfr); zasada decyzyjna: %3",
     "Tolerance ± (%1 % of reading + %2 digits); decision rule: %3"},
    {T::ReferenceStandard, "Wzorzec odniesienia", "Reference standard"},
    {T::ReferenceCertificate, "Świadectwo wzorca %1, ważne do %2", "Its certificate %1, due %2"},
    {T::ProbeTemperature, "Temperatura sondy", "Probe temperature"},
    {T::Minimum, "najmniejsza", "minimum"},
    {T::Maximum, "największa", "maximum"},
    {T::AmbientTemperature, "Temperatura otoczenia", "Ambient temperature"},
    {T::Humidity, "Wilgotność względna", "Relative humidity"},
    {T::IssueDate, "Data wydania", "Date of issue"},
    {T::Traceability, "Spójność pomiarowa zapewniona przez wzorzec %1 (nr seryjny %2), świadectwo %3",
     "Traceability through the reference standard %1 (serial number %2), certificate %3"},
    {T::OnlyItem, "Wyniki dotyczą wyłącznie wzorcowanego obiektu.", "The results relate only to the item calibrated."},
    {T::InFull, "Świadectwo nie może być powielane inaczej niż w całości bez zgody laboratorium.",
     "This certificate shall not be reproduced except in full without the laboratory's approval."},
    {T::Amends, "Koryguje świadectwo %1", "Amends certificate %1"},
    {T::Signature, "%1, %2 UTC, podpis elektroniczny %3, SHA-256 rekordu %4",
     "%1, %2 UTC, electronic signature %3, SHA-256 of the record %4"},
    {T::NoUncertainty, "Niepewności nie można podać: za mało pomiarów do oceny typu A.",
     "The uncertainty cannot be stated: too few readings for a Type A evaluation."},
    {T::RefusedSignature, "podpis %1 dotyczy rekordu %2, nie %3", "the signature %1 signs record %2, not %3"},
    {T::RefusedUnit, "nieznana jednostka „%1” (DCC zna Gs, mT i kA/m)", "unknown unit \"%1\" (the DCC knows Gs, mT and kA/m)"},
    {T::RefusedNoUnit, "jednostka wskazań nie jest znana", "the readings' unit is not known"},
    {T::RefusedMismatch, "miernik wskazuje w %1, a wzorzec w %2", "the meter reads in %1 and the reference in %2"},
    {T::RefusedEmpty, "rekord nie zawiera pomiarów", "the record holds no readings"},
    {T::RefusedCoverage, "współczynnik rozszerzenia %1 jest mniejszy od 1", "the coverage factor %1 is below 1"},
    {T::RefusedNumber, "nieskończona lub nieokreślona liczba w rekordzie", "an infinite or undefined number in the record"},
};

QString Text(T id, bool polish) {
  for (const Pair& p : kTexts)
    if (p.id == id) return QString::fromUtf8(polish ? p.polish : p.english);
  return {};
}

QString Decimal(double v) { return QString::number(v, 'g', 12); }

QString IsoDate(const QDateTime& t) { return t.toLocalTime().date().toString(Qt::ISODate); }
QString IsoTime(const QDateTime& t) { return t.toUTC().toString(Qt::ISODate); }

// A list of one reading per point: values in the reading's unit, with their expanded
// uncertainty when stated.
struct Series {
  QList<double> values;
  QList<QDateTime> times;
  std::optional<double> expanded;  // U in the reading's unit
  double coverage = 2;
};

class DccXml {
 public:
  DccXml(const CalibrationRecord& r, const SignatureRecord& s, const DccOptions& o, const DsiUnit& unit,
         const QString& readingUnit)
      : r_(r), s_(s), o_(o), unit_(unit), readingUnit_(readingUnit), w_(&xml_) {}

  QByteArray Write(QStringList& notes) {
    w_.setAutoFormatting(true);
    w_.setAutoFormattingIndent(1);
    w_.writeStartDocument();
    w_.writeNamespace(kDcc, QStringLiteral("dcc"));
    w_.writeNamespace(kSi, QStringLiteral("si"));
    w_.writeStartElement(kDcc, QStringLiteral("digitalCalibrationCertificate"));
    w_.writeAttribute(QStringLiteral("schemaVersion"), QStringLiteral("3.1.2"));
    Administrative();
    Results(notes);
    w_.writeEndElement();
    w_.writeEndDocument();
    return xml_;
  }

 private:
  void Start(const char* name) { w_.writeStartElement(kDcc, QString::fromLatin1(name)); }
  void End() { w_.writeEndElement(); }
  void Element(const char* name, const QString& value) { w_.writeTextElement(kDcc, QString::fromLatin1(name), value); }
  void SiElement(const char* name, const QString& value) { w_.writeTextElement(kSi, QString::fromLatin1(name), value); }
  QString Tx(T id) const { return Text(id, o_.language == CertificateLanguage::Polish); }
  QString NonEmpty(const QString& text) const {
    const QString t = text.simplified();
    return t.isEmpty() ? Tx(T::NotStated) : t;
  }

  // A textType: the text in both languages, the certificate's first.
  void Texts(const char* element, T id, const std::function<QString(QString)>& fill = {}) {
    Start(element);
    const bool polishFirst = o_.language == CertificateLanguage::Polish;
    for (const bool polish : {polishFirst, !polishFirst}) {
      QString text = Text(id, polish);
      if (fill) text = fill(text);
      w_.writeStartElement(kDcc, QStringLiteral("content"));
      w_.writeAttribute(QStringLiteral("lang"), polish ? QStringLiteral("pl") : QStringLiteral("en"));
      w_.writeCharacters(text);
      w_.writeEndElement();
    }
    End();
  }
  // A textType of a typed text, which has no language.
  void Typed(const char* element, const QString& text) {
    Start(element);
    Element("content", NonEmpty(text));
    End();
  }
  void Location(const QString& address) {
    Start("location");
    if (!address.simplified().isEmpty()) {
      Start("further");
      Element("content", address.simplified());
      End();
    }
    Element("countryCode", o_.countryCode);
    End();
  }
  void Contact(const char* element, const QString& name, const QString& address) {
    Start(element);
    Typed("name", name);
    Element("eMail", Tx(T::NotStated));
    Location(address);
    End();
  }
  void Statement(T id, const std::function<void()>& after = {}, const QString& arg = {}) {
    Start("statement");
    Texts("declaration", id, [&](QString t) { return arg.isEmpty() ? t : t.arg(arg); });
    if (after) after();
    End();
  }

  void Administrative() {
    Start("administrativeData");
    Start("dccSoftware");
    Start("software");
    Typed("name", QStringLiteral("Fluxa"));
    Element("release", o_.softwareVersion.isEmpty() ? QStringLiteral(FLUXA_VERSION) : o_.softwareVersion);
    End();
    End();

    Start("coreData");
    Element("countryCodeISO3166_1", o_.countryCode);
    Element("usedLangCodeISO639_1", QStringLiteral("pl"));
    Element("usedLangCodeISO639_1", QStringLiteral("en"));
    Element("mandatoryLangCodeISO639_1",
            o_.language == CertificateLanguage::Polish ? QStringLiteral("pl") : QStringLiteral("en"));
    Element("uniqueIdentifier", r_.number);
    if (!r_.amends.isEmpty()) {
      Start("identifications");
      Start("identification");
      Element("issuer", QStringLiteral("calibrationLaboratory"));
      Element("value", r_.amends);
      Texts("name", T::Amends, [&](QString t) { return t.arg(r_.amends); });
      End();
      End();
    }
    const auto [begin, end] = Period();
    Element("beginPerformanceDate", IsoDate(begin));
    Element("endPerformanceDate", IsoDate(end));
    Element("performanceLocation", QStringLiteral("laboratory"));
    End();

    Start("items");
    Start("item");
    Texts("name", T::MeterName);
    Start("description");
    Texts("name", T::RangeProbe, [&](QString t) { return t.arg(RangeName(), ProbeName()); });
    End();
    Start("manufacturer");
    Typed("name", r_.maker);
    End();
    if (!r_.model.simplified().isEmpty()) Element("model", r_.model.simplified());
    Start("identifications");
    Start("identification");
    Element("issuer", QStringLiteral("manufacturer"));
    Element("value", NonEmpty(r_.serial));
    Texts("name", T::Serial);
    End();
    End();
    End();
    End();

    Start("calibrationLaboratory");
    if (!r_.laboratory.accreditation.simplified().isEmpty())
      Element("calibrationLaboratoryCode", r_.laboratory.accreditation.simplified());
    Contact("contact", r_.laboratory.name.isEmpty() ? r_.company : r_.laboratory.name, r_.laboratory.address);
    End();

    Start("respPersons");
    if (!r_.technician.simplified().isEmpty()) {
      Start("respPerson");
      Start("person");
      Typed("name", r_.technician);
      End();
      Element("role", QStringLiteral("technician"));
      End();
    }
    Start("respPerson");
    Start("person");
    Typed("name", s_.printedName);
    End();
    Start("description");
    Texts("name", T::Approver);
    const bool polishFirst = o_.language == CertificateLanguage::Polish;
    for (const bool polish : {polishFirst, !polishFirst}) {
      w_.writeStartElement(kDcc, QStringLiteral("content"));
      w_.writeAttribute(QStringLiteral("lang"), polish ? QStringLiteral("pl") : QStringLiteral("en"));
      w_.writeCharacters(Text(T::Signature, polish).arg(s_.meaning, IsoTime(s_.at), s_.number, s_.recordHash));
      w_.writeEndElement();
    }
    End();
    Element("role", QStringLiteral("approver"));
    Element("mainSigner", QStringLiteral("true"));
    End();
    End();

    Contact("customer", r_.customer, r_.customerAddress);

    Start("statements");
    Statement(T::IssueDate, [&] { Element("date", IsoDate(s_.at)); });
    Start("statement");
    Element("traceable", QStringLiteral("true"));
    Texts("declaration", T::Traceability, [&](QString t) {
      return t.arg(NonEmpty(r_.reference.model), NonEmpty(r_.reference.serial), NonEmpty(r_.reference.certificate));
    });
    End();
    Statement(T::OnlyItem);
    Statement(T::InFull);
    End();
    End();
  }

  void Results(QStringList& notes) {
    Start("measurementResults");
    Start("measurementResult");
    Texts("name", T::Result);
    if (!r_.laboratory.method.simplified().isEmpty()) {
      Start("usedMethods");
      Start("usedMethod");
      Typed("name", r_.laboratory.method);
      End();
      End();
    }
    ReferenceStandard();
    Conditions();
    Start("results");
    const bool statedU = r_.uncertainty.has_value();
    if (!statedU) notes << Tx(T::NoUncertainty);
    if (!r_.asFound.isEmpty()) {
      const QString state =
          r_.initialGain ? Tx(T::AsFoundAfterGain).arg(*r_.initialGain) : Tx(T::AsFoundBefore);
      PointsResult(T::AsFound, state, r_.asFound, std::nullopt);
    }
    if (!r_.asLeft.isEmpty() && !r_.asLeftSkipped)
      PointsResult(T::AsLeft, statedU ? Tx(T::AsLeftCheck) : Tx(T::AsLeftCheck) + QStringLiteral(". ") + Tx(T::NoUncertainty),
                   r_.asLeft, r_.uncertainty);
    Adjustment();
    Decision();
    End();
    End();
    End();
  }

  void ReferenceStandard() {
    const ::ReferenceStandard& ref = r_.reference;
    Start("measuringEquipments");
    Start("measuringEquipment");
    Texts("name", T::ReferenceStandard);
    Start("description");
    Element("content", Tx(T::ReferenceCertificate)
                           .arg(NonEmpty(ref.certificate), ref.due.isValid() ? ref.due.toString(Qt::ISODate) : Tx(T::NotStated)));
    End();
    if (!ref.model.simplified().isEmpty()) Element("model", ref.model.simplified());
    if (!ref.serial.simplified().isEmpty()) {
      Start("identifications");
      Start("identification");
      Element("issuer", QStringLiteral("manufacturer"));
      Element("value", ref.serial.simplified());
      Texts("name", T::Serial);
      End();
      End();
    }
    End();
    End();
  }

  void Conditions() {
    const bool probe = r_.probeTemperatureMin && r_.probeTemperatureMax;
    if (!probe && !r_.ambientTemperature && !r_.humidity) return;
    Start("influenceConditions");
    if (probe) {
      Start("influenceCondition");
      Texts("name", T::ProbeTemperature);
      Start("data");
      Real(T::Minimum, *r_.probeTemperatureMin, QStringLiteral("\\degreecelsius"));
      Real(T::Maximum, *r_.probeTemperatureMax, QStringLiteral("\\degreecelsius"));
      End();
      End();
    }
    if (r_.ambientTemperature) Condition(T::AmbientTemperature, *r_.ambientTemperature, QStringLiteral("\\degreecelsius"));
    if (r_.humidity) Condition(T::Humidity, *r_.humidity, QStringLiteral("\\percent"));
    End();
  }
  void Condition(T name, double value, const QString& unit) {
    Start("influenceCondition");
    Texts("name", name);
    Start("data");
    Real(name, value, unit);
    End();
    End();
  }
  // A quantity of one value in an SI unit (or \one).
  void Real(T name, double value, const QString& unit) {
    Start("quantity");
    Texts("name", name);
    w_.writeStartElement(kSi, QStringLiteral("real"));
    SiElement("value", Decimal(value));
    SiElement("unit", unit);
    w_.writeEndElement();
    End();
  }
  // A quantity of one value in the readings' unit, with the gauss beside the tesla.
  void Reading(T name, double value) {
    Start("quantity");
    Texts("name", name);
    const bool hybrid = !unit_.nonSiUnit.isEmpty();
    if (hybrid) w_.writeStartElement(kSi, QStringLiteral("hybrid"));
    w_.writeStartElement(kSi, QStringLiteral("real"));
    SiElement("value", Decimal(value * unit_.scale));
    SiElement("unit", unit_.unit);
    w_.writeEndElement();
    if (hybrid) {
      w_.writeStartElement(kSi, QStringLiteral("real"));
      SiElement("value", Decimal(value));
      SiElement("unit", unit_.nonSiUnit);
      w_.writeEndElement();
      w_.writeEndElement();
    }
    End();
  }

  void PointsResult(T name, const QString& state, const QList<CalibrationPoint>& points, std::optional<double> expanded) {
    Start("result");
    Texts("name", name);
    Start("description");
    Element("content", state);
    End();
    Start("data");
    Start("list");
    Series reference, reading, error;
    for (const CalibrationPoint& p : points) {
      for (Series* s : {&reference, &reading, &error}) s->times << p.at;
      reference.values << p.reference;
      reading.values << p.calibrated;
      error.values << p.calibrated - p.reference;
    }
    if (r_.reference.uncertainty > 0) {
      reference.expanded = r_.reference.uncertainty;
      reference.coverage = r_.reference.coverage;
    }
    if (expanded) {
      for (Series* s : {&reading, &error}) {
        s->expanded = *expanded;
        s->coverage = r_.coverage.value_or(2);
      }
    }
    List(T::Reference, reference, QStringLiteral("basic_referenceValue"));
    List(T::Reading, reading, QStringLiteral("basic_measuredValue"));
    List(T::Error, error, QStringLiteral("basic_measurementError"));
    End();
    End();
    End();
  }

  void List(T name, const Series& s, const QString& refType) {
    Start("quantity");
    w_.writeAttribute(QStringLiteral("refType"), refType);
    Texts("name", name);
    const bool hybrid = !unit_.nonSiUnit.isEmpty();
    if (hybrid) w_.writeStartElement(kSi, QStringLiteral("hybrid"));
    XmlList(s, unit_.unit, unit_.scale);
    if (hybrid) {
      XmlList(s, unit_.nonSiUnit, 1);
      w_.writeEndElement();
    }
    End();
  }
  void XmlList(const Series& s, const QString& unit, double scale) {
    QStringList values, times, uncertainties;
    for (double v : s.values) values << Decimal(v * scale);
    for (const QDateTime& t : s.times) times << IsoTime(t);
    w_.writeStartElement(kSi, QStringLiteral("realListXMLList"));
    SiElement("valueXMLList", values.join(u' '));
    SiElement("unitXMLList", unit);
    if (std::all_of(s.times.begin(), s.times.end(), [](const QDateTime& t) { return t.isValid(); }))
      SiElement("dateTimeXMLList", times.join(u' '));
    if (s.expanded) {
      for (qsizetype i = 0; i < s.values.size(); ++i) uncertainties << Decimal(std::abs(*s.expanded) * scale);
      w_.writeStartElement(kSi, QStringLiteral("measurementUncertaintyUnivariateXMLList"));
      w_.writeStartElement(kSi, QStringLiteral("expandedMUXMLList"));
      SiElement("valueExpandedMUXMLList", uncertainties.join(u' '));
      SiElement("coverageFactorXMLList", Decimal(s.coverage));
      SiElement("coverageProbabilityXMLList", kProbability);
      w_.writeEndElement();
      w_.writeEndElement();
    }
    w_.writeEndElement();
  }

  void Adjustment() {
    Start("result");
    Texts("name", T::Adjustment);
    Start("data");
    Real(T::Slope, r_.slope, QStringLiteral("\\one"));
    Reading(T::Offset, r_.offset);
    Reading(T::ResidualSd, r_.residualSd);
    if (r_.initialGain) Real(T::InitialGain, *r_.initialGain, QStringLiteral("\\one"));
    if (r_.gainBefore) Real(T::GainBefore, *r_.gainBefore, QStringLiteral("\\one"));
    Real(T::GainAfter, r_.gainAfter, QStringLiteral("\\one"));
    End();
    End();
  }

  void Decision() {
    Start("result");
    Texts("name", T::Decision);
    Start("data");
    Start("quantity");
    Texts("name", T::Decision);
    const T verdict = !r_.passed ? T::NoVerdict : *r_.passed ? T::Pass : T::Fail;
    Texts("noQuantity", verdict);
    Start("measurementMetaData");
    Start("metaData");
    const QString rule = DecisionRuleText(o_.language, r_.decisionRule);
    Start("declaration");
    Element("content", Tx(T::Tolerance).arg(Decimal(r_.tolerancePercent), Decimal(r_.toleranceDigits), rule));
    End();
    if (r_.passed) Element("conformity", *r_.passed ? QStringLiteral("pass") : QStringLiteral("fail"));
    End();
    End();
    End();
    End();
    End();
  }

  std::pair<QDateTime, QDateTime> Period() const {
    QDateTime first, last;
    for (const QList<CalibrationPoint>* points : {&r_.asFound, &r_.asLeft})
      for (const CalibrationPoint& p : *points) {
        if (!p.at.isValid()) continue;
        if (!first.isValid() || p.at < first) first = p.at;
        if (!last.isValid() || p.at > last) last = p.at;
      }
    if (!first.isValid()) first = last = r_.at;
    return {first, last};
  }
  QString RangeName() const {
    static const char* const kNames[] = {"DC1", "DC2", "AC1", "AC2"};
    return r_.rangeIndex >= 0 && r_.rangeIndex < 4 ? QString::fromLatin1(kNames[r_.rangeIndex]) : QString::number(r_.rangeIndex);
  }
  QString ProbeName() const {
    return r_.probeRow == 1 ? QStringLiteral("AXIAL") : r_.probeRow == 2 ? QStringLiteral("TRANS") : QString::number(r_.probeRow);
  }

  const CalibrationRecord& r_;
  const SignatureRecord& s_;
  const DccOptions& o_;
  DsiUnit unit_;
  QString readingUnit_;
  QByteArray xml_;
  QXmlStreamWriter w_;
};

bool Finite(const CalibrationRecord& r) {
  QList<double> numbers = {r.slope, r.offset, r.residualSd, r.reference.uncertainty, r.reference.coverage,
                           r.tolerancePercent, r.toleranceDigits};
  for (const QList<CalibrationPoint>* points : {&r.asFound, &r.asLeft})
    for (const CalibrationPoint& p : *points) numbers << p.reference << p.calibrated;
  for (const std::optional<double>& v : {r.uncertainty, r.coverage, r.probeTemperatureMin, r.probeTemperatureMax,
                                         r.ambientTemperature, r.humidity})
    if (v) numbers << *v;
  return std::all_of(numbers.begin(), numbers.end(), [](double v) { return std::isfinite(v); });
}
}  // namespace

std::optional<DsiUnit> DsiUnitOf(const QString& unit) {
  if (unit == QLatin1String("mT")) return DsiUnit{QStringLiteral("\\milli\\tesla"), 1, {}};
  if (unit == QLatin1String("Gs")) return DsiUnit{QStringLiteral("\\tesla"), 1e-4, QStringLiteral("|gauss")};
  if (unit == QLatin1String("kA/m")) return DsiUnit{QStringLiteral("\\kilo\\ampere\\metre\\tothe{-1}"), 1, {}};
  return std::nullopt;
}

QString DccFileName(const QString& number) {
  QString name = number;
  name.replace(u'/', u'-');
  return QStringLiteral("DCC-%1.xml").arg(name);
}

DccResult WriteDcc(const CalibrationRecord& record, const SignatureRecord& approval, const DccOptions& options) {
  const bool polish = options.language == CertificateLanguage::Polish;
  DccResult result;
  const auto refuse = [&](T id, const QString& a = {}, const QString& b = {}, const QString& c = {}) {
    QString text = Text(id, polish);
    for (const QString& arg : {a, b, c})
      if (text.contains(u'%')) text = text.arg(arg);
    result.message = text;
    return result;
  };
  if (approval.calibration != record.number)
    return refuse(T::RefusedSignature, approval.number, approval.calibration, record.number);
  const QString unit = record.unit.isEmpty() ? record.reference.unit : record.unit;
  if (unit.isEmpty()) return refuse(T::RefusedNoUnit);
  const std::optional<DsiUnit> dsi = DsiUnitOf(unit);
  if (!dsi) return refuse(T::RefusedUnit, unit);
  if (!record.reference.unit.isEmpty() && record.reference.unit != unit)
    return refuse(T::RefusedMismatch, unit, record.reference.unit);
  if (record.asFound.isEmpty() && record.asLeft.isEmpty()) return refuse(T::RefusedEmpty);
  if (!Finite(record)) return refuse(T::RefusedNumber);
  for (const double k : {record.coverage.value_or(2), record.reference.uncertainty > 0 ? record.reference.coverage : 2.0})
    if (k < 1) return refuse(T::RefusedCoverage, Decimal(k));
  result.xml = DccXml(record, approval, options, *dsi, unit).Write(result.notes);
  result.ok = true;
  return result;
}
