// TMainWin: the window's life from creation to close, its language and its modes.
#include "app/Main.h"

#include <QInputDialog>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>

#include "app/Glyphs.h"
#include "app/MainForm.h"
#include "app/RepaintThrottle.h"
#include "app/ServicePanel.h"
#include "settings/Jezyki.h"
#include "common/Messages.h"
#include "measurement/WykresWidget.h"
#include "app/FileDialogs.h"
#include "records/ChartPicture.h"
#include "records/ChartPictureMenu.h"
#include "records/DataExport.h"
#include "records/Pobieranie.h"

TMainWin::TMainWin(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainWin");
  setWindowTitle(kMainCaption);
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
  ComPort1->OnDeviceLost = [this](const QString&) { deviceLost_ = true; };

  BuildMenu();
  BuildPanels();
  BuildStatusBar();

  SprPolacz.setObjectName("SprPolacz");
  SprPolacz.setInterval(500);
  Timer1.setObjectName("Timer1");
  Timer1.setInterval(250);
  ZmienStan.setObjectName("ZmienStan");
  ZmienStan.setInterval(600);
  RecordingCount.setObjectName("RecordingCount");
  RecordingCount.setInterval(250);
  WireHandlers();

  // The client area is fixed; the menu bar sits above it.
  setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  FormCreate();
  repaintThrottle_ = new RepaintThrottle(this);
  repaintThrottle_->SetBeforePaint([this] {
    ShowPendingLabels();
    Wykres1->RepaintChanged();
    UpdateChartScale();
  });
  Wykres1->OnChartChanged = [this] { repaintThrottle_->RequestPaint(); };
  // The windows below app/ (the wizard's chart) save their pictures through the program's dialog.
  SetChartPictureSaveDialog(AskSaveFileName);
  AddChartPictureMenu(Wykres1, [this](int scale) { return ChartPicture(scale); });
  Send->OnTransferReport = [this](const QString& text) { StatusPanel1->setText(text); };
  Send->OnPortBusy = [this](bool busy) { ShowPortBusy(busy); };
  publishing_.OnChanged = [this] { ShowPublishingState(); };
  // The topic follows the panel's serial number: a typed one once the typing ends or pauses.
  QLineEdit* serial = Send->NumerSeryjnyMiernika;
  connect(serial, &QLineEdit::textChanged, this, [this, serial] { FollowPublishedMeter(serial->hasFocus()); });
  connect(serial, &QLineEdit::editingFinished, this, [this] { FollowPublishedMeter(false); });
  publishingState_.setInterval(1000);
  connect(&publishingState_, &QTimer::timeout, this, [this] { ShowPublishingState(); });
  StartPublishing(true);
}

void TMainWin::StartPublishing(bool ask) {
  const PublishSettings settings = ReadPublishSettings();
  bool fromEnvironment = false;
  QString password = PublishPasswordFromEnvironment(&fromEnvironment);
  if (settings.enabled && !fromEnvironment && ask && !settings.target.user.isEmpty())
    password = QInputDialog::getText(this, LookupText(99).remove(QChar(0x2026)),
                                     LookupText(108).arg(settings.target.user), QLineEdit::Password);
  FollowPublishedMeter(false);
  QString error;
  if (!publishing_.Apply(settings, password, &error)) ShowMessage(QStringLiteral("MQTT: ") + error);
}

// The meter is its serial number when the service panel holds one, else its port's name.
void TMainWin::FollowPublishedMeter(bool typing) {
  publishing_.SetMeter(Send->NumerSeryjnyMiernika->text(), ComPort1->PortName(), typing);
}

void TMainWin::ShowPublishingState() {
  const QString text = publishing_.StatusText();
  StatusMqtt->setText(text);
  StatusMqtt->setVisible(!text.isEmpty());
  if (text.isEmpty())
    publishingState_.stop();
  else if (!publishingState_.isActive())
    publishingState_.start();
}

// The chart with the scale and unit beside it, as the window shows them; the scale is brought
// up to the picture first, which may have been drawn since the last paint.
QImage TMainWin::ChartPicture(int scale) {
  UpdateChartScale();
  return ChartPictureWithScale(Wykres1->Chart().Picture(), Wykres1Scale->Marks(), Wykres1Scale->Unit(),
                               Wykres1Scale->font(), scale);
}

