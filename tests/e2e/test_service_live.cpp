// The parameter transfer end to end: the real main window offscreen in service mode, fluxa-sim
// as the meter on a pseudo-terminal, the frames as the simulator received them.
#include <QtTest>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include "app/FileDialogs.h"
#include "app/ServicePanel.h"
#include "common/Pacing.h"
#include "parameters/ParameterGrid.h"
#include "parameters/Transfer.h"
#include "store/RecordsSettings.h"
#include "tests/e2e/LiveWindow.h"
#include "tests/parameters/ReferenceCalibration.h"

namespace {
using P = MeterParameters;
using Texts = QMap<int, QString>;

const QByteArray k1000 = QByteArray::fromHex("AA55432EE803");
const QByteArray kStore = QByteArray::fromHex("AA5553000000");

// Sees every pause of a transfer while it lives, and says how long it takes.
struct PauseHook {
  explicit PauseHook(std::function<int(int)> pace) { previous_ = SetPacingHooks({std::move(pace), {}}); }
  ~PauseHook() { SetPacingHooks(previous_); }
  PacingHooks previous_;
};

// A transfer runs on the event loop; this waits for its end.
bool TransferEnds(LiveWindow& live, int timeoutMs = 20000) {
  return live.sim.pumpUntil([&] { return !live.window.Send->Transferring(); }, timeoutMs);
}

struct FileAnswer {
  explicit FileAnswer(const QString& name) {
    previous_ = SetFileDialogHook([name](bool, const FileDialogSettings&) { return name; });
  }
  ~FileAnswer() { SetFileDialogHook(previous_); }
  FileDialogHook previous_;
};

QList<QByteArray> Bytes(const QList<SimProcess::Rx>& frames) {
  QList<QByteArray> bytes;
  for (const auto& f : frames) bytes << f.bytes;
  return bytes;
}

// A frame through the diagnostic tool; once the simulator reports it, it has read every frame
// sent before it, so a test need not wait for frames that should not come.
const QByteArray kMarker = QByteArray::fromHex("AA55433C0700");
bool SendMarker(LiveWindow& live, int framesBefore) {
  live.window.Send->DWPole->setText("60");
  live.window.Send->DWWartosc->setText("7");
  live.window.Send->Button4->click();
  return live.sim.waitForMeterFrames(framesBefore + 1, 3000);
}

// The main window connected, in service mode, with the panel filled.
bool Ready(LiveWindow& live, const MeterParameters& parameters, bool store) {
  if (!live.Start() || !live.Connect()) return false;
  live.window.ShowServiceMode();
  live.window.Send->SetParameters(parameters);
  live.window.Send->SaveEPROM->setChecked(store);
  return live.window.Wyslij->isEnabled();
}
}  // namespace

class TestServiceLive : public QObject {
  Q_OBJECT
 private slots:
  void referenceFileGoesToTheMeterAndIsStored() {
    QTemporaryDir dir;
    const QString state = dir.filePath("state.txt");
    const QString file = dir.filePath("R.F3C");
    {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(ReferenceFileBytes());
    }
    LiveWindow live({"--rate", "10", "--state", state});
    QVERIFY(Ready(live, {}, true));
    {
      FileAnswer answer(file);
      live.window.Send->Otworz->click();
    }
    QCOMPARE(live.window.Send->NumerSeryjnyMiernika->text(), QString("Ł-001"));
    QTRY_VERIFY_WITH_TIMEOUT(live.window.Receiver().dataSeen(), 3000);
    live.window.Receiver().clearDataSeen();

    // While it runs: the progress shows, the bar repaints, results are still taken in and shown,
    // an event posted meanwhile is handled before the next frame, and nothing else may write
    // to the port; at the end the status line says what reached the meter.
    QList<int> progress;
    bool resultSeen = false;
    int paints = 0;
    QProgressBar* bar = live.window.Send->TransferProgress;
    struct PaintCounter : QObject {
      int* count;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++*count;
        return false;
      }
    } counter;
    counter.count = &paints;
    bar->installEventFilter(&counter);
    bool portTaken = true;
    QList<int> pauses;
    int posted = 0;
    int handled = 0;
    bool postedInTime = true;
    PauseHook hook([&](int ms) {
      pauses << ms;
      progress << (bar->isVisible() ? bar->value() : -1);
      portTaken = portTaken && !live.window.Wyslij->isEnabled() && !live.window.Poczony1->isEnabled() &&
                  !live.window.S_Polacz->isEnabled() && !live.window.Send->Button4->isEnabled() &&
                  live.window.Send->AnulujWysylanie->isVisible();
      resultSeen = resultSeen || live.window.Receiver().dataSeen();
      // The event posted at the pause before is handled by now.
      postedInTime = postedInTime && handled == posted;
      ++posted;
      QTimer::singleShot(0, [&] { ++handled; });
      return ms;
    });
    live.window.Wyslij->click();
    QVERIFY(live.window.Send->Transferring());
    QVERIFY(TransferEnds(live));
    bar->removeEventFilter(&counter);

