#include "app/ServicePanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QValidator>

#include "app/FileDialogs.h"
#include "app/Glyphs.h"
#include "app/MainForm.h"
#include "common/Messages.h"
#include "link/ComPort.h"
#include "parameters/CalibrationFile.h"
#include "parameters/ParameterGrid.h"
#include "parameters/Transfer.h"
#include "store/RecordsSettings.h"

namespace {

using P = MeterParameters;

constexpr int kTypedLimit = 5;

// Typing stops at a length; a longer text put in by the program (a calibration file) stays
// whole and may still be shortened.
class TypingLimit : public QValidator {
 public:
  TypingLimit(QLineEdit* edit, int limit) : QValidator(edit), limit_(limit), shown_(edit->text()) {
    // The edit holds the changed text already while it asks; the text before is kept here.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { shown_ = text; });
  }
  State validate(QString& input, int&) const override {
    return input.size() <= limit_ || input.size() <= shown_.size() ? Acceptable : Invalid;
  }

 private:
  int limit_;
  QString shown_;
};

// A field's caption: its label, as a refused value's message names it, and a colon.
QString Caption(int member) { return FieldLabel(member) + QLatin1Char(':'); }

QLabel* Label(QWidget* parent, const QString& name, const QString& text, const QRect& geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(geometry);
  return label;
}

}  // namespace

TServicePanel::TServicePanel(TComPort* port, QWidget* parent)
    : QGroupBox(QStringLiteral(" Kalibracja "), parent), port_(port) {
  setObjectName("Send");
  setAutoFillBackground(true);
  UkrysSerwis = Named(new QToolButton(this), "UkrysSerwis", QRect(503, 2, 22, 22));
  UkrysSerwis->setIcon(HidePanelGlyph());
  UkrysSerwis->setAutoRaise(true);
  PageControl1 = Named(new QTabWidget(this), "PageControl1", QRect(6, 16, 352, 214));
  BuildSondyTab();
  BuildTemperatureTab();
  BuildOtherTab();
  BuildDiagnosticsTab();
  PageControl1->setCurrentWidget(TabSheet5);
  BuildButtons();
}

// One row of the temperature tab: the hint at the tab's left edge, the caption, the edit.
QLineEdit* TServicePanel::Edit(QWidget* tab, const char* name, int y, const QString& caption,
                               const QString& hint) {
  constexpr int kEditX = 266;
  constexpr int kHintWidth = 88;
  auto* edit = Named(new QLineEdit(tab), name, QRect(kEditX, y, 70, 22));
  edit->setToolTip(hint);
  const int captionX = 6 + kHintWidth;
  auto* label = Label(tab, QString::fromLatin1(name) + "Label", caption,
                      QRect(captionX, y + 3, kEditX - 4 - captionX, 16));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setBuddy(edit);
  Label(tab, QString::fromLatin1(name) + "Hint", hint, QRect(6, y + 3, kHintWidth, 16));
  return edit;
}

void TServicePanel::BuildSondyTab() {
  TabSheet3 = Named(new QWidget, "TabSheet3");
  PageControl1->addTab(TabSheet3, QStringLiteral("Sondy"));
  Sondy = Named(new TParameterGrid(5, 3, TabSheet3), "Sondy");
  Sondy->move(6, 8);
  Sondy->SetCaptions(kSondyCaptions.corner, kSondyCaptions.columns, kSondyCaptions.rows);
  Sondy->SetCellSizes(80, 62, 24);
  const QString hint = QStringLiteral("Wartości (-1;1)");
  Sondy->setToolTip(hint);
  Sondy->OnDataCellDoubleClick = [this](int column, int row) {
    if (OnSondyDoubleClick) OnSondyDoubleClick(column, row);
  };
  SondyHint = Label(TabSheet3, "SondyHint", hint, QRect(6, 90, 200, 16));
  // The converter's DC component only ever comes from a calibration file.
  StalaLabel = Label(TabSheet3, "StalaLabel", Caption(P::Stala), QRect(6, 124, 180, 16));
  Stala = Named(new QLineEdit(TabSheet3), "Stala", QRect(190, 121, 78, 22));
  StalaLabel->setVisible(false);
  Stala->setVisible(false);
}

