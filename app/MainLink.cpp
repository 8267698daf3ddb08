// TMainWin: connection supervision and the path of a result from the port to the display.
#include <QApplication>
#include <QDateTime>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

#include "app/Glyphs.h"
#include "app/Main.h"
#include "app/RepaintThrottle.h"

#include <utility>
#include "app/MainForm.h"
#include "common/Messages.h"
#include "link/MeterCommands.h"
#include "parameters/Transfer.h"
#include "measurement/ResultSequence.h"
#include "measurement/WykresWidget.h"
#include "settings/Jezyki.h"

// ---- Connection supervision ----

void TMainWin::Poczony1Click() {
  QApplication::beep();
  autoReconnect_.stop();
  if (Poczony1->isChecked()) {
    ComPort1->Close();
    ShowDisconnected(LinkEvent::UserDisconnect);
    return;
  }
  if (Connect(false)) liveResults_.Clear();  // the table of live results starts again
}

// Opens the port and enables what needs it; a failure is told unless quiet.
bool TMainWin::Connect(bool quiet) {
  try {
    ComPort1->Open();
  } catch (const EComPort&) {
    if (!quiet) ShowMessage("Nie można podłączyć się do " + ComPort1->PortName());
    return false;
  }
  Poczony1->setChecked(true);
  if (FileShown()) Danezurzdzenia1Click();  // connecting is for live results: the chart follows them again
  Trans->setEnabled(false);
  Wyslij->setEnabled(true);
  SprPolacz.start();
  Zapisz1->setEnabled(true);
  S_Zapisz->setEnabled(true);
  S_Polacz->setText(LookupText(32));
  return true;
}

// What "Rozłącz" leaves: a recording that runs goes on holding its results until it is stopped.
void TMainWin::ShowDisconnected(LinkEvent event) {
  Poczony1->setChecked(false);
  Trans->setEnabled(true);
  Wyslij->setEnabled(false);
  SprPolacz.stop();
  Zapisz1->setEnabled(false);
  S_Zapisz->setEnabled(false);
  S_Polacz->setText(LookupText(31));
  PaintIndicators(event);
}

void TMainWin::ComPort1DeviceLost() {
  deviceLost_ = false;
  ShowDisconnected(LinkEvent::UserDisconnect);
  autoReconnect_.start();
  lostLinkText_ = LookupText(49) + " " + ComPort1->PortName();
  // Told once, after the port's own closing has finished, unless the link is back by then.
  QTimer::singleShot(0, this, [this, text = lostLinkText_] {
    if (!ComPort1->Connected()) ShowMessage(text);
  });
}

// The message that the link was lost is of no use once it is back: its box goes by itself.
void TMainWin::CloseLostLinkMessage() {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible() && box->text() == lostLinkText_)
      box->done(QMessageBox::Ok);
  lostLinkText_.clear();
}

// A device that comes back (a USB adapter plugged in again) is taken up without a click. Not
// while the wizard holds the port: the main window is hidden then.
void TMainWin::AutoReconnectTimer() {
  if (ComPort1->Connected() || Poczony1->isChecked()) {
    autoReconnect_.stop();
    return;
  }
  if (!isVisible()) return;
  if (!Connect(true)) return;
  autoReconnect_.stop();
  CloseLostLinkMessage();
}

void TMainWin::COM11Click() {
  if (!COM21->isChecked()) return;
  autoReconnect_.stop();
  ComPort1->SetPortName("COM1");
  COM21->setChecked(false);
  COM11->setChecked(true);
  FollowPublishedMeter(false);
}

void TMainWin::COM21Click() {
  if (!COM11->isChecked()) return;
  autoReconnect_.stop();
  ComPort1->SetPortName("COM2");
  COM11->setChecked(false);
  COM21->setChecked(true);
  FollowPublishedMeter(false);
}

void TMainWin::ComPort1Open() {
  receiver_.clearPartialFrame();
  StatusPanel0->setText(LookupText(40) + " " + ComPort1->PortName());
  Pobierzwynikizurzdzenia1->setEnabled(true);
  stopien->setVisible(true);
  STemp->setVisible(true);
  PaintIndicators(LinkEvent::PortOpened);
  publishing_.SetMeterConnected(true);
}

void TMainWin::ComPort1Close() {
  StatusPanel0->setText(LookupText(41));
  Pobierzwynikizurzdzenia1->setEnabled(false);
  PaintIndicators(LinkEvent::PortClosed);
  publishing_.SetMeterConnected(false);
  if (deviceLost_) ComPort1DeviceLost();
}

