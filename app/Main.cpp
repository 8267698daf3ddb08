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
#include "app/settings/Jezyki.h"
#include "common/Messages.h"
#include "link/MeterCommands.h"
#include "measurement/ResultSequence.h"

namespace {
constexpr int kClientWidth = 665;
constexpr int kClientHeight = 411;
constexpr int kStatusHeight = 20;
const QColor kWorkspace(96, 96, 96);  // behind the large result

template <typename T>
T* Named(T* object, const char* name) {
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

QAction* Separator(QMenu* menu, const char* name) {
  QAction* separator = menu->addSeparator();
  separator->setObjectName(QString::fromLatin1(name));
  return separator;
}

QAction* Item(QMenu* menu, const char* name, const QString& caption,
              const QKeySequence& shortcut = {}) {
  QAction* action = Named(menu->addAction(caption), name);
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  return action;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  widget->setPalette(palette);
}

QFrame* Panel(QWidget* parent, const char* name, const QRect& geometry) {
  auto* frame = Named(new QFrame(parent), name);
  frame->setFrameShape(QFrame::Panel);
  frame->setFrameShadow(QFrame::Raised);
  frame->setGeometry(geometry);
  return frame;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  auto* label = Named(new QLabel(text, parent), name);
  label->setGeometry(geometry);
  return label;
}
}  // namespace

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
  connect(&SprPolacz, &QTimer::timeout, this, &TMainWin::SprPolaczTimer);

  // The client area is fixed; the menu bar sits above it.
  setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  FormCreate();
}

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

void TMainWin::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");

  Plik1 = Named(bar->addMenu("&Plik"), "Plik1");
  Otwrz1 = Item(Plik1, "Otwrz1", "&Otwórz plik...", QKeySequence("Ctrl+O"));
  Zapisz1 = Item(Plik1, "Zapisz1", "&Zapisz do pliku...", QKeySequence("Ctrl+Z"));
  Zapisz1->setEnabled(false);
  Zakoncz = Item(Plik1, "Zakoncz", "&Zakończ zapisywanie do pliku");
  Zakoncz->setEnabled(false);
  N6 = Separator(Plik1, "N6");
  Pobierzwynikizurzdzenia1 = Item(Plik1, "Pobierzwynikizurzdzenia1", "Pobierz wyniki z urządzenia");
  Pobierzwynikizurzdzenia1->setEnabled(false);
  Pobierzwynikizurzdzenia1->setVisible(false);
  N1 = Separator(Plik1, "N1");
  N1->setVisible(false);
  Koniec1 = Item(Plik1, "Koniec1", "&Koniec");

  Widok1 = Named(bar->addMenu("Widok"), "Widok1");
  Minmax1 = Item(Widok1, "Minmax1", "Obróbka danych");
  Minmax1->setCheckable(true);
  Minmax1->setChecked(true);
  Danezurzdzenia1 = Item(Widok1, "Danezurzdzenia1", "Dane z urządzenia");
  Danezurzdzenia1->setCheckable(true);
  Danezurzdzenia1->setChecked(true);

  Serwis = Named(bar->addMenu("&Serwis"), "Serwis");
  Serwis->menuAction()->setVisible(false);
  Zmieuytkownika1 = Item(Serwis, "Zmieuytkownika1", "Zmień &użytkownika...", QKeySequence("Ctrl+U"));
  N5 = Separator(Serwis, "N5");
  Wyjdztryb1 = Item(Serwis, "Wyjdztryb1", "&Wyjdź z trybu serwisowego");

  Ustawienia = Named(bar->addMenu("&Ustawienia"), "Ustawienia");
  Poczony1 = Item(Ustawienia, "Poczony1", "Połączony");
  Poczony1->setCheckable(true);
  Trans = Named(Ustawienia->addMenu("Parametry &transmisji"), "Trans");
  Trans->menuAction()->setShortcut(QKeySequence("Ctrl+T"));
  COM11 = Item(Trans, "COM11", "COM1");
  COM11->setCheckable(true);
  COM11->setChecked(true);
  COM21 = Item(Trans, "COM21", "COM2");
  COM21->setCheckable(true);
  N4 = Separator(Ustawienia, "N4");
  Zmieautomatycznewyczanie1 =
      Item(Ustawienia, "Zmieautomatycznewyczanie1", "Automatyczne wyłączanie urządzenia");
  Zmieautomatycznewyczanie1->setCheckable(true);
  // A one-item group draws the mark as a radio dot and still lets it be cleared.
  auto* powerOffGroup = new QActionGroup(this);
  powerOffGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  powerOffGroup->addAction(Zmieautomatycznewyczanie1);
  N3 = Separator(Ustawienia, "N3");
  Ustawieniaserwisowe1 =
      Item(Ustawienia, "Ustawieniaserwisowe1", "Tryb &serwisowy...", QKeySequence("Ctrl+S"));
  N2 = Separator(Ustawienia, "N2");
  ZmienJezyk = Item(Ustawienia, "ZmienJezyk", "Zmień język...");

  Raport1 = Named(bar->addMenu("Raport"), "Raport1");
  Twrzraport1 = Item(Raport1, "Twrzraport1", "Twórz raport");

  Pomoc1 = Named(bar->addMenu("P&omoc"), "Pomoc1");
  Instrukcjaobsugi1 = Item(Pomoc1, "Instrukcjaobsugi1", "Instrukcja obsługi");
  Instrukcjaobsugi1->setVisible(false);
  N7 = Separator(Pomoc1, "N7");
  N7->setVisible(false);
  OProgramie1 = Item(Pomoc1, "OProgramie1", "&O Programie", QKeySequence("F1"));

  // Ctrl+T opens the port submenu.
  auto* transShortcut = new QShortcut(QKeySequence("Ctrl+T"), this);
  connect(transShortcut, &QShortcut::activated, this, [this] {
    if (!Trans->menuAction()->isEnabled()) return;
    Trans->popup(mapToGlobal(QPoint(width() / 3, menuBar()->height())));
  });

  OnClick(Koniec1, [this] { Koniec1Click(); });
  OnClick(Wyjdztryb1, [this] { HideServiceMode(); });
  OnClick(Poczony1, [this] { Poczony1Click(); });
  OnClick(COM11, [this] { COM11Click(); });
  OnClick(COM21, [this] { COM21Click(); });
  OnClick(Zmieautomatycznewyczanie1, [this] { TimeOutClick(); });
}

