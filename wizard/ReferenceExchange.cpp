#include "wizard/ReferenceExchange.h"

#include <utility>

#include "wizard/ReferenceProtocol.h"

using namespace reference;

void ReferenceExchange::Opened() {
  released_ = false;
  slaveNext_ = false;
  lastSetMaster_ = Handshake::Pending;
  StartHandshake(SetMasterCommand(), kMasterPauseMs, kMasterAnswer, [this](Handshake result) {
    lastSetMaster_ = result;
    if (!line_.Connected()) {
      if (OnReady) OnReady();
      return;
    }
    busy_ = Busy::AfterOpenPause;
    line_.StartPause(kAfterOpenPauseMs);
  });
}

void ReferenceExchange::Closed() {
  line_.StopPause();
  reply_.clear();
  pollAgain_ = false;
  slaveNext_ = false;
  busy_ = Busy::None;
  handshakeDone_ = nullptr;
  queued_.reset();
  if (std::exchange(closeAfterSlave_, false) && OnClosedAfterSlave) OnClosedAfterSlave();
}

bool ReferenceExchange::TakeQueuedReply() {
  const std::optional<QByteArray> bytes = line_.ReadQueued(kReplyReadLength);
  if (!bytes) return false;
  reply_ += *bytes;
  return true;
}

void ReferenceExchange::Arrived(const QByteArray& bytes) {
  if (busy_ == Busy::Drain) {  // the rest of a late reply: the line must be quiet first
    line_.StartPause(kMeasurePauseMs);
    return;
  }
  if (!ReplyDue()) return;  // nothing was asked
  reply_ += bytes.left(kReplyReadLength);
  if (busy_ == Busy::Measure && (reply_.contains('\r') || reply_.size() >= kReplyReadLength)) {
    line_.StopPause();
    FinishMeasurement();
  }
}

void ReferenceExchange::StartHandshake(const QByteArray& command, int pauseMs, const QString& answer,
                                       std::function<void(Handshake)> done) {
  if (line_.Connected() && (slaveNext_ || busy_ == Busy::Slave)) {
    done(Handshake::NotConnected);  // the meter is being handed back to local control
    return;
  }
  if (line_.Connected() && ReplyDue()) {
    // A reply under way would be taken for the answer: the handshake follows it. A handshake
    // it replaces ends with its running try, without an outcome.
    if (busy_ == Busy::Handshake) {
      handshakeDone_ = nullptr;
      triesLeft_ = 1;
    }
    queued_ = QueuedHandshake{command, pauseMs, answer, std::move(done)};
    pollAgain_ = false;
    return;
  }
  line_.StopPause();
  reply_.clear();
  pollAgain_ = false;
  busy_ = Busy::None;
  queued_.reset();
  if (!line_.Connected()) {
    done(Handshake::NotConnected);
    return;
  }
  if (!line_.ClearBuffers(true, false)) {
    done(Handshake::PortError);
    return;
  }
  busy_ = Busy::Handshake;
  command_ = command;
  pauseMs_ = pauseMs;
  answer_ = answer;
  triesLeft_ = kHandshakeTries;
  handshakeDone_ = std::move(done);
  SendHandshakeTry();
}

void ReferenceExchange::SendHandshakeTry() {
  reply_.clear();
  if (!line_.Write(command_)) {
    FinishHandshake(Handshake::PortError);
    return;
  }
  line_.StartPause(pauseMs_);
}

void ReferenceExchange::FinishHandshake(Handshake result) {
  if (busy_ == Busy::Handshake) busy_ = Busy::None;
  line_.StopPause();
  if (auto done = std::exchange(handshakeDone_, nullptr)) done(result);
  if (busy_ == Busy::None) Next();
}

