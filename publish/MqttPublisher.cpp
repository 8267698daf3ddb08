#include "publish/MqttPublisher.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaObject>
#include <QRandomGenerator>
#include <chrono>
#include <mosquitto.h>
#include <mutex>
#include <thread>
#ifdef Q_OS_UNIX
#include <pthread.h>
#endif

namespace {
constexpr int kKeepAliveS = 30;

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { mosquitto_lib_init(); });
}

QString ConnackText(int rc) { return QString::fromUtf8(mosquitto_connack_string(rc)); }

// The library's thread is never cancelled inside our callbacks (should anything cancel it): Qt's
// posting takes locks, and the library may hold a packet it has taken off its queue and not yet
// freed.
struct NoCancel {
#ifdef Q_OS_UNIX
  NoCancel() { pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &previous); }
  ~NoCancel() { pthread_setcancelstate(previous, &previous); }
  int previous = 0;
#endif
};

// Whether the library took a QoS 1 message. It keeps one also when it answers "not connected"
// (the connection went between our last look and the call): that message goes after the
// reconnect, so handing its results over again would send them twice.
bool Taken(int rc) { return rc == MOSQ_ERR_SUCCESS || rc == MOSQ_ERR_NO_CONN; }

QByteArray JsonString(const QString& text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);  // the string within [ ]
}

QString TopicOf(const MqttTarget& target, const QString& station, const QString& meter) {
  return target.prefix + QLatin1Char('/') + MqttPublisher::TopicLevel(station) + QLatin1Char('/') +
         MqttPublisher::TopicLevel(meter);
}
}  // namespace

QString MqttPublisher::TopicLevel(const QString& name) {
  QString level = name.trimmed();
  for (QChar& c : level)
    if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') || c.isSpace() ||
        c.category() == QChar::Other_Control)
      c = QLatin1Char('_');
  return level.isEmpty() ? QStringLiteral("_") : level;
}

MqttPublisher::MqttPublisher(const MqttTarget& target, const QString& station, const QString& meter,
                             const QString& password)
    : target_(target),
      password_(password),
      station_(station.trimmed()),
      publisherId_(QByteArray::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, '0')) {
  SetMeter(meter, {});
  batch_.setSingleShot(true);
  batch_.setTimerType(Qt::PreciseTimer);
  connect(&batch_, &QTimer::timeout, this, [this] { SendBatches(); });
  moveLimit_.setSingleShot(true);
  connect(&moveLimit_, &QTimer::timeout, this, [this] {
    if (moving_) Reconnect();
  });
}

// Never mosquitto_loop_stop(client_, true): it cancels the library's thread wherever it is, and
// in our callbacks (Qt's posting writes to the event loop's wake-up pipe) that is after the
// library has unlinked a DISCONNECT it wrote and before it frees it, so the packet leaks; a
// cancel inside Qt's locks is worse. The orderly stop lets the thread end on its own.
MqttPublisher::~MqttPublisher() {
  OnStateChanged = nullptr;  // the owner may be half destroyed
  Stop(0);
}

void MqttPublisher::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

