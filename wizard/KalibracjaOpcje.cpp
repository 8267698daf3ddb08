#include "wizard/KalibracjaOpcje.h"

#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "common/DateEdits.h"
#include "common/Named.h"
#include "store/RecordsSettings.h"
#include "wizard/SearchSettings.h"
#include "wizard/TwoMeterLink.h"
#include "wizard/WizardTexts.h"

using namespace wizard_text;

namespace {
QComboBox* Picker(QWidget* parent, const char* name, const QList<PortChoice>& choices) {
  auto* box = Named(new QComboBox(parent), name);
  for (const PortChoice& c : choices) box->addItem(c.text, c.value);
  return box;
}

void Select(QComboBox* box, int value) {
  const int index = box->findData(value);
  if (index >= 0) box->setCurrentIndex(index);
}

int Value(const QComboBox* box) { return box->currentData().toInt(); }
}  // namespace

TkOpcje::TkOpcje(TwoMeterLink& link, QWidget* parent) : QWidget(parent), link_(link) {
  setObjectName("kTabOpcje");
  static const char* const kWzorNames[6] = {"kComComboBox3", "kComComboBox1", "kComComboBox5",
                                            "kComComboBox8", "kComComboBox7", "kComComboBox6"};
  static const char* const kKalibNames[6] = {"ComComboBox4",  "ComComboBox2",  "ComComboBox9",
                                             "ComComboBox10", "ComComboBox11", "ComComboBox12"};
  kWybierzKanal = Named(new QComboBox, "kWybierzKanal");
  kWybierzKanal->addItems({"1", "2", "3"});
  kOpcjeGroupBox1 = BuildGroup("Opcje urzadzenia wzorcowego", "kOpcjeGroupBox1", link.kComWzor,
                               wzor_, kWzorNames, kWybierzKanal);
  kOpcjeGroupBox2 = BuildGroup("Opcje urzadzenia kalibrowanego", "kOpcjeGroupBox2", link.kComKalib,
                               kalib_, kKalibNames, nullptr);
  kComComboBox3 = wzor_.port;
  kComComboBox1 = wzor_.baud;
  kComComboBox5 = wzor_.dataBits;
  kComComboBox8 = wzor_.stopBits;
  kComComboBox7 = wzor_.parity;
  kComComboBox6 = wzor_.flow;
  ComComboBox4 = kalib_.port;
  ComComboBox2 = kalib_.baud;
  ComComboBox9 = kalib_.dataBits;
  ComComboBox10 = kalib_.stopBits;
  ComComboBox11 = kalib_.parity;
  ComComboBox12 = kalib_.flow;

  // The ports' manual controls, kept out of sight as in the wizard's first design.
  WzorPanel = Named(new QWidget(kOpcjeGroupBox1), "WzorPanel");
  auto* wzorRow = new QHBoxLayout(WzorPanel);
  WzorPolacz = Named(new QPushButton("Polacz"), "WzorPolacz");
  WzorSetMaster = Named(new QPushButton("Set Master"), "WzorSetMaster");
  WzorSetSlave = Named(new QPushButton("Set Slave"), "WzorSetSlave");
  WzorRozlacz = Named(new QPushButton("Rozlacz"), "WzorRozlacz");
  WzorPomiar = Named(new QPushButton("Pomiar"), "WzorPomiar");
  Label12 = Named(new QLabel("0"), "Label12");
  for (QWidget* w : {static_cast<QWidget*>(WzorPolacz), static_cast<QWidget*>(WzorSetMaster),
                     static_cast<QWidget*>(WzorSetSlave), static_cast<QWidget*>(WzorRozlacz),
                     static_cast<QWidget*>(WzorPomiar), static_cast<QWidget*>(Label12)})
    wzorRow->addWidget(w);
  kOpcjeGroupBox1->layout()->addWidget(WzorPanel);
  WzorPanel->hide();
  KalibPanel = Named(new QWidget(kOpcjeGroupBox2), "KalibPanel");
  auto* kalibRow = new QHBoxLayout(KalibPanel);
  KalibPolacz = Named(new QPushButton("Polacz"), "KalibPolacz");
  KalibRozlacz = Named(new QPushButton("Rozlacz"), "KalibRozlacz");
  KalibPomiar = Named(new QPushButton("Pomiar"), "KalibPomiar");
  Label13 = Named(new QLabel("0"), "Label13");
  for (QWidget* w : {static_cast<QWidget*>(KalibPolacz), static_cast<QWidget*>(KalibRozlacz),
                     static_cast<QWidget*>(KalibPomiar), static_cast<QWidget*>(Label13)})
    kalibRow->addWidget(w);
  kOpcjeGroupBox2->layout()->addWidget(KalibPanel);
  KalibPanel->hide();

  auto* column = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(kOpcjeGroupBox1, 1, Qt::AlignTop);
  row->addWidget(kOpcjeGroupBox2, 1, Qt::AlignTop);
  column->addLayout(row);
  column->addWidget(BuildReference());
  kSzybkieSzukanie = Named(new QCheckBox(QStringLiteral("Szybkie szukanie")), "kSzybkieSzukanie");
  column->addWidget(kSzybkieSzukanie);
  column->addStretch(1);
  connect(kSzybkieSzukanie, &QCheckBox::toggled, this, [this](bool on) {
    if (!showing_) WriteFastSearch(on);
  });

  connect(kWybierzKanal, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (OnChannelChosen)
      OnChannelChosen(text.toInt());
    else
      link_.channel = text;
  });
  connect(WzorPolacz, &QPushButton::clicked, this, [this] { link_.kComWzorOpen(); });
  connect(WzorSetMaster, &QPushButton::clicked, this, [this] {
    link_.kComWzorSetMaster([](TwoMeterLink::Handshake result) {
      if (result == TwoMeterLink::Handshake::NoAnswer) ShowMessage(kFailure);
    });
  });
  connect(WzorSetSlave, &QPushButton::clicked, this, [this] { link_.kComWzorSetSlave(); });
  connect(WzorRozlacz, &QPushButton::clicked, this, [this] { link_.kComWzorClose(); });
  connect(WzorPomiar, &QPushButton::clicked, this, [this] { link_.kComWzorPomiar(); });
  connect(KalibPolacz, &QPushButton::clicked, this, [this] { link_.kComKalibOpen(); });
  connect(KalibRozlacz, &QPushButton::clicked, this, [this] { link_.kComKalibClose(); });
  ShowPorts();
  ShowReference();
}

