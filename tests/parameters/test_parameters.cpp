// The parameter set's encodings and the transfer's plan, decided from the texts alone.
#include <QtTest>

#include "parameters/MeterParameters.h"
#include "parameters/Transfer.h"
#include "tests/parameters/ReferenceCalibration.h"

Q_DECLARE_METATYPE(ParameterEncoding)
Q_DECLARE_METATYPE(Refusal)
Q_DECLARE_METATYPE(TransferStep)
Q_DECLARE_METATYPE(TextLanguage)

namespace {
using P = MeterParameters;
using Texts = QMap<int, QString>;

EncodedWord Encode(ParameterEncoding kind, const QString& text) {
  switch (kind) {
    case ParameterEncoding::SignedWord: return EncodeSignedWord(text);
    case ParameterEncoding::UnsignedWord: return EncodeUnsignedWord(text);
    case ParameterEncoding::Gain: return EncodeGain(text);
    case ParameterEncoding::BoundedFraction: return EncodeBoundedFraction(text);
    case ParameterEncoding::FilterConstant: return EncodeFilterConstant(text);
    case ParameterEncoding::ProbeThreshold: return EncodeProbeThreshold(text);
    case ParameterEncoding::PhasePair: break;
  }
  return {};
}

// Each step as one line: "AA5543..." for a frame, "store"; a refused plan as "! " and its text.
QStringList Describe(const TransferPlan& plan) {
  if (!plan.ok()) return {"! " + plan.refusal};
  QStringList lines;
  for (const TransferStep& s : plan.steps) {
    switch (s.kind) {
      case TransferStep::Kind::Skip: break;
      case TransferStep::Kind::Frame: lines << QString::fromLatin1(s.frame.toHex().toUpper()); break;
      case TransferStep::Kind::Refused: lines << "refused step " + s.text; break;
      case TransferStep::Kind::Store: lines << "store"; break;
    }
  }
  return lines;
}

MeterParameters With(MeterParameters p, const Texts& texts) {
  for (auto it = texts.cbegin(); it != texts.cend(); ++it) p[it.key()] = it.value();
  return p;
}

const QString k1000 = "AA55432EE803";
}  // namespace

