#pragma once
// Live results to an MQTT broker, for whatever a site subscribes with (Telegraf, Node-RED, a
// script):
//   PREFIX/STATION/METER/results  a JSON array of results, oldest first, at most one message
//                                 every 100 ms (about 10 a second at the line rate; a result
//                                 after a quiet spell goes at once), QoS 1;
//   PREFIX/STATION/METER/last     the newest result of each message, one JSON object, retained:
//                                 a dashboard that subscribes later has a value at once;
//   PREFIX/STATION/METER/status   the program's: "online", retained, on connect; "offline",
//                                 retained, as the Last Will and on a clean stop;
//   PREFIX/STATION/METER/meter    the meter's link, as the owner tells it (SetMeterConnected):
//                                 "connected" or "disconnected", retained; meaningful while the
//                                 status is "online" (the Last Will speaks for the status only).
// STATION is the bench's id, METER the meter's serial number or its port's name; a level may
// not hold '/', '+' or '#' (they become '_').
//
// The meter's name may change while results stream (a serial number typed into the service
// panel): SetMeter. The earlier topic's status goes "offline" (its meter "disconnected"), and
// once the broker has acknowledged everything handed over under it, the connection is made again
// with a Last Will for the new topic. Results that wait go out under the new topic; seq goes on.
//
// libmosquitto runs in its own thread (mosquitto_loop_start): its asynchronous connect needs
// that thread, and it brings the library's own TLS handshake and reconnect back-off (1 s,
// doubling to 30 s). Its callbacks only post to this object's thread, where the queue lives, so
// nothing here blocks the caller's event loop.
//
// Each result gets fields before its closing brace: "seq", its running number from this
// publisher (1 upwards), and "publisher", a random id of 8 hex digits made once per publisher (a
// restarted program counts from 1 again under a new id), fixed when the result is published;
// then "station", "meter" and "serial" (empty when none is known), the names of the topic its
// message goes to, fixed when the message is made.
//
// Nothing is lost without a word: results wait in memory while the broker is away, at most
// kMaxWaiting of them (10 minutes at 137 results a second); past that the oldest go and are
// counted (Dropped), a gap in seq. QoS 1 is at least once: a message handed to the library
// stays with it until the broker acknowledges it, and goes again, byte for byte, after a
// reconnect; the broker may then pass it on twice. A message is made once, from results that
// leave the queue for good, so a repeat is always a whole earlier message: a subscriber drops
// it by keeping the highest seq seen per publisher.
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <optional>

#include "publish/MqttUrl.h"

struct mosquitto;

class MqttPublisher : public QObject {
 public:
  static constexpr int kBatchMs = 100;
  static constexpr qsizetype kMaxWaiting = 137 * 600;
  static constexpr int kMaxBatch = 1000;     // results in one message
  static constexpr int kMaxUnacknowledged = 50;  // messages handed to the library at once
  // A move to another topic waits at most this long for the broker's acknowledgements; what is
  // still unacknowledged then goes again after the new connection (at least once).
  static constexpr int kMoveWaitMs = 3000;

  enum class State { Stopped, Connecting, Online, Offline, Refused };

  MqttPublisher(const MqttTarget& target, const QString& station, const QString& meter,
                const QString& password = {});
  ~MqttPublisher() override;

  // Starts connecting (in the background); false, with the reason, when the library refuses
  // the settings at once (a CA file it cannot read, say).
  bool Start(QString* error);
  // One result as a JSON object with at least one field (no line end); it goes out with the
  // next batch, with "seq", "publisher", "station", "meter" and "serial" added.
  void Publish(const QByteArray& jsonObject);
  // The meter's name in topics and results, and its serial number ("" when unknown). Before
  // Start it only names; later a new topic is moved to (see above).
  void SetMeter(const QString& meter, const QString& serial);
  // The meter's link: told on PREFIX/STATION/METER/meter now, and again after every connect.
  // Nothing is told there until this is called.
  void SetMeterConnected(bool connected);
  // A clean stop: everything that waits is handed over and acknowledged (up to timeoutMs),
  // then "offline" and a disconnect. Returns how many results were left unsent. The destructor
  // stops as Stop(0) does.
  qsizetype Stop(int timeoutMs = 3000);

  State state() const { return state_; }
  // Why the broker refused the connection or went away, for the user.
  QString Reason() const { return reason_; }
  qsizetype Waiting() const;  // results not yet acknowledged
  qint64 Dropped() const { return dropped_; }
  qint64 Delivered() const { return delivered_; }
  QString ResultsTopic() const { return topic_ + QStringLiteral("/results"); }
  QString StatusTopic() const { return topic_ + QStringLiteral("/status"); }
  QString LastTopic() const { return topic_ + QStringLiteral("/last"); }
  QString MeterTopic() const { return topic_ + QStringLiteral("/meter"); }
  // The id the broker knows this client by (its log names it).
  QByteArray ClientId() const { return clientId_; }

  // After every change of state() or Dropped(), on this object's thread.
  std::function<void()> OnStateChanged;

  // A topic level from a name: '/', '+', '#' and spaces become '_'.
  static QString TopicLevel(const QString& name);

 private:
  static void Connected(mosquitto*, void* self, int rc);
  static void Disconnected(mosquitto*, void* self, int rc);
  static void Acknowledged(mosquitto*, void* self, int mid);
  void SetState(State state, const QString& reason = {});
  void PublishRetained(const QString& topic, const QByteArray& text);
  void PublishMeterState();
  bool SetWill();
  void MoveOver();
  void Reconnect();
  void Schedule();
  void SendBatches();
  void Post(std::function<void()> call);

  MqttTarget target_;
  QString password_;
  QString station_;
  QString topic_;       // PREFIX/STATION/METER of the results from now on
  QString willTopic_;   // the one the connection's Last Will speaks for
  QByteArray identity_;  // "station", "meter", "serial" and the closing brace of each result
  QByteArray clientId_;
  std::optional<bool> meterConnected_;
  bool moving_ = false;  // "offline" told under willTopic_; waiting for acknowledgements
  QTimer moveLimit_;
  QByteArray publisherId_;  // 8 hex digits
  qint64 lastSeq_ = 0;
  mosquitto* client_ = nullptr;
  QTimer batch_;          // the next message, kBatchMs after the last
  QElapsedTimer sinceSend_;
  State state_ = State::Stopped;
  QString reason_;
  std::deque<QByteArray> waiting_;   // not yet handed to the library
  std::map<int, int> unacknowledged_;  // message id -> results in it
  qsizetype resultsHandedOver_ = 0;
  std::atomic<int> inFlight_{0};
  std::atomic<bool> linked_{false};  // connected, as the library's thread last told
  qint64 dropped_ = 0;
  qint64 delivered_ = 0;
};
