#pragma once
// MeterParameters: the meter's calibration as the service panel holds it, 26 texts exactly as
// typed or loaded. A text becomes a 16-bit word only when it is sent, through one of the
// encodings below; the calibration file and the card keep the texts unchanged.
//
// Members in calibration-file order: the Sondy gains row by row (AXIAL DC1..AC2, TRANSVERSE
// DC1..AC2), Stala, Wtemp, OTemp, WKor, OKor, the KFILTR cells row by row (time constants
// DC1..AC2, dynamics thresholds DC1..AC2), the two S_Faza phases, ProgRodzajuSondy,
// NumerSeryjnyMiernika, WzmocnienieFiltruTemp.
//
// Number texts: the first comma becomes a point, then the C locale reads them; integers are
// decimal with an optional sign. Words are two's complement, low byte first on the wire. Each
// encoding takes only what its member's hint in the panel allows: a value outside it is
// refused, never cut down to its low bits (the meter would take a quite different value).
#include <QList>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

struct MeterParameters {
  static constexpr int kCount = 26;
  // Members that are not grid cells.
  static constexpr int Stala = 8;
  static constexpr int Wtemp = 9;
  static constexpr int OTemp = 10;
  static constexpr int WKor = 11;
  static constexpr int OKor = 12;
  static constexpr int ProgRodzajuSondy = 23;
  static constexpr int NumerSeryjnyMiernika = 24;
  static constexpr int WzmocnienieFiltruTemp = 25;

  // Grid cells, (column, row) as the panel's grids number them: columns 1..4 are the ranges
  // DC1, DC2, AC1, AC2; rows 1..2.
  static constexpr int Sondy(int column, int row) { return (row - 1) * 4 + (column - 1); }
  static constexpr int Kfiltr(int column, int row) { return 13 + (row - 1) * 4 + (column - 1); }
  static constexpr int SFaza(int row) { return 21 + (row - 1); }

  std::array<QString, kCount> texts;

  QString& operator[](int member) { return texts[std::size_t(member)]; }
  const QString& operator[](int member) const { return texts[std::size_t(member)]; }
  bool operator==(const MeterParameters&) const = default;
};

// ---- The meter's addresses ----

enum class ParameterEncoding {
  SignedWord,
  UnsignedWord,
  Gain,
  BoundedFraction,
  FilterConstant,
  ProbeThreshold,
  PhasePair,
};

struct ParameterAddress {
  int member;  // index into MeterParameters
  int address;
  ParameterEncoding encoding;
};

// Every member that the transfer writes, with its address and encoding (the serial number has
// no address; both phases share the pair at kPhasePairAddress).
const QList<ParameterAddress>& ParameterAddressMap();
// The address of a member, if it is ever sent.
std::optional<int> AddressOf(int member);

inline constexpr int kAxialAc2GainAddress = 12;  // also where the wizard writes its AC2 gain
inline constexpr int kConstantAddress = 46;      // takes the fixed text below with every transfer
inline const QString kConstantText = QStringLiteral("1000");
inline constexpr int kProbeThresholdAddress = 18;
inline constexpr int kCorrectionAddress = 2;
inline constexpr int kPhasePairAddress = 55;

// ---- Encodings: text -> word, or the reason it is refused ----

enum class Refusal {
  None,
  Empty,       // nothing to send; not an error
  NotANumber,  // the text does not convert (or is not finite)
  OutOfRange,  // it converts, but lies outside what the encoding accepts
};

struct EncodedWord {
  Refusal refusal = Refusal::None;
  quint16 word = 0;
  bool ok() const { return refusal == Refusal::None; }
  qint16 signedWord() const { return qint16(word); }
};

// Rounds to the nearest integer, ties to the even one (nint(-16383.5) = -16384).
double Nint(double x);
// The first comma made a point: the form the senders convert and quote in their messages.
QString WithDecimalPoint(const QString& text);
// A fraction as typed (decimal comma or point); nothing for a text that does not convert to a
// finite number.
std::optional<double> ParseFraction(const QString& text);

// Decimal integer in [-32768;32767] (Stala, Wtemp, OTemp, OKor).
EncodedWord EncodeSignedWord(const QString& text);
// Decimal integer in [0;65535] (the KFILTR thresholds); above 32767 the word is its unsigned
// pattern.
EncodedWord EncodeUnsignedWord(const QString& text);
// nint(v x 32767); refused unless that fits in a signed 16-bit word (so roughly -1 <= v <= 1).
EncodedWord EncodeGain(const QString& text);
// nint(v x 32767) for -1 < v < 1 (WKor).
EncodedWord EncodeBoundedFraction(const QString& text);
// 0 for v = 0, else nint(32768 x e^-v), for -1 < v < 1 as long as that fits in 16 bits
// (v > -ln 2); above 32767 the word is its unsigned pattern.
EncodedWord EncodeFilterConstant(const QString& text);
// Integer millivolts t, 0 <= t <= 1800, as nint(t x -0.4092).
EncodedWord EncodeProbeThreshold(const QString& text);

struct EncodedPhasePair {
  Refusal refusal = Refusal::None;
  QString offendingText;  // the phase text that was refused
  int offendingPhase = 0; // its row, 1 or 2
  quint8 phase1 = 0;      // byte 4
  quint8 phase2 = 0;      // byte 5
  bool ok() const { return refusal == Refusal::None; }
};
// Both phases as integers in [0;255], one byte each. Empty when either text is empty. Phase 2
// is checked first: when both are refused, it is the one named.
EncodedPhasePair EncodePhasePair(const QString& phase1, const QString& phase2);
