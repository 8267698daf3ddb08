// Dump decoding: the stored-result dump as the download collects it (arrivals of 1..24 bytes
// into the receiver in collect mode) and as it is converted to the data file's value texts.
//
// Input: the dump's bytes. The arrival sizes come from the bytes themselves.
#include <cstdint>

#include "FuzzCheck.h"
#include "link/MeterProtocol.h"
#include "records/Download.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));

  // Collected whole, in order, up to the room the receiver has; nothing reaches the frames.
  MeterReceiver receiver;
  receiver.setMode(MeterReceiver::kCollectDump);
  for (qsizetype at = 0; at < input.size();) {
    const qsizetype count = qMin<qsizetype>(1 + quint8(input[at]) % 24, input.size() - at);
    FUZZ_CHECK(!receiver.Receive(input.mid(at, count)));
    at += count;
  }
  FUZZ_CHECK(receiver.dump() == input.left(MeterReceiver::kDumpCapacity));
  FUZZ_CHECK(receiver.assembler().Length() == 0);

  // Word 1 gives the class; every later word inside -4999..5000 is a reading, in order.
  const StoredReadings stored = DecodeDump(input);
  const qsizetype words = input.size() / 2;
  auto word = [&input](qsizetype k) {
    return qint16(quint16(quint8(input[2 * k]) | (quint8(input[2 * k + 1]) << 8)));
  };
  FUZZ_CHECK(stored.decimalClass == 0 || stored.decimalClass == 1);
  if (words >= 1) FUZZ_CHECK(stored.decimalClass == ((quint16(word(0) - 5001) >> 9) & 1));
  qsizetype next = 0;
  for (qsizetype k = 1; k < words; ++k) {
    const qint16 w = word(k);
    if (w < -4999 || w > 5000) continue;
    FUZZ_CHECK(next < stored.readings.size() && stored.readings[next] == w);
    ++next;
  }
  FUZZ_CHECK(next == stored.readings.size());

  // The data file's lines: one per reading, reading back to the reading itself.
  const QStringList texts = DumpValueTexts(input);
  FUZZ_CHECK(texts.size() == stored.readings.size());
  for (qsizetype i = 0; i < texts.size(); ++i) {
    FUZZ_CHECK(texts[i] == FormatValueText(stored.decimalClass, stored.readings[i]));
    FUZZ_CHECK(SeriesTextToNumber(texts[i]) == double(stored.readings[i]));
  }
  return 0;
}
