#include "wizard/CalibrationWizard.h"

#include "common/Messages.h"
#include "settings/UserSettings.h"
#include "store/AsLeft.h"
#include "store/RecordsSettings.h"
#include "wizard/CalibrationOrder.h"
#include "publish/PublishSettings.h"
#include "store/RecordStore.h"
#include "wizard/PendingRecords.h"
#include "wizard/SearchSettings.h"
#include "wizard/WizardTexts.h"

using Event = CalibrationSteps::Event;

CalibrationWizard::CalibrationWizard()
    : steps_(*this, samples_),
      searchMethod_(ReadFastSearch() ? GainSearch::Method::Secant : GainSearch::Method::Bisection) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { steps_.Take(Event::Timer); });
  link_.OnArrival = [this](bool decoded) {
    if (OnArrival) OnArrival(decoded);
    if (decoded) steps_.Take(Event::Frame);
  };
  link_.OnReferenceMeasured = [this](bool polled) {
    if (OnReferenceMeasured) OnReferenceMeasured(polled);
    steps_.Take({Event::Reply, link_.QueriesSent(), link_.LastReplyValid()});
  };
  link_.OnPortsChanged = [this] {
    if (OnPortsChanged) OnPortsChanged();
  };
  link_.OnReferenceReady = [this] { Post(Event::ReferenceReady); };
  link_.OnClosedAfterSlave = [this] { Post(Event::ReferenceClosed); };
  link_.OnDeviceLost = [this](bool meter) { Post(meter ? Event::MeterLost : Event::ReferenceLost); };
  link_.OnTell = [this](const QString& message) { QueueMessage(message); };
}

CalibrationWizard::~CalibrationWizard() {
  // The ports close without reporting to anyone: the wizard is going.
  link_.OnPortsChanged = nullptr;
  link_.OnArrival = nullptr;
  link_.OnReferenceMeasured = nullptr;
  link_.OnDeviceLost = nullptr;
  link_.OnReferenceReady = nullptr;
  link_.OnClosedAfterSlave = nullptr;
  link_.OnTell = nullptr;
}

void CalibrationWizard::QueueMessage(const QString& message) {
  steps_.Queue(message);
  QTimer::singleShot(0, this, [this] { steps_.Deliver(); });
}

void CalibrationWizard::Post(Event event, bool flag) {
  QTimer::singleShot(0, this, [this, event, flag] { steps_.Take({event, 0, flag}); });
}

CalibrationWizard::Opening CalibrationWizard::Open(TComPort* mainPort, int rangeIndex, int probeRow) {
  if (steps_.Running()) return Opening::Running;
  if (mainPort && !handOver_.Release(*mainPort)) {
    ShowMessage(wizard_text::MainPortNotReleased(mainPort->PortName()));
    return Opening::Refused;
  }
  mainPort_ = mainPort;
  link_.rangeIndex = rangeIndex;
  steps_.Open(rangeIndex, probeRow);
  return Opening::Opened;
}

bool CalibrationWizard::OpenPorts() {
  if (!link_.kComKalibOpen()) return false;
  ClearMeterInput();  // its opening empties the wizard's receive buffer too
  return link_.kComWzorOpen();  // takes the reference meter under remote control
}

bool CalibrationWizard::ReferenceAcknowledged() const {
  return link_.LastSetMaster() == TwoMeterLink::Handshake::Acknowledged;
}

void CalibrationWizard::ClearMeterInput() {
  try {
    link_.kComKalib.ClearBuffers(true, true);
  } catch (const EComPort&) {
  }
  // A part of a frame held from before would join the bytes that come next: one frame made of
  // two, with no checksum to tell.
  link_.Receiver().ClearBuffer();
}

bool CalibrationWizard::SendGain(int gain) { return link_.SendGainFrame(link_.rangeIndex, gain); }

QString CalibrationWizard::ReferenceUnit() const { return ReadRecordsSettings().reference.unit.trimmed(); }

QString CalibrationWizard::StoreRefusal() {
  // Records that waited since an earlier end go first; one the store still refuses says why.
  const PendingStored pending = StorePendingRecords();
  if (pending.left > 0) return pending.error;
  RecordStore store(BenchId());
  QString error;
  QString serverError;
  if (!OpenRecords(store, ReadRecordsSettings(), DatabasePassword(), &error, &serverError)) return error;
  if (store.ReadOnly()) return wizard_text::kStoreReadOnly;
  return {};
}

void CalibrationWizard::SetChannel(int channel) {
  link_.channel = QString::number(channel);
  if (OnChannelChanged) OnChannelChanged(channel);
}

void CalibrationWizard::StartRelease() {
  link_.StartRelease([this](TwoMeterLink::Handshake result) {
    Post(Event::ReleaseDone, result != TwoMeterLink::Handshake::NoAnswer);
  });
}

bool CalibrationWizard::ClosePorts() {
  // The meter under calibration first: its close hands the reference meter back to local
  // control while the reference port is still open.
  link_.kComKalibClose();
  return link_.kComWzorClose();
}

bool CalibrationWizard::ReopenMainPort(bool tell) {
  TComPort* port = std::exchange(mainPort_, nullptr);
  return !port || handOver_.Reopen(*port, tell);
}

void CalibrationWizard::Tell(const QString& message) { ShowMessage(message); }

void CalibrationWizard::Changed() {
  if (OnChanged) OnChanged();
}

void CalibrationWizard::Closed(bool mainPortLost) {
  if (OnClosed) OnClosed(mainPortLost);
}

void CalibrationWizard::GainChosen(int gain) {
  if (OnGainChosen) OnGainChosen(gain);
}

// What the steps know of the calibration, with the meter, the people and the reference standard.
QString CalibrationWizard::Recorded(CalibrationRecord& record) {
  const RecordsSettings settings = ReadRecordsSettings();
  const UserSettings user = ReadUserSettings();
  record.serial = serial_;
  FillFromOrder(record, order_, settings, user.name, user.company);
  record.resolution = steps_.Search().Tolerance();  // the range's last digit
  EvaluateCalibration(record);
  const KeptRecord kept = KeepRecord(record);
  lastRecord_ = record;
  if (kept.number.isEmpty()) {
    // The meter holds the gain already: the record waits for the next start.
    QString error;
    const QString path = SavePendingRecord(record, &error);
    if (path.isEmpty()) return wizard_text::RecordNotKept(kept.error + "; " + error);
    return wizard_text::RecordWaiting(kept.error, path);
  }
  return wizard_text::RecordKept(kept.number, kept.serverNamed, kept.serverError, kept.waiting);
}
