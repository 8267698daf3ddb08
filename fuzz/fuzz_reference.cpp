// The reference meter's reply parser, as the wizard reads a reply: up to 20 bytes taken as
// Latin-1 text, for the channel it asked.
//
// Input: byte 0 picks the channel ('0'..'9'); the rest is the reply.
#include <cstdint>

#include "FuzzCheck.h"
#include "wizard/ReferenceProtocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const QString channel(QChar(u'0' + data[0] % 10));
  const QString reply = QString::fromLatin1(reinterpret_cast<const char*>(data + 1),
                                            qsizetype(qMin<std::size_t>(size - 1, reference::kReplyReadLength)));
  const reference::MeasurementReply parsed = reference::ParseMeasurementReply(reply, channel);
  if (!parsed.valid) {
    FUZZ_CHECK(!parsed.classifierWrong);
    return 0;
  }
  // A reading the wizard takes is a finite number from a reply to its own question, scaled by
  // the decade digit.
  FUZZ_CHECK(std::isfinite(parsed.value));
  FUZZ_CHECK(reply.size() >= 11);
  FUZZ_CHECK(reply.startsWith(QStringLiteral("ME") + channel));
  const QChar decade = reply.at(4);
  FUZZ_CHECK(decade >= u'1' && decade <= u'7');
  FUZZ_CHECK(parsed.classifierWrong == (reply.at(3) != u'0'));
  bool ok = false;
  const double number = reply.mid(6, 5).toDouble(&ok);
  FUZZ_CHECK(ok);
  const double scale = std::pow(10.0, decade.unicode() - u'1' - 4);
  FUZZ_CHECK(std::fabs(parsed.value - number * scale) <= 1e-9 * std::fabs(number * scale));
  // The same digits in a well-formed reply give the same reading.
  const QString tidy = QStringLiteral("ME") + channel + u'0' + decade + u' ' + reply.mid(6, 5) + u' ';
  const auto again = reference::ParseMeasurementReply(tidy, channel);
  FUZZ_CHECK(again.valid && !again.classifierWrong && again.value == parsed.value);
  return 0;
}
