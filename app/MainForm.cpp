// The main window's form: menu tree, panels and controls at their fixed positions.
#include <QActionGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>

#include "app/Glyphs.h"
#include "app/Main.h"
#include "app/MainForm.h"
#include "app/ServicePanel.h"
#include "app/settings/LaboratoriumWin.h"
#include "app/settings/OsobyWin.h"
#include "measurement/WykresWidget.h"
#include "settings/Jezyki.h"
#include "settings/ProgramLanguage.h"

namespace {
constexpr int kStatusHeight = 20;
const QColor kWorkspace(96, 96, 96);  // behind the large result

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


QFrame* Panel(QWidget* parent, const char* name, const QRect& geometry) {
  auto* frame = Named(new QFrame(parent), name);
  frame->setFrameShape(QFrame::Panel);
  frame->setFrameShadow(QFrame::Raised);
  frame->setGeometry(geometry);
  return frame;
}

// Labels hold their size whatever their text, so a new text repaints the label and does not ask
// the form to lay itself out again.
QLabel* Label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  auto* label = Named(new QLabel(text, parent), name);
  label->setFixedSize(geometry.size());
  label->move(geometry.topLeft());
  return label;
}
}  // namespace

void FitText(QAbstractButton* button) {
  QFont f = button->parentWidget() ? button->parentWidget()->font() : button->font();
  const int room = button->width() - (qobject_cast<QCheckBox*>(button) ? 24 : 8);
  while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(button->text()) > room)
    f.setPointSizeF(f.pointSizeF() - 0.5);
  button->setFont(f);
}

QString FitPath(const QString& text, const QString& path, const QFontMetrics& metrics, int width) {
  const QString full = text.arg(QDir::toNativeSeparators(path));
  if (metrics.horizontalAdvance(full) <= width) return full;
  const QFileInfo file(path);
  const QString name = QDir::separator() + file.fileName();
  const int room = width - metrics.horizontalAdvance(text.arg(name));
  if (room <= metrics.horizontalAdvance(QStringLiteral("…")))
    return metrics.elidedText(full, Qt::ElideMiddle, width);
  return text.arg(metrics.elidedText(QDir::toNativeSeparators(file.path()), Qt::ElideMiddle, room) + name);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  widget->setPalette(palette);
}


void TMainWin::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");

  Plik1 = Named(bar->addMenu("&Plik"), "Plik1");
  Otwrz1 = Item(Plik1, "Otwrz1", "&Otwórz plik...", QKeySequence("Ctrl+O"));
  Zapisz1 = Item(Plik1, "Zapisz1", "&Zapisz do pliku...", QKeySequence("Ctrl+Z"));
  Zapisz1->setEnabled(false);
  Zakoncz = Item(Plik1, "Zakoncz", "&Zakończ zapisywanie do pliku");
  Zakoncz->setEnabled(false);
  N10 = Separator(Plik1, "N10");
  ExportCsv1 = Item(Plik1, "ExportCsv1", "Eksportuj do CSV…");
  ChartPng1 = Item(Plik1, "ChartPng1", "Zapisz wykres jako PNG…");
  ChartPng2x1 = Item(Plik1, "ChartPng2x1", "Zapisz wykres jako PNG (2×)…");
  N6 = Separator(Plik1, "N6");
  Pobierzwynikizurzdzenia1 = Item(Plik1, "Pobierzwynikizurzdzenia1", "Pobierz wyniki z urządzenia");
  Pobierzwynikizurzdzenia1->setEnabled(false);  // while the port is open
  N1 = Separator(Plik1, "N1");
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
  COM11 = Item(Trans, "COM11", "COM1");
  COM11->setCheckable(true);
  COM11->setChecked(true);
  COM21 = Item(Trans, "COM21", "COM2");
  COM21->setCheckable(true);
  // The laboratory's data for the certificates; the caption follows the language.
  QAction* laboratory = Item(Ustawienia, "Laboratorium1", LookupText(204));
  connect(laboratory, &QAction::triggered, this, [this] { TLaboratoriumWin::Open(this); });
  connect(&ProgramLanguageSwitch(), &LanguageSwitch::Switched, laboratory,
          [laboratory] { laboratory->setText(LookupText(204)); });
  // The register of people who calibrate and approve.
  QAction* people = Item(Ustawienia, "Osoby1", LookupText(198));
  connect(people, &QAction::triggered, this, [this] { TOsobyWin::Open(this); });
  connect(&ProgramLanguageSwitch(), &LanguageSwitch::Switched, people, [people] { people->setText(LookupText(198)); });
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

  // Ctrl+T opens the port submenu. A submenu's own action would take the key too and make it
  // ambiguous, so only this shortcut holds it.
  auto* transShortcut = new QShortcut(QKeySequence("Ctrl+T"), this);
  connect(transShortcut, &QShortcut::activated, this, [this] {
    if (!Trans->menuAction()->isEnabled()) return;
    Trans->popup(mapToGlobal(QPoint(width() / 3, menuBar()->height())));
  });

}