class TestParameters : public QObject {
  Q_OBJECT
 private slots:
  void encodings_data() {
    QTest::addColumn<ParameterEncoding>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Refusal>("refusal");
    QTest::addColumn<int>("word");
    using E = ParameterEncoding;
    using R = Refusal;
    const struct {
      E kind;
      const char* text;
      R refusal;
      int word;
    } rows[] = {
        {E::SignedWord, "-1", R::None, 0xFFFF},
        {E::SignedWord, "-300", R::None, 0xFED4},
        {E::SignedWord, "1,5", R::NotANumber, 0},
        {E::SignedWord, "abc", R::NotANumber, 0},
        {E::SignedWord, "", R::Empty, 0},
        {E::UnsignedWord, "40000", R::None, 0x9C40},  // thresholds above 32767 travel unsigned
        {E::Gain, "0,5", R::None, 0x4000},  // 16383.5 goes to the even 16384
        {E::Gain, "0.5", R::None, 0x4000},
        {E::Gain, "-0,25", R::None, 0xE000},
        {E::Gain, "0,9634", R::None, 0x7B50},
        {E::Gain, "0,75", R::None, 0x5FFF},
        {E::Gain, "1", R::None, 0x7FFF},
        {E::Gain, "-1", R::None, 0x8001},
        {E::Gain, "1,00002", R::OutOfRange, 0},
        {E::Gain, "1,5", R::OutOfRange, 0},  // would wrap to a negative gain
        {E::Gain, "abc", R::NotANumber, 0},
        {E::Gain, "nan", R::NotANumber, 0},
        {E::Gain, "inf", R::NotANumber, 0},
        {E::Gain, "1e400", R::NotANumber, 0},
        {E::Gain, "0,5,1", R::NotANumber, 0},
        {E::Gain, "", R::Empty, 0},
        {E::BoundedFraction, "0,001", R::None, 0x0021},
        {E::BoundedFraction, "-0,5", R::None, 0xC000},  // -16383.5 to -16384, not -16383
        {E::BoundedFraction, "0,99999", R::None, 0x7FFF},
        {E::BoundedFraction, "1", R::OutOfRange, 0},
        {E::BoundedFraction, "-1", R::OutOfRange, 0},
        {E::BoundedFraction, "0,5,1", R::NotANumber, 0},
        {E::FilterConstant, "0,1", R::None, 0x73D2},
        {E::FilterConstant, "0,05", R::None, 0x79C2},
        {E::FilterConstant, "0,5", R::None, 0x4DA3},
        {E::FilterConstant, "0", R::None, 0},
        {E::FilterConstant, "0,000000001", R::None, 0x8000},
        {E::FilterConstant, "-0,5", R::None, 0xD309},
        {E::FilterConstant, "-0,69", R::None, 0xFF32},
        {E::FilterConstant, "-0,7", R::OutOfRange, 0},  // beyond -ln 2 the word passes 65535
        {E::FilterConstant, "-0,9", R::OutOfRange, 0},
        {E::FilterConstant, "1", R::OutOfRange, 0},
        {E::FilterConstant, "0,5,1", R::NotANumber, 0},
        {E::FilterConstant, "nan", R::NotANumber, 0},
        {E::ProbeThreshold, "500", R::None, 0xFF33},
        {E::ProbeThreshold, "1800", R::None, 0xFD1F},
        {E::ProbeThreshold, "0", R::None, 0},
        {E::ProbeThreshold, "1", R::None, 0},
        {E::ProbeThreshold, "1801", R::OutOfRange, 0},
        {E::ProbeThreshold, "-1", R::OutOfRange, 0},
        {E::ProbeThreshold, "1,5", R::NotANumber, 0},
    };
    const char* const names[] = {"signed", "unsigned", "gain", "fraction", "filter", "threshold"};
    for (const auto& r : rows)
      QTest::addRow("%s %s", names[int(r.kind)], r.text) << r.kind << QString::fromUtf8(r.text) << r.refusal
                                                  << r.word;
  }
  void encodings() {
    QFETCH(ParameterEncoding, kind);
    QFETCH(QString, text);
    QFETCH(Refusal, refusal);
    QFETCH(int, word);
    const EncodedWord e = Encode(kind, text);
    QCOMPARE(e.refusal, refusal);
    if (e.ok()) QCOMPARE(int(e.word), word);
  }

  void phasePair_data() {
    QTest::addColumn<QString>("phase1");
    QTest::addColumn<QString>("phase2");
    QTest::addColumn<Refusal>("refusal");
    QTest::addColumn<QString>("offending");
    QTest::addColumn<int>("offendingPhase");
    QTest::addColumn<int>("bytes");
    QTest::newRow("10 20") << "10" << "20" << Refusal::None << "" << 0 << 0x0A14;
    QTest::newRow("out of range: range 2 named") << "256" << "-1" << Refusal::OutOfRange << "-1" << 2 << 0;
    QTest::newRow("one empty") << "10" << "" << Refusal::Empty << "" << 0 << 0;
    QTest::newRow("not a number") << "10" << "x" << Refusal::NotANumber << "x" << 2 << 0;
    QTest::newRow("both bad: range 2 named") << "y" << "x" << Refusal::NotANumber << "x" << 2 << 0;
  }
  void phasePair() {
    QFETCH(QString, phase1);
    QFETCH(QString, phase2);
    QFETCH(Refusal, refusal);
    QFETCH(QString, offending);
    QFETCH(int, offendingPhase);
    QFETCH(int, bytes);
    const EncodedPhasePair e = EncodePhasePair(phase1, phase2);
    QCOMPARE(e.refusal, refusal);
    QCOMPARE(e.offendingText, offending);
    QCOMPARE(e.offendingPhase, offendingPhase);
    if (e.ok()) QCOMPARE(e.phase1 << 8 | e.phase2, bytes);
  }