bool MqttPublisher::Start(QString* error) {
  InitLibrary();
  auto fail = [&](const QString& why) {
    if (error) *error = why;
    if (client_) mosquitto_destroy(std::exchange(client_, nullptr));
    return false;
  };
  clientId_ = QStringLiteral("fluxa-%1-%2").arg(QCoreApplication::applicationPid()).arg(quintptr(this), 0, 16).toUtf8();
  client_ = mosquitto_new(clientId_.constData(), true, this);
  if (!client_) return fail(QStringLiteral("no MQTT client could be made"));
  mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  mosquitto_connect_callback_set(client_, &MqttPublisher::Connected);
  mosquitto_disconnect_callback_set(client_, &MqttPublisher::Disconnected);
  mosquitto_publish_callback_set(client_, &MqttPublisher::Acknowledged);
  mosquitto_reconnect_delay_set(client_, 1, 30, true);
  mosquitto_max_inflight_messages_set(client_, kMaxUnacknowledged);
  if (!target_.user.isEmpty() &&
      mosquitto_username_pw_set(client_, target_.user.toUtf8().constData(),
                                password_.isEmpty() ? nullptr : password_.toUtf8().constData()) != MOSQ_ERR_SUCCESS)
    return fail(QStringLiteral("the user name is not valid"));
  if (!SetWill()) return fail(QStringLiteral("the topic prefix is not valid: %1").arg(target_.prefix));
  if (target_.tls) {
    if (!target_.caFile.isEmpty() && !QFile(target_.caFile).open(QIODevice::ReadOnly))
      return fail(QStringLiteral("cannot read the CA file %1").arg(target_.caFile));
    const QByteArray ca = target_.caFile.toLocal8Bit();
    const int rc = target_.caFile.isEmpty()
                       ? mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                       : mosquitto_tls_set(client_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS)
      return fail(QStringLiteral("TLS cannot be set up: %1").arg(QString::fromUtf8(mosquitto_strerror(rc))));
  }
  SetState(State::Connecting);
  const int rc = mosquitto_connect_async(client_, target_.host.toUtf8().constData(), target_.port, kKeepAliveS);
  // A refused first attempt is retried by the loop as any lost connection is.
  if (rc != MOSQ_ERR_SUCCESS) SetState(State::Offline, QString::fromUtf8(mosquitto_strerror(rc)));
  if (mosquitto_loop_start(client_) != MOSQ_ERR_SUCCESS) return fail(QStringLiteral("the MQTT thread did not start"));
  return true;
}

void MqttPublisher::Connected(mosquitto*, void* self, int rc) {
  const NoCancel noCancel;
  auto* p = static_cast<MqttPublisher*>(self);
  p->linked_ = rc == 0;
  p->Post([p, rc] {
    if (p->state_ == State::Stopped) return;  // told before a Stop, arrived after it
    if (rc != 0) {  // wrong credentials, say: the broker says why
      p->SetState(State::Refused, ConnackText(rc));
      return;
    }
    // The meter was renamed while this connection was being made: its Last Will is the old one.
    if (p->willTopic_ != p->topic_) {
      p->MoveOver();
      return;
    }
    p->PublishRetained(p->StatusTopic(), "online");
    p->PublishMeterState();
    p->SetState(State::Online);
    p->SendBatches();
  });
}

void MqttPublisher::Disconnected(mosquitto*, void* self, int rc) {
  const NoCancel noCancel;
  auto* p = static_cast<MqttPublisher*>(self);
  p->linked_ = false;
  p->Post([p, rc] {
    if (p->state_ == State::Stopped) return;
    if (p->state_ == State::Refused) return;  // the refusal says more than the disconnect
    if (rc == 0) return;  // asked for: a move to another topic, which connects again at once
    p->moving_ = false;  // the library connects again with the earlier Last Will; then we move
    p->moveLimit_.stop();
    p->SetState(State::Offline, QString::fromUtf8(mosquitto_strerror(rc)));
  });
}

void MqttPublisher::Acknowledged(mosquitto*, void* self, int mid) {
  const NoCancel noCancel;
  auto* p = static_cast<MqttPublisher*>(self);
  --p->inFlight_;
  p->Post([p, mid] {
    const auto it = p->unacknowledged_.find(mid);
    if (it != p->unacknowledged_.end()) {  // else a retained status or the last result
      p->delivered_ += it->second;
      p->resultsHandedOver_ -= it->second;
      p->unacknowledged_.erase(it);
    }
    if (p->moving_) {
      if (p->inFlight_ == 0) p->Reconnect();
      return;
    }
    p->Schedule();
  });
}

