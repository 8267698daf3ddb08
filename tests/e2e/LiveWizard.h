#pragma once
// The calibration wizard against fluxa-sim for end-to-end tests: the simulator (meter at gain
// 16000 of 20000, so it reads 0.8 of the field, in Gs), the wizard on its ports, and waits for the
// wizard's phases.
#include <QtTest>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <algorithm>
#include <initializer_list>

#include "tests/common/MessageRecorder.h"
#include "tests/common/SimProcess.h"
#include "wizard/KalibracjaMain.h"

namespace live_wizard {
using Phase = CalibrationSteps::Phase;
inline const QByteArray kLo2 = "\x1BLO2\r";
inline const QByteArray kLo1 = "\x1BLO1\r";
inline const QByteArray kMe1 = "\x1BME100000000\r";
// Long enough for any wait of the steps on a busy machine: the handshake's ten tries with their
// guard are the longest, 14.2 s.
constexpr int kStepTimeoutMs = 20000;

inline int CountOf(const QList<SimProcess::Rx>& commands, const QByteArray& command, int from = 0) {
  int n = 0;
  for (qsizetype i = from; i < commands.size(); ++i) n += commands[i].bytes == command;
  return n;
}

// Runs the event loop until the wizard's steps are in one of `phases`.
inline bool AwaitPhase(SimProcess& sim, const TkKalibracja& wizard, std::initializer_list<Phase> phases,
                int timeoutMs = kStepTimeoutMs) {
  return sim.pumpUntil(
      [&] { return std::find(phases.begin(), phases.end(), wizard.Phase()) != phases.end(); }, timeoutMs);
}

// The simulator (meter at gain 16000 of 20000, so it reads 0.8 of the field, in Gs) and the
// wizard on its ports.
struct LiveWizard {
  explicit LiveWizard(const QStringList& args = {})
      : sim(QStringList{"--unit", "Gs", "--field", "50", "--gain", "16000"} + args) {}
  bool Start() {
    if (!sim.start()) return false;
    qputenv("FLUXA_COM1", sim.meterPath().toUtf8());
    qputenv("FLUXA_COM2", sim.referencePath().toUtf8());
    return wizard.OpenFor(nullptr, 0, 1, QStringLiteral("KV-0001"));
  }
  int Page() const { return wizard.kWizardPages->currentIndex(); }
  bool Is(Phase phase) const { return wizard.Phase() == phase; }
  bool Await(std::initializer_list<Phase> phases) { return AwaitPhase(sim, wizard, phases); }
  // "Dalej >>" on page 0: true once both meters are connected (page 1); false when the opening
  // was refused (back in Idle on page 0) or it never ended.
  bool Connect() {
    wizard.kDalejClick();
    return Await({Phase::Sampling, Phase::Idle}) && Is(Phase::Sampling);
  }
  // "Rejestruj": true once the sample is in the table.
  bool Register() {
    const int before = wizard.Samples().Count();
    wizard.kWizardRejestruj->click();
    return Await({Phase::Sampling}) && wizard.Samples().Count() == before + 1;
  }
  // "<< Wstecz" on page 1: true once both ports are closed and page 0 takes "Dalej >>" again.
  bool BackToPage0() {
    wizard.kWsteczClick();
    return Await({Phase::Idle});
  }
  bool BothOffline() const {
    return wizard.kStatusPanel0->text() == "Wzor: Offline" &&
           wizard.kStatusPanel1->text() == "Kalib: Offline" && !wizard.Link().kComWzor.Connected() &&
           !wizard.Link().kComKalib.Connected();
  }
  // Waits for both labels to read as given.
  bool Readings(const QString& reference, const QString& calibrated, int timeoutMs = 5000) {
    return sim.pumpUntil(
        [&] {
          return wizard.kWizardWzorLabel->text() == reference &&
                 wizard.kWizardKalLabel->text() == calibrated;
        },
        timeoutMs);
  }
  // Waits for `polls` more measurement queries.
  bool MorePolls(int polls, int timeoutMs = 5000) {
    const int target = CountOf(sim.referenceCommands(), kMe1) + polls;
    return sim.pumpUntil([&] { return CountOf(sim.referenceCommands(), kMe1) >= target; }, timeoutMs);
  }
  MessageRecorder messages;
  SimProcess sim;
  TkKalibracja wizard;
};
}  // namespace live_wizard
using namespace live_wizard;
