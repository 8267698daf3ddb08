#pragma once
// The meter under calibration as the wizard reads it: the meter's 7-byte result frame
//   AA 55 | status | temperature int16 (ignored) | reading V int16, little-endian
// of which only two status bits count: bit 0 AC, bit 1 the second range of the pair. The
// frame's range code is 2 x bit 0 + bit 1 (0 DC1, 1 DC2, 2 AC1, 3 AC2, as the range index), and
// its value is V / 10 in the first range of a pair and V in the second. Unit bits, over-range
// marks and the absolute value of AC results play no part here.
#include <QByteArray>
#include <optional>

#include "link/MeterProtocol.h"

struct CalibratedFrame {
  int rangeCode = 0;
  double value = 0;
};
CalibratedFrame DecodeCalibratedFrame(const ResultFrame& frame);

// The wizard's own receive buffer and the calibrated reading it yields. One arrival decodes at
// most one frame; the reading is negated while the sign inversion is on.
class CalibratedReceiver {
 public:
  // Returns whether this arrival decoded a frame.
  bool Receive(const QByteArray& bytes, int rangeIndex, bool invertSign);
  void ClearBuffer() { assembler_.Clear(); }
  // How many more bytes the next frame needs (FrameAssembler::BytesToNextFrame).
  int BytesToNextFrame() const { return assembler_.BytesToNextFrame(); }

  double Reading() const { return reading_; }
  // 1 when the last decoded frame reported another range than the one calibrated, else 0.
  int WrongRange() const { return wrongRange_; }
  // Frames decoded since the counter was last cleared; tells a live meter from a silent one.
  int FramesDecoded() const { return framesDecoded_; }
  void ClearFrameCount() { framesDecoded_ = 0; }

 private:
  FrameAssembler assembler_;
  double reading_ = 0;
  int wrongRange_ = 0;
  int framesDecoded_ = 0;
};