void MqttPublisher::PublishRetained(const QString& topic, const QByteArray& text) {
  const QByteArray name = topic.toUtf8();
  ++inFlight_;  // its acknowledgement counts down like a batch's
  if (!Taken(mosquitto_publish(client_, nullptr, name.constData(), int(text.size()), text.constData(), 1, true)))
    --inFlight_;
}

void MqttPublisher::PublishMeterState() {
  if (meterConnected_) PublishRetained(MeterTopic(), *meterConnected_ ? "connected" : "disconnected");
}

bool MqttPublisher::SetWill() {
  const QByteArray status = StatusTopic().toUtf8();
  if (mosquitto_will_set(client_, status.constData(), 7, "offline", 1, true) != MOSQ_ERR_SUCCESS) return false;
  willTopic_ = topic_;
  return true;
}

void MqttPublisher::SetMeter(const QString& meter, const QString& serial) {
  identity_ = ", \"station\": " + JsonString(station_) + ", \"meter\": " + JsonString(meter.trimmed()) +
              ", \"serial\": " + JsonString(serial.trimmed()) + '}';
  const QString topic = TopicOf(target_, station_, meter);
  if (topic == topic_) return;
  topic_ = topic;
  if (state_ == State::Online) MoveOver();
  // Otherwise the next connect finds its Last Will naming another topic, and moves then.
}

void MqttPublisher::SetMeterConnected(bool connected) {
  if (meterConnected_ == connected) return;
  meterConnected_ = connected;
  if (state_ == State::Online) PublishMeterState();
}

// The earlier topic is told that nothing publishes there any more; nothing new is handed over
// until the broker has acknowledged what was, so the new connection repeats nothing.
void MqttPublisher::MoveOver() {
  if (moving_ || !client_) return;
  moving_ = true;
  batch_.stop();
  SetState(State::Connecting);
  PublishRetained(willTopic_ + QStringLiteral("/status"), "offline");
  if (meterConnected_ == true) PublishRetained(willTopic_ + QStringLiteral("/meter"), "disconnected");
  moveLimit_.start(kMoveWaitMs);
  if (inFlight_ == 0) Reconnect();
}

// A clean disconnect (no Last Will), and a connect with the Last Will of the topic now. The
// library keeps what it still holds unacknowledged and sends it again after the connect.
void MqttPublisher::Reconnect() {
  moving_ = false;
  moveLimit_.stop();
  if (!client_ || state_ == State::Stopped) return;
  // Lost meanwhile: the library connects again with the earlier Last Will, and Connected moves.
  if (!linked_) return;
  mosquitto_disconnect(client_);
  mosquitto_loop_stop(client_, false);  // connected, the thread ends once the DISCONNECT is out
  linked_ = false;
  if (!SetWill()) {
    SetState(State::Refused, QStringLiteral("the topic is not valid: %1").arg(StatusTopic()));
    return;
  }
  const int rc = mosquitto_connect_async(client_, target_.host.toUtf8().constData(), target_.port, kKeepAliveS);
  if (rc != MOSQ_ERR_SUCCESS) SetState(State::Offline, QString::fromUtf8(mosquitto_strerror(rc)));
  if (mosquitto_loop_start(client_) != MOSQ_ERR_SUCCESS)
    SetState(State::Refused, QStringLiteral("the MQTT thread did not start"));
}

void MqttPublisher::SetState(State state, const QString& reason) {
  if (state_ == state && reason_ == reason) return;
  state_ = state;
  reason_ = reason;
  if (OnStateChanged) OnStateChanged();
}

qsizetype MqttPublisher::Waiting() const { return qsizetype(waiting_.size()) + resultsHandedOver_; }

