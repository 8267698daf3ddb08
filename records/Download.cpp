#include "records/Download.h"

#include "link/ComPort.h"
#include "link/MeterCommands.h"
#include "link/MeterProtocol.h"
#include "measurement/MeasurementResult.h"
#include "records/DataFile.h"
#include "settings/Jezyki.h"

namespace {
// Everything the port holds now, read off the device too, into the receiver in its mode.
void TakeQueued(MeterReceiver& receiver, TComPort& port) {
  try {
    for (QByteArray bytes = port.Read(int(TComPort::kReadBufferSize)); !bytes.isEmpty();
         bytes = port.Read(int(TComPort::kReadBufferSize)))
      receiver.Receive(bytes);
  } catch (const EComPort&) {
    // A port that failed says so through its own handlers; the dump ends by silence.
  }
}
}  // namespace

void Download::Begin(TComPort& port, const QString& fileName) {
  fileName_ = fileName;
  SendCommand(port, QStringLiteral("H"));
  stage_ = kRequested;
  holding_ = false;
  nextTickMs_ = kAfterFirstHoldMs + kTickMs;
}

DownloadTick Download::Tick(MeterReceiver& receiver, TComPort& port) {
  switch (stage_) {
    case kIdle:
      nextTickMs_ = kTickMs;
      return {};
    case kRequested:
      if (holding_) return Request(receiver, port);
      // Results still in flight after "H" are dropped from now on; "V" follows.
      receiver.setMode(MeterReceiver::kIgnore);
      holding_ = true;
      nextTickMs_ = kAroundDumpRequestMs;
      return {};
    case kReceiving:
      return Collect(receiver, port);
  }
  return {};
}

DownloadTick Download::Request(MeterReceiver& receiver, TComPort& port) {
  // Whatever came before "V" is no part of the dump: the dump is every byte after it.
  TakeQueued(receiver, port);
  receiver.clearDump();
  receiver.setMode(MeterReceiver::kCollectDump);
  SendCommand(port, QStringLiteral("V"));
  stage_ = kReceiving;
  holding_ = false;
  dumpSeen_ = 0;
  sinceByte_.start();
  nextTickMs_ = kDumpPollMs;
  return {DownloadTick::Receiving};
}

DownloadTick Download::Collect(MeterReceiver& receiver, TComPort& port) {
  // Bytes that wait in the port have arrived, whether or not the event loop has handed them
  // on yet: a loaded machine must not make a dump look ended.
  TakeQueued(receiver, port);
  if (receiver.dump().size() != dumpSeen_) {
    dumpSeen_ = receiver.dump().size();
    sinceByte_.start();
  }
  const int silence = dumpSeen_ == 0 ? kFirstByteMs : kSilenceMs;
  if (sinceByte_.elapsed() >= silence) return Finish(receiver, port);
  nextTickMs_ = kDumpPollMs;
  return {};
}

DownloadTick Download::Finish(MeterReceiver& receiver, TComPort& port) {
  const QByteArray dump = receiver.dump();
  Reset(receiver);
  SendCommand(port, QStringLiteral("H"));
  DownloadTick tick{DownloadTick::Finished, CheckDump(dump)};
  texts_.clear();
  if (tick.outcome != DownloadTick::Written) return tick;
  // The whole dump, however long: the meter's memory holds far more than 255 bytes.
  texts_ = DumpValueTexts(dump);
  if (!WriteDataFile(fileName_, texts_)) tick.outcome = DownloadTick::WriteFailed;
  tick.lineCount = int(texts_.size());
  return tick;
}

void Download::Cancel(MeterReceiver& receiver, TComPort& port) {
  if (!Active()) return;
  Reset(receiver);
  SendCommand(port, QStringLiteral("H"));
}

void Download::Reset(MeterReceiver& receiver) {
  stage_ = kIdle;
  holding_ = false;
  nextTickMs_ = kTickMs;
  receiver.setMode(MeterReceiver::kParseFrames);
}

DownloadTick::Outcome CheckDump(const QByteArray& dump) {
  if (dump.isEmpty()) return DownloadTick::NoDump;
  if (dump.size() % 2 != 0) return DownloadTick::OddLength;
  // The header word is 5001 + status * 256: less 5001, its low byte is 0.
  const auto header = quint16(quint8(dump[0]) | (quint8(dump[1]) << 8));
  if ((quint16(header - 5001) & 0xFF) != 0) return DownloadTick::NoHeader;
  return DownloadTick::Written;
}

QStringList DumpValueTexts(const QByteArray& dump) {
  const StoredReadings stored = DecodeDump(dump);
  QStringList texts;
  texts.reserve(stored.readings.size());
  for (const qint16 reading : stored.readings)
    texts.append(FormatValueText(stored.decimalClass, reading));
  return texts;
}

QString DownloadOutcomeText(DownloadTick::Outcome outcome) {
  switch (outcome) {
    case DownloadTick::Written:
      return {};
    case DownloadTick::WriteFailed:
      return kWriteErrorText;
    case DownloadTick::NoDump:
      return LookupText(151);
    case DownloadTick::NoHeader:
      return LookupText(152);
    case DownloadTick::OddLength:
      return LookupText(153);
  }
  return {};
}
