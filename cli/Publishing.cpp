#include "cli/Publishing.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include "cli/Console.h"
#include "cli/Options.h"
#include "cli/Texts.h"
#include "measurement/ResultRows.h"
#include "publish/MqttPublisher.h"
#include "publish/PublishSettings.h"

namespace {
constexpr int kConnectWaitMs = 5000;  // for the broker's answer at the start
}

CliPublishing::CliPublishing() = default;
CliPublishing::~CliPublishing() = default;

int CliPublishing::Start(const CliOptions& options, const QString& meter) {
  if (options.mqtt.isEmpty()) return 0;
  QString error;
  std::optional<MqttTarget> target = ParseMqttUrl(options.mqtt, &error);
  if (!target) {  // checked with the command line already
    Complain(error);
    return 1;
  }
  target->caFile = options.mqttCa;
  bool fromEnvironment = false;
  QString password = PublishPasswordFromEnvironment(&fromEnvironment);
  if (!fromEnvironment && !target->user.isEmpty())
    password = AskHidden(Text(Msg::MqttPasswordPrompt).arg(target->user, target->host)).value_or(QString());
  // A device path names the meter by its file: /dev/ttyUSB0 is "ttyUSB0".
  const QString name = meter.contains(QLatin1Char('/')) ? meter.section(QLatin1Char('/'), -1) : meter;
  publisher_ = std::make_unique<MqttPublisher>(*target, BenchId(), name, password);
  publisher_->SetMeterConnected(true);  // the session's port is open
  if (!publisher_->Start(&error)) {
    Complain(Text(Msg::MqttCannotStart).arg(error));
    return 2;
  }
  // The first answer of the broker decides: a script must know at once that nothing goes out.
  QEventLoop wait;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
  publisher_->OnStateChanged = [&] {
    if (publisher_->state() == MqttPublisher::State::Online ||
        publisher_->state() == MqttPublisher::State::Refused)
      wait.quit();
  };
  limit.start(kConnectWaitMs);
  wait.exec();
  const MqttPublisher::State state = publisher_->state();
  publisher_->OnStateChanged = [this] {
    const qint64 dropped = publisher_->Dropped();
    if (dropped > droppedTold_ && (droppedTold_ == 0 || dropped >= droppedTold_ + 10000)) {
      droppedTold_ = dropped;
      Complain(Text(Msg::MqttDropped).arg(dropped));
    }
  };
  if (state == MqttPublisher::State::Online) {
    Complain(Text(Msg::MqttPublishing).arg(target->host).arg(publisher_->ResultsTopic()));
    return 0;
  }
  Complain(state == MqttPublisher::State::Refused
               ? Text(Msg::MqttRefused).arg(target->host, publisher_->Reason())
               : Text(Msg::MqttUnreachable).arg(target->host).arg(target->port));
  publisher_->Stop(0);
  publisher_.reset();
  return 2;
}

void CliPublishing::Publish(const MeasurementResult& result, double seconds) {
  if (publisher_) publisher_->Publish(ResultRow(result, seconds, RowFormat::Published));
}

void CliPublishing::Stop() {
  if (!publisher_) return;
  publisher_->SetMeterConnected(false);  // the session ends with the command
  const qsizetype left = publisher_->Stop();
  if (left > 0) Complain(Text(Msg::MqttLeft).arg(left));
  if (publisher_->Dropped() > droppedTold_) Complain(Text(Msg::MqttDropped).arg(publisher_->Dropped()));
}