QGroupBox* TkOpcje::BuildReference() {
  kWzorzecGroupBox = Named(new QGroupBox(QStringLiteral("Wzorzec odniesienia i tolerancja"), this), "kWzorzecGroupBox");
  auto* form = new QFormLayout(kWzorzecGroupBox);
  kWzorzecModel = Named(new QLineEdit, "kWzorzecModel");
  kWzorzecNumer = Named(new QLineEdit, "kWzorzecNumer");
  kWzorzecSwiadectwo = Named(new QLineEdit, "kWzorzecSwiadectwo");
  kWzorzecWaznosc = Named(new QDateEdit, "kWzorzecWaznosc");
  SetUpDateEdit(kWzorzecWaznosc, QDate());
  kWzorzecNiepewnosc = Named(new QDoubleSpinBox, "kWzorzecNiepewnosc");
  kWzorzecNiepewnosc->setRange(0, 1e6);
  kWzorzecNiepewnosc->setDecimals(4);
  kWzorzecK = Named(new QDoubleSpinBox, "kWzorzecK");
  kWzorzecK->setRange(1, 20);
  kWzorzecK->setDecimals(2);
  kWzorzecRozdzielczosc = Named(new QDoubleSpinBox, "kWzorzecRozdzielczosc");
  kWzorzecRozdzielczosc->setRange(0, 1e6);
  kWzorzecRozdzielczosc->setDecimals(4);
  kWzorzecJednostka = Named(new QComboBox, "kWzorzecJednostka");
  // The first item is no unit: a calibration does not start before one is chosen.
  kWzorzecJednostka->addItem(QStringLiteral("—"), QString());
  for (const char* unit : {"Gs", "mT", "kA/m"}) kWzorzecJednostka->addItem(QString::fromUtf8(unit), QString::fromUtf8(unit));
  kTolerancja = Named(new QDoubleSpinBox, "kTolerancja");
  kTolerancja->setRange(0.001, 100);
  kTolerancja->setDecimals(3);
  kTolerancja->setSuffix(QStringLiteral(" %"));
  kTolerancjaCyfry = Named(new QDoubleSpinBox, "kTolerancjaCyfry");
  kTolerancjaCyfry->setRange(0, 1000);
  kTolerancjaCyfry->setDecimals(1);
  kJednorodnosc = Named(new QDoubleSpinBox, "kJednorodnosc");
  kJednorodnosc->setRange(0, 100);
  kJednorodnosc->setDecimals(3);
  kJednorodnosc->setSuffix(QStringLiteral(" %"));
  kRegula = Named(new QComboBox, "kRegula");
  kRegula->addItem(QStringLiteral("prosta akceptacja (U podana obok wyniku)"), QStringLiteral("simple"));
  kRegula->addItem(QStringLiteral("akceptacja z pasmem ochronnym (|błąd| + U ≤ tolerancja)"), QStringLiteral("guarded"));
  form->addRow(QStringLiteral("Model wzorca:"), kWzorzecModel);
  form->addRow(QStringLiteral("Numer seryjny wzorca:"), kWzorzecNumer);
  form->addRow(QStringLiteral("Numer świadectwa wzorcowania:"), kWzorzecSwiadectwo);
  form->addRow(QStringLiteral("Ważne do:"), kWzorzecWaznosc);
  form->addRow(QStringLiteral("Niepewność rozszerzona wzorca:"), kWzorzecNiepewnosc);
  form->addRow(QStringLiteral("Współczynnik rozszerzenia k wzorca:"), kWzorzecK);
  form->addRow(QStringLiteral("Rozdzielczość wzorca:"), kWzorzecRozdzielczosc);
  form->addRow(QStringLiteral("Jednostka wzorca:"), kWzorzecJednostka);
  form->addRow(QStringLiteral("Tolerancja sprawdzenia (% odczytu):"), kTolerancja);
  form->addRow(QStringLiteral("… plus cyfr ostatniego miejsca:"), kTolerancjaCyfry);
  form->addRow(QStringLiteral("Położenie sondy i jednorodność pola (% odczytu):"), kJednorodnosc);
  form->addRow(QStringLiteral("Reguła decyzyjna:"), kRegula);
  for (QLineEdit* edit : {kWzorzecModel, kWzorzecNumer, kWzorzecSwiadectwo})
    connect(edit, &QLineEdit::editingFinished, this, &TkOpcje::KeepReference);
  connect(kWzorzecWaznosc, &QDateEdit::dateChanged, this, &TkOpcje::KeepReference);
  for (QDoubleSpinBox* box : {kWzorzecNiepewnosc, kWzorzecK, kWzorzecRozdzielczosc, kTolerancja, kTolerancjaCyfry, kJednorodnosc})
    connect(box, &QDoubleSpinBox::valueChanged, this, &TkOpcje::KeepReference);
  for (QComboBox* box : {kWzorzecJednostka, kRegula})
    connect(box, &QComboBox::currentIndexChanged, this, &TkOpcje::KeepReference);
  return kWzorzecGroupBox;
}