  void addressMapCoversEverySentMember() {
    QSet<int> addresses;
    for (const ParameterAddress& a : ParameterAddressMap()) addresses << a.address;
    QCOMPARE(addresses.size(), 24);  // 25 members, the two phases share one address
    QVERIFY(!AddressOf(P::NumerSeryjnyMiernika));
    QCOMPARE(AddressOf(P::Sondy(4, 2)), 22);
    QCOMPARE(AddressOf(P::Kfiltr(4, 1)), 26);
    // The plan writes each member to the address the map gives it.
    MeterParameters p = ReferenceParameters();
    const TransferPlan plan = PlanTransfer(p, false);
    QVERIFY(plan.ok());
    QSet<int> planned;
    for (const TransferStep& s : plan.steps)
      if (s.kind == TransferStep::Kind::Frame) planned << quint8(s.frame[3]);
    QCOMPARE(planned, addresses + QSet<int>{kConstantAddress});
  }

  // Panel contents (member index -> text) and what the transfer makes of them: the frames, or
  // the refusal that keeps every frame back.
  void plan_data() {
    QTest::addColumn<Texts>("texts");
    QTest::addColumn<bool>("store");
    QTest::addColumn<QStringList>("steps");
    using M = QMap<int, QString>;
    QTest::newRow("empty") << M{} << false << QStringList{k1000};
    QTest::newRow("empty, store") << M{} << true << QStringList{k1000, "store"};
    QTest::newRow("gain 0,5") << M{{P::Sondy(1, 1), "0,5"}} << false
                              << QStringList{"AA5543000040", k1000};
    QTest::newRow("AXIAL AC2 to 12") << M{{P::Sondy(4, 1), "0,9634"}} << false
                                     << QStringList{"AA55430C507B", k1000};
    QTest::newRow("gain abc")
        << M{{P::Sondy(1, 1), "abc"}} << false
        << QStringList{"! Nie można wysłać tekstu abc do adresu 0\nSondy: AXIAL wzm. / DC 1"};
    QTest::newRow("gain 1,5 refused")
        << M{{P::Sondy(1, 1), "1,5"}} << false
        << QStringList{"! Nie można wysłać tekstu 1.5 do adresu 0\nSondy: AXIAL wzm. / DC 1"};
    QTest::newRow("OTemp not a number")
        << M{{P::OTemp, "x"}} << false
        << QStringList{"! Nie można wysłać tekstu x do adresu 48\nOffset termometru"};
    QTest::newRow("threshold 1800") << M{{P::ProgRodzajuSondy, "1800"}} << false
                                    << QStringList{k1000, "AA5543121FFD"};
    QTest::newRow("threshold 1801, store")
        << M{{P::ProgRodzajuSondy, "1801"}} << true
        << QStringList{"! Niedozwolona wartość komórki: próg rodzaju sondy!\nPróg rodzaju sondy mV"};
    QTest::newRow("threshold abc")
        << M{{P::ProgRodzajuSondy, "abc"}} << true
        << QStringList{"! 'abc' is not a valid integer value\nPróg rodzaju sondy mV"};
    QTest::newRow("filter 0,1") << M{{P::Kfiltr(4, 1), "0,1"}} << false
                                << QStringList{k1000, "AA55431AD273"};
    QTest::newRow("filter 1") << M{{P::Kfiltr(4, 1), "1"}} << false
                              << QStringList{"! Nieprawidłowy format danych filtru :1\nFiltr: Wzm. / AC 2"};
    QTest::newRow("filter -0,9")
        << M{{P::Kfiltr(4, 1), "-0,9"}} << false
        << QStringList{"! Nieprawidłowy format danych filtru :-0.9\nFiltr: Wzm. / AC 2"};
    QTest::newRow("WKor 1")
        << M{{P::WKor, "1"}} << false
        << QStringList{"! Niepoprawnie wprowadzona wartość współczynnika korekcji temp.\n"
                       "Współczynnik korekcji temp."};
    QTest::newRow("WKor -0,5") << M{{P::WKor, "-0,5"}} << false
                               << QStringList{"AA55430200C0", k1000};
    QTest::newRow("one phase") << M{{P::SFaza(1), "10"}} << false << QStringList{k1000};
    QTest::newRow("phases 10 20") << M{{P::SFaza(1), "10"}, {P::SFaza(2), "20"}} << false
                                  << QStringList{k1000, "AA5543370A14"};
    QTest::newRow("phase x")
        << M{{P::SFaza(1), "10"}, {P::SFaza(2), "x"}} << false
        << QStringList{"! Nie można wysłać tekstu x do adresu 55\nZakres: Zakres 2 / Faza"};
    QTest::newRow("serial never sent") << M{{P::NumerSeryjnyMiernika, "12345"}} << false
                                       << QStringList{k1000};
    QStringList reference;
    for (const QByteArray& f : ReferenceFrames()) reference << QString::fromLatin1(f.toHex().toUpper());
    M all;
    for (int i = 0; i < P::kCount; ++i) all[i] = ReferenceParameters()[i];
    QTest::newRow("reference") << all << true << (reference << "store");
  }
  void plan() {
    QFETCH(Texts, texts);
    QFETCH(bool, store);
    QFETCH(QStringList, steps);
    const TransferPlan plan = PlanTransfer(With({}, texts), store);
    QCOMPARE(Describe(plan), steps);
    QCOMPARE(plan.steps.size(), plan.ok() ? kTransferValueSteps + (store ? 1 : 0) : 0);
  }

