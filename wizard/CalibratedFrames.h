#pragma once
// The meter under calibration as the wizard reads it: the meter's 7-byte result frame
//   AA 55 | status | temperature int16 (0.1 degC, -10000 = no probe) | reading V int16,
//   little-endian
// Status bit 0 AC, bit 1 the second range of the pair, bit 2 the unit Gs, else bit 3 kA/m over
// mT. The frame's range code is 2 x bit 0 + bit 1 (0 DC1, 1 DC2, 2 AC1, 3 AC2, as the range
// index), and its value is V / 10 in the first range of a pair and V in the second. Over-range
// marks and the absolute value of AC results play no part here.
#include <QByteArray>
#include <QString>
#include <optional>

#include "link/MeterProtocol.h"

struct CalibratedFrame {
  int rangeCode = 0;
  double value = 0;
  QString unit;                       // "Gs", "mT", "kA/m"
  std::optional<double> temperature;  // degC; none without a probe
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
  const QString& Unit() const { return unit_; }
  std::optional<double> Temperature() const { return temperature_; }
  // 1 when the last decoded frame reported another range than the one calibrated, else 0.
  int WrongRange() const { return wrongRange_; }
  // Frames decoded since the counter was last cleared; tells a live meter from a silent one.
  int FramesDecoded() const { return framesDecoded_; }
  void ClearFrameCount() { framesDecoded_ = 0; }

 private:
  FrameAssembler assembler_;
  double reading_ = 0;
  QString unit_;
  std::optional<double> temperature_;
  int wrongRange_ = 0;
  int framesDecoded_ = 0;
};
