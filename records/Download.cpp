#include "records/Download.h"

#include "common/Pacing.h"
#include "link/MeterCommands.h"
#include "link/MeterProtocol.h"
#include "measurement/MeasurementResult.h"
#include "records/DataFile.h"

namespace {
constexpr int kAfterFirstHoldMs = 300;
constexpr int kAroundDumpRequestMs = 500;
}  // namespace

void Download::Begin(TComPort& port, const QString& fileName) {
  fileName_ = fileName;
  SendCommand(port, QStringLiteral("H"));
  BlockingPause(kAfterFirstHoldMs);
  stage_ = kRequested;
}

DownloadTick Download::Tick(MeterReceiver& receiver, TComPort& port) {
  receiver.setMode(stage_);
  switch (stage_) {
    case kIdle:
      return {};
    case kRequested:
      BlockingPause(kAroundDumpRequestMs);
      SendCommand(port, QStringLiteral("V"));
      BlockingPause(kAroundDumpRequestMs);
      receiver.clearDump();
      stage_ = kReceiving;
      receiver.setMode(MeterReceiver::kCollectDump);
      return {DownloadTick::Receiving};
    case kReceiving:
      if (receiver.dataSeen()) return {};
      return Finish(receiver, port);
  }
  return {};
}

DownloadTick Download::Finish(MeterReceiver& receiver, TComPort& port) {
  Reset(receiver);
  SendCommand(port, QStringLiteral("H"));
  // The whole dump, however long: the meter's memory holds far more than 255 bytes.
  texts_ = DumpValueTexts(receiver.dump());
  const bool written = WriteDataFile(fileName_, texts_);
  return {DownloadTick::Finished, written, int(texts_.size())};
}

void Download::Cancel(MeterReceiver& receiver, TComPort& port) {
  if (!Active()) return;
  Reset(receiver);
  SendCommand(port, QStringLiteral("H"));
}

void Download::Reset(MeterReceiver& receiver) {
  stage_ = kIdle;
  receiver.setMode(MeterReceiver::kParseFrames);
}

QStringList DumpValueTexts(const QByteArray& dump) {
  const StoredReadings stored = DecodeDump(dump);
  QStringList texts;
  texts.reserve(stored.readings.size());
  for (const qint16 reading : stored.readings)
    texts.append(FormatValueText(stored.decimalClass, reading));
  return texts;
}