void TkOpcje::ShowReference() {
  const RecordsSettings s = ReadRecordsSettings();
  showing_ = true;
  kWzorzecModel->setText(s.reference.model);
  kWzorzecNumer->setText(s.reference.serial);
  kWzorzecSwiadectwo->setText(s.reference.certificate);
  kWzorzecWaznosc->setDate(s.reference.due.isValid() ? s.reference.due : kDateNotGiven);
  kWzorzecNiepewnosc->setValue(s.reference.uncertainty);
  kWzorzecK->setValue(s.reference.coverage);
  kWzorzecRozdzielczosc->setValue(s.reference.resolution);
  kWzorzecJednostka->setCurrentIndex(std::max(0, kWzorzecJednostka->findData(s.reference.unit)));
  kTolerancja->setValue(s.tolerancePercent);
  kTolerancjaCyfry->setValue(s.toleranceDigits);
  kJednorodnosc->setValue(s.uniformityPercent);
  kRegula->setCurrentIndex(std::max(0, kRegula->findData(s.decisionRule)));
  kSzybkieSzukanie->setChecked(ReadFastSearch());
  showing_ = false;
}

// Each change is kept at once: the record of the next calibration names this standard.
void TkOpcje::KeepReference() {
  if (showing_) return;
  RecordsSettings s = ReadRecordsSettings();
  s.reference.model = kWzorzecModel->text().trimmed();
  s.reference.serial = kWzorzecNumer->text().trimmed();
  s.reference.certificate = kWzorzecSwiadectwo->text().trimmed();
  s.reference.due = DateOf(kWzorzecWaznosc);
  s.reference.uncertainty = kWzorzecNiepewnosc->value();
  s.reference.coverage = kWzorzecK->value();
  s.reference.resolution = kWzorzecRozdzielczosc->value();
  s.reference.unit = kWzorzecJednostka->currentData().toString();
  s.tolerancePercent = kTolerancja->value();
  s.toleranceDigits = kTolerancjaCyfry->value();
  s.uniformityPercent = kJednorodnosc->value();
  s.decisionRule = kRegula->currentData().toString();
  if (!WriteRecordsSettings(s)) ShowMessage(QStringLiteral("Nie można zapisać ustawień wzorca."));
}

