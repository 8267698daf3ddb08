// The wizard window's form: the tabs, the sample grid, the four pages (the last is the as-left
// check), the chart's tab and the status line. Every caption here is the wizard's own fixed
// Polish text.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Named.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/KalibracjaOpcje.h"
#include "wizard/KalibracjaTablica.h"
#include "wizard/KalibracjaWykres.h"

namespace {
QLabel* Value(const char* name) {
  auto* label = Named(new QLabel(QStringLiteral("0")), name);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  return label;
}

// A caption; long texts wrap, short ones stay on one line.
QLabel* Text(const QString& text, const char* name = nullptr) {
  auto* label = new QLabel(text);
  if (name) label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(text.size() > 40);
  return label;
}

QLabel* Big(QLabel* label, qreal factor) {
  QFont f = label->font();
  f.setPointSizeF(f.pointSizeF() * factor);
  label->setFont(f);
  return label;
}
}  // namespace

void TkKalibracja::BuildForm() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(4, 4, 4, 0);
  kPageControl = Named(new QTabWidget(this), "kPageControl");
  root->addWidget(kPageControl, 1);
  kStatusBar = Named(new QStatusBar(this), "kStatusBar");
  kStatusBar->setSizeGripEnabled(false);
  QFont bold = kStatusBar->font();
  bold.setBold(true);
  kStatusBar->setFont(bold);
  kStatusPanel0 = Named(new QLabel, "kStatusPanel0");
  kStatusPanel1 = Named(new QLabel, "kStatusPanel1");
  kStatusBar->addWidget(kStatusPanel0);
  kStatusBar->addWidget(kStatusPanel1, 1);
  root->addWidget(kStatusBar);

  kTabWizard = Named(new QWidget, "kTabWizard");
  auto* dane = new QHBoxLayout(kTabWizard);
  SG1 = new TkSG1(Samples(), kTabWizard);
  SG1->setFixedWidth(29 + 2 + 56 + 58 + 52 + SG1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                     2 * SG1->frameWidth() + 2);
  dane->addWidget(SG1);
  auto* right = new QVBoxLayout;
  kWizardPages = Named(new QStackedWidget, "kWizardPages");
  kWizardPages->setFrameShape(QFrame::StyledPanel);
  kWizardPage0 = BuildPage0();
  kWizardPage1 = BuildPage1();
  kWizardPage2 = BuildPage2();
  kWizardPage3 = BuildPage3();
  for (QWidget* page : {kWizardPage0, kWizardPage1, kWizardPage2, kWizardPage3}) kWizardPages->addWidget(page);
  right->addWidget(kWizardPages, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  kStart = Named(new QPushButton(QStringLiteral("Start")), "kStart");
  kWstecz = Named(new QPushButton(QStringLiteral("<< Wstecz")), "kWstecz");
  kDalej = Named(new QPushButton(QStringLiteral("Dalej >>")), "kDalej");
  for (QPushButton* b : {kStart, kWstecz, kDalej}) buttons->addWidget(b);
  kStart->hide();
  kWstecz->setEnabled(false);
  right->addLayout(buttons);
  dane->addLayout(right, 1);

  kTabWykres = new TkWykres(Samples());
  kTabOpcje = new TkOpcje(Link());
  kPageControl->addTab(kTabWizard, QStringLiteral("Dane"));
  kPageControl->addTab(kTabWykres, QStringLiteral("Wykres"));
  kPageControl->addTab(kTabOpcje, QStringLiteral("Opcje"));
  resize(720, 460);
}

