#include "link/MeterProtocol.h"

#include <cstring>

namespace {
constexpr char kHeader1 = char(0xAA);
constexpr char kHeader2 = char(0x55);
constexpr int kFrameLength = 7;
constexpr int kBacklogLimit = 14;  // two frames may wait; more is dropped
constexpr int kOverflowKeep = kBacklogLimit + kFrameLength;
}  // namespace

// Positions in the comments below count from 1, as the buffer is described on the wire side.
std::optional<ResultFrame> FrameAssembler::Append(const char* data, int count) {
  if (count > 0) {
    if (Length() + count > kCapacity) {
      // An arrival that would overfill the buffer means a backlog far beyond two frames: keep
      // only the newest bytes, as the backlog trim would. Keeping more would leave the buffer
      // full, and every later arrival would cut it again before a frame could be taken.
      QByteArray joined = buffer_ + QByteArray(data, count);
      buffer_ = joined.right(kOverflowKeep);
    } else {
      buffer_.append(data, count);
    }
  }
  if (buffer_.isEmpty()) return std::nullopt;
  if (buffer_[0] != kHeader1 || (Length() >= 2 && buffer_[1] != kHeader2)) {
    Resynchronise();
    return std::nullopt;  // the rest waits for the next arrival
  }
  if (Length() < kFrameLength) return std::nullopt;
  ResultFrame frame;
  std::memcpy(frame.data(), buffer_.constData(), kFrameLength);
  buffer_.remove(0, kFrameLength);
  if (Length() > kBacklogLimit) TrimBacklog();
  return frame;
}

int FrameAssembler::BytesToNextFrame() const {
  if (buffer_.isEmpty()) return kFrameLength;
  if (buffer_[0] != kHeader1 || (Length() >= 2 && buffer_[1] != kHeader2)) return 1;
  return Length() >= kFrameLength ? 1 : kFrameLength - Length();
}

void FrameAssembler::Resynchronise() {
  // First p >= 2 where byte p is AA, or byte p+1 is 55, or p reaches the length; keep p..length.
  const int length = Length();
  int p = 2;
  while (p < length && buffer_[p - 1] != kHeader1 && buffer_[p] != kHeader2) ++p;
  if (p > length)
    buffer_.clear();
  else
    buffer_.remove(0, p - 1);
}

void FrameAssembler::TrimBacklog() {
  // From the end, the first q >= 2 where byte q is 55 or byte q-1 is AA: drop bytes 1..q, so
  // the receiver jumps to the newest data. Without such a q the buffer stays as it is; the header
  // check of the next arrival discards what cannot start a frame.
  for (int q = Length(); q >= 2; --q) {
    if (buffer_[q - 1] == kHeader2 || buffer_[q - 2] == kHeader1) {
      buffer_.remove(0, q);
      return;
    }
  }
}

std::optional<ResultFrame> MeterReceiver::Receive(const QByteArray& bytes) {
  dataSeen_ = true;
  bool held = false;  // paused: the display takes nothing of this arrival
  if (paused_) {
    if (!singleRequested_) {
      assembler_.Clear();
      held = true;
    } else {
      singleRequested_ = false;
    }
  }
  // A download takes every byte of its dump: the pause holds the live display only.
  if (mode_ == kCollectDump) {
    const int room = kDumpCapacity - int(dump_.size());
    if (room > 0) dump_.append(bytes.constData(), qMin<int>(room, int(bytes.size())));
    return std::nullopt;
  }
  std::optional<ResultFrame> frame;
  if (!held && mode_ == kParseFrames) frame = assembler_.Append(bytes);
  return frame;
}

StoredReadings DecodeDump(const QByteArray& dump) {
  StoredReadings out;
  const int words = int(dump.size()) / 2;
  auto word = [&dump](int k) {  // k from 1
    const auto lo = quint8(dump[2 * k - 2]);
    const auto hi = quint8(dump[2 * k - 1]);
    return qint16(quint16(lo | (hi << 8)));
  };
  if (words < 1) return out;
  const quint16 header = quint16(word(1) - 5001);
  const quint8 status = quint8(header >> 8);
  out.decimalClass = (status & 0x02) ? 1 : 0;
  for (int k = 2; k <= words; ++k) {
    const qint16 w = word(k);
    if (w > -5000 && w < 5001) out.readings.append(w);
  }
  return out;
}
