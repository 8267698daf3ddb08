#include "wizard/KalibracjaMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <utility>

#include "common/Messages.h"
#include "store/AsLeft.h"
#include "publish/PublishSettings.h"
#include "settings/UserSettings.h"
#include "store/RecordStore.h"
#include "store/RecordsSettings.h"

#include "wizard/KalibracjaOpcje.h"
#include "wizard/KalibracjaTablica.h"
#include "wizard/KalibracjaWykres.h"
#include "wizard/WizardTexts.h"

using namespace wizard_text;

using Ph = CalibrationSteps::Phase;
using Event = CalibrationSteps::Event;

namespace {
void SetBold(QLabel* label, bool bold) {
  QFont f = label->font();
  f.setBold(bold);
  label->setFont(f);
}
}  // namespace

TkKalibracja::TkKalibracja(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("kKalibracja");
  setWindowTitle(QStringLiteral("Kalibracja"));
  BuildForm();
  WireHandlers();
  FormCreate();
}

TkKalibracja::~TkKalibracja() {
  // The ports close without touching the controls: the window is going.
  wizard_.OnChanged = nullptr;
  wizard_.OnClosed = nullptr;
  wizard_.OnArrival = nullptr;
  wizard_.OnReferenceMeasured = nullptr;
  wizard_.OnPortsChanged = nullptr;
}

void TkKalibracja::WireHandlers() {
  wizard_.OnChanged = [this] { ShowState(); };
  wizard_.OnPortsChanged = [this] { ShowPorts(); };
  wizard_.OnReferenceMeasured = [this](bool polled) {
    kTabOpcje->Label12->setText(FormatFixed(Link().ReferenceReading(), 5, 4));
    if (!polled) return;
    // A measurement asked for by a frame shows beside the calibrated reading.
    const QString reference = FormatFixed(Link().ReferenceReading(), 5, 2);
    kTabOpcje->Label12->setText(reference);
    kWizardWzorLabel->setText(reference);
    kCheckWzorLabel->setText(reference);
  };
  wizard_.OnArrival = [this](bool decoded) { ShowArrival(decoded); };
  wizard_.OnClosed = [this](bool mainPortLost) {
    kPageControl->setCurrentWidget(kTabWizard);
    hide();
    if (OnFinished) OnFinished(mainPortLost);
  };
  wizard_.OnGainChosen = [this](int gain) {
    if (OnGainChosen) OnGainChosen(Steps().rangeIndex() + 1, Steps().probeRow(), GainCellText(gain));
  };
  connect(kDalej, &QPushButton::clicked, this, &TkKalibracja::kDalejClick);
  connect(kWstecz, &QPushButton::clicked, this, &TkKalibracja::kWsteczClick);
  connect(kWizardRejestruj, &QPushButton::clicked, this, &TkKalibracja::kWizardRejestrujClick);
  connect(kWizardReset, &QPushButton::clicked, this, &TkKalibracja::kWizardResetClick);
  connect(kCheckRejestruj, &QPushButton::clicked, this, [this] { wizard_.Take(Event::Register); });
  connect(kCheckReset, &QPushButton::clicked, this, [this] { wizard_.Take(Event::Reset); });
  connect(kPomin, &QPushButton::clicked, this, [this] { wizard_.Take(Event::Skip); });
  connect(CheckBox3, &QCheckBox::toggled, this, &TkKalibracja::CheckBox3Click);
  connect(kNumerSeryjny, &QLineEdit::editingFinished, this, &TkKalibracja::ShowEarlierDetails);
  connect(kKlient, &QComboBox::activated, this, [this](int index) {
    kKlientAdres->setText(kKlient->itemData(index).toString());
  });
  connect(CheckBox2, &QCheckBox::toggled, this, [this](bool on) { Link().invertSign = on; });
  connect(kStart, &QPushButton::clicked, this, &TkKalibracja::kStartClick);
  connect(Button9, &QPushButton::clicked, this, &TkKalibracja::Button9Click);
  connect(kTabOpcje->kSzybkieSzukanie, &QCheckBox::toggled, this, [this](bool on) {
    wizard_.SetSearchMethod(on ? GainSearch::Method::Secant : GainSearch::Method::Bisection);
  });
  connect(kPageControl, &QTabWidget::currentChanged, this, [this] {
    if (kPageControl->currentWidget() == kTabWizard) kTabWizardEnter();
    kPageControlChange();
  });
  SG1->OnCountShown = [this] { ShowCount(); };
  // "Usuń" is the machine's to take or refuse.
  SG1->OnDelete = [this](int position) { wizard_.Take(Event::Delete, position); };
  kTabOpcje->OnChannelChosen = [this](int channel) {
    wizard_.Take(Event::Channel, channel);
    ShowChannel();
  };
  wizard_.OnChannelChanged = [this](int channel) {
    const QSignalBlocker quiet(kTabOpcje->kWybierzKanal);
    kTabOpcje->kWybierzKanal->setCurrentText(QString::number(channel));
  };
}