  // Whole numbers at the edges of the range each field's hint gives: the frame sent, or ""
  // when the value is refused (never cut down to its low bits).
  void wholeNumbersInRange_data() {
    QTest::addColumn<Texts>("texts");
    QTest::addColumn<QString>("frame");
    QTest::newRow("OTemp 32767") << Texts{{P::OTemp, "32767"}} << "AA554330FF7F";
    QTest::newRow("OTemp 32768") << Texts{{P::OTemp, "32768"}} << "";
    QTest::newRow("OTemp -32769") << Texts{{P::OTemp, "-32769"}} << "";
    QTest::newRow("threshold 65535") << Texts{{P::Kfiltr(1, 2), "65535"}} << "AA554322FFFF";
    QTest::newRow("threshold -1") << Texts{{P::Kfiltr(3, 2), "-1"}} << "";
    QTest::newRow("threshold 65536") << Texts{{P::Kfiltr(1, 2), "65536"}} << "";
    QTest::newRow("phases 255 0") << Texts{{P::SFaza(1), "255"}, {P::SFaza(2), "0"}} << "AA554337FF00";
    QTest::newRow("phase 256") << Texts{{P::SFaza(1), "256"}, {P::SFaza(2), "0"}} << "";
    QTest::newRow("phase -1") << Texts{{P::SFaza(1), "0"}, {P::SFaza(2), "-1"}} << "";
    QTest::newRow("probe threshold 1800") << Texts{{P::ProgRodzajuSondy, "1800"}} << "AA5543121FFD";
    QTest::newRow("probe threshold 1801") << Texts{{P::ProgRodzajuSondy, "1801"}} << "";
  }
  void wholeNumbersInRange() {
    QFETCH(Texts, texts);
    QFETCH(QString, frame);
    const TransferPlan plan = PlanTransfer(With({}, texts), true);
    if (frame.isEmpty()) {
      QVERIFY(!plan.ok());
      QVERIFY(plan.steps.isEmpty());
    } else {
      QStringList sent = Describe(plan);
      sent.removeAll(k1000);
      QCOMPARE(sent, (QStringList{frame, "store"}));
    }
  }

