// The simulated handheld meter on its serial line (9600 baud, 8N1, 10 bits a byte).
//
// It speaks:
//   result frame, meter -> application, 7 bytes: AA 55 status temp(int16 LE, 0.1 degC, -10000 no
//     probe) reading(int16 LE, raw counts). Status: bit0 AC, bit1 range 2, bit2 Gs, bit3 kA/m,
//     bit6 automatic power-off on.
//   parameter frame, application -> meter, 6 bytes: AA 55 43 addr lo hi. Addresses 0/4/8/12 hold
//     the gain of DC1/DC2/AC1/AC2 (reading = field x gain / true gain), 14 the power-off switch;
//     every other address is only stored.
//   command frame, application -> meter, 6 bytes: AA 55 letter 00 00 00. "S" stores the parameter
//     table in the state file, "H" stops the result stream (or resumes it when stopped), "V" sends
//     the dump: word 5001 + status x 256, then the stored readings, all int16 LE, then silence
//     until the next "H".
// The meter never answers a frame; the application sees the effect in later results or the dump.
#pragma once

#include "Field.h"
#include "Pty.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace sim {

struct MeterConfig {
  Unit unit = Unit::MilliTesla;
  bool range2 = false;
  bool ac = false;
  std::optional<double> temperature = 25.0;  // degC; nullopt: no probe
  double rate = 10.0;                        // result frames a second; 0 silent
  FieldShape shape;
  double noise = 0.0;       // the meter's own noise, uniform +-noise
  int trueGain = 20000;     // the gain word at which the reading equals the field
  std::optional<int> gain;  // starting gain word of every range (default trueGain)
  bool powerOff = false;
  std::string statePath;
  int storedCount = 200;
  unsigned seed = 1;
};

class Meter {
 public:
  static constexpr int kPowerOffAddress = 14;

  Meter(PtyEndpoint& port, const MeterConfig& config, double now);

  // Reads the state file if there is one; the meter keeps what "S" stored.
  bool LoadState(std::string& error);

  // Bytes from the application.
  void OnBytes(const std::uint8_t* data, std::size_t size, double now);
  // Queues result frames that are due.
  void Tick(double now);
  double NextWake() const;

  // Field and settings (stdin commands and options).
  const FieldShape& Shape() const { return shape_; }
  void SetShape(const FieldShape& shape, double now);
  double Noise() const { return noise_; }
  void SetNoise(double noise) { noise_ = noise; }
  double TrueField(double now) const { return FieldAt(shape_, now - shapeOrigin_); }
  Unit CurrentUnit() const { return unit_; }
  void SetUnit(Unit unit) { unit_ = unit; }
  void SetRange2(bool range2) { range2_ = range2; }
  void SetAc(bool ac) { ac_ = ac; }
  void SetTemperature(std::optional<double> t) { temperature_ = t; }
  void SetRate(double rate, double now);
  void SetSilence(bool on);
  // Off: the reading keeps the gains of that moment whatever gain words arrive later (a probe
  // whose gain lives at another address).
  void SetGainFollow(bool on);
  void SetSplit(bool on) { split_ = on; }
  // The meter's line hangs up while the next parameter frame is being written to it: once its
  // header has come, before the rest (the device pulled as the program writes a gain).
  void SetHangupOnParameter(bool on) { hangupOnParameter_ = on; }
  void SetPowerOff(bool on) { params_[kPowerOffAddress] = on ? 1 : 0; }
  void SetGain(int rangeIndex, std::int16_t word) { params_[4 * rangeIndex] = word; }
  void SetStored(std::vector<std::int16_t> values) { stored_ = std::move(values); }

  std::uint8_t StatusByte() const;
  std::array<std::uint8_t, 7> ResultFrame(double now);

  // Misbehaviour on demand.
  void SendGarbage(int count);
  void SendRaw(std::vector<std::uint8_t> bytes);
  void SendFlood(int frames, double now);
  void SendBurst(int frames, double now);

  std::string StatusText() const;

 private:
  enum class Mode { Streaming, Prepared, Dumping };

  void HandleFrame(const std::array<std::uint8_t, 6>& frame, double now);
  void QueueResultFrame(double now);
  void SendDump();
  void SaveState();
  std::int16_t GainWord(int rangeIndex) const;

  bool hangupOnParameter_ = false;
  PtyEndpoint& port_;
  Unit unit_;
  bool range2_;
  bool ac_;
  std::optional<double> temperature_;
  double rate_;
  FieldShape shape_;
  double shapeOrigin_;
  double noise_;
  int trueGain_;
  std::string statePath_;
  std::map<int, std::int16_t> params_;
  std::vector<std::int16_t> stored_;
  Mode mode_ = Mode::Streaming;
  bool silence_ = false;
  std::optional<std::array<std::int16_t, 4>> frozenGains_;  // gain-follow off
  bool split_ = false;
  double nextFrame_;
  std::vector<std::uint8_t> rx_;
  std::mt19937 random_;
};

// The readings a fresh meter holds: a slow sine well inside the dump's valid range.
std::vector<std::int16_t> DefaultStoredReadings(int count);

}  // namespace sim