QWidget* TkKalibracja::BuildPage0() {
  auto* page = Named(new QWidget, "kWizardPage0");
  auto* grid = new QGridLayout(page);
  Label11 = Text(QStringLiteral(
                     "Rozpoczynamy kalibracje urzadzenia. Upewnij sie czy oba urzadzenia sa "
                     "poprawnie podlaczone i parametry transmisji ustawione zgodnie z "
                     "rzeczywistoscia. Jesli jestes gotowy kliknij dalej aby połączyc urzadzenia."),
                 "Label11");
  grid->addWidget(Label11, 0, 0, 1, 2);
  Label15 = Value("Label15");
  Label16 = Value("Label16");
  Label29 = Value("Label29");
  grid->addWidget(Text(QStringLiteral("Urządzenie wzorcowe:")), 1, 0);
  grid->addWidget(Label15, 1, 1);
  grid->addWidget(Text(QStringLiteral("Urządzenie kalibrowane:")), 2, 0);
  grid->addWidget(Label16, 2, 1);
  grid->addWidget(Text(QStringLiteral("Kalibrowany zakres:")), 3, 0);
  grid->addWidget(Label29, 3, 1);
  CheckBox3 = Named(new QCheckBox(QStringLiteral("Wpisz inicjujaca nastawe")), "CheckBox3");
  SpinEdit2 = Named(new QSpinBox, "SpinEdit2");
  SpinEdit2->setRange(0, 32767);  // a word above this would reach the meter as a negative gain
  SpinEdit2->setSingleStep(10);
  SpinEdit2->setValue(20000);
  SpinEdit2->hide();
  grid->addWidget(CheckBox3, 4, 0);
  grid->addWidget(SpinEdit2, 4, 1, Qt::AlignLeft);
  kNumerSeryjny = Named(new QLineEdit, "kNumerSeryjny");
  grid->addWidget(Text(QStringLiteral("Numer seryjny miernika:")), 5, 0);
  grid->addWidget(kNumerSeryjny, 5, 1);
  grid->addWidget(BuildOrder(), 6, 0, 1, 2);
  kWzorzecUwaga = Text(QString(), "kWzorzecUwaga");
  kWzorzecUwaga->setWordWrap(true);
  kWzorzecUwaga->setStyleSheet(QStringLiteral("color: #b00000;"));
  grid->addWidget(kWzorzecUwaga, 7, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(8, 1);
  return page;
}

// The order: who the calibration is for, what the meter is, who does it, and the room. The
// customers and the maker and model of this serial number's earlier calibrations are offered.
QGroupBox* TkKalibracja::BuildOrder() {
  auto* group = Named(new QGroupBox(QStringLiteral("Zlecenie")), "kZlecenie");
  auto* form = new QFormLayout(group);
  kKlient = Named(new QComboBox, "kKlient");
  kKlient->setEditable(true);
  kKlient->setInsertPolicy(QComboBox::NoInsert);
  kKlientAdres = Named(new QLineEdit, "kKlientAdres");
  kProducent = Named(new QLineEdit, "kProducent");
  kModel = Named(new QLineEdit, "kModel");
  kTechnik = Named(new QComboBox, "kTechnik");
  kTechnik->setEditable(true);
  kTechnik->setInsertPolicy(QComboBox::NoInsert);
  // The lowest value of each is "not measured".
  kTemperatura = Named(new QDoubleSpinBox, "kTemperatura");
  kTemperatura->setRange(-41, 60);
  kTemperatura->setDecimals(1);
  kTemperatura->setSuffix(QStringLiteral(" °C"));
  kTemperatura->setSpecialValueText(QStringLiteral("—"));
  kWilgotnosc = Named(new QDoubleSpinBox, "kWilgotnosc");
  kWilgotnosc->setRange(-1, 100);
  kWilgotnosc->setDecimals(0);
  kWilgotnosc->setSuffix(QStringLiteral(" %"));
  kWilgotnosc->setSpecialValueText(QStringLiteral("—"));
  kTemperatura->setValue(kTemperatura->minimum());
  kWilgotnosc->setValue(kWilgotnosc->minimum());
  form->addRow(QStringLiteral("Klient:"), kKlient);
  form->addRow(QStringLiteral("Adres klienta:"), kKlientAdres);
  form->addRow(QStringLiteral("Producent miernika:"), kProducent);
  form->addRow(QStringLiteral("Model miernika:"), kModel);
  form->addRow(QStringLiteral("Wykonuje:"), kTechnik);
  form->addRow(QStringLiteral("Temperatura otoczenia:"), kTemperatura);
  form->addRow(QStringLiteral("Wilgotność względna:"), kWilgotnosc);
  return group;
}

QWidget* TkKalibracja::BuildPage1() {
  auto* page = Named(new QWidget, "kWizardPage1");
  auto* grid = new QGridLayout(page);
  kWizzardPage1Opis = Text(QStringLiteral(
                               "Oba urzadzenia zostaly poprawnie polaczone i przeszly test "
                               "komunikacji. Układ jest gotowy do zbierania próbek. Aby "
                               "zarejestrować próbke kliknij przycisk rejestruj albo wyrwij "
                               "spacje. Aby przeliczyc zebrane dane kliknij dalej."),
                           "kWizzardPage1Opis");
  grid->addWidget(kWizzardPage1Opis, 0, 0, 1, 3);
  kWizardWzorLabel = Big(Value("kWizardWzorLabel"), 1.4);
  kWizardKalLabel = Big(Value("kWizardKalLabel"), 1.4);
  kWizardIloscProbekLabel = Value("kWizardIloscProbekLabel");
  CheckBox1 = Named(new QCheckBox(QStringLiteral("Zmien znak")), "CheckBox1");
  CheckBox1->hide();  // the reference meter's sign is never changed
  CheckBox2 = Named(new QCheckBox(QStringLiteral("Zmien znak")), "CheckBox2");
  grid->addWidget(Text(QStringLiteral("Wartość wzorcowa:")), 1, 0);
  grid->addWidget(kWizardWzorLabel, 1, 1);
  grid->addWidget(CheckBox1, 1, 2);
  grid->addWidget(Text(QStringLiteral("Wartość kalibrowana:")), 2, 0);
  grid->addWidget(kWizardKalLabel, 2, 1);
  grid->addWidget(CheckBox2, 2, 2);
  grid->addWidget(Text(QStringLiteral("Ilość próbek:")), 3, 0);
  grid->addWidget(kWizardIloscProbekLabel, 3, 1);
  auto* buttons = new QHBoxLayout;
  kWizardReset = Named(new QPushButton(QStringLiteral("Reset")), "kWizardReset");
  kWizardRejestruj = Named(new QPushButton(QStringLiteral("Rejestruj")), "kWizardRejestruj");
  buttons->addWidget(kWizardReset);
  buttons->addWidget(kWizardRejestruj);
  buttons->addStretch(1);
  grid->addLayout(buttons, 4, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(5, 1);
  return page;
}

QWidget* TkKalibracja::BuildPage2() {
  auto* page = Named(new QWidget, "kWizardPage2");
  auto* grid = new QGridLayout(page);
  grid->addWidget(Big(Text(QStringLiteral("Kalibracja")), 1.3), 0, 0, 1, 2);
  Label25 = Text(QStringLiteral("Wzmocnienie: "), "Label25");
  Label32 = Text(QStringLiteral("0"), "Label32");  // bold only when the target is met
  Label33 = Value("Label33");
  Label34 = Value("Label34");
  Label35 = Value("Label35");
  Label36 = Value("Label36");
  auto* label33Caption = Text(QStringLiteral("Wartosc: "));
  grid->addWidget(Label25, 1, 0);
  grid->addWidget(Label32, 1, 1);
  grid->addWidget(label33Caption, 2, 0);
  grid->addWidget(Label33, 2, 1);
  label33Caption->hide();
  Label33->hide();
  grid->addWidget(Text(QStringLiteral("Wykonanych kroków")), 3, 0);
  grid->addWidget(Label34, 3, 1);
  grid->addWidget(Text(QStringLiteral("Aktualny odczyt kalib.:")), 4, 0);
  grid->addWidget(Label36, 4, 1);
  grid->addWidget(Text(QStringLiteral("Ma być: ")), 5, 0);
  grid->addWidget(Label35, 5, 1);
  kPostep = Text(QString(), "kPostep");
  grid->addWidget(kPostep, 6, 0, 1, 2);
  GroupBoxDebug = Named(new QGroupBox(QStringLiteral("Debug")), "GroupBoxDebug");
  auto* debug = new QHBoxLayout(GroupBoxDebug);
  Button9 = Named(new QPushButton(QStringLiteral("Wyslij")), "Button9");
  SpinEdit1 = Named(new QSpinBox, "SpinEdit1");
  SpinEdit1->setRange(INT_MIN, INT_MAX);
  SpinEdit1->setSingleStep(100);
  SpinEdit1->setValue(10000);
  debug->addWidget(Button9);
  debug->addWidget(SpinEdit1);
  GroupBoxDebug->hide();
  grid->addWidget(GroupBoxDebug, 7, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(8, 1);
  return page;
}

QWidget* TkKalibracja::BuildPage3() {
  auto* page = Named(new QWidget, "kWizardPage3");
  auto* grid = new QGridLayout(page);
  grid->addWidget(Big(Text(QStringLiteral("Sprawdzenie po kalibracji")), 1.3), 0, 0, 1, 2);
  grid->addWidget(Text(QStringLiteral(
                      "Wzmocnienie zapisano w mierniku. Zarejestruj punkty sprawdzenia tak jak próbki "
                      "(Rejestruj): każdy pokazuje błąd względem wzorca. Zakoncz zapisuje protokół, "
                      "Pomiń zapisuje go bez sprawdzenia.")),
                  1, 0, 1, 2);
  kCheckWzorLabel = Big(Value("kCheckWzorLabel"), 1.2);
  kCheckKalLabel = Big(Value("kCheckKalLabel"), 1.2);
  grid->addWidget(Text(QStringLiteral("Wartość wzorcowa:")), 2, 0);
  grid->addWidget(kCheckWzorLabel, 2, 1);
  grid->addWidget(Text(QStringLiteral("Wartość kalibrowana:")), 3, 0);
  grid->addWidget(kCheckKalLabel, 3, 1);
  kCheckTable = Named(new QTableWidget(0, 6), "kCheckTable");
  kCheckTable->setHorizontalHeaderLabels({QStringLiteral("Uwz"), QStringLiteral("Ucal"), QStringLiteral("Błąd"),
                                          QStringLiteral("Błąd %"), QStringLiteral("Granica"),
                                          QStringLiteral("Wynik")});
  kCheckTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  kCheckTable->verticalHeader()->setDefaultSectionSize(kCheckTable->fontMetrics().height() + 4);
  kCheckTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  grid->addWidget(kCheckTable, 4, 0, 1, 2);
  kCheckSummary = Text(QString(), "kCheckSummary");
  kCheckSummary->setWordWrap(true);
  grid->addWidget(kCheckSummary, 5, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  kCheckReset = Named(new QPushButton(QStringLiteral("Reset")), "kCheckReset");
  kCheckRejestruj = Named(new QPushButton(QStringLiteral("Rejestruj")), "kCheckRejestruj");
  kPomin = Named(new QPushButton(QStringLiteral("Pomiń")), "kPomin");
  for (QPushButton* b : {kCheckReset, kCheckRejestruj, kPomin}) buttons->addWidget(b);
  buttons->addStretch(1);
  grid->addLayout(buttons, 6, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(4, 1);
  return page;
}