void TMainWin::SprPolaczTimer() {
  if (receiver_.dataSeen()) {
    receiver_.clearDataSeen();
    PaintIndicators(LinkEvent::TickWithData);
  } else {
    PaintIndicators(LinkEvent::TickWithoutData);
  }
}

void TMainWin::PaintIndicators(LinkEvent event) {
  const IndicatorColours colours = ColoursFor(event);
  if (colours.noTransmission) SetTextColour(BP, *colours.noTransmission);
  if (colours.result) {
    SetTextColour(SWynik, *colours.result);
    SetTextColour(Falka, *colours.result);
  }
  if (colours.temperature) {
    SetTextColour(STemp, *colours.temperature);
    SetTextColour(stopien, *colours.temperature);
  }
}

void TMainWin::UpdatePowerOffIndicator(bool on) {
  // Every result carries the flag; the menu item changes only when the flag does.
  if (shownPowerOff_ == on) return;
  shownPowerOff_ = on;
  Zmieautomatycznewyczanie1->setChecked(on);
  Zmieautomatycznewyczanie1->setText(LookupText(on ? 94 : 18));
}

void TMainWin::TimeOutClick() {
  if (!ComPort1->Connected()) return;
  // The value at address 14, its pause, then "S" to keep it: paced like any transfer.
  TransferPlan plan = PlanAnyValue(QStringLiteral("14"), Zmieautomatycznewyczanie1->isChecked() ? "0" : "1");
  plan.steps.append({TransferStep::Kind::Store, CommandFrame('S'), {}});
  Send->RunSteps(plan.steps, {}, {});
}

// While a run of frames holds the port, nothing else writes to it: what would is disabled, and
// the status line says why. Afterwards each control is as the link's state makes it.
void TMainWin::ShowPortBusy(bool busy) {
  const QString why = busy ? LookupText(155) : QString();
  const bool connected = ComPort1->Connected();
  for (QAction* action : {Poczony1, Zmieautomatycznewyczanie1, Pobierzwynikizurzdzenia1}) {
    action->setEnabled(!busy && (action != Pobierzwynikizurzdzenia1 || connected));
    action->setStatusTip(why);
  }
  for (QWidget* control : {static_cast<QWidget*>(S_Polacz), static_cast<QWidget*>(Send->Button4)}) {
    control->setEnabled(!busy);
    control->setToolTip(why);
  }
  Wyslij->setEnabled(!busy && connected);
  if (busy)
    StatusPanel1->setText(why);
  else if (StatusPanel1->text() == LookupText(155))
    StatusPanel1->clear();  // a run without a report of its own
}

// ---- Results ----

void TMainWin::ComPort1RxChar(int count) {
  QByteArray bytes;
  try {
    bytes = ComPort1->Read(count);
  } catch (const EComPort&) {
    return;
  }
  HandleArrival(bytes);
  // While results stream, the port wakes this handler once a frame is whole, not at every byte.
  if (receiver_.mode() == MeterReceiver::kParseFrames && ComPort1->Connected())
    ComPort1->AwaitFrame(receiver_.assembler().BytesToNextFrame());
}

void TMainWin::HandleArrival(const QByteArray& bytes) {
  const auto frame = receiver_.Receive(bytes);
  if (frame) {
    singleResultWanted_ = false;
    ProcessResult(*frame);
  } else if (singleResultWanted_ && receiver_.paused()) {
    // At 9600 baud a frame usually comes in several arrivals; the request stays until one
    // whole frame has been shown, so one click always brings one result.
    receiver_.requestSingleResult();
  }
}