// Live results are what the export gives unless a file is on show; a data file is asked for only
// when the port is closed and nothing has been shown since the last "Połącz" or "c".
bool TMainWin::LiveResultsShown() const {
  return !FileShown() && (ComPort1->Connected() || liveResults_.Count() > 0);
}

void TMainWin::ExportLiveResults() {
  const QString name = AskSaveFileName(this, CsvFileDialogSettings());
  if (name.isEmpty()) return;
  const CsvExportOutcome outcome = ExportLiveResultsAsCsv(liveResults_, name);
  if (outcome.kind != CsvExportOutcome::Written) {
    ShowMessage(CsvExportMessage(outcome));
    return;
  }
  // The panel keeps its width: a long path loses the middle of its folder.
  StatusPanel1->setText(FitPath(LookupText(98), name, StatusPanel1->fontMetrics(), StatusPanel1->width()));
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
  // "c" starts the statistics again, and with them the table of live results.
  connect(Button1, &QPushButton::clicked, this, [this] {
    Button1Click();
    liveResults_.Clear();
  });
  connect(Button3, &QPushButton::clicked, this, &TMainWin::Button3Click);
  connect(W, &QSlider::valueChanged, this, &TMainWin::WChange);
  connect(O, &QSlider::valueChanged, this, &TMainWin::WChange);
  connect(TrackBar1, &QSlider::valueChanged, this, &TMainWin::TrackBar1Change);
  connect(&SprPolacz, &QTimer::timeout, this, &TMainWin::SprPolaczTimer);
  connect(&Timer1, &QTimer::timeout, this, &TMainWin::Timer1Timer);
  connect(&ZmienStan, &QTimer::timeout, this, &TMainWin::ZmienStanTimer);
  autoReconnect_.setInterval(kAutoReconnectMs);
  connect(&autoReconnect_, &QTimer::timeout, this, &TMainWin::AutoReconnectTimer);
  OnClick(Zapisz1, [this] { Zapisz1Click(); });
  OnClick(Zakoncz, [this] { ZakonczClick(); });
  OnClick(ExportCsv1, [this] {
    if (LiveResultsShown())
      ExportLiveResults();
    else
      ExportCsv1Click();  // the file on show, or one chosen
  });
  // Plik saves the same picture as the chart's own menu: the chart with its scale.
  const auto chartPicture = [this](int scale) { return ChartPicture(scale); };
  OnClick(ChartPng1, [this, chartPicture] { SaveChartPicture(this, chartPicture, 1); });
  OnClick(ChartPng2x1, [this, chartPicture] { SaveChartPicture(this, chartPicture, 2); });
  connect(&RecordingCount, &QTimer::timeout, this, &TMainWin::RecordingCountTimer);
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
  UpdateCaption();
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
  ExportCsv1->setText(text(75));
  ChartPng1->setText(text(76));
  ChartPng2x1->setText(text(77));
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
  shownPowerOff_.reset();  // the item reads text 18 again until the next result
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

// The chart's scale goes with the chart: under the service panel it would name nothing.
void TMainWin::ShowServiceMode() {
  Serwis->menuAction()->setVisible(true);
  Send->setVisible(true);
  Wykres1Scale->setVisible(false);
  PokazSerwis->setVisible(true);
  Wykres1->Chart().Clear();
}

void TMainWin::HideServiceMode() {
  Serwis->menuAction()->setVisible(false);
  Send->setVisible(false);
  Wykres1Scale->setVisible(true);
  PokazSerwis->setVisible(false);
  Wykres1->Chart().Clear();
}

void TMainWin::UkrysSerwisClick() {
  Send->setVisible(false);
  Wykres1Scale->setVisible(true);
}

void TMainWin::PokazSerwisClick() {
  Send->setVisible(true);
  Wykres1Scale->setVisible(false);
}

void TMainWin::Koniec1Click() { close(); }

void TMainWin::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TMainWin::FormClose() {
  if (closing_) return;
  closing_ = true;
  if (isMinimized()) showNormal();
  // A recording ends here as its own stop ends it: the next start finds nothing to offer.
  StopRecording(true);
  if (ComPort1->Connected()) ComPort1->Close();
  QApplication::quit();
  closing_ = false;
}
