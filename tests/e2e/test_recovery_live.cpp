// A recording that a crash interrupts: the program is killed (SIGKILL) while it records from
// fluxa-sim, and the next start of the real application keeps or discards what it had stored.
// Also the start-up offer as the user answers it.
#include <QtTest>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <csignal>

#include "app/Main.h"
#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"
#include "records/DataFile.h"
#include "records/Recorder.h"
#include "records/RecoveryFile.h"
#include "settings/SettingsStore.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"

namespace {
QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Complete lines only: a line the kill cut short has no line end.
QStringList CompleteLines(const QByteArray& bytes) {
  QStringList lines = QString::fromLatin1(bytes).split("\r\n");
  lines.removeLast();
  return lines;
}

QStringList Listed() { return OpenSettingsStore()->value("recovery/files").toStringList(); }

// A program of the test's own: its environment plus these variables, offscreen.
void Launch(QProcess& process, const QString& program, const QStringList& args,
            const QMap<QString, QString>& variables) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  for (auto it = variables.begin(); it != variables.end(); ++it) env.insert(it.key(), it.value());
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(program, args);
}

// The answer to the start-up offer's question box, clicked from inside its event loop.
void AnswerOffer(const QString& buttonText) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, buttonText] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll->deleteLater();
    poll->stop();
    QTest::keyClick(box, Qt::Key_Escape);  // ignored: there is no escape button
    for (QAbstractButton* b : box->buttons())
      if (b->text() == buttonText) b->click();
  });
  poll->start(20);
}
}  // namespace

class TestRecoveryLive : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { qputenv("FLUXA_SETTINGS", settings_.toUtf8()); }
  void init() { OpenSettingsStore()->remove("recovery"); }

  // Everything stored before the kill is in the data file after the next start keeps it.
  void killedRecordingIsRecoveredAtTheNextStart_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("keep") << "keep";
    QTest::newRow("discard") << "discard";
  }
  void killedRecordingIsRecoveredAtTheNextStart() {
    QFETCH(QString, answer);
    SimProcess sim({"--rate", "50", "--wave", "ramp", "--slope", "0.5", "--period", "1000"});
    QVERIFY(sim.start());
    const QString data = dir_.filePath("killed-" + answer + ".F3D");
    const QString part = data + ".part";
    const QMap<QString, QString> env{{"FLUXA_COM1", sim.meterPath()}, {"FLUXA_SETTINGS", settings_}};

    QProcess recording;
    Launch(recording, RECORDING_CHILD_PATH, {data}, env);
    QVERIFY2(recording.waitForStarted(10000), qPrintable(recording.errorString()));
    QByteArray said;
    QVERIFY(sim.pumpUntil([&] {
      said += recording.readAllStandardOutput();
      return said.contains("recording\n") || recording.state() != QProcess::Running;
    }, 30000));
    QCOMPARE(recording.state(), QProcess::Running);
    // Some results stored, and more coming, when the program dies.
    QVERIFY(sim.pumpUntil([&] { return Bytes(part).count('\n') >= 60; }, 30000));
    ::kill(pid_t(recording.processId()), SIGKILL);
    QVERIFY(recording.waitForFinished(10000));
    QCOMPARE(recording.exitStatus(), QProcess::CrashExit);

    const QStringList stored = CompleteLines(Bytes(part));
    QVERIFY(stored.size() >= 60);
    for (const QString& line : stored) QVERIFY2(SeriesTextToNumber(line), qPrintable(line));
    QVERIFY(!QFile::exists(data));
    QCOMPARE(Listed(), QStringList{QFileInfo(part).absoluteFilePath()});

    // The real application starts, and the answer comes from the environment.
    QProcess restarted;
    Launch(restarted, FLUXA_APP_PATH, {}, {{"FLUXA_SETTINGS", settings_}, {"FLUXA_RECOVERY", answer}});
    QVERIFY2(restarted.waitForStarted(10000), qPrintable(restarted.errorString()));
    // The file goes first, then its listing.
    QVERIFY(sim.pumpUntil([&] { return !QFile::exists(part) && Listed().isEmpty(); }, 30000));
    QCOMPARE(restarted.state(), QProcess::Running);
    restarted.terminate();
    QVERIFY(restarted.waitForFinished(10000));

    if (answer == "keep") {
      QCOMPARE(ReadDataFileLines(data, 100000).lines, stored);
      qInfo("%d results stored before the kill, all in the data file", int(stored.size()));
    } else {
      QVERIFY(!QFile::exists(data));
    }
  }

  // Asked at start: "Zachowaj" keeps, "Odrzuć" discards; Escape does neither.
  void offerAsksTheUser_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("kept");
    QTest::newRow("keep") << "Zachowaj" << true;
    QTest::newRow("discard") << "Odrzuć" << false;
  }
  void offerAsksTheUser() {
    QFETCH(QString, button);
    QFETCH(bool, kept);
    const QString data = dir_.filePath(QString("offered-") + QTest::currentDataTag() + ".F3D");
    {
      StoredSeries series;
      Recorder recorder(series);
      recorder.Start(1, data);
      for (int i = 1; i <= 12; ++i) recorder.OnResult(FormatValueText(1, i));
    }  // gone without a stop
    MessageRecorder messages;
    TMainWin w;
    AnswerOffer(button);
    w.OfferLeftRecordings();
    QCOMPARE(ReadDataFileLines(data, 100).lines.size(), kept ? 12 : 0);
    QVERIFY(!QFile::exists(data + ".part"));
    QVERIFY(LeftRecoveryFiles().isEmpty());
    if (kept) QCOMPARE(w.StatusPanel1->text(), QString("Zapisano wyników: 12"));
    QVERIFY(messages.texts().isEmpty());
  }

 private:
  QTemporaryDir dir_;
  QString settings_ = dir_.filePath("settings.ini");
};

QTEST_MAIN(TestRecoveryLive)
#include "test_recovery_live.moc"