// ---- Window ----

void TkKalibracja::FormCreate() {
  ShowPorts();
  ShowState();
  kPageControlChange();
}

bool TkKalibracja::OpenFor(TComPort* mainPort, int rangeIndex, int probeRow, const QString& serial) {
  switch (wizard_.Open(mainPort, rangeIndex, probeRow)) {
    case CalibrationWizard::Opening::Refused:
      return false;
    case CalibrationWizard::Opening::Running:  // never a silent refusal: the wizard comes forward
      show();
      raise();
      activateWindow();
      return true;
    case CalibrationWizard::Opening::Opened:
      break;
  }
  kNumerSeryjny->setText(serial.trimmed());
  ShowEarlierDetails();
  overdueTold_ = false;
  kTabOpcje->ShowReference();
  ShowReferenceDue();
  // The ports are paired once, here: a choice made on "Opcje" afterwards stands.
  if (mainPort) kTabOpcje->PairPorts(mainPort->PortName());
  show();
  raise();
  activateWindow();
  return true;
}

void TkKalibracja::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) kTabWizardEnter();
}

void TkKalibracja::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous() && !Steps().Running()) {
    Samples().Clear();
    ShowSamples();
  }
}

void TkKalibracja::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TkKalibracja::FormResize() {
  kStatusPanel0->setFixedWidth(width() / 2);
  kTabOpcje->kOpcjeGroupBox1->setFixedWidth(qMax(0, width() / 2 - 8));
  kTabWykres->CentreNotice();
}

// A close runs the wizard's closing sequence; the window stays, its controls disabled, until
// that ends and hides it.
void TkKalibracja::closeEvent(QCloseEvent* event) {
  if (!isVisible()) {
    event->accept();
    return;
  }
  wizard_.Take(Event::Close);
  event->ignore();
}

void TkKalibracja::kTabWizardEnter() {
  Label29->setText(RangeName(Steps().rangeIndex()));
  setWindowTitle("Kalibracja - zakres: " + Label29->text());
  ShowPortSummaries();  // the opening may just have paired the ports anew
}

void TkKalibracja::kPageControlChange() {
  if (Samples().Count() < 2) {
    kTabWykres->ShowNoSeries();
  } else {
    StartClick();
    kTabWykres->HideNotice();
  }
  ShowPortSummaries();
}

void TkKalibracja::ShowPortSummaries() {
  Label15->setText(PortSummary(Link().kComWzor.Settings()));
  Label16->setText(PortSummary(Link().kComKalib.Settings()));
}

void TkKalibracja::CheckBox3Click() { SpinEdit2->setVisible(CheckBox3->isChecked()); }

// ---- The steps ----

void TkKalibracja::kDalejClick() {
  if (Steps().phase() == Ph::Idle) {
    // The calibration's record is kept by the meter's serial number.
    if (kNumerSeryjny->text().trimmed().isEmpty()) {
      kNumerSeryjny->setFocus();
      ShowMessage(kSerialNeeded);
      return;
    }
    wizard_.SetSerial(kNumerSeryjny->text());
    wizard_.SetOrder(OrderOnPage0());
    ShowReferenceDue();
    if (!kWzorzecUwaga->text().isEmpty() && !std::exchange(overdueTold_, true)) ShowMessage(kWzorzecUwaga->text());
  }
  wizard_.Take(Event::Next, SpinEdit2->value(), CheckBox3->isChecked());
}

