#include "parameters/CalibrationFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr char kEndOfFile = '\x1A';

// The calibration file's code page, through the library's converter. Where the library has no
// Windows-1250 (a Qt without ICU), the system's own 8-bit code page stands in, which is
// Windows-1250 on the PCs the meter is serviced from.
QStringEncoder Encoder() {
  QStringEncoder encoder("windows-1250");
  return encoder.isValid() ? std::move(encoder) : QStringEncoder(QStringConverter::System);
}

QStringDecoder Decoder() {
  QStringDecoder decoder("windows-1250");
  return decoder.isValid() ? std::move(decoder) : QStringDecoder(QStringConverter::System);
}

// One character (one code point) as its single byte, or "?" when the code page has no byte that
// reads back as that character. The converter's own stand-in is 1A, which would end the file.
char ByteOf(QStringView character, QStringEncoder& encoder, QStringDecoder& decoder) {
  const QByteArray bytes = encoder.encode(character);
  if (bytes.size() != 1 || bytes[0] == kEndOfFile) return '?';
  const QString back = decoder.decode(bytes);
  return back == character ? bytes[0] : '?';
}

QByteArray EncodeLine(const QString& text, QStringEncoder& encoder, QStringDecoder& decoder) {
  QByteArray line;
  line.reserve(text.size());
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length =
        (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
    const QStringView character = QStringView(text).mid(i, length);
    // Plain ASCII (all but 1A) is the same byte in every 8-bit code page.
    if (length == 1 && text[i].unicode() < 0x80 && text[i].unicode() != 0x1A)
      line += char(text[i].unicode());
    else
      line += ByteOf(character, encoder, decoder);
    i += length;
  }
  return line;
}

}  // namespace

FileDialogSettings CalibrationFileDialogSettings() {
  return {QString(), kCalibrationFileFilter, kCalibrationFileSuffix};
}

QByteArray EncodeCalibrationFile(const MeterParameters& parameters) {
  QStringEncoder encoder = Encoder();
  QStringDecoder decoder = Decoder();
  QByteArray bytes;
  for (const QString& text : parameters.texts) {
    bytes += EncodeLine(text, encoder, decoder);
    bytes += "\r\n";
  }
  return bytes;
}

MeterParameters DecodeCalibrationFile(const QByteArray& bytes) {
  QStringDecoder decoder = Decoder();
  MeterParameters parameters;
  qsizetype end = bytes.indexOf(kEndOfFile);
  if (end < 0) end = bytes.size();
  qsizetype pos = 0;
  for (int member = 0; member < MeterParameters::kCount && pos < end; ++member) {
    qsizetype cr = bytes.indexOf('\r', pos);
    if (cr < 0 || cr > end) cr = end;
    parameters[member] = decoder.decode(QByteArrayView(bytes).sliced(pos, cr - pos));
    pos = cr + 1;
    if (pos < end && bytes[pos] == '\n') ++pos;
  }
  return parameters;
}

bool WriteCalibrationFile(const QString& fileName, const MeterParameters& parameters) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = EncodeCalibrationFile(parameters);
  // QSaveFile's commit does not notice a buffered write that the disk cut short; flushing
  // first does.
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

std::optional<MeterParameters> ReadCalibrationFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return std::nullopt;
  return DecodeCalibrationFile(bytes);
}