void ReferenceExchange::PauseOver() {
  switch (busy_) {
    case Busy::Handshake: {
      if (!TakeQueuedReply()) {
        FinishHandshake(Handshake::PortError);
        return;
      }
      const QString read = QString::fromLatin1(reply_.left(kHandshakeReadLength));
      if (read == answer_)
        FinishHandshake(Handshake::Acknowledged);
      else if (--triesLeft_ > 0 && !slaveNext_)
        SendHandshakeTry();
      else
        FinishHandshake(Handshake::NoAnswer);
      return;
    }
    case Busy::Measure:
      if (!TakeQueuedReply()) reply_.clear();
      FinishMeasurement();
      return;
    case Busy::Slave:
      TakeQueuedReply();  // the reply is not looked at
      reply_.clear();
      busy_ = Busy::None;
      if (closeAfterSlave_) {
        line_.Close();
        return;
      }
      Next();
      return;
    case Busy::AfterOpenPause:
      busy_ = Busy::None;
      if (OnReady) OnReady();
      return;
    case Busy::Drain:
      busy_ = Busy::None;
      Next();
      return;
    case Busy::None:
      return;
  }
}

void ReferenceExchange::Next() {
  if (std::exchange(slaveNext_, false)) {
    WriteSlave();
    return;
  }
  if (queued_) {
    QueuedHandshake next = std::move(*queued_);
    queued_.reset();
    StartHandshake(next.command, next.pauseMs, next.answer, std::move(next.done));
    return;
  }
  if (std::exchange(pollAgain_, false)) StartMeasurement(true);
}

void ReferenceExchange::SetMaster(std::function<void(Handshake)> done) {
  released_ = false;
  StartHandshake(SetMasterCommand(), kMasterPauseMs, kMasterAnswer, [this, done](Handshake result) {
    lastSetMaster_ = result;
    if (done) done(result);
  });
}

void ReferenceExchange::StartRelease(std::function<void(Handshake)> done) {
  // A query after ESC LO1 CR would take the meter back under remote control.
  released_ = true;
  StartHandshake(SetSlaveCommand(), kReleasePauseMs, kSlaveAnswer, std::move(done));
}

void ReferenceExchange::SetSlave() {
  if (!line_.Connected()) return;
  queued_.reset();
  pollAgain_ = false;
  switch (busy_) {
    case Busy::Handshake:  // its running try ends first, and the handshake with it
      handshakeDone_ = nullptr;
      slaveNext_ = true;
      return;
    case Busy::Measure:
    case Busy::Drain:
      slaveNext_ = true;
      return;
    case Busy::Slave:
      return;
    case Busy::AfterOpenPause:
      line_.StopPause();
      busy_ = Busy::None;
      WriteSlave();
      return;
    case Busy::None:
      WriteSlave();
      return;
  }
}

void ReferenceExchange::WriteSlave() {
  reply_.clear();
  if (!line_.Write(SetSlaveCommand())) {
    busy_ = Busy::None;
    if (OnSlaveFailed) OnSlaveFailed();
    if (closeAfterSlave_ && line_.Connected()) line_.Close();
    return;
  }
  released_ = true;
  busy_ = Busy::Slave;
  line_.StartPause(kSlavePauseMs);
}

bool ReferenceExchange::CloseWhenQuiet() {
  if (line_.Connected() && (busy_ == Busy::Slave || slaveNext_)) {
    closeAfterSlave_ = true;
    return false;
  }
  closeAfterSlave_ = false;
  line_.Close();
  return true;
}

void ReferenceExchange::Measure(const QString& channel, bool polled) {
  channel_ = channel;
  StartMeasurement(polled);
}

void ReferenceExchange::StartMeasurement(bool polled) {
  if (!line_.Connected() || released_) return;
  if (busy_ == Busy::Measure || busy_ == Busy::Drain) {
    pollAgain_ = pollAgain_ || polled;  // one more, when this one is over
    return;
  }
  if (busy_ != Busy::None) return;  // the reference meter is not ready for queries
  reply_.clear();
  if (!line_.ClearBuffers(true, true) || !line_.Write(MeasureCommand(channel_))) return;
  ++queries_;
  busy_ = Busy::Measure;
  polled_ = polled;
  line_.StartPause(kMeasurePauseMs);
}

void ReferenceExchange::FinishMeasurement() {
  const bool whole = reply_.contains('\r') || reply_.size() >= kReplyReadLength;
  busy_ = Busy::None;
  const QString reply = QString::fromLatin1(reply_.left(kReplyReadLength));
  reply_.clear();
  const bool polled = std::exchange(polled_, false);
  if (!whole && line_.Connected()) {
    busy_ = Busy::Drain;
    line_.StartPause(kMeasurePauseMs);
  }
  if (OnMeasured) OnMeasured(reply, polled);
  if (busy_ == Busy::None) Next();
}