void TkKalibracja::ShowEarlierDetails() {
  // The local file holds this bench's calibrations; a store that cannot be read offers nothing.
  RecordStore store(BenchId());
  EarlierDetails details;
  if (store.Open(RecordsPath(), nullptr)) details = EarlierDetailsOf(store, kNumerSeryjny->text());
  const QString typed = kKlient->currentText();
  kKlient->clear();
  for (const Customer& customer : details.customers) kKlient->addItem(customer.name, customer.address);
  if (!details.customers.isEmpty()) {
    kKlient->setCurrentIndex(0);
    kKlientAdres->setText(details.customers.first().address);
  } else {
    kKlient->setEditText(typed);
  }
  if (!details.maker.isEmpty() || !details.model.isEmpty()) {
    kProducent->setText(details.maker);
    kModel->setText(details.model);
  }
  const QString technician = kTechnik->currentText();
  kTechnik->clear();
  for (const QString& name : TechnicianChoices(store, ReadUserSettings().name)) kTechnik->addItem(name);
  const int kept = kTechnik->findText(technician);
  if (kept >= 0) kTechnik->setCurrentIndex(kept);
}

CalibrationOrder TkKalibracja::OrderOnPage0() const {
  CalibrationOrder order;
  order.customer = kKlient->currentText().trimmed();
  order.customerAddress = kKlientAdres->text().trimmed();
  order.maker = kProducent->text().trimmed();
  order.model = kModel->text().trimmed();
  order.technician = kTechnik->currentText().trimmed();
  if (kTemperatura->value() > kTemperatura->minimum()) order.ambientTemperature = kTemperatura->value();
  if (kWilgotnosc->value() > kWilgotnosc->minimum()) order.humidity = kWilgotnosc->value();
  return order;
}

void TkKalibracja::ShowReferenceDue() {
  const QDate due = ReadRecordsSettings().reference.due;
  kWzorzecUwaga->setText(due.isValid() && due < QDate::currentDate() ? ReferenceOverdue(due) : QString());
}
void TkKalibracja::kWsteczClick() { wizard_.Take(Event::Back); }
void TkKalibracja::kStartClick() { wizard_.Take(Event::Start); }
void TkKalibracja::Button9Click() { wizard_.Take(Event::DebugSend, SpinEdit1->value()); }
void TkKalibracja::kWizardResetClick() { wizard_.Take(Event::Reset); }

void TkKalibracja::kWizardRejestrujClick() {
  if (Samples().Count() >= SampleTable::kCapacity) {
    QApplication::beep();  // the table is full
    return;
  }
  wizard_.Take(Event::Register);
}

void TkKalibracja::StartClick() { wizard_.Take(Event::Refit); }

void TkKalibracja::ShowState() {
  const CalibrationSteps& steps = Steps();
  const Ph phase = steps.phase();
  auto takes = [phase](Event e) { return CalibrationSteps::Takes(phase, e); };
  const int page = steps.Page();
  kWizardPages->setCurrentIndex(page);
  kDalej->setText(page >= 2 ? QStringLiteral("Zakoncz") : QStringLiteral("Dalej >>"));
  kDalej->setEnabled(takes(Event::Next) && (page != 3 || !steps.AsLeft().isEmpty()));
  kWstecz->setEnabled(takes(Event::Back));
  kStart->setVisible(page == 2);
  kStart->setEnabled(takes(Event::Start));
  kWizardRejestruj->setEnabled(takes(Event::Register));
  kWizardReset->setEnabled(takes(Event::Reset));
  kCheckRejestruj->setEnabled(takes(Event::Register));
  kCheckReset->setEnabled(takes(Event::Reset));
  kPomin->setEnabled(takes(Event::Skip));
  CheckBox3->setEnabled(phase == Ph::Idle);
  kNumerSeryjny->setEnabled(phase == Ph::Idle);
  kKlient->parentWidget()->setEnabled(phase == Ph::Idle);  // the order
  SpinEdit2->setEnabled(phase == Ph::Idle);
  Button9->setEnabled(takes(Event::DebugSend));
  kTabOpcje->kWybierzKanal->setEnabled(takes(Event::Channel));
  SG1->Usu1->setEnabled(takes(Event::Delete));
  SpinEdit1->setEnabled(takes(Event::DebugSend));
  kPostep->setText(steps.Progress());
  // Page 2 shows nothing that this run's search has not measured.
  const GainSearch& search = steps.Search();
  const bool searched = steps.Searched();
  Label32->setText(searched ? QString::number(search.Gain()) : QString());
  Label33->setText(searched ? FormatGeneral(search.Reading(), 4) : QString());
  Label34->setText(searched ? QString::number(search.Steps()) : QString());
  const bool met = searched && search.Result() == GainSearch::Outcome::Equal;
  SetBold(Label25, met);
  SetBold(Label32, met);
  if (phase == Ph::Searching) SpinEdit1->setValue(search.Gain());
  const int range = steps.rangeIndex();
  Label35->setText(page == 2 ? FormatNumber(steps.Target(), 3, range == 1 || range == 3 ? 0 : 1) : QString());
  if (samplesShown_ != steps.SamplesVersion()) ShowSamples();
}

