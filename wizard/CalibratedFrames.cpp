#include "wizard/CalibratedFrames.h"

CalibratedFrame DecodeCalibratedFrame(const ResultFrame& frame) {
  const quint8 status = frame[2];
  const bool ac = status & 0x01;
  const bool secondRange = status & 0x02;
  const auto raw = qint16(quint16(frame[5] | (frame[6] << 8)));
  CalibratedFrame decoded;
  decoded.rangeCode = 2 * int(ac) + int(secondRange);
  decoded.value = secondRange ? double(raw) : raw / 10.0;
  decoded.unit = status & 0x04 ? QStringLiteral("Gs") : status & 0x08 ? QStringLiteral("kA/m") : QStringLiteral("mT");
  const auto temperature = qint16(quint16(frame[3] | (frame[4] << 8)));
  if (temperature != -10000) decoded.temperature = temperature / 10.0;
  return decoded;
}

bool CalibratedReceiver::Receive(const QByteArray& bytes, int rangeIndex, bool invertSign) {
  const std::optional<ResultFrame> frame = assembler_.Append(bytes);
  if (!frame) return false;
  const CalibratedFrame decoded = DecodeCalibratedFrame(*frame);
  wrongRange_ = decoded.rangeCode != rangeIndex ? 1 : 0;
  reading_ = invertSign ? -decoded.value : decoded.value;
  unit_ = decoded.unit;
  temperature_ = decoded.temperature;
  ++framesDecoded_;
  return true;
}