void MqttPublisher::Publish(const QByteArray& jsonObject) {
  // "seq" and "publisher" go in place of the object's closing brace; fixed here, so a message
  // made of these results is the same whenever and however often it goes. The names and the
  // brace come when the message is made (identity_).
  const qsizetype close = jsonObject.lastIndexOf('}');
  if (close <= 0) return;  // no object: nothing a subscriber could read
  QByteArray result;
  result.reserve(close + 48);
  result.append(jsonObject.constData(), close);
  result += ", \"seq\": " + QByteArray::number(++lastSeq_) + ", \"publisher\": \"" + publisherId_ + '"';
  waiting_.push_back(std::move(result));
  Schedule();
  if (qsizetype(waiting_.size()) <= kMaxWaiting) return;
  waiting_.pop_front();  // the oldest goes: the bound keeps memory in check on a long outage
  ++dropped_;
  if (OnStateChanged && (dropped_ == 1 || dropped_ % 1000 == 0)) OnStateChanged();
}

// A result after a quiet spell goes at once; while they stream, one message every kBatchMs.
void MqttPublisher::Schedule() {
  if (batch_.isActive() || state_ != State::Online || waiting_.empty()) return;
  const qint64 since = sinceSend_.isValid() ? sinceSend_.elapsed() : kBatchMs;
  if (since >= kBatchMs)
    SendBatches();
  else
    batch_.start(int(kBatchMs - since));
}

void MqttPublisher::SendBatches() {
  if (state_ != State::Online || !client_ || waiting_.empty()) return;
  sinceSend_.start();
  const QByteArray topic = ResultsTopic().toUtf8();
  QByteArray newest;
  while (!waiting_.empty() && int(unacknowledged_.size()) < kMaxUnacknowledged) {
    const int count = int(std::min<size_t>(waiting_.size(), kMaxBatch));
    QByteArray payload;
    payload.reserve(count * (240 + identity_.size()));
    payload += '[';
    for (int i = 0; i < count; ++i) {
      if (i) payload += ',';
      payload += waiting_[size_t(i)];
      payload += identity_;
    }
    payload += ']';
    int mid = 0;
    ++inFlight_;
    const int rc = mosquitto_publish(client_, &mid, topic.constData(), int(payload.size()), payload.constData(), 1, false);
    if (!Taken(rc)) {  // refused before it was queued: they wait for the next try
      --inFlight_;
      return;
    }
    unacknowledged_[mid] = count;
    resultsHandedOver_ += count;
    newest = waiting_[size_t(count - 1)] + identity_;
    waiting_.erase(waiting_.begin(), waiting_.begin() + count);
  }
  if (!newest.isEmpty()) PublishRetained(LastTopic(), newest);
}

qsizetype MqttPublisher::Stop(int timeoutMs) {
  if (!client_) return Waiting();
  batch_.stop();
  moving_ = false;  // a move cut short: what waits is left, as the broker never had it
  moveLimit_.stop();
  // What waits goes out now, and the library is given time for the broker's acknowledgements.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // The connection's loss is known in the library's thread at once, its report only later here.
  while (state_ == State::Online && linked_ && (!waiting_.empty() || inFlight_ > 0) &&
         std::chrono::steady_clock::now() < until) {
    const qsizetype before = qsizetype(waiting_.size());
    SendBatches();
    if (qsizetype(waiting_.size()) == before) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (inFlight_ == 0) {  // acknowledged in the library's thread; count them here
      for (const auto& [mid, count] : unacknowledged_) delivered_ += count;
      unacknowledged_.clear();
      resultsHandedOver_ = 0;
    }
  }
  const qsizetype left = qsizetype(waiting_.size()) + (inFlight_ > 0 ? resultsHandedOver_ : 0);
  if (state_ == State::Online && linked_) {
    PublishRetained(StatusTopic(), "offline");
    const auto shortly = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (inFlight_ > 0 && std::chrono::steady_clock::now() < shortly)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  SetState(State::Stopped);
  // The thread ends by itself: a cancelled one leaves what it held at that moment unfreed.
  mosquitto_disconnect(client_);
  mosquitto_loop_stop(client_, false);
  mosquitto_destroy(std::exchange(client_, nullptr));
  return left;
}
