#include "parameters/MeterParameters.h"

#include <cfenv>
#include <cmath>

const QList<ParameterAddress>& ParameterAddressMap() {
  using P = MeterParameters;
  using E = ParameterEncoding;
  static const QList<ParameterAddress> map = {
      {P::Sondy(1, 1), 0, E::Gain},
      {P::Sondy(2, 1), 4, E::Gain},
      {P::Sondy(3, 1), 8, E::Gain},
      {P::Sondy(4, 1), kAxialAc2GainAddress, E::Gain},
      {P::Sondy(1, 2), 16, E::Gain},
      {P::Sondy(2, 2), 20, E::Gain},
      {P::Sondy(3, 2), 24, E::Gain},
      {P::Sondy(4, 2), 22, E::Gain},
      {P::Stala, 10, E::SignedWord},
      {P::Wtemp, 50, E::SignedWord},
      {P::OTemp, 48, E::SignedWord},
      {P::WKor, kCorrectionAddress, E::BoundedFraction},
      {P::OKor, 6, E::SignedWord},
      {P::Kfiltr(1, 1), 32, E::FilterConstant},
      {P::Kfiltr(2, 1), 36, E::FilterConstant},
      {P::Kfiltr(3, 1), 40, E::FilterConstant},
      {P::Kfiltr(4, 1), 26, E::FilterConstant},
      {P::Kfiltr(1, 2), 34, E::UnsignedWord},
      {P::Kfiltr(2, 2), 38, E::UnsignedWord},
      {P::Kfiltr(3, 2), 42, E::UnsignedWord},
      {P::Kfiltr(4, 2), 28, E::UnsignedWord},
      {P::SFaza(1), kPhasePairAddress, E::PhasePair},
      {P::SFaza(2), kPhasePairAddress, E::PhasePair},
      {P::ProgRodzajuSondy, kProbeThresholdAddress, E::ProbeThreshold},
      {P::WzmocnienieFiltruTemp, 44, E::FilterConstant},
  };
  return map;
}

std::optional<int> AddressOf(int member) {
  for (const ParameterAddress& a : ParameterAddressMap())
    if (a.member == member) return a.address;
  return std::nullopt;
}

double Nint(double x) {
  // nearbyint follows the current rounding mode; the program never leaves to-nearest, but
  // the rule must not depend on that.
  const int mode = std::fegetround();
  if (mode == FE_TONEAREST) return std::nearbyint(x);
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(x);
  std::fesetround(mode);
  return r;
}

QString WithDecimalPoint(const QString& text) {
  QString t = text;
  const qsizetype comma = t.indexOf(QLatin1Char(','));
  if (comma >= 0) t[comma] = QLatin1Char('.');
  return t;
}

std::optional<double> ParseFraction(const QString& text) {
  bool ok = false;
  const double v = WithDecimalPoint(text).toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

namespace {

EncodedWord Refused(Refusal why) { return {why, 0}; }

// A rounded value as its 16-bit pattern, when it lies in [low, high] (checked as a double,
// so nothing out of range is ever cast).
EncodedWord WordIn(double rounded, double low, double high) {
  if (!(rounded >= low && rounded <= high)) return Refused(Refusal::OutOfRange);
  return {Refusal::None, quint16(qint64(rounded) & 0xFFFF)};
}

// A decimal integer text in [low, high].
EncodedWord IntegerIn(const QString& text, int low, int high) {
  if (text.isEmpty()) return Refused(Refusal::Empty);
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  if (!ok) return Refused(Refusal::NotANumber);
  return WordIn(value, low, high);
}

}  // namespace

EncodedWord EncodeSignedWord(const QString& text) { return IntegerIn(text, -32768, 32767); }

EncodedWord EncodeUnsignedWord(const QString& text) { return IntegerIn(text, 0, 65535); }

EncodedWord EncodeGain(const QString& text) {
  if (text.isEmpty()) return Refused(Refusal::Empty);
  const auto v = ParseFraction(text);
  if (!v) return Refused(Refusal::NotANumber);
  return WordIn(Nint(*v * 32767.0), -32768, 32767);
}

EncodedWord EncodeBoundedFraction(const QString& text) {
  if (text.isEmpty()) return Refused(Refusal::Empty);
  const auto v = ParseFraction(text);
  if (!v) return Refused(Refusal::NotANumber);
  if (!(*v > -1.0 && *v < 1.0)) return Refused(Refusal::OutOfRange);
  return WordIn(Nint(*v * 32767.0), -32768, 32767);
}

EncodedWord EncodeFilterConstant(const QString& text) {
  if (text.isEmpty()) return Refused(Refusal::Empty);
  const auto v = ParseFraction(text);
  if (!v) return Refused(Refusal::NotANumber);
  if (!(*v > -1.0 && *v < 1.0)) return Refused(Refusal::OutOfRange);
  if (*v == 0.0) return {Refusal::None, 0};
  // From -ln 2 down the constant no longer fits in 16 bits; its low bits would read as a
  // quite different positive constant.
  return WordIn(Nint(32768.0 * std::exp(-*v)), 0, 65535);
}

EncodedWord EncodeProbeThreshold(const QString& text) {
  if (text.isEmpty()) return Refused(Refusal::Empty);
  bool ok = false;
  const int t = text.toInt(&ok, 10);
  if (!ok) return Refused(Refusal::NotANumber);
  if (t < 0 || t > 1800) return Refused(Refusal::OutOfRange);
  return WordIn(Nint(t * -0.4092), -32768, 32767);
}

EncodedPhasePair EncodePhasePair(const QString& phase1, const QString& phase2) {
  EncodedPhasePair pair;
  if (phase1.isEmpty() || phase2.isEmpty()) {
    pair.refusal = Refusal::Empty;
    return pair;
  }
  const EncodedWord p2 = IntegerIn(phase2, 0, 255);
  const EncodedWord p1 = IntegerIn(phase1, 0, 255);
  if (!p2.ok() || !p1.ok()) {
    const bool second = !p2.ok();
    pair.refusal = second ? p2.refusal : p1.refusal;
    pair.offendingText = second ? phase2 : phase1;
    pair.offendingPhase = second ? 2 : 1;
    return pair;
  }
  pair.phase1 = quint8(p1.word);
  pair.phase2 = quint8(p2.word);
  return pair;
}