void TMainWin::BuildPanels() {
  auto* client = Named(new QWidget(this), "Client");
  setCentralWidget(client);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

  // Result and temperature.
  Panel1 = Panel(client, "Panel1", QRect(8, 4, 529, 104));
  GroupBox1 = Named(new QGroupBox(" Wynik ", Panel1), "GroupBox1", QRect(4, 2, 372, 98));
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
  LastWYnik = Named(new QToolButton(Panel11), "LastWYnik", QRect(334, 6, 22, 22));
  LastWYnik->setAutoRaise(true);
  OneWynik = Named(new QToolButton(Panel11), "OneWynik", QRect(334, 30, 22, 22));
  OneWynik->setAutoRaise(true);
  OneWynik->setIcon(SingleGlyph());
  OneWynik->setVisible(false);

  GroupBox4 = Named(new QGroupBox(" Temperatura ", Panel1), "GroupBox4", QRect(380, 2, 145, 98));
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
  Dane = Named(new QCheckBox("Obróbka danych", Panel2), "Dane", QRect(6, 2, 160, 18));
  Dane->setChecked(true);
  Button1 = Named(new QPushButton("c", Panel2), "Button1", QRect(304, 2, 22, 18));
  Min1 = Label(Panel2, "Min1", "Minimum:", QRect(6, 20, 58, 16));
  Min = Label(Panel2, "Min", QString(), QRect(64, 20, 46, 16));
  Max1 = Label(Panel2, "Max1", "Maksimum:", QRect(112, 20, 64, 16));
  Max = Label(Panel2, "Max", QString(), QRect(176, 20, 46, 16));
  Avr1 = Label(Panel2, "Avr1", "Średnia:", QRect(224, 20, 54, 16));
  Avr = Label(Panel2, "Avr", QString(), QRect(278, 20, 48, 16));
  // The labels that change with every result paint their own background, so their panels are
  // not painted again under them.
  for (QLabel* label : {SWynik, STemp, Min, Max, Avr}) label->setAutoFillBackground(true);

  Panel4 = Panel(client, "Panel4", QRect(342, 110, 195, 40));
  filtr = Named(new QCheckBox("Filtr cyfrowy", Panel4), "filtr", QRect(6, 10, 110, 20));
  Tau = Named(new QLineEdit("0,05", Panel4), "Tau", QRect(120, 9, 66, 22));

  // Control buttons.
  Panel8 = Panel(client, "Panel8", QRect(545 + kChartScaleWidth, 4, 112, 146));
  Panel9 = Label(Panel8, "Panel9", "  Sterowanie", QRect(2, 2, 108, 20));
  Panel9->setAutoFillBackground(true);
  Panel9->setFrameShape(QFrame::Panel);
  Panel9->setFrameShadow(QFrame::Sunken);
  S_Polacz = Named(new QPushButton("Połącz", Panel8), "S_Polacz", QRect(4, 26, 104, 27));
  S_Zapisz = Named(new QPushButton("Zapisz do pliku", Panel8), "S_Zapisz", QRect(4, 56, 104, 27));
  S_Zapisz->setEnabled(false);
  SpeedButton1 = Named(new QPushButton("Dane z urządzenia", Panel8), "SpeedButton1", QRect(4, 86, 104, 27));
  Button2 = Named(new QPushButton("Otwórz plik", Panel8), "Button2", QRect(4, 116, 104, 27));

  // Chart range.
  Panel6 = Panel(client, "Panel6", QRect(545 + kChartScaleWidth, 154, 112, 231));
  Autoskalowanie = Named(new QCheckBox("Autoskalowanie", Panel6), "Autoskalowanie", QRect(6, 4, 104, 20));
  Autoskalowanie->setChecked(true);
  Label13 = Label(Panel6, "Label13", "Wmoc.", QRect(8, 28, 48, 16));
  Label14 = Label(Panel6, "Label14", "Offset", QRect(60, 28, 48, 16));
  W = Named(new QSlider(Qt::Vertical, Panel6), "W", QRect(16, 46, 24, 178));
  W->setRange(1, 100);
  W->setValue(52);
  W->setEnabled(false);
  O = Named(new QSlider(Qt::Vertical, Panel6), "O", QRect(68, 46, 24, 178));
  O->setRange(-4000, 4000);
  O->setValue(500);
  O->setEnabled(false);

  // The chart area, its scroll bar for files and its flat buttons.
  TrackBar1 = Named(new QSlider(Qt::Horizontal, client), "TrackBar1", QRect(8, 151, 529, 16));
  TrackBar1->setRange(1, 1);
  TrackBar1->setPageStep(527);
  TrackBar1->setVisible(false);
  Wykres1 = Named(new TWykresWidget(client), "Wykres1", QRect(8, 168, 529, 217));
  SetUpMainWindowChart(Wykres1->Chart());
  Wykres1Scale = Named(new TWykresScale(client), "Wykres1Scale",
                       QRect(537, 168 - TWykresScale::ChartTop, kChartScaleWidth,
                             217 + TWykresScale::ChartTop));
  Kosz = Named(new QToolButton(client), "Kosz", QRect(10, 170, 22, 22));
  Kosz->setIcon(BinGlyph());
  Kosz->setAutoRaise(true);
  PokazSerwis = Named(new QToolButton(client), "PokazSerwis", QRect(34, 170, 22, 22));
  PokazSerwis->setIcon(ShowPanelGlyph());
  PokazSerwis->setAutoRaise(true);
  PokazSerwis->setVisible(false);

  // The service panel lies over the chart.
  Send = new TServicePanel(ComPort1, client);
  Send->setGeometry(8, 151, 529, 234);
  Send->setVisible(false);
  UkrysSerwis = Send->UkrysSerwis;
  Wyslij = Send->Wyslij;
  Odbierz = Send->Odbierz;
  filtrTemp = Send->filtrTemp;
  TauTemp = Send->TauTemp;
  SSkok = Send->SSkok;
  Button3 = Send->Button3;
}

void TMainWin::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusHeight);
  StatusPanel0 = Named(new QLabel(bar), "StatusPanel0");
  StatusPanel0->setFixedWidth(200);
  StatusPanel1 = Named(new QLabel(bar), "StatusPanel1");
  // Wide enough for what a transfer tells: "Wysłano parametrów: 0 z 25, nie zapisano w EEPROM".
  StatusPanel1->setFixedWidth(320);
  bar->addWidget(StatusPanel0);
  bar->addWidget(StatusPanel1);
  StatusMqtt = Named(new QLabel(bar), "StatusMqtt");
  StatusMqtt->hide();
  bar->addWidget(StatusMqtt, 1);
}

