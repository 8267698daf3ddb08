#pragma once
// The calibration wizard without its window: the two-meter link, the samples and the step
// machine, with the machine's timer. It turns what the ports report into the machine's events
// and carries out what the machine asks of the meters; the window shows its state and passes
// the user's actions to Take().
#include <QObject>
#include <QTimer>
#include <functional>

#include "wizard/CalibrationOrder.h"
#include "wizard/CalibrationSteps.h"
#include "wizard/Samples.h"
#include "wizard/TwoMeterLink.h"

class CalibrationWizard : public QObject, private StepsIo {
 public:
  CalibrationWizard();
  ~CalibrationWizard() override;

  // A new opening for one range (0 DC1 .. 3 AC2) and probe row (1 AXIAL, 2 TRANS). The main
  // window's port (may be null) is released for the meter under calibration and taken back
  // when the closing sequence ends. Running: the wizard already runs (its window comes to the
  // front); Refused: the main window's port did not close (and the user is told).
  enum class Opening { Opened, Running, Refused };
  Opening Open(TComPort* mainPort, int rangeIndex, int probeRow);
  void Take(CalibrationSteps::Event event, qint64 value = 0, bool flag = false) {
    steps_.Take({event, value, flag});
  }

  // The search the next "Start" runs; at first the one the settings store holds.
  void SetSearchMethod(GainSearch::Method method) { searchMethod_ = method; }

  // The meter's serial number, for the calibration's record.
  void SetSerial(const QString& serial) { serial_ = serial.trimmed(); }
  const QString& Serial() const { return serial_; }
  // Page 0's order: the customer, the meter's maker and model, the technician, the room.
  void SetOrder(const CalibrationOrder& order) { order_ = order; }
  const CalibrationOrder& Order() const { return order_; }
  // The last record kept by "Zakoncz" (its number empty when it was not kept).
  const CalibrationRecord& LastRecord() const { return lastRecord_; }

  CalibrationSteps& Steps() { return steps_; }
  const CalibrationSteps& Steps() const { return steps_; }
  TwoMeterLink& Link() { return link_; }
  const TwoMeterLink& Link() const { return link_; }
  SampleTable& Samples() { return samples_; }

  // For the window.
  std::function<void()> OnChanged;
  std::function<void(bool mainPortLost)> OnClosed;
  std::function<void(int gain)> OnGainChosen;
  std::function<void(bool frameDecoded)> OnArrival;
  std::function<void(bool polled)> OnReferenceMeasured;
  std::function<void()> OnPortsChanged;
  std::function<void(int channel)> OnChannelChanged;

 private:
  bool OpenPorts() override;
  bool MeterOpen() const override { return link_.kComKalib.Connected(); }
  bool ReferenceOpen() const override { return link_.kComWzor.Connected(); }
  bool ReferenceAcknowledged() const override;
  void ClearMeterInput() override;
  bool SendGain(int gain) override;
  double MeterReading() const override { return link_.CalibratedReading(); }
  bool WrongRange() const override { return link_.WrongRange() != 0; }
  QString MeterUnit() const override { return link_.Receiver().Unit(); }
  std::optional<double> ProbeTemperature() const override { return link_.Receiver().Temperature(); }
  QString ReferenceUnit() const override;
  QString StoreRefusal() override;
  void SetChannel(int channel) override;
  double ReferenceReading() const override { return link_.ReferenceReading(); }
  int QueriesSent() const override { return link_.QueriesSent(); }
  void StartRelease() override;
  bool ClosePorts() override;
  void CloseReferenceNow() override { link_.kComWzor.Close(); }
  bool ReopenMainPort(bool tell) override;
  GainSearch::Method SearchMethod() const override { return searchMethod_; }
  void StartTimer(int ms) override { timer_.start(ms); }
  void StopTimer() override { timer_.stop(); }
  bool TimerPending() const override { return timer_.isActive(); }
  void Tell(const QString& message) override;
  void Changed() override;
  void Closed(bool mainPortLost) override;
  void GainChosen(int gain) override;
  QString Recorded(CalibrationRecord& record) override;
  // Takes an event on the next turn of the event loop: the port that reported it is still
  // inside its own handler.
  void Post(CalibrationSteps::Event event, bool flag = false);
  // The link's messages go out after the running step (or on the next turn of the loop).
  void QueueMessage(const QString& message);

  TwoMeterLink link_;
  SampleTable samples_;
  CalibrationSteps steps_;
  QTimer timer_;
  MainPortHandOver handOver_;
  TComPort* mainPort_ = nullptr;
  QString serial_;
  CalibrationOrder order_;
  CalibrationRecord lastRecord_;
  GainSearch::Method searchMethod_;
};