void TMainWin::BuildPanels() {
  auto* client = Named(new QWidget(this), "Client");
  setCentralWidget(client);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

  // Result and temperature.
  Panel1 = Panel(client, "Panel1", QRect(8, 4, 529, 104));
  GroupBox1 = Named(new QGroupBox(" Wynik ", Panel1), "GroupBox1");
  GroupBox1->setGeometry(4, 2, 372, 98);
  Panel11 = Named(new QFrame(GroupBox1), "Panel11");
  Panel11->setFrameShape(QFrame::Panel);
  Panel11->setFrameShadow(QFrame::Sunken);
  Panel11->setGeometry(6, 18, 360, 74);
  Panel11->setAutoFillBackground(true);
  QPalette workspace = Panel11->palette();
  workspace.setColor(QPalette::Window, kWorkspace);
  Panel11->setPalette(workspace);
  QFont big = fixed;
  big.setPixelSize(32);
  big.setBold(true);
  Falka = Label(Panel11, "Falka", "~", QRect(4, 8, 26, 40));
  Falka->setFont(big);
  Falka->setVisible(false);
  SWynik = Label(Panel11, "SWynik", QString(), QRect(28, 8, 300, 40));
  SWynik->setFont(big);
  SWynik->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  BP = Label(Panel11, "BP", "Brak transmisji", QRect(8, 52, 200, 18));
  QFont bpFont = BP->font();
  bpFont.setBold(true);
  BP->setFont(bpFont);
  LastWYnik = Named(new QToolButton(Panel11), "LastWYnik");
  LastWYnik->setGeometry(334, 6, 22, 22);
  LastWYnik->setAutoRaise(true);
  OneWynik = Named(new QToolButton(Panel11), "OneWynik");
  OneWynik->setGeometry(334, 30, 22, 22);
  OneWynik->setAutoRaise(true);
  OneWynik->setIcon(SingleGlyph());
  OneWynik->setVisible(false);
  connect(LastWYnik, &QToolButton::clicked, this, &TMainWin::LastWYnikClick);
  connect(OneWynik, &QToolButton::clicked, this, &TMainWin::OneWynikClick);

  GroupBox4 = Named(new QGroupBox(" Temperatura ", Panel1), "GroupBox4");
  GroupBox4->setGeometry(380, 2, 145, 98);
  auto* tempPanel = Named(new QFrame(GroupBox4), "Panel12");
  tempPanel->setFrameShape(QFrame::Panel);
  tempPanel->setFrameShadow(QFrame::Sunken);
  tempPanel->setGeometry(6, 18, 133, 74);
  tempPanel->setAutoFillBackground(true);
  tempPanel->setPalette(workspace);
  QFont mid = fixed;
  mid.setPixelSize(19);
  mid.setBold(true);
  STemp = Label(tempPanel, "STemp", QString(), QRect(2, 22, 128, 28));
  STemp->setFont(mid);
  stopien = Label(tempPanel, "stopien", "o", QRect(0, 16, 12, 14));
  QFont degree = fixed;
  degree.setPixelSize(11);
  degree.setBold(true);
  stopien->setFont(degree);
  stopien->setVisible(false);

  // Statistics and the digital filter.
  Panel2 = Panel(client, "Panel2", QRect(8, 110, 330, 40));
  Dane = Named(new QCheckBox("Obróbka danych", Panel2), "Dane");
  Dane->setGeometry(6, 2, 160, 18);
  Dane->setChecked(true);
  Button1 = Named(new QPushButton("c", Panel2), "Button1");
  Button1->setGeometry(304, 3, 22, 18);
  Min1 = Label(Panel2, "Min1", "Minimum:", QRect(6, 20, 52, 16));
  Min = Label(Panel2, "Min", QString(), QRect(58, 20, 50, 16));
  Max1 = Label(Panel2, "Max1", "Maksimum:", QRect(112, 20, 58, 16));
  Max = Label(Panel2, "Max", QString(), QRect(170, 20, 50, 16));
  Avr1 = Label(Panel2, "Avr1", "Średnia:", QRect(224, 20, 46, 16));
  Avr = Label(Panel2, "Avr", QString(), QRect(270, 20, 56, 16));

  Panel4 = Panel(client, "Panel4", QRect(342, 110, 195, 40));
  filtr = Named(new QCheckBox("Filtr cyfrowy", Panel4), "filtr");
  filtr->setGeometry(6, 10, 110, 20);
  Tau = Named(new QLineEdit("0,05", Panel4), "Tau");
  Tau->setGeometry(120, 9, 66, 22);

  // Control buttons.
  Panel8 = Panel(client, "Panel8", QRect(545, 4, 112, 146));
  Panel9 = Label(Panel8, "Panel9", "  Sterowanie", QRect(2, 2, 108, 20));
  Panel9->setAutoFillBackground(true);
  Panel9->setFrameShape(QFrame::Panel);
  Panel9->setFrameShadow(QFrame::Sunken);
  S_Polacz = Named(new QPushButton("Połącz", Panel8), "S_Polacz");
  S_Polacz->setGeometry(4, 26, 104, 27);
  S_Zapisz = Named(new QPushButton("Zapisz do pliku", Panel8), "S_Zapisz");
  S_Zapisz->setGeometry(4, 56, 104, 27);
  S_Zapisz->setEnabled(false);
  SpeedButton1 = Named(new QPushButton("Dane z urządzenia", Panel8), "SpeedButton1");
  SpeedButton1->setGeometry(4, 86, 104, 27);
  Button2 = Named(new QPushButton("Otwórz plik", Panel8), "Button2");
  Button2->setGeometry(4, 116, 104, 27);
  connect(S_Polacz, &QPushButton::clicked, this, &TMainWin::Poczony1Click);

  // Chart range.
  Panel6 = Panel(client, "Panel6", QRect(545, 154, 112, 231));
  Autoskalowanie = Named(new QCheckBox("Autoskalowanie", Panel6), "Autoskalowanie");
  Autoskalowanie->setGeometry(6, 4, 104, 20);
  Autoskalowanie->setChecked(true);
  Label13 = Label(Panel6, "Label13", "Wmoc.", QRect(8, 28, 48, 16));
  Label14 = Label(Panel6, "Label14", "Offset", QRect(60, 28, 48, 16));
  W = Named(new QSlider(Qt::Vertical, Panel6), "W");
  W->setGeometry(16, 46, 24, 178);
  W->setRange(1, 100);
  W->setValue(52);
  W->setEnabled(false);
  O = Named(new QSlider(Qt::Vertical, Panel6), "O");
  O->setGeometry(68, 46, 24, 178);
  O->setRange(-4000, 4000);
  O->setValue(500);
  O->setEnabled(false);

  // The chart area, its scroll bar for files and its flat buttons.
  TrackBar1 = Named(new QSlider(Qt::Horizontal, client), "TrackBar1");
  TrackBar1->setGeometry(8, 151, 529, 16);
  TrackBar1->setRange(1, 1);
  TrackBar1->setPageStep(527);
  TrackBar1->setVisible(false);
  Wykres1 = Named(new QWidget(client), "Wykres1");
  Wykres1->setGeometry(8, 168, 529, 217);
  Wykres1->setAutoFillBackground(true);
  QPalette chartPalette = Wykres1->palette();
  chartPalette.setColor(QPalette::Window, Qt::black);
  Wykres1->setPalette(chartPalette);
  Kosz = Named(new QToolButton(client), "Kosz");
  Kosz->setGeometry(513, 170, 22, 22);
  Kosz->setIcon(BinGlyph());
  Kosz->setAutoRaise(true);
  PokazSerwis = Named(new QToolButton(client), "PokazSerwis");
  PokazSerwis->setGeometry(489, 170, 22, 22);
  PokazSerwis->setIcon(ShowPanelGlyph());
  PokazSerwis->setAutoRaise(true);
  PokazSerwis->setVisible(false);
  connect(PokazSerwis, &QToolButton::clicked, this, &TMainWin::PokazSerwisClick);

  // The service panel lies over the chart.
  Send = Named(new QGroupBox(" Kalibracja ", client), "Send");
  Send->setGeometry(8, 151, 529, 234);
  Send->setAutoFillBackground(true);
  Send->setVisible(false);
  UkrysSerwis = Named(new QToolButton(Send), "UkrysSerwis");
  UkrysSerwis->setGeometry(503, 2, 22, 22);
  UkrysSerwis->setIcon(HidePanelGlyph());
  UkrysSerwis->setAutoRaise(true);
  connect(UkrysSerwis, &QToolButton::clicked, this, &TMainWin::UkrysSerwisClick);
  Wyslij = Named(new QPushButton("Wyślij", Send), "Wyslij");
  Wyslij->setGeometry(440, 200, 80, 26);
  Wyslij->setEnabled(false);
  Odbierz = Named(new QPushButton("Czyść", Send), "Odbierz");
  Odbierz->setGeometry(354, 200, 80, 26);
}