void TServicePanel::BuildTemperatureTab() {
  TabSheet4 = Named(new QWidget, "TabSheet4");
  PageControl1->addTab(TabSheet4, QStringLiteral("Temperatura"));
  const QString word = QStringLiteral("[-32768;32767]");
  const QString fraction = QStringLiteral("(-1,1)");
  Wtemp = Edit(TabSheet4, "Wtemp", 8, Caption(P::Wtemp), word);
  OTemp = Edit(TabSheet4, "OTemp", 42, Caption(P::OTemp), word);
  WKor = Edit(TabSheet4, "WKor", 76, Caption(P::WKor), fraction);
  OKor = Edit(TabSheet4, "OKor", 110, Caption(P::OKor), word);
  WzmocnienieFiltruTemp =
      Edit(TabSheet4, "WzmocnienieFiltruTemp", 144, Caption(P::WzmocnienieFiltruTemp), fraction);
}

void TServicePanel::BuildOtherTab() {
  TabSheet5 = Named(new QWidget, "TabSheet5");
  PageControl1->addTab(TabSheet5, QStringLiteral("Inne"));
  KFILTR = Named(new TParameterGrid(5, 3, TabSheet5), "KFILTR");
  KFILTR->move(6, 6);
  KFILTR->SetCaptions(kKfiltrCaptions.corner, kKfiltrCaptions.columns, kKfiltrCaptions.rows);
  KFILTR->SetCellSizes(80, 62, 21);
  const QString filterHint = QStringLiteral("Wartości Wzm. (-1;1), wartości progu [0;65535]");
  KFILTR->setToolTip(filterHint);
  KFILTRHint = Label(TabSheet5, "KFILTRHint", filterHint, QRect(6, 74, 330, 16));

  S_Faza = Named(new TParameterGrid(2, 3, TabSheet5), "S_Faza");
  S_Faza->move(6, 94);
  S_Faza->SetCaptions(kSFazaCaptions.corner, kSFazaCaptions.columns, kSFazaCaptions.rows);
  S_Faza->SetCellSizes(62, 50, 21);
  S_Faza->setToolTip(QStringLiteral("Wypełnij obydwie wartości."));
  S_FazaHint = Label(TabSheet5, "S_FazaHint", QStringLiteral("Wartości [0;255]"), QRect(6, 162, 116, 16));

  // Caption, edit and hint beside the phase grid.
  constexpr int kCaptionX = 124;
  constexpr int kEditX = 280;
  const QRect caption(kCaptionX, 0, kEditX - 4 - kCaptionX, 16);
  ProgRodzajuSondy = Named(new QLineEdit(TabSheet5), "ProgRodzajuSondy", QRect(kEditX, 96, 56, 22));
  const QString thresholdHint = QStringLiteral("Wartości [0;1800]");
  ProgRodzajuSondy->setToolTip(thresholdHint);
  Label(TabSheet5, "ProgRodzajuSondyLabel", Caption(P::ProgRodzajuSondy), caption.translated(0, 99))
      ->setBuddy(ProgRodzajuSondy);
  Label(TabSheet5, "ProgRodzajuSondyHint", thresholdHint, QRect(kCaptionX, 120, 212, 16));
  NumerSeryjnyMiernika = Named(new QLineEdit(TabSheet5), "NumerSeryjnyMiernika", QRect(kEditX, 142, 56, 22));
  Label(TabSheet5, "NumerSeryjnyMiernikaLabel", Caption(P::NumerSeryjnyMiernika), caption.translated(0, 145))
      ->setBuddy(NumerSeryjnyMiernika);
  for (QLineEdit* edit : {ProgRodzajuSondy, NumerSeryjnyMiernika})
    edit->setValidator(new TypingLimit(edit, kTypedLimit));
}