QGroupBox* TkOpcje::BuildGroup(const QString& title, const char* name, TComPort& port,
                               Pickers& pickers, const char* const names[6], QComboBox* channel) {
  auto* group = Named(new QGroupBox(title, this), name);
  auto* form = new QFormLayout(group);
  if (channel) form->addRow(QStringLiteral("Kanał pomiarowy:"), channel);
  pickers.port = Picker(group, names[0], PortNameChoices());
  pickers.baud = Picker(group, names[1], BaudRateChoices());
  pickers.dataBits = Picker(group, names[2], DataBitsChoices());
  pickers.stopBits = Picker(group, names[3], StopBitsChoices());
  pickers.parity = Picker(group, names[4], ParityChoices());
  pickers.flow = Picker(group, names[5], FlowControlChoices());
  form->addRow(QStringLiteral("Połączenie na porcie:"), pickers.port);
  form->addRow(QStringLiteral("Predkość interfejsu:"), pickers.baud);
  form->addRow(QStringLiteral("Bity danych:"), pickers.dataBits);
  form->addRow(QStringLiteral("Bity stopu:"), pickers.stopBits);
  form->addRow(QStringLiteral("Parzystość:"), pickers.parity);
  form->addRow(QStringLiteral("Flow control:"), pickers.flow);
  Bind(port, pickers);
  return group;
}

void TkOpcje::Bind(TComPort& port, const Pickers& pickers) {
  auto apply = [this, &port, pickers] {
    if (showing_ || port.Connected()) return;
    ComPortSettings s = port.Settings();
    s.portName = pickers.port->currentText();
    s.baudRate = Value(pickers.baud);
    s.dataBits = QSerialPort::DataBits(Value(pickers.dataBits));
    s.stopBits = QSerialPort::StopBits(Value(pickers.stopBits));
    s.parity = QSerialPort::Parity(Value(pickers.parity));
    port.SetSettings(s);
  };
  for (QComboBox* box : {pickers.port, pickers.baud, pickers.dataBits, pickers.stopBits,
                         pickers.parity, pickers.flow})
    connect(box, &QComboBox::currentIndexChanged, this, apply);
}

void TkOpcje::PairPorts(const QString& calibratedPort) {
  const QString referencePort = calibratedPort == "COM1" ? "COM2" : "COM1";
  if (!link_.kComKalib.Connected()) ComComboBox4->setCurrentText(calibratedPort);
  if (!link_.kComWzor.Connected()) kComComboBox3->setCurrentText(referencePort);
}

void TkOpcje::Show(const TComPort& port, const Pickers& pickers) {
  const ComPortSettings& s = port.Settings();
  pickers.port->setCurrentText(s.portName);
  Select(pickers.baud, s.baudRate);
  Select(pickers.dataBits, s.dataBits);
  Select(pickers.stopBits, s.stopBits);
  Select(pickers.parity, s.parity);
  for (QComboBox* box : {pickers.port, pickers.baud, pickers.dataBits, pickers.stopBits,
                         pickers.parity, pickers.flow})
    box->setEnabled(!port.Connected());
}

void TkOpcje::ShowPorts() {
  showing_ = true;
  Show(link_.kComWzor, wzor_);
  Show(link_.kComKalib, kalib_);
  showing_ = false;
}
