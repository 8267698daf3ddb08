// The parameter set's encodings and the transfer's plan, decided from the texts alone.
#include <QtTest>

#include "parameters/MeterParameters.h"
#include "parameters/Transfer.h"
#include "tests/parameters/ReferenceCalibration.h"

Q_DECLARE_METATYPE(ParameterEncoding)
Q_DECLARE_METATYPE(Refusal)
Q_DECLARE_METATYPE(TransferStep)

namespace {
using P = MeterParameters;
using Texts = QMap<int, QString>;

EncodedWord Encode(ParameterEncoding kind, const QString& text) {
  switch (kind) {
    case ParameterEncoding::Integer: return EncodeInteger(text);
    case ParameterEncoding::Gain: return EncodeGain(text);
    case ParameterEncoding::BoundedFraction: return EncodeBoundedFraction(text);
    case ParameterEncoding::FilterConstant: return EncodeFilterConstant(text);
    case ParameterEncoding::Threshold: return EncodeProbeThreshold(text);
    case ParameterEncoding::PhasePair: break;
  }
  return {};
}

// Each step as one line: "AA5543..." for a frame, "! text" for a message, "abort text", "store".
QStringList Describe(const QList<TransferStep>& plan) {
  QStringList lines;
  for (const TransferStep& s : plan) {
    switch (s.kind) {
      case TransferStep::Kind::Skip: break;
      case TransferStep::Kind::Frame: lines << QString::fromLatin1(s.frame.toHex().toUpper()); break;
      case TransferStep::Kind::Message: lines << "! " + s.text; break;
      case TransferStep::Kind::Abort: lines << "abort " + s.text; break;
      case TransferStep::Kind::Store: lines << "store"; break;
    }
  }
  return lines;
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
        {E::Integer, "-1", R::None, 0xFFFF},
        {E::Integer, "40000", R::None, 0x9C40},  // thresholds above 32767 travel unsigned
        {E::Integer, "-300", R::None, 0xFED4},
        {E::Integer, "1,5", R::NotANumber, 0},
        {E::Integer, "abc", R::NotANumber, 0},
        {E::Integer, "", R::Empty, 0},
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
        {E::Threshold, "500", R::None, 0xFF33},
        {E::Threshold, "1800", R::None, 0xFD1F},
        {E::Threshold, "0", R::None, 0},
        {E::Threshold, "1", R::None, 0},
        {E::Threshold, "1801", R::OutOfRange, 0},
        {E::Threshold, "-1", R::OutOfRange, 0},
        {E::Threshold, "1,5", R::NotANumber, 0},
    };
    const char* const names[] = {"integer", "gain", "fraction", "filter", "threshold"};
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
    QTest::addColumn<int>("bytes");
    QTest::newRow("10 20") << "10" << "20" << Refusal::None << "" << 0x0A14;
    QTest::newRow("wraps") << "256" << "-1" << Refusal::None << "" << 0x00FF;
    QTest::newRow("one empty") << "10" << "" << Refusal::Empty << "" << 0;
    QTest::newRow("not a number") << "10" << "x" << Refusal::NotANumber << "x" << 0;
    QTest::newRow("both bad: range 2 named") << "y" << "x" << Refusal::NotANumber << "x" << 0;
  }
  void phasePair() {
    QFETCH(QString, phase1);
    QFETCH(QString, phase2);
    QFETCH(Refusal, refusal);
    QFETCH(QString, offending);
    QFETCH(int, bytes);
    const EncodedPhasePair e = EncodePhasePair(phase1, phase2);
    QCOMPARE(e.refusal, refusal);
    QCOMPARE(e.offendingText, offending);
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
    const QList<TransferStep> plan = PlanTransfer(p, false);
    QSet<int> planned;
    for (const TransferStep& s : plan)
      if (s.kind == TransferStep::Kind::Frame) planned << quint8(s.frame[3]);
    QCOMPARE(planned, addresses + QSet<int>{kConstantAddress});
  }

  // Panel contents (member index -> text) and what the transfer makes of them.
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
    QTest::newRow("gain abc") << M{{P::Sondy(1, 1), "abc"}} << false
                              << QStringList{"! Nie można wysłać tekstu abc do adresu 0", k1000};
    QTest::newRow("gain 1,5 refused") << M{{P::Sondy(1, 1), "1,5"}} << false
                                      << QStringList{"! Nie można wysłać tekstu 1.5 do adresu 0", k1000};
    QTest::newRow("OTemp not a number") << M{{P::OTemp, "x"}} << false
                                        << QStringList{"! Nie można wysłać tekstu x do adresu 48", k1000};
    QTest::newRow("threshold 1800") << M{{P::ProgRodzajuSondy, "1800"}} << false
                                    << QStringList{k1000, "AA5543121FFD"};
    QTest::newRow("threshold 1801, store")
        << M{{P::ProgRodzajuSondy, "1801"}} << true
        << QStringList{k1000, "! Niedozwolona wartość komórki: próg rodzaju sondy!", "store"};
    QTest::newRow("threshold abc")
        << M{{P::ProgRodzajuSondy, "abc"}} << true
        << QStringList{k1000, "abort 'abc' is not a valid integer value", "store"};
    QTest::newRow("filter 0,1") << M{{P::Kfiltr(4, 1), "0,1"}} << false
                                << QStringList{k1000, "AA55431AD273"};
    QTest::newRow("filter 1") << M{{P::Kfiltr(4, 1), "1"}} << false
                              << QStringList{k1000, "! Nieprawidłowy format danych filtru :1"};
    QTest::newRow("filter -0,9") << M{{P::Kfiltr(4, 1), "-0,9"}} << false
                                 << QStringList{k1000, "! Nieprawidłowy format danych filtru :-0.9"};
    QTest::newRow("WKor 1") << M{{P::WKor, "1"}} << false
                            << QStringList{"! Niepoprawnie wprowadzona wartość współczynnika korekcji temp.", k1000};
    QTest::newRow("WKor -0,5") << M{{P::WKor, "-0,5"}} << false
                               << QStringList{"AA55430200C0", k1000};
    QTest::newRow("one phase") << M{{P::SFaza(1), "10"}} << false << QStringList{k1000};
    QTest::newRow("phases 10 20") << M{{P::SFaza(1), "10"}, {P::SFaza(2), "20"}} << false
                                  << QStringList{k1000, "AA5543370A14"};
    QTest::newRow("phase x") << M{{P::SFaza(1), "10"}, {P::SFaza(2), "x"}} << false
                             << QStringList{k1000, "! Nie można wysłać tekstu x do adresu 55"};
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
    MeterParameters p;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) p[it.key()] = it.value();
    const QList<TransferStep> plan = PlanTransfer(p, store);
    QCOMPARE(plan.size(), kTransferValueSteps + (store ? 1 : 0));
    QCOMPARE(Describe(plan), steps);
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
    QTest::newRow("integer") << IntegerStep("-300", 6) << "Nie można wysłać tekstu -300 do adresu 6";
  }
  void writeFailureTexts() {
    QFETCH(TransferStep, step);
    QFETCH(QString, text);
    QCOMPARE(step.kind, TransferStep::Kind::Frame);
    QCOMPARE(step.text, text);
  }
};

QTEST_GUILESS_MAIN(TestParameters)
#include "test_parameters.moc"
