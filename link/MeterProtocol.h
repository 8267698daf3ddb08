#pragma once
// The meter's wire protocol, receive side (9600 baud, 8N1, little-endian numbers).
//
// Result frame, meter to PC, 7 bytes, one per measurement, no checksum:
//   AA 55 | status | temperature int16 (0.1 degC, -10000 = no probe) | reading int16 (raw counts)
// A frame is known only by its header AA 55 and its length, so the receiver resynchronises on
// the header and hands on at most one frame per arrival; a backlog of more than two frames is
// dropped so that the display follows the newest data.
//
// Stored-result dump, meter to PC after the command "V": unframed int16 words until the line
// falls silent. Word 1 is 5001 + status * 256 (bit 1 of that status: range 2); every later word
// in -4999..5000 is one stored reading, other words are skipped.
#include <QByteArray>
#include <QVector>
#include <array>
#include <optional>

using ResultFrame = std::array<quint8, 7>;

// Cuts a byte stream into result frames: append, check the header (resynchronise), wait for
// seven bytes, take one frame, trim a backlog. Used by the main window's receiver and, on a
// buffer of its own, by the calibration wizard.
class FrameAssembler {
 public:
  // The buffer never holds more than this; an arrival that would overfill it keeps only the
  // newest three frames' worth of bytes.
  static constexpr int kCapacity = 255;

  std::optional<ResultFrame> Append(const char* data, int count);
  std::optional<ResultFrame> Append(const QByteArray& bytes) {
    return Append(bytes.constData(), int(bytes.size()));
  }
  // How many more bytes the next arrival needs to hand on a frame: the rest of the frame begun,
  // or 1 when it can hand one on with any byte (a whole frame waits, or the buffer must first be
  // resynchronised).
  int BytesToNextFrame() const;
  const QByteArray& Buffer() const { return buffer_; }
  int Length() const { return int(buffer_.size()); }
  void Clear() { buffer_.clear(); }

 private:
  void Resynchronise();
  void TrimBacklog();
  QByteArray buffer_;
};

// The main window's receiver: pause and single result, receive modes, the data-seen flag and
// the dump buffer around a FrameAssembler.
class MeterReceiver {
 public:
  enum Mode { kParseFrames = 0, kIgnore = 1, kCollectDump = 2 };
  // The meter's memory holds at most this many bytes; a dump never needs more room.
  static constexpr int kDumpCapacity = 64000;

  // One arrival. Returns the frame it completes, if any (at most one).
  std::optional<ResultFrame> Receive(const QByteArray& bytes);

  int mode() const { return mode_; }
  void setMode(int mode) { mode_ = mode; }
  bool paused() const { return paused_; }
  void setPaused(bool paused) { paused_ = paused; }
  bool singleResultRequested() const { return singleRequested_; }
  void requestSingleResult() { singleRequested_ = true; }
  bool dataSeen() const { return dataSeen_; }
  void clearDataSeen() { dataSeen_ = false; }
  const QByteArray& dump() const { return dump_; }
  void clearDump() { dump_.clear(); }
  const FrameAssembler& assembler() const { return assembler_; }
  // A new opening of the port: a frame cut by the last closing must not join its bytes.
  void clearPartialFrame() { assembler_.Clear(); }

 private:
  FrameAssembler assembler_;
  QByteArray dump_;
  int mode_ = kParseFrames;
  bool paused_ = false;
  bool singleRequested_ = false;
  bool dataSeen_ = false;
};

struct StoredReadings {
  int decimalClass = 0;  // 0 for range 1, 1 for range 2
  QVector<qint16> readings;
};
StoredReadings DecodeDump(const QByteArray& dump);