void TServicePanel::BuildDiagnosticsTab() {
  TabSheet1 = Named(new QWidget, "TabSheet1");
  PageControl1->addTab(TabSheet1, QStringLiteral("Diagnostyka"));
  filtrTemp = Named(new QCheckBox(QStringLiteral("Filtr temperatury"), TabSheet1), "filtrTemp",
                    QRect(8, 20, 150, 20));
  TauTemp = Named(new QLineEdit(TabSheet1), "TauTemp", QRect(160, 19, 70, 22));
  SSkok = Named(new QLabel(QStringLiteral("Maksymalny skok: "), TabSheet1), "SSkok", QRect(8, 50, 220, 18));
  SSkok->setFixedSize(SSkok->size());  // a new text does not lay out the panel again
  Button3 = Named(new QPushButton(QStringLiteral("Kasuj"), TabSheet1), "Button3", QRect(230, 47, 60, 24));

  AnyValueBox = Named(new QGroupBox(QStringLiteral("Wysłanie dowolnej wartości"), TabSheet1), "AnyValueBox",
                      QRect(6, 86, 330, 62));
  Label(AnyValueBox, "DWPoleLabel", QStringLiteral("Pole:"), QRect(8, 28, 34, 16));
  DWPole = Named(new QLineEdit(AnyValueBox), "DWPole", QRect(42, 25, 60, 22));
  Label(AnyValueBox, "DWWartoscLabel", QStringLiteral("Wartość:"), QRect(112, 28, 52, 16));
  DWWartosc = Named(new QLineEdit(AnyValueBox), "DWWartosc", QRect(164, 25, 72, 22));
  Button4 = Named(new QPushButton(QStringLiteral("Wyślij"), AnyValueBox), "Button4", QRect(248, 23, 72, 26));
  connect(Button4, &QPushButton::clicked, this, &TServicePanel::Button4Click);
}

void TServicePanel::BuildButtons() {
  Otworz = Named(new QPushButton(QStringLiteral("Otwórz"), this), "Otworz", QRect(366, 38, 76, 26));
  Zapisz = Named(new QPushButton(QStringLiteral("Zapisz"), this), "Zapisz", QRect(446, 38, 76, 26));
  BitBtn1 = Named(new QPushButton(QStringLiteral("Drukuj"), this), "BitBtn1", QRect(366, 70, 156, 26));
  Odbierz = Named(new QPushButton(QStringLiteral("Czyść"), this), "Odbierz", QRect(366, 102, 156, 26));
  SaveEPROM = Named(new QCheckBox(QStringLiteral("Zapisz do EEPROM"), this), "SaveEPROM",
                    QRect(368, 146, 154, 20));
  Wyslij = Named(new QPushButton(QStringLiteral("Wyslij"), this), "Wyslij", QRect(366, 170, 156, 30));
  Wyslij->setEnabled(false);
  TransferProgress = Named(new QProgressBar(this), "TransferProgress", QRect(366, 206, 156, 18));
  TransferProgress->setRange(0, kTransferValueSteps);
  TransferProgress->setFormat(QStringLiteral("%v / %m"));
  TransferProgress->setVisible(false);
  AnulujWysylanie = Named(new QPushButton(QStringLiteral("Anuluj"), this), "AnulujWysylanie", QRect(366, 170, 156, 30));
  AnulujWysylanie->setVisible(false);
  connect(AnulujWysylanie, &QPushButton::clicked, this, &TServicePanel::AnulujClick);
  connect(Otworz, &QPushButton::clicked, this, &TServicePanel::OtworzClick);
  connect(Zapisz, &QPushButton::clicked, this, &TServicePanel::ZapiszClick);
  connect(BitBtn1, &QPushButton::clicked, this, &TServicePanel::BitBtn1Click);
  connect(Odbierz, &QPushButton::clicked, this, &TServicePanel::OdbierzClick);
  connect(Wyslij, &QPushButton::clicked, this, &TServicePanel::WyslijClick);
}

QLineEdit* TServicePanel::EditOf(int member) const {
  switch (member) {
    case P::Stala: return Stala;
    case P::Wtemp: return Wtemp;
    case P::OTemp: return OTemp;
    case P::WKor: return WKor;
    case P::OKor: return OKor;
    case P::ProgRodzajuSondy: return ProgRodzajuSondy;
    case P::NumerSeryjnyMiernika: return NumerSeryjnyMiernika;
    case P::WzmocnienieFiltruTemp: return WzmocnienieFiltruTemp;
    default: return nullptr;
  }
}

MeterParameters TServicePanel::Parameters() const {
  MeterParameters p;
  for (int row = 1; row <= 2; ++row) {
    for (int column = 1; column <= 4; ++column) {
      p[P::Sondy(column, row)] = Sondy->CellText(column, row);
      p[P::Kfiltr(column, row)] = KFILTR->CellText(column, row);
    }
    p[P::SFaza(row)] = S_Faza->CellText(1, row);
  }
  for (int member = 0; member < P::kCount; ++member)
    if (QLineEdit* edit = EditOf(member)) p[member] = edit->text();
  return p;
}

