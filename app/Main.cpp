#include "app/Main.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>

#include "app/Glyphs.h"
#include "app/MainForm.h"
#include "app/settings/Jezyki.h"
#include "common/Messages.h"
#include "link/MeterCommands.h"
#include "measurement/ResultSequence.h"
#include "measurement/WykresWidget.h"
#include "app/FileDialogs.h"
#include "records/DataFile.h"
#include "records/Pobieranie.h"
#include "records/SpeedStep.h"

TMainWin::TMainWin(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainWin");
  setWindowTitle(QStringLiteral("Ferrolab - Fluxa 3.1"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  QFont small = font();
  small.setPointSizeF(8);
  setFont(small);

  ComPort1 = new TComPort(ComPortSettings::ComPort1(), this);
  ComPort1->setObjectName("ComPort1");
  ComPort1->OnRxChar = [this](int count) { ComPort1RxChar(count); };
  ComPort1->OnAfterOpen = [this] { ComPort1Open(); };
  ComPort1->OnAfterClose = [this] { ComPort1Close(); };

  BuildMenu();
  BuildPanels();
  BuildStatusBar();

  SprPolacz.setObjectName("SprPolacz");
  SprPolacz.setInterval(500);
  Timer1.setObjectName("Timer1");
  Timer1.setInterval(250);
  ZmienStan.setObjectName("ZmienStan");
  ZmienStan.setInterval(600);
  WireHandlers();

  // The client area is fixed; the menu bar sits above it.
  setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  FormCreate();
}

// Defined here, where the owned dialog type is complete.
TMainWin::~TMainWin() = default;

namespace {
// A checkable menu item flips its own mark when clicked; the handlers decide the mark
// themselves from the state before the click, so the flip is undone first.
template <typename Handler>
void OnClick(QAction* action, Handler handler) {
  QObject::connect(action, &QAction::triggered, action, [action, handler](bool checked) {
    if (action->isCheckable()) {
      const QSignalBlocker block(action);
      action->setChecked(!checked);
    }
    handler();
  });
}
}  // namespace

void TMainWin::WireHandlers() {
  OnClick(Koniec1, [this] { Koniec1Click(); });
  OnClick(Wyjdztryb1, [this] { HideServiceMode(); });
  OnClick(Poczony1, [this] { Poczony1Click(); });
  OnClick(COM11, [this] { COM11Click(); });
  OnClick(COM21, [this] { COM21Click(); });
  OnClick(Zmieautomatycznewyczanie1, [this] { TimeOutClick(); });
  OnClick(Minmax1, [this] { Minmax1Click(); });
  OnClick(Danezurzdzenia1, [this] { Danezurzdzenia1Click(); });
  connect(LastWYnik, &QToolButton::clicked, this, &TMainWin::LastWYnikClick);
  connect(OneWynik, &QToolButton::clicked, this, &TMainWin::OneWynikClick);
  connect(S_Polacz, &QPushButton::clicked, this, &TMainWin::Poczony1Click);
  connect(PokazSerwis, &QToolButton::clicked, this, &TMainWin::PokazSerwisClick);
  connect(UkrysSerwis, &QToolButton::clicked, this, &TMainWin::UkrysSerwisClick);
  connect(SpeedButton1, &QPushButton::clicked, this, &TMainWin::Danezurzdzenia1Click);
  connect(Kosz, &QToolButton::clicked, this, [this] { Wykres1->Chart().Clear(); });
  // Check boxes react to every change of state, also one made by the program.
  connect(filtr, &QCheckBox::toggled, this, &TMainWin::filtrClick);
  connect(filtrTemp, &QCheckBox::toggled, this, &TMainWin::filtrTempClick);
  connect(Dane, &QCheckBox::toggled, this, &TMainWin::DaneClick);
  connect(Autoskalowanie, &QCheckBox::toggled, this, &TMainWin::AutoskalowanieClick);
  connect(Button1, &QPushButton::clicked, this, &TMainWin::Button1Click);
  connect(Button3, &QPushButton::clicked, this, &TMainWin::Button3Click);
  connect(W, &QSlider::valueChanged, this, &TMainWin::WChange);
  connect(O, &QSlider::valueChanged, this, &TMainWin::WChange);
  connect(TrackBar1, &QSlider::valueChanged, this, &TMainWin::TrackBar1Change);
  connect(&SprPolacz, &QTimer::timeout, this, &TMainWin::SprPolaczTimer);
  connect(&Timer1, &QTimer::timeout, this, &TMainWin::Timer1Timer);
  connect(&ZmienStan, &QTimer::timeout, this, &TMainWin::ZmienStanTimer);
  OnClick(Zapisz1, [this] { Zapisz1Click(); });
  OnClick(Zakoncz, [this] { ZakonczClick(); });
  OnClick(Otwrz1, [this] { Otwrz1Click(); });
  OnClick(Pobierzwynikizurzdzenia1, [this] { Pobierzwynikizurzdzenia1Click(); });
  connect(S_Zapisz, &QPushButton::clicked, this, &TMainWin::S_ZapiszClick);
  connect(Button2, &QPushButton::clicked, this, &TMainWin::Otwrz1Click);
}

void TMainWin::FormCreate() {
  ApplyLanguage();
  receiver_.setPaused(false);
  UpdatePauseButton();
  receiver_.setMode(MeterReceiver::kParseFrames);
  digitalFilter_.SetTimeConstant(1.0);
  statistics_.RequestRestart();
  firstResult_.Clear();
  temperatureFilter_.Restart();
  Wykres1->Chart().Clear();
  PaintIndicators(LinkEvent::PortClosed);
  SetTextColour(BP, kGrey);
}

void TMainWin::ApplyLanguage() {
  const auto text = [](quint16 n) { return LookupText(n); };
  Plik1->setTitle(text(1));
  Widok1->setTitle(text(2));
  Serwis->setTitle(text(3));
  Ustawienia->setTitle(text(4));
  Raport1->setTitle(text(5));
  Pomoc1->setTitle(text(6));
  Otwrz1->setText(text(7));
  Zapisz1->setText(text(8));
  Zakoncz->setText(text(9));
  Pobierzwynikizurzdzenia1->setText(text(10));
  Koniec1->setText(text(11));
  Minmax1->setText(text(12));
  Danezurzdzenia1->setText(text(13));
  Zmieuytkownika1->setText(text(14));
  Wyjdztryb1->setText(text(15));
  Poczony1->setText(text(16));
  Trans->setTitle(text(17));
  Zmieautomatycznewyczanie1->setText(text(18));
  Ustawieniaserwisowe1->setText(text(19));
  ZmienJezyk->setText(text(20));
  Twrzraport1->setText(text(21));
  OProgramie1->setText(text(22));
  GroupBox1->setTitle(text(23));
  GroupBox4->setTitle(text(24));
  Dane->setText(text(25));
  Min1->setText(text(26));
  Max1->setText(text(27));
  Avr1->setText(text(28));
  filtr->setText(text(29));
  Panel9->setText(text(30));
  // While a recording runs the button stops it, whatever the language.
  S_Zapisz->setText(text(recorder_.Recording() ? 34 : 33));
  SpeedButton1->setText(text(35));
  Button2->setText(text(36));
  Autoskalowanie->setText(text(37));
  Label13->setText(text(38));
  Label14->setText(text(39));
  BP->setText(text(42));
  Instrukcjaobsugi1->setText(text(74));
  LastWYnik->setToolTip(text(90));
  OneWynik->setToolTip(text(92));
  Kosz->setToolTip(text(93));
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{SpeedButton1, S_Zapisz, Button2,
                                                                     Autoskalowanie})
    FitText(b);
  if (ComPort1->Connected()) {
    S_Polacz->setText(text(32));
    StatusPanel0->setText(text(40) + " " + ComPort1->PortName());
  } else {
    S_Polacz->setText(text(31));
    StatusPanel0->setText(text(41));
  }
}

void TMainWin::SetPobierzWin(TPobierzWin* dialog) {
  pobierzWin_ = dialog;
  pobierzWin_->OnAnuluj = [this] { AnulujClick(); };
  // Closed by any other path (the close button, Escape): the meter must not stay silent.
  pobierzWin_->OnClosed = [this] { download_.Cancel(receiver_, *ComPort1); };
}

TPobierzWin* TMainWin::PobierzWin() {
  if (!pobierzWin_) {
    ownPobierzWin_ = std::make_unique<TPobierzWin>(this);
    SetPobierzWin(ownPobierzWin_.get());
  }
  return pobierzWin_;
}

bool TMainWin::InServiceMode() const { return Serwis->menuAction()->isVisible(); }

void TMainWin::ShowServiceMode() {
  Serwis->menuAction()->setVisible(true);
  Send->setVisible(true);
  PokazSerwis->setVisible(true);
  Wykres1->Chart().Clear();
}

void TMainWin::HideServiceMode() {
  Serwis->menuAction()->setVisible(false);
  Send->setVisible(false);
  PokazSerwis->setVisible(false);
  Wykres1->Chart().Clear();
}

void TMainWin::UkrysSerwisClick() { Send->setVisible(false); }

void TMainWin::PokazSerwisClick() { Send->setVisible(true); }

void TMainWin::Koniec1Click() { close(); }

void TMainWin::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TMainWin::FormClose() {
  if (closing_) return;
  closing_ = true;
  if (isMinimized()) showNormal();
  if (ComPort1->Connected()) ComPort1->Close();
  QApplication::quit();
  closing_ = false;
}

// ---- Connection supervision ----

void TMainWin::Poczony1Click() {
  QApplication::beep();
  if (Poczony1->isChecked()) {
    Poczony1->setChecked(false);
    ComPort1->Close();
    Trans->setEnabled(true);
    Wyslij->setEnabled(false);
    SprPolacz.stop();
    Zapisz1->setEnabled(false);
    S_Zapisz->setEnabled(false);
    S_Polacz->setText(LookupText(31));
    PaintIndicators(LinkEvent::UserDisconnect);
    return;
  }
  try {
    ComPort1->Open();
  } catch (const EComPort&) {
    ShowMessage("Nie można podłączyć się do " + ComPort1->PortName());
    return;
  }
  Poczony1->setChecked(true);
  Trans->setEnabled(false);
  Wyslij->setEnabled(true);
  SprPolacz.start();
  Zapisz1->setEnabled(true);
  S_Zapisz->setEnabled(true);
  S_Polacz->setText(LookupText(32));
}

void TMainWin::COM11Click() {
  if (!COM21->isChecked()) return;
  ComPort1->SetPortName("COM1");
  COM21->setChecked(false);
  COM11->setChecked(true);
}

void TMainWin::COM21Click() {
  if (!COM11->isChecked()) return;
  ComPort1->SetPortName("COM2");
  COM11->setChecked(false);
  COM21->setChecked(true);
}

void TMainWin::ComPort1Open() {
  StatusPanel0->setText(LookupText(40) + " " + ComPort1->PortName());
  Pobierzwynikizurzdzenia1->setEnabled(true);
  stopien->setVisible(true);
  STemp->setVisible(true);
  PaintIndicators(LinkEvent::PortOpened);
}

void TMainWin::ComPort1Close() {
  StatusPanel0->setText(LookupText(41));
  Pobierzwynikizurzdzenia1->setEnabled(false);
  PaintIndicators(LinkEvent::PortClosed);
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
  Zmieautomatycznewyczanie1->setChecked(on);
  Zmieautomatycznewyczanie1->setText(LookupText(on ? 94 : 18));
}

void TMainWin::TimeOutClick() {
  if (!ComPort1->Connected()) return;
  SendParameterFrame(*ComPort1, Zmieautomatycznewyczanie1->isChecked() ? "0" : "1", 14);
  SendCommand(*ComPort1, "S");
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
  steps.digitalFilter = [this](MeasurementResult& r) {
    if (filtr->isChecked()) r.value = digitalFilter_.Apply(r.value, r.jumpThreshold, firstResult_);
  };
  steps.temperatureFilter = [this](MeasurementResult& r) {
    if (filtrTemp->isChecked()) r.temperature = temperatureFilter_.Apply(r.temperature);
  };
  steps.maximumJump = [this](const MeasurementResult& r) {
    SSkok->setText(maximumJump_.Apply(r.value, r.decimalClass, firstResult_));
  };
  steps.statistics = [this](const MeasurementResult& r) {
    if (!Dane->isChecked()) return;
    if (const auto texts = statistics_.Apply(r.value, r.decimalClass)) {
      Min->setText(texts->minimum);
      Max->setText(texts->maximum);
      Avr->setText(texts->average);
    }
  };
  steps.display = [this](const MeasurementResult& r) { ShowResult(r); };
  steps.chart = [this](const MeasurementResult& r) {
    if (filtrTemp->isChecked())
      Wykres1->Chart().AddValue(r.temperature);
    else if (Danezurzdzenia1->isChecked())
      Wykres1->Chart().AddValue(r.value);
  };
  steps.recording = [this](const MeasurementResult& r) {
    if (recorder_.OnResult(FormatValueText(r.decimalClass, r.value)) == RecordResult::Full)
      ZakonczClick();
  };
  ProcessResultFrame(frame, steps);
}

void TMainWin::ShowResult(const MeasurementResult& result) {
  const ResultDisplay display = DisplayFor(result);
  Falka->setVisible(display.alternatingMark);
  SWynik->setText(display.resultText);
  STemp->setText(display.temperatureText);
  stopien->setVisible(display.degreeSign);
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

// ---- Filters, statistics and the chart's range ----

bool TMainWin::FileShown() const { return !Danezurzdzenia1->isChecked(); }

void TMainWin::ShowSeriesWindow() { RedrawSeries(series_, TrackBar1->value(), Wykres1->Chart()); }

void TMainWin::filtrClick(bool on) {
  if (on) {
    firstResult_.Clear();
    const auto t = ParseTimeConstant(Tau->text());
    if (!t) {
      filtr->setChecked(false);  // runs the switching-off steps
      return;
    }
    digitalFilter_.SetTimeConstant(*t);
    Tau->setEnabled(false);
  } else {
    Tau->setEnabled(true);
    if (!FileShown()) return;
    digitalFilter_.SetTimeConstant(1.0);
  }
  if (FileShown()) {
    RefilterSeries(series_, digitalFilter_.TimeConstant());
    ShowSeriesWindow();
  }
}

void TMainWin::filtrTempClick(bool on) {
  if (!on) {
    TauTemp->setEnabled(true);
    return;
  }
  temperatureFilter_.Restart();
  const auto t = ParseTimeConstant(TauTemp->text());
  if (!t) {
    filtrTemp->setChecked(false);
    return;
  }
  temperatureFilter_.SetTimeConstant(*t);
  TauTemp->setEnabled(false);
}

void TMainWin::DaneClick(bool on) { Minmax1->setChecked(on); }

void TMainWin::Minmax1Click() {
  const bool on = !Minmax1->isChecked();
  Minmax1->setChecked(on);
  Dane->setChecked(on);
}

void TMainWin::Button1Click() {
  statistics_.RequestRestart();
  Min->clear();
  Max->clear();
  Avr->clear();
}

void TMainWin::Button3Click() { maximumJump_.Reset(); }

void TMainWin::Danezurzdzenia1Click() {
  TrackBar1->setVisible(false);
  Wykres1->Chart().Clear();
  Kosz->setVisible(true);
  Danezurzdzenia1->setChecked(true);
  firstResult_.Clear();
}

void TMainWin::AutoskalowanieClick(bool on) {
  ApplyChartScaling(Wykres1->Chart(), on, W->value(), O->value());
  W->setEnabled(!on);
  O->setEnabled(!on);
  if (FileShown()) ShowSeriesWindow();
}

void TMainWin::WChange() {
  const ChartRange range = ManualChartRange(W->value(), O->value());
  Wykres1->Chart().SetRange(range.upper, range.lower);
}

void TMainWin::TrackBar1Change() { Timer1.start(); }

void TMainWin::Timer1Timer() {
  Timer1.stop();
  ShowSeriesWindow();
}

// ---- Recording, file view and download ----

void TMainWin::S_ZapiszClick() {
  if (recorder_.Recording())
    ZakonczClick();
  else
    Zapisz1Click();
}

void TMainWin::Zapisz1Click() {
  if (recorder_.Recording()) return;
  const auto interval = TSpeedStepWin::Ask(this);
  if (!interval) return;
  const QString name = AskSaveFileName(this, DataFileDialogSpec());
  if (name.isEmpty()) return;
  recorder_.Start(*interval, name);
  Zapisz1->setEnabled(false);
  Zakoncz->setEnabled(true);
  Otwrz1->setEnabled(false);
  // The file view would replace the recording's results.
  Button2->setEnabled(false);
  S_Zapisz->setText(LookupText(34));
  FitText(S_Zapisz);
}

void TMainWin::ZakonczClick() {
  if (!recorder_.Recording()) return;
  RecordingOutcome outcome = recorder_.Stop();
  Zapisz1->setEnabled(Poczony1->isChecked());
  Zakoncz->setEnabled(false);
  Otwrz1->setEnabled(true);
  Button2->setEnabled(true);
  S_Zapisz->setText(LookupText(33));
  FitText(S_Zapisz);
  // A failed write keeps the results: the user may save them under another name, or cancel.
  while (outcome.kind == RecordingOutcome::WriteFailed) {
    ShowMessage(kWriteErrorText);
    const QString name = AskSaveFileName(this, DataFileDialogSpec());
    if (name.isEmpty()) {
      recorder_.DiscardUnsaved();
      return;
    }
    outcome = recorder_.SaveAs(name);
  }
  if (outcome.kind == RecordingOutcome::Written) StatusPanel1->setText(SavedResultsText(outcome.count));
}

void TMainWin::Otwrz1Click() {
  if (recorder_.Recording()) return;
  const QString name = AskOpenFileName(this, DataFileDialogSpec());
  if (name.isEmpty()) return;
  const OpenedDataFile opened = ReadDataFileIntoSeries(name, series_, digitalFilter_.TimeConstant());
  if (!opened.ok) {
    ShowMessage(kReadErrorText);
    return;
  }
  if (opened.linesLeftOut > 0)
    ShowMessage(QStringLiteral("Plik zawiera więcej niż %1 wyników. Pominięto ostatnie: %2.")
                    .arg(StoredSeries::MaximumCount)
                    .arg(opened.linesLeftOut));
  Kosz->setVisible(false);
  Danezurzdzenia1->setChecked(false);
  TWykres& chart = Wykres1->Chart();
  {
    // Every file sets the track bar for its own length; a short one hides it.
    const QSignalBlocker block(TrackBar1);
    const bool scrolls = opened.count > chart.StripLength();
    TrackBar1->setRange(1, scrolls ? TrackBarMaximum(opened.count, chart.Width()) : 1);
    TrackBar1->setValue(1);
    TrackBar1->setVisible(scrolls);
  }
  Timer1.stop();
  RedrawSeries(series_, 1, chart);
  chart.SetAutoSkala(true);
  filtr->setChecked(true);  // when it was not ticked yet, this refilters with Tau and redraws
}

void TMainWin::Pobierzwynikizurzdzenia1Click() {
  if (download_.Active() || !ComPort1->Connected()) return;
  const QString name = AskSaveFileName(this, DataFileDialogSpec());
  if (name.isEmpty()) return;
  download_.Begin(*ComPort1, name);
  ZmienStan.start();
  PobierzWin()->show();
}

void TMainWin::ZmienStanTimer() {
  // Stage 1 holds the line for a second; the next tick counts from its end.
  ZmienStan.stop();
  const DownloadTick tick = download_.Tick(receiver_, *ComPort1);
  ZmienStan.start();
  if (tick.kind == DownloadTick::Receiving) PobierzWin()->ShowReceiving();
  if (tick.kind == DownloadTick::Finished) {
    Pobierzwynikizurzdzenia1->setEnabled(true);
    PobierzWin()->close();
    if (!tick.written) ShowMessage(kWriteErrorText);
  }
}

void TMainWin::AnulujClick() {
  download_.Cancel(receiver_, *ComPort1);
  Pobierzwynikizurzdzenia1->setEnabled(true);
  ZmienStan.stop();
}