void TMainWin::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusHeight);
  StatusPanel0 = Named(new QLabel(bar), "StatusPanel0");
  StatusPanel0->setFixedWidth(200);
  StatusPanel1 = Named(new QLabel(bar), "StatusPanel1");
  StatusPanel1->setFixedWidth(200);
  bar->addWidget(StatusPanel0);
  bar->addWidget(StatusPanel1);
}

void TMainWin::FormCreate() {
  ApplyLanguage();
  receiver_.setPaused(false);
  UpdatePauseButton();
  receiver_.setMode(MeterReceiver::kParseFrames);
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
  S_Zapisz->setText(text(33));
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
  if (ComPort1->Connected()) {
    S_Polacz->setText(text(32));
    StatusPanel0->setText(text(40) + " " + ComPort1->PortName());
  } else {
    S_Polacz->setText(text(31));
    StatusPanel0->setText(text(41));
  }
}

bool TMainWin::InServiceMode() const { return Serwis->menuAction()->isVisible(); }

void TMainWin::ShowServiceMode() {
  Serwis->menuAction()->setVisible(true);
  Send->setVisible(true);
  PokazSerwis->setVisible(true);
}

void TMainWin::HideServiceMode() {
  Serwis->menuAction()->setVisible(false);
  Send->setVisible(false);
  PokazSerwis->setVisible(false);
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
  steps.display = [this](const MeasurementResult& r) { ShowResult(r); };
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