void TServicePanel::SetParameters(const MeterParameters& p) {
  for (int row = 1; row <= 2; ++row) {
    for (int column = 1; column <= 4; ++column) {
      Sondy->SetCellText(column, row, p[P::Sondy(column, row)]);
      KFILTR->SetCellText(column, row, p[P::Kfiltr(column, row)]);
    }
    S_Faza->SetCellText(1, row, p[P::SFaza(row)]);
  }
  for (int member = 0; member < P::kCount; ++member) {
    QLineEdit* edit = EditOf(member);
    if (!edit) continue;
    // A limited edit would take a longer text as a refused input and then let anything be
    // typed after it; the text is put in past the limit.
    const QValidator* limit = edit->validator();
    edit->setValidator(nullptr);
    edit->setText(p[member]);
    edit->setValidator(limit);
  }
}

bool TServicePanel::RunSteps(const QList<TransferStep>& steps, std::function<void(int, int)> progress,
                              std::function<void(TransferEnd, const TransferTally&)> done) {
  if (run_) return false;
  run_ = std::make_unique<TransferRun>(*port_, steps);
  run_->OnProgress = std::move(progress);
  run_->OnFinished = [this, done = std::move(done)](TransferEnd end) {
    // The run ends inside its own handler: it goes once the handler has returned.
    TransferRun* finished = run_.release();
    finished->deleteLater();
    if (done) done(end, finished->Tally());
    if (OnPortBusy) OnPortBusy(false);
  };
  if (OnPortBusy) OnPortBusy(true);
  run_->Start();
  return true;
}

void TServicePanel::WyslijClick() {
  const TransferPlan plan = PlanTransfer(Parameters(), SaveEPROM->isChecked());
  if (!plan.ok()) {
    ShowMessage(plan.refusal);  // nothing was sent: the meter keeps its calibration whole
    return;
  }
  // What is sent is what the panel held at the click, whatever is typed meanwhile.
  const MeterParameters sent = Parameters();
  TransferProgress->setValue(0);
  TransferProgress->setVisible(true);
  Wyslij->setVisible(false);
  AnulujWysylanie->setVisible(true);
  const auto progress = [this](int done, int) { TransferProgress->setValue(done); };
  const bool started = RunSteps(plan.steps, progress, [this, sent](TransferEnd, const TransferTally& tally) {
    TransferProgress->setVisible(false);
    AnulujWysylanie->setVisible(false);
    Wyslij->setVisible(true);
    // Every transfer is kept in the calibration records, whatever reached the meter.
    TransferRecord record = MakeTransferRecord(sent, tally);
    const KeptRecord kept = KeepRecord(record);
    if (OnTransferReport) OnTransferReport(TransferReportText(tally));
    if (kept.number.isEmpty()) ShowMessage(QStringLiteral("Nie zapisano protokołu przesłania: %1").arg(kept.error));
  });
  if (!started) {
    TransferProgress->setVisible(false);
    AnulujWysylanie->setVisible(false);
    Wyslij->setVisible(true);
  }
}

void TServicePanel::AnulujClick() {
  if (run_) run_->Cancel();
}

void TServicePanel::OdbierzClick() { SetParameters(MeterParameters{}); }

void TServicePanel::Button4Click() {
  const TransferPlan plan = PlanAnyValue(DWPole->text(), DWWartosc->text());
  if (!plan.ok()) {
    ShowMessage(plan.refusal);
    return;
  }
  if (!plan.steps.isEmpty()) RunSteps(plan.steps, {}, {});
}

void TServicePanel::ZapiszClick() {
  const QString name = AskSaveFileName(this, CalibrationFileDialogSettings());
  if (name.isEmpty()) return;
  if (!WriteCalibrationFile(name, Parameters())) ShowMessage(kCalibrationWriteErrorText);
}

void TServicePanel::OtworzClick() {
  const QString name = AskOpenFileName(this, CalibrationFileDialogSettings());
  if (name.isEmpty()) return;
  const auto parameters = ReadCalibrationFile(name);
  if (!parameters) {
    ShowMessage(kCalibrationReadErrorText);
    return;
  }
  SetParameters(*parameters);
}

void TServicePanel::BitBtn1Click() {
  if (OnPrint) OnPrint();
}
