// The calibration-file reader (its in-memory decoder) and writer, and the encodings that turn
// the texts it reads into the words sent to the meter.
//
// Input: the file's bytes.
#include <cstdint>

#include "FuzzCheck.h"
#include "parameters/CalibrationFile.h"
#include "parameters/MeterParameters.h"

namespace {
// A word the encoding accepted is what its rule gives for the text.
void CheckEncodings(const QString& text) {
  const EncodedWord gain = EncodeGain(text);
  if (gain.ok()) {
    const auto v = ParseFraction(text);
    FUZZ_CHECK(v && std::isfinite(*v));
    FUZZ_CHECK(double(gain.signedWord()) == Nint(*v * 32767));
  }
  const EncodedWord fraction = EncodeBoundedFraction(text);
  if (fraction.ok()) {
    const auto v = ParseFraction(text);
    FUZZ_CHECK(v && *v > -1 && *v < 1);
  }
  const EncodedWord filter = EncodeFilterConstant(text);
  if (filter.ok()) FUZZ_CHECK(ParseFraction(text).has_value());
  const EncodedWord threshold = EncodeProbeThreshold(text);
  if (threshold.ok()) FUZZ_CHECK(threshold.signedWord() <= 0 && threshold.signedWord() >= -737);
  // A whole number is sent only inside its range, as itself.
  const EncodedWord signedWord = EncodeSignedWord(text);
  if (signedWord.ok()) FUZZ_CHECK(text.toInt() == signedWord.signedWord());
  const EncodedWord unsignedWord = EncodeUnsignedWord(text);
  if (unsignedWord.ok()) FUZZ_CHECK(text.toInt() == int(unsignedWord.word));
  if (text.trimmed().isEmpty()) FUZZ_CHECK(!signedWord.ok() && !unsignedWord.ok());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
  const MeterParameters read = DecodeCalibrationFile(input);
  for (const QString& text : read.texts) {
    FUZZ_CHECK(!text.contains(QLatin1Char('\r')));
    FUZZ_CHECK(!text.contains(QChar(0x1A)));
    CheckEncodings(text);
  }
  // Nothing after the end-of-file byte counts.
  const qsizetype end = input.indexOf('\x1A');
  if (end >= 0) FUZZ_CHECK(DecodeCalibrationFile(input.left(end)) == read);

  // Written again: 26 lines, no end-of-file byte inside, and it reads back to a set that writes
  // the same bytes (a character the code page lacks became "?" on the first writing).
  const QByteArray written = EncodeCalibrationFile(read);
  FUZZ_CHECK(written.count('\r') == MeterParameters::kCount);
  FUZZ_CHECK(written.endsWith("\r\n"));
  FUZZ_CHECK(!written.contains('\x1A'));
  const MeterParameters again = DecodeCalibrationFile(written);
  FUZZ_CHECK(EncodeCalibrationFile(again) == written);
  // Plain ASCII texts come back exactly.
  bool ascii = true;
  for (const QString& text : read.texts)
    for (const QChar c : text) ascii = ascii && c.unicode() < 0x80;
  if (ascii) FUZZ_CHECK(again == read);
  return 0;
}