void TMainWin::ProcessResult(const ResultFrame& frame) {
  ResultSteps steps;
  steps.powerOffIndicator = [this](bool on) { UpdatePowerOffIndicator(on); };
  steps.quantity = [this](const MeasurementResult& r) {
    if (quantity_.Changed(r)) StartAgainForNewQuantity();
  };
  steps.digitalFilter = [this](MeasurementResult& r) {
    if (filtr->isChecked()) r.value = digitalFilter_.Apply(r.value, r.jumpThreshold, firstResult_);
  };
  steps.temperatureFilter = [this](MeasurementResult& r) {
    if (filtrTemp->isChecked()) r.temperature = temperatureFilter_.Apply(r.temperature);
  };
  // The labels take the texts of the last result just before the window's next paint: every
  // result is counted, but a text nobody sees is not laid out 137 times a second.
  steps.maximumJump = [this](const MeasurementResult& r) {
    pendingLabels_.jump = maximumJump_.Apply(r.value, r.decimalClass, firstResult_);
  };
  steps.statistics = [this](const MeasurementResult& r) {
    if (!Dane->isChecked()) return;
    if (statistics_.Add(r.value)) pendingLabels_.statistics = r.decimalClass;
  };
  steps.display = [this](const MeasurementResult& r) {
    pendingLabels_.result = r;
    if (isVisible() && repaintThrottle_)
      repaintThrottle_->RequestPaint();
    else
      ShowPendingLabels();  // no paint to wait for
  };
  steps.chart = [this](const MeasurementResult& r) {
    if (filtrTemp->isChecked()) {
      Wykres1->Chart().AddValue(r.temperature);
    } else if (Danezurzdzenia1->isChecked()) {
      liveUnit_ = r.unitText;  // shared, not copied: every result carries its unit
      Wykres1->Chart().AddValue(r.value);
    }
  };
  steps.recording = [this](const MeasurementResult& r) {
    const QString text = FormatValueText(r.decimalClass, r.value);
    // For "Eksportuj do CSV…", with its moment, mode, range and temperature.
    liveResults_.Append(text, r.unitText,
                        {QDateTime::currentMSecsSinceEpoch(), r.alternating, r.range2,
                         r.temperature == NoProbeTemperature ? LiveResults::kNoProbe : qint16(qRound(r.temperature))});
    publishing_.Publish(r);
    if (recorder_.OnResult(text, r.unitText) == RecordResult::Full) ZakonczClick();
  };
  ProcessResultFrame(frame, steps);
}

// The meter went over to another unit or mode: nothing kept from before may mix with what comes.
// The filters, the jump, the statistics and the live chart start again from this result; a
// recording is stopped (its file holds the results of before) and the user is told why.
void TMainWin::StartAgainForNewQuantity() {
  firstResult_.Clear();
  temperatureFilter_.Restart();
  maximumJump_.Reset();
  Button1Click();
  if (Danezurzdzenia1->isChecked() && !filtrTemp->isChecked()) Wykres1->Chart().Clear();
  if (!recorder_.Recording()) return;
  ZakonczClick();
  const QString text = LookupText(154).arg(quantity_.Before(), quantity_.Now());
  QTimer::singleShot(0, this, [text] { ShowMessage(text); });
}

void TMainWin::ShowPendingLabels() {
  if (pendingLabels_.jump) SSkok->setText(*std::exchange(pendingLabels_.jump, std::nullopt));
  if (const auto decimalClass = std::exchange(pendingLabels_.statistics, std::nullopt)) {
    const StatisticsTexts texts = statistics_.Texts(*decimalClass);
    Min->setText(texts.minimum);
    Max->setText(texts.maximum);
    Avr->setText(texts.average);
  }
  if (const auto result = std::exchange(pendingLabels_.result, std::nullopt)) ShowResult(*result);
}

void TMainWin::ShowResult(const MeasurementResult& result) {
  const ResultDisplay display = DisplayFor(result);
  Falka->setVisible(display.alternatingMark);
  SWynik->setText(display.resultText);
  stopien->setVisible(display.degreeSign);
  // Placing the degree sign measures the text: only when the text changes.
  if (display.temperatureText == STemp->text()) return;
  STemp->setText(display.temperatureText);
  if (display.degreeSign) {
    // The degree sign stands in the second of the two spaces before "C".
    const QFontMetrics metrics(STemp->font());
    const int textWidth = metrics.horizontalAdvance(display.temperatureText);
    const int charWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    stopien->move(STemp->x() + textWidth - 2 * charWidth + 1, STemp->y() - 4);
  }
}

void TMainWin::LastWYnikClick() {
  receiver_.setPaused(!receiver_.paused());
  singleResultWanted_ = false;
  UpdatePauseButton();
}

void TMainWin::UpdatePauseButton() {
  const bool paused = receiver_.paused();
  LastWYnik->setIcon(paused ? PlayGlyph() : PauseGlyph());
  LastWYnik->setProperty("glyph", paused ? "PLAY" : "PAUSE");
  LastWYnik->setToolTip(LookupText(paused ? 91 : 90));
  OneWynik->setVisible(paused);
}

void TMainWin::OneWynikClick() {
  singleResultWanted_ = true;
  receiver_.requestSingleResult();
}