  // The reference calibration with one bad value (or two): the plan holds not one frame, and
  // its one message says why and names the first bad cell in the order of sending.
  void oneBadCellKeepsTheWholeCalibrationBack_data() {
    QTest::addColumn<Texts>("texts");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("gain") << Texts{{P::Sondy(3, 2), "1,5"}}
                          << "Nie można wysłać tekstu 1.5 do adresu 24\nSondy: TRANS wzm. / AC 1";
    QTest::newRow("whole number") << Texts{{P::Kfiltr(2, 2), "-1"}}
                                  << "Nie można wysłać tekstu -1 do adresu 38\nFiltr: Próg / DC 2";
    QTest::newRow("phase") << Texts{{P::SFaza(1), "256"}}
                           << "Nie można wysłać tekstu 256 do adresu 55\nZakres: Zakres 1 / Faza";
    QTest::newRow("probe threshold not an integer")
        << Texts{{P::ProgRodzajuSondy, "5,5"}} << "'5,5' is not a valid integer value\nPróg rodzaju sondy mV";
    QTest::newRow("two: the first sent is named")
        << Texts{{P::Kfiltr(1, 1), "1"}, {P::WzmocnienieFiltruTemp, "x"}}
        << "Nieprawidłowy format danych filtru :x\nWzmocnienie filtru temp.";
  }
  void oneBadCellKeepsTheWholeCalibrationBack() {
    QFETCH(Texts, texts);
    QFETCH(QString, refusal);
    const TransferPlan plan = PlanTransfer(With(ReferenceParameters(), texts), true);
    QCOMPARE(plan.refusal, refusal);
    QVERIFY(plan.steps.isEmpty());
  }

  // What a failed write of each kind of value says: the text as converted, or the word.
  void writeFailureTexts_data() {
    QTest::addColumn<TransferStep>("step");
    QTest::addColumn<QString>("text");
    QTest::newRow("gain") << GainStep("0,5", 0) << "Nie można wysłać tekstu 0.5 do adresu 0";
    QTest::newRow("filter") << FilterConstantStep("-0,5", 26) << "Nie można wysłać tekstu -11511 do adresu 26";
    QTest::newRow("correction") << CorrectionStep("-0,5") << "Nie można wysłać tekstu -16384 do adresu 2";
    QTest::newRow("phase pair") << PhasePairStep("10", "20") << "Nie można wysłać tekstu 10 do adresu 55";
    QTest::newRow("threshold") << ProbeThresholdStep("500", 18) << "Nie można wysłać tekstu 500 do adresu 18";
    QTest::newRow("signed word") << SignedWordStep("-300", 6) << "Nie można wysłać tekstu -300 do adresu 6";
    QTest::newRow("filter, English") << FilterConstantStep("-0,5", 26, TextLanguage::English)
                                     << "Cannot send text -11511 to address 26";
    QTest::newRow("phase pair, English") << PhasePairStep("10", "20", TextLanguage::English)
                                         << "Cannot send text 10 to address 55";
  }
  void writeFailureTexts() {
    QFETCH(TransferStep, step);
    QFETCH(QString, text);
    QCOMPARE(step.kind, TransferStep::Kind::Frame);
    QCOMPARE(step.text, text);
  }

  // Each of the 26 members has a name of its own in each language, by which a message tells the
  // cell; the English ones hold no Polish letter.
  void everyCellNamedInEachLanguage_data() {
    QTest::addColumn<TextLanguage>("language");
    QTest::newRow("Polish") << TextLanguage::Polish;
    QTest::newRow("English") << TextLanguage::English;
  }
  void everyCellNamedInEachLanguage() {
    QFETCH(TextLanguage, language);
    QSet<QString> names;
    for (int member = 0; member < P::kCount; ++member) {
      const QString name = CellName(member, language);
      QVERIFY2(!name.isEmpty(), qPrintable(QString::number(member)));
      if (language == TextLanguage::English)
        QVERIFY2(!name.contains(QRegularExpression("[ąćęłńóśźżĄĆĘŁŃÓŚŹŻ]")), qPrintable(name));
      names << name;
    }
    QCOMPARE(names.size(), P::kCount);
    QCOMPARE(CellName(P::Kfiltr(2, 2), language),
             language == TextLanguage::English ? "Filter: Threshold / DC 2" : "Filtr: Próg / DC 2");
  }
};

QTEST_GUILESS_MAIN(TestParameters)
#include "test_parameters.moc"
