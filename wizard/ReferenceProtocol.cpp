#include "wizard/ReferenceProtocol.h"

#include <cmath>

namespace reference {

namespace {
constexpr char kEsc = '\x1B';
constexpr char kCr = '\r';

QChar At(const QString& text, int position) {
  return position < text.size() ? text.at(position) : QChar(u'\0');
}
}  // namespace

QByteArray SetMasterCommand() { return QByteArray(1, kEsc) + "LO2" + kCr; }

QByteArray SetSlaveCommand() { return QByteArray(1, kEsc) + "LO1" + kCr; }

QByteArray MeasureCommand(const QString& channel) {
  return QByteArray(1, kEsc) + "ME" + channel.toLatin1() + "00000000" + kCr;
}

MeasurementReply ParseMeasurementReply(const QString& reply, const QString& channel) {
  MeasurementReply result;
  if (At(reply, 0) != u'M' || At(reply, 1) != u'E' || channel.size() != 1 ||
      At(reply, 2) != channel.at(0))
    return result;
  const QChar decade = At(reply, 4);
  if (decade < u'1' || decade > u'7') return result;
  QString digits;
  for (int p = 6; p <= 10; ++p) digits += At(reply, p);
  bool ok = false;
  const double number = digits.toDouble(&ok);
  static constexpr double kMultiplier[] = {0.0001, 0.001, 0.01, 0.1, 1, 10, 100};
  const double value = number * kMultiplier[decade.unicode() - u'1'];
  // Five characters may hold an exponent ("2E306") that the decade takes past the largest double.
  if (!ok || !std::isfinite(value)) return result;
  result.valid = true;
  result.classifierWrong = At(reply, 3) != u'0';
  result.value = value;
  return result;
}

}  // namespace reference