// Page 3: each as-left point against the reference, with the verdict and its rule.
void TkKalibracja::ShowCheck() {
  const RecordsSettings settings = ReadRecordsSettings();
  const QList<CalibrationPoint>& points = Steps().AsLeft();
  kCheckTable->setRowCount(int(points.size()));
  const AsLeftRule rule{settings.tolerancePercent, settings.toleranceDigits, Steps().Search().Tolerance(),
                        settings.decisionRule};
  bool all = true, judged = true;
  for (int row = 0; row < points.size(); ++row) {
    // U is the record's, made when it is kept: under guarded acceptance a point within its limit
    // is judged there ("—" here).
    const AsLeftPoint p = EvaluateAsLeftPoint(points[row], rule, std::nullopt);
    all = all && (p.passed || !p.judged);  // no point that fails
    judged = judged && p.judged;
    const QStringList cells = {FormatGeneral(p.reference, 5), FormatGeneral(p.reading, 5),
                               FormatGeneral(p.error, 4),
                               p.errorPercent ? FormatFixed(*p.errorPercent, 4, 3) : QStringLiteral("—"),
                               "±" + FormatGeneral(p.limit, 4), p.judged ? CheckVerdict(p.passed) : QStringLiteral("—")};
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      kCheckTable->setItem(row, column, item);
    }
  }
  if (!points.isEmpty()) kCheckTable->scrollToBottom();
  const QString digits = settings.toleranceDigits > 0
                             ? QStringLiteral(" + %1 cyfr ostatniego miejsca").arg(FormatGeneral(settings.toleranceDigits, 4))
                             : QString();
  QString summary = QStringLiteral("Tolerancja: ±(%1 % odczytu%2). Reguła decyzyjna: %3.")
                        .arg(FormatGeneral(settings.tolerancePercent, 4), digits,
                             DecisionRuleText(CertificateLanguage::Polish, settings.decisionRule));
  if (!points.isEmpty() && (judged || !all)) summary += QStringLiteral(" Wynik: ") + CheckVerdict(all) + QLatin1Char('.');
  kCheckSummary->setText(summary);
}

void TkKalibracja::ShowSamples() {
  samplesShown_ = Steps().SamplesVersion();
  ShowCheck();
  const Evaluation& e = Samples().Result();
  kTabWykres->kWykresLabel2->setText(Samples().Count() ? ReferenceEquationText(e) : QString());
  kTabWykres->kWykresLabel4->setText(Samples().Count() ? EquationText(e) : kNoEquation);
  if (Samples().Count() == 0) {
    kWizardKalLabel->setText(QStringLiteral("0"));
    kWizardWzorLabel->setText(QStringLiteral("0"));
    SG1->ClearRows();
  } else {
    SG1->WyswietlTablice();
  }
  ShowCount();
  if (kPageControl->currentWidget() == kTabWykres) kTabWykres->KreslWykresClick();
}

// The picker shows the channel the link measures on, whatever was chosen.
void TkKalibracja::ShowChannel() {
  const QSignalBlocker quiet(kTabOpcje->kWybierzKanal);
  kTabOpcje->kWybierzKanal->setCurrentText(Link().channel);
}

void TkKalibracja::ShowCount() { kWizardIloscProbekLabel->setText(QString::number(Samples().Count())); }

// ---- Links ----

void TkKalibracja::ShowPorts() {
  kStatusPanel0->setText(Link().kComWzor.Connected() ? QStringLiteral("Wzor: Online")
                                                     : QStringLiteral("Wzor: Offline"));
  kStatusPanel1->setText(Link().kComKalib.Connected() ? QStringLiteral("Kalib: Online")
                                                      : QStringLiteral("Kalib: Offline"));
  kTabOpcje->ShowPorts();
}

void TkKalibracja::ShowArrival(bool frameDecoded) {
  if (frameDecoded) {
    const QString calibrated = FormatGeneral(Link().CalibratedReading(), 4);
    kTabOpcje->Label13->setText(calibrated);
    kWizardKalLabel->setText(calibrated);
    kCheckKalLabel->setText(calibrated);
    Label36->setText(calibrated);
  }
}