    QVERIFY(live.sim.waitForLine("state saved", 5000));
    const QList<SimProcess::Rx> frames = live.sim.meterFrames();
    QCOMPARE(Bytes(frames), ReferenceFrames() << kStore);
    // Every frame is followed by its pause, the store by the longer one.
    QCOMPARE(pauses, QList<int>(25, 300) << 500);
    // On the wire: the simulator stamps a frame when it gets to read it, never early but now and
    // then late on a busy machine, so single gaps jitter; their median and the whole span do not.
    QList<double> gaps;
    for (int i = 1; i < 25; ++i) gaps << frames[i].ms - frames[i - 1].ms;
    std::sort(gaps.begin(), gaps.end());
    QVERIFY2(gaps[12] >= 295, qPrintable(QString::number(gaps[12])));
    const double span = frames[25].ms - frames[0].ms;  // 24 pauses of 300 ms and 800 ms before "S"
    QVERIFY2(span >= 24 * 300 + 800 - 250, qPrintable(QString::number(span)));
    QFile stored(state);
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), ReferenceStateFile());
    QVERIFY(live.messages.texts().isEmpty());

    QList<int> expected;  // before each frame's pause the bar shows the values done before it
    for (int k = 0; k < 25; ++k) expected << k;
    QCOMPARE(progress, expected << 25);  // and the pause before the store
    QVERIFY2(paints >= 20, qPrintable(QString::number(paints)));
    QVERIFY(resultSeen);
    QVERIFY(postedInTime);
    QVERIFY(!bar->isVisible());
    QVERIFY(portTaken);
    QVERIFY(live.window.Wyslij->isEnabled() && live.window.Poczony1->isEnabled() && live.window.Send->Button4->isEnabled());
    QVERIFY(!live.window.Send->AnulujWysylanie->isVisible());
    QLabel* line = live.window.StatusPanel1;
    QCOMPARE(line->text(), QString("Wysłano parametrów: 25, zapisano w EEPROM"));
    // The transfer is kept in the records with what reached the meter.
    RecordStore records(QStringLiteral("any"));
    QVERIFY(records.Open(RecordsPath(), nullptr));
    const QList<RecordSummary> history = records.History();
    QVERIFY(!history.isEmpty());
    const auto transfer = records.Transfer(history.first().number);
    QVERIFY(transfer);
    const MeterParameters sent = ReferenceParameters();
    QCOMPARE(transfer->values, QStringList(sent.texts.begin(), sent.texts.end()));
    QCOMPARE(transfer->serial, sent[MeterParameters::NumerSeryjnyMiernika]);
    QCOMPARE(transfer->framesSent, 25);
    QVERIFY(transfer->stored);
    QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <= line->contentsRect().width());
    QTRY_VERIFY_WITH_TIMEOUT(live.window.Receiver().dataSeen(), 3000);  // results come again
  }

  void emptyPanelSendsOnlyTheConstant() {
    LiveWindow live({"--rate", "5"});
    QVERIFY(Ready(live, ReferenceParameters(), true));
    live.window.Odbierz->click();
    QCOMPARE(live.window.Send->Parameters(), MeterParameters{});
    live.window.Wyslij->click();
    QVERIFY(TransferEnds(live));
    QVERIFY(live.sim.waitForMeterFrames(2, 3000));
    live.sim.pumpUntil([] { return false; }, 300);
    QCOMPARE(Bytes(live.sim.meterFrames()), (QList<QByteArray>{k1000, kStore}));
    QVERIFY(live.messages.texts().isEmpty());
  }

  // One field filled: what each kind of step does on the wire (the encodings and every message
  // are the plan's, tested without a port): a frame, or a refusal that sends nothing at all.
  void singleFields_data() {
    QTest::addColumn<Texts>("texts");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<QByteArray>>("frames");
    using F = QList<QByteArray>;
    QTest::newRow("gain 0,5") << Texts{{P::Sondy(1, 1), "0,5"}} << QStringList{}
                              << F{QByteArray::fromHex("AA5543000040"), k1000, kStore};
    QTest::newRow("threshold 1801")
        << Texts{{P::ProgRodzajuSondy, "1801"}}
        << QStringList{"Niedozwolona wartość komórki: próg rodzaju sondy!\nPróg rodzaju sondy mV"} << F{};
    QTest::newRow("threshold abc")
        << Texts{{P::ProgRodzajuSondy, "abc"}}
        << QStringList{"'abc' is not a valid integer value\nPróg rodzaju sondy mV"} << F{};
    QTest::newRow("phase x")
        << Texts{{P::SFaza(1), "10"}, {P::SFaza(2), "x"}}
        << QStringList{"Nie można wysłać tekstu x do adresu 55\nZakres: Zakres 2 / Faza"} << F{};
  }
  void singleFields() {
    QFETCH(Texts, texts);
    QFETCH(QStringList, messages);
    QFETCH(QList<QByteArray>, frames);
    MeterParameters p;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) p[it.key()] = it.value();
    LiveWindow live({"--rate", "5"});
    QVERIFY(Ready(live, p, true));
    // Only the order matters here, not the line's pace.
    PauseHook fast([](int) { return 5; });
    live.window.Wyslij->click();
    QVERIFY(TransferEnds(live));
    QCOMPARE(live.messages.texts(), messages);
    QVERIFY(SendMarker(live, int(frames.size())));
    QCOMPARE(Bytes(live.sim.meterFrames()), frames << kMarker);
    QCOMPARE(live.window.Send->Parameters(), p);  // a transfer never changes the panel
  }

  // A whole calibration with one value out of its range: one message naming the cell, not one
  // frame (no good value before it, no store), and the panel as it was.
  void oneBadCellSendsNothing() {
    MeterParameters p = ReferenceParameters();
    p[P::OTemp] = "70000";
    LiveWindow live({"--rate", "5"});
    QVERIFY(Ready(live, p, true));
    live.window.Wyslij->click();
    QCOMPARE(live.messages.texts(),
             QStringList{"Nie można wysłać tekstu 70000 do adresu 48\nOffset termometru"});
    QCOMPARE(live.window.Send->Parameters(), p);
    QVERIFY(SendMarker(live, 0));
    QCOMPARE(Bytes(live.sim.meterFrames()), QList<QByteArray>{kMarker});
  }

  void anyValueToAnyAddress() {
    LiveWindow live({"--rate", "5"});
    QVERIFY(live.Start());
    TServicePanel* panel = live.window.Send;
    panel->DWPole->setText("1");
    panel->DWWartosc->setText("1");
    panel->Button4->click();  // not connected: the write fails
    QCOMPARE(live.messages.texts(), QStringList{"Nie można wysłać tekstu 1 do adresu 1"});
    QVERIFY(live.Connect());
    live.messages.clear();
    panel->DWPole->setText("300");
    panel->DWWartosc->setText("5");
    panel->Button4->click();
    QVERIFY(!panel->Button4->isEnabled());  // the port is taken for the frame's pause
    QVERIFY(TransferEnds(live));
    panel->DWPole->clear();
    panel->Button4->click();
    QVERIFY(live.sim.waitForMeterFrames(1, 3000));
    QCOMPARE(Bytes(live.sim.meterFrames()), QList<QByteArray>{QByteArray::fromHex("AA55432C0500")});
    QCOMPARE(live.messages.texts(), QStringList{"Błędne dane!"});
  }

  void sendIsEnabledOnlyWhileConnected() {
    LiveWindow live({"--rate", "5"});
    QVERIFY(live.Start());
    QVERIFY(!live.window.Wyslij->isEnabled());
    QVERIFY(live.Connect());
    QVERIFY(live.window.Wyslij->isEnabled());
    live.window.Poczony1Click();
    QVERIFY(!live.window.Wyslij->isEnabled());
  }

  // A port that is gone fails the first write; the transfer says so once and stops, without
  // the store command.
  void closedPortGivesOneMessage() {
    LiveWindow live({"--rate", "5"});
    QVERIFY(Ready(live, ReferenceParameters(), true));
    live.window.Poczony1Click();
    QVERIFY(!live.window.ComPort1->Connected());
    live.window.Send->WyslijClick();
    QCOMPARE(live.messages.texts(), QStringList{"Nie można wysłać tekstu 0.5 do adresu 0"});
    QCOMPARE(live.window.StatusPanel1->text(), QString("Wysłano parametrów: 0 z 25, nie zapisano w EEPROM"));
    live.sim.pumpUntil([] { return false; }, 200);
    QVERIFY(live.sim.meterFrames().isEmpty());
  }

  // "Anuluj" stops before the next frame: the meter got the frames before it, no store, and the
  // status line and the record say so.
  void cancelStopsBeforeTheNextFrame() {
    LiveWindow live({"--rate", "5"});
    QVERIFY(Ready(live, ReferenceParameters(), true));
    int pauses = 0;
    PauseHook hook([&](int ms) {
      if (++pauses == 5) QTimer::singleShot(0, live.window.Send->AnulujWysylanie, &QPushButton::click);
      return ms;
    });
    live.window.Wyslij->click();
    QVERIFY(TransferEnds(live));
    QCOMPARE(pauses, 5);
    QCOMPARE(live.window.StatusPanel1->text(), QString("Wysłano parametrów: 5 z 25, nie zapisano w EEPROM"));
    QVERIFY(SendMarker(live, 5));
    QCOMPARE(Bytes(live.sim.meterFrames()), ReferenceFrames().mid(0, 5) << kMarker);
    RecordStore records(QStringLiteral("any"));
    QVERIFY(records.Open(RecordsPath(), nullptr));
    const auto transfer = records.Transfer(records.History().first().number);
    QVERIFY(transfer);
    QCOMPARE(transfer->framesSent, 5);
    QVERIFY(!transfer->stored);
    QVERIFY(live.messages.texts().isEmpty());
  }

  void deviceLostDuringTheTransfer() {
    LiveWindow live({"--rate", "5"});
    QVERIFY(Ready(live, ReferenceParameters(), true));
    int pauses = 0;
    PauseHook hook([&](int ms) {
      // After the third frame the meter's line goes dead.
      if (++pauses == 3) {
        live.sim.process().write("hangup meter\n");
        live.sim.process().waitForBytesWritten(1000);
      }
      return ms;
    });
    live.window.Wyslij->click();
    QVERIFY(TransferEnds(live));
    QTRY_VERIFY_WITH_TIMEOUT(!live.window.ComPort1->Connected(), 3000);
    QVERIFY(!live.window.Wyslij->isEnabled());
    // The main window says that the link is gone; the transfer says once what it could not send.
    QStringList transferMessages;
    for (const QString& m : live.messages.texts())
      if (m.startsWith("Nie można wysłać") || m == "Wysłać polecenia") transferMessages << m;
    QCOMPARE(transferMessages, QStringList{"Nie można wysłać tekstu 0.9634 do adresu 12"});
    QCOMPARE(Bytes(live.sim.meterFrames()), ReferenceFrames().mid(0, 3));
  }
};

QTEST_MAIN(TestServiceLive)
#include "test_service_live.moc"
