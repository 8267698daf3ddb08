#include "app/HistoryWin.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/FileDialogs.h"
#include "app/PrintDialogs.h"
#include "common/Messages.h"
#include "common/DateEdits.h"
#include "common/Named.h"
#include "parameters/Transfer.h"
#include "publish/PublishSettings.h"
#include "settings/Jezyki.h"
#include "store/CertificateLayout.h"
#include "store/HistoryExport.h"
#include "store/PdfA3.h"
#include "store/RecordsSettings.h"

namespace {
// "OK" and "Anuluj" at the right of a dialog's last row.
void AddOkCancel(QBoxLayout* root, QPushButton*& ok, QPushButton*& cancel) {
  auto* buttons = new QHBoxLayout;
  ok = Named(new QPushButton(QStringLiteral("OK")), "OK");
  cancel = Named(new QPushButton(LookupText(43)), "Anuluj");
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  root->addLayout(buttons);
}
}  // namespace

// The list: one line a record, its texts made when a cell is painted, so that ten thousand
// records cost the view nothing until they are scrolled to.
class RecordListModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;
  void Set(QList<RecordSummary> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
  }
  const QList<RecordSummary>& Rows() const { return rows_; }
  void Relabel() { emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1); }

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const RecordSummary& r = rows_[index.row()];
    switch (index.column()) {
      case 0: return r.number;
      case 1: return LookupText(r.kind == QLatin1String("calibration") ? 130 : r.kind == QLatin1String("signature") ? 180 : 131);
      case 2: return r.serial;
      case 3: return QLocale().toString(r.at.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm"));
      case 4: return r.technician;
      case 5: return r.amends;
      default: {
        QStringList state;
        if (r.state == QLatin1String("conflict")) state << LookupText(166);
        if (r.state == QLatin1String("waiting")) state << LookupText(165);
        if (!r.supersededBy.isEmpty()) state << LookupText(167).arg(r.supersededBy);
        return state.join(QStringLiteral(", "));
      }
    }
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    static const quint16 kCaptions[kColumns] = {124, 125, 126, 127, 128, 129, 164};
    return section >= 0 && section < kColumns ? LookupText(kCaptions[section]) : QString();
  }

 private:
  static constexpr int kColumns = 7;
  QList<RecordSummary> rows_;
};

THistoryWin::THistoryWin(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("HistoryWin");
  auto* root = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* caption = Named(new QLabel, "FiltrLabel");
  Filtr = Named(new QLineEdit, "Filtr");
  Filtr->setClearButtonEnabled(true);
  caption->setBuddy(Filtr);
  Stan = Named(new QLabel, "Stan");
  top->addWidget(caption);
  top->addWidget(Filtr, 1);
  top->addWidget(Stan, 2);
  root->addLayout(top);

  auto* split = new QSplitter(Qt::Horizontal);
  model_ = new RecordListModel(this);
  Lista = Named(new QTableView, "Lista");
  Lista->setModel(model_);
  Lista->setSelectionBehavior(QAbstractItemView::SelectRows);
  Lista->setSelectionMode(QAbstractItemView::SingleSelection);
  Lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Lista->verticalHeader()->hide();
  Lista->verticalHeader()->setDefaultSectionSize(Lista->fontMetrics().height() + 6);
  Lista->horizontalHeader()->setStretchLastSection(true);
  Lista->horizontalHeader()->setResizeContentsPrecision(100);  // the first rows tell the widths
  split->addWidget(Lista);
  auto* details = new QWidget;
  auto* detailsLayout = new QVBoxLayout(details);
  detailsLayout->setContentsMargins(0, 0, 0, 0);
  Korekty = Named(new QLabel, "Korekty");
  Korekty->setWordWrap(true);
  Korekty->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Szczegoly = Named(new QStackedWidget, "Szczegoly");
  printer_ = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
  printer_->setPageSize(QPageSize(QPageSize::A4));
  Swiadectwo = Named(new QPrintPreviewWidget(printer_.get()), "Swiadectwo");
  Przeslanie = Named(new QPlainTextEdit, "Przeslanie");
  Przeslanie->setReadOnly(true);
  Szczegoly->addWidget(new QWidget);
  Szczegoly->addWidget(Swiadectwo);
  Szczegoly->addWidget(Przeslanie);
  detailsLayout->addWidget(Korekty);
  detailsLayout->addWidget(Szczegoly, 1);
  split->addWidget(details);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  root->addWidget(split, 1);

  auto* buttons = new QHBoxLayout;
  auto* language = Named(new QLabel, "JezykLabel");
  Jezyk = Named(new QComboBox, "Jezyk");
  Jezyk->addItems({QStringLiteral("Polski"), QStringLiteral("English")});
  language->setBuddy(Jezyk);
  Drukuj = Named(new QPushButton, "Drukuj");
  ZapiszPdf = Named(new QPushButton, "ZapiszPdf");
  EksportCsv = Named(new QPushButton, "EksportCsv");
  Popraw = Named(new QPushButton, "Popraw");
  Zatwierdz = Named(new QPushButton, "Zatwierdz");
  buttons->addWidget(language);
  buttons->addWidget(Jezyk);
  buttons->addWidget(Drukuj);
  buttons->addWidget(ZapiszPdf);
  buttons->addWidget(Popraw);
  buttons->addWidget(Zatwierdz);
  buttons->addStretch(1);
  buttons->addWidget(EksportCsv);
  root->addLayout(buttons);

  connect(Filtr, &QLineEdit::textChanged, this, &THistoryWin::Filter);
  connect(Lista->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &THistoryWin::ShowSelected);
  connect(Swiadectwo, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* target) {
    if (const PrintLayout layout = Certificate()) PrintDocument(*target, layout);
  });
  connect(Jezyk, &QComboBox::currentIndexChanged, this, [this] {
    if (selected_) Swiadectwo->updatePreview();
  });
  connect(Drukuj, &QPushButton::clicked, this, &THistoryWin::DrukujClick);
  connect(ZapiszPdf, &QPushButton::clicked, this, &THistoryWin::ZapiszPdfClick);
  connect(EksportCsv, &QPushButton::clicked, this, &THistoryWin::EksportCsvClick);
  connect(Popraw, &QPushButton::clicked, this, &THistoryWin::PoprawClick);
  connect(Zatwierdz, &QPushButton::clicked, this, &THistoryWin::ZatwierdzClick);
  Jezyk->setCurrentIndex(CurrentLanguage == QLatin1String("Angielski") ? 1 : 0);
  Label();
  ShowSelected();
  resize(1000, 620);
}

THistoryWin::~THistoryWin() = default;

void THistoryWin::Label() {
  setWindowTitle(LookupText(122).remove(QChar(0x2026)));
  findChild<QLabel*>("FiltrLabel")->setText(LookupText(123));
  findChild<QLabel*>("JezykLabel")->setText(LookupText(135));
  Drukuj->setText(LookupText(132));
  ZapiszPdf->setText(LookupText(133));
  EksportCsv->setText(LookupText(134));
  Popraw->setText(LookupText(142));
  Zatwierdz->setText(LookupText(181));
  model_->Relabel();
}

void THistoryWin::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) Label();
}

void THistoryWin::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Reload();
}

void THistoryWin::Reload() {
  store_ = std::make_unique<RecordStore>(BenchId());
  QString error, serverError;
  const RecordsSettings settings = ReadRecordsSettings();
  if (!OpenRecords(*store_, settings, DatabasePassword(), &error, &serverError)) {
    store_.reset();
    Stan->setText(LookupText(136).arg(error));
    model_->Set({});
    ShowSelected();
    return;
  }
  Filter();
  QString state = settings.host.isEmpty()         ? LookupText(141)
                  : store_->ServerConnected()    ? LookupText(120).arg(store_->Waiting())
                  : store_->BenchTaken()         ? LookupText(168).arg(store_->Bench())
                                                 : LookupText(121).arg(serverError).arg(store_->Waiting());
  if (store_->ReadOnly()) state += QStringLiteral(" — ") + LookupText(137);
  if (const QStringList conflicts = store_->Conflicts(); !conflicts.isEmpty())
    state += QStringLiteral(" — ") + LookupText(170).arg(conflicts.join(QStringLiteral(", ")));
  QStringList broken;
  for (const bool server : {false, true})
    for (const RecordStore::Finding& finding : store_->Verify(server))
      if (!broken.contains(FindingText(finding))) broken << FindingText(finding);
  if (!broken.isEmpty()) state += QStringLiteral(" — ") + LookupText(171).arg(broken.join(QStringLiteral(", ")));
  Stan->setText(state);
}

void THistoryWin::Filter() {
  model_->Set(store_ ? store_->History(Filtr->text().trimmed()) : QList<RecordSummary>{});
  Lista->setToolTip(LookupText(140).arg(model_->rowCount()));
  Lista->resizeColumnsToContents();
  if (model_->rowCount() > 0) Select(0);
  else ShowSelected();
}

const QList<RecordSummary>& THistoryWin::Shown() const { return model_->Rows(); }

void THistoryWin::Select(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    Lista->selectionModel()->clearCurrentIndex();
    ShowSelected();
    return;
  }
  Lista->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ShowSelected();
}

// A calibration shows its certificate; a transfer the values it sent, each under its caption.
void THistoryWin::ShowSelected() {
  selected_.reset();
  approval_.reset();
  const QModelIndex current = Lista->selectionModel()->currentIndex();
  const RecordSummary* row = current.isValid() ? &model_->Rows()[current.row()] : nullptr;
  if (row && store_ && row->kind == QLatin1String("calibration")) selected_ = store_->Calibration(row->number);
  QStringList notes;
  if (selected_ && !selected_->amends.isEmpty())
    notes << LookupText(177).arg(selected_->amends, selected_->author,
                                 QLocale().toString(selected_->written.toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm")),
                                 selected_->reason);
  if (selected_) {
    approval_ = store_->Approval(selected_->number);
    notes << (approval_ ? ApprovalText(*approval_) : LookupText(190));
  }
  if (row && !row->supersededBy.isEmpty()) notes << LookupText(167).arg(row->supersededBy);
  if (row && row->state == QLatin1String("conflict")) notes << LookupText(166);
  Korekty->setText(notes.join(QLatin1Char('\n')));
  Korekty->setVisible(!notes.isEmpty());
  if (selected_) {
    Szczegoly->setCurrentWidget(Swiadectwo);
    Swiadectwo->updatePreview();
  } else if (row && store_) {
    QStringList lines;
    if (const auto signature = store_->Signature(row->number)) {  // what it signs, and whether it still holds
      const std::optional<SignatureRecord> valid = store_->Approval(signature->calibration);
      lines << QStringLiteral("%1  %2").arg(signature->number, signature->calibration) << QString()
            << ApprovalText(*signature) << QStringLiteral("SHA-256: ") + signature->recordHash;
      if (!valid || valid->number != signature->number) lines << LookupText(197).arg(signature->calibration);
    }
    if (const auto transfer = store_->Transfer(row->number)) {
      lines << QStringLiteral("%1  %2  %3").arg(transfer->number, transfer->serial,
                                                 QLocale().toString(transfer->at.toLocalTime(), QLocale::ShortFormat));
      lines << QString();
      const TextLanguage language = ProgramTextLanguage();
      for (int member = 0; member < transfer->values.size(); ++member)
        lines << QStringLiteral("%1: %2").arg(CellName(member, language), transfer->values[member]);
      lines << QString()
            << TransferReportText({transfer->framesSent, transfer->framesSent, transfer->stored, transfer->stored},
                                  language);
    }
    Przeslanie->setPlainText(lines.join(QLatin1Char('\n')));
    Szczegoly->setCurrentWidget(Przeslanie);
  } else {
    Szczegoly->setCurrentIndex(0);
  }
  Drukuj->setEnabled(selected_.has_value());
  ZapiszPdf->setEnabled(selected_.has_value());
  Popraw->setEnabled(selected_.has_value() && store_ && !store_->ReadOnly());
  Zatwierdz->setEnabled(selected_.has_value() && store_ && !store_->ReadOnly() && !approval_);
  EksportCsv->setEnabled(model_->rowCount() > 0);
}

PrintLayout THistoryWin::Certificate() const {
  if (!selected_) return {};
  const CertificateLanguage language = Jezyk->currentIndex() == 1 ? CertificateLanguage::English : CertificateLanguage::Polish;
  CertificateHeader header;
  header.approval = approval_;  // none: it prints as a draft
  return [record = *selected_, header, language](PrintCanvas& canvas) {
    LayoutCertificate(canvas, record, header, language);
  };
}

void THistoryWin::DrukujClick() {
  if (const PrintLayout layout = Certificate(); layout && PrintWithDialog(this, layout) == PrintOutcome::Failed)
    ShowMessage(LookupText(139).arg(selected_->number));
}

// The certificate as PDF/A-3: an approved calibration's with its DCC inside, any other's as a
// draft (the pages say so). A DCC that is refused saves nothing.
void THistoryWin::ZapiszPdfClick() {
  if (!selected_) return;
  const QString name = AskSaveFileName(this, {QString(), kPdfFilter, kPdfSuffix});
  if (name.isEmpty()) return;
  CertificateHeader header;
  header.approval = approval_;  // as the preview shows it
  DccOptions options;
  options.language = Jezyk->currentIndex() == 1 ? CertificateLanguage::English : CertificateLanguage::Polish;
  const CertificatePdf made = MakeCertificatePdf(*selected_, header, options);
  if (made.refused)
    ShowMessage(LookupText(203).arg(selected_->number, made.message));
  else if (!made.ok || !WriteWholeFile(name, made.pdf, nullptr))
    ShowMessage(LookupText(139).arg(name));
}

void THistoryWin::EksportCsvClick() {
  const QString name = AskSaveFileName(this, FileDialogSettings({}, LookupText(138), QStringLiteral("csv"),
                                                                QStringLiteral("fluxa-records.csv")));
  if (name.isEmpty()) return;
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly) || file.write(HistoryCsv(model_->Rows())) < 0 || !file.commit())
    ShowMessage(LookupText(139).arg(name));
}

void THistoryWin::ZatwierdzClick() {
  if (!selected_ || !store_) return;
  delete Zatwierdzenie;
  Zatwierdzenie = new TApproveWin(selected_->number, this);
  connect(Zatwierdzenie->OK, &QPushButton::clicked, this, &THistoryWin::Approve);
  connect(Zatwierdzenie->Anuluj, &QPushButton::clicked, Zatwierdzenie, &QWidget::close);
  Zatwierdzenie->show();
}

// The approver's id and password, asked every time; the dialog tells what came of it and stays
// open until the calibration is signed. During the pause after three wrong passwords its OK
// refuses until the pause is over.
void THistoryWin::Approve() {
  if (!Zatwierdzenie || !store_) return;
  const QString number = Zatwierdzenie->number;
  const QString signer = Zatwierdzenie->Id->text().trimmed();
  const RecordStore::SignResult result = store_->Sign(number, signer, Zatwierdzenie->Haslo->text(), LookupText(182));
  Zatwierdzenie->Haslo->clear();
  Zatwierdzenie->Stan->setText(SignResultText(result, number, signer));
  if (result.secondsLeft > 0) {
    Zatwierdzenie->OK->setEnabled(false);
    QTimer::singleShot(result.secondsLeft * 1000, Zatwierdzenie->OK, [ok = Zatwierdzenie->OK] { ok->setEnabled(true); });
  }
  if (result.outcome != RecordStore::SignResult::Signed) return;
  Zatwierdzenie->close();
  Zatwierdzenie->deleteLater();
  Zatwierdzenie = nullptr;
  Filter();
  for (int row = 0; row < Shown().size(); ++row)
    if (Shown()[row].number == number) Select(row);
  Stan->setText(SignResultText(result, number, signer) + QStringLiteral(" — ") + Stan->text());
}

TApproveWin::TApproveWin(const QString& calibration, QWidget* parent) : QWidget(parent, Qt::Dialog), number(calibration) {
  setObjectName("ApproveWin");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::WindowModal);
  setWindowTitle(LookupText(181).remove(QChar(0x2026)) + QStringLiteral(" ") + calibration);
  auto* root = new QVBoxLayout(this);
  auto* meaning = Named(new QLabel(LookupText(188).arg(LookupText(182))), "Znaczenie");
  root->addWidget(meaning);
  auto* form = new QFormLayout;
  Id = Named(new QLineEdit, "Id");
  Haslo = Named(new QLineEdit, "Haslo");
  Haslo->setEchoMode(QLineEdit::Password);
  form->addRow(LookupText(183) + QLatin1Char(':'), Id);
  form->addRow(LookupText(46) + QLatin1Char(':'), Haslo);
  root->addLayout(form);
  Stan = Named(new QLabel, "Stan");
  Stan->setWordWrap(true);
  root->addWidget(Stan);
  AddOkCancel(root, OK, Anuluj);
}

void THistoryWin::PoprawClick() {
  if (!selected_) return;
  delete Korekta;
  Korekta = new TAmendWin(*selected_, this);
  connect(Korekta->OK, &QPushButton::clicked, this, &THistoryWin::KeepCorrection);
  connect(Korekta->Anuluj, &QPushButton::clicked, Korekta, &QWidget::close);
  Korekta->show();
}

void THistoryWin::KeepCorrection() {
  if (!Korekta) return;
  const CalibrationRecord corrected = Korekta->Corrected();
  const QString amends = corrected.number;
  if (Korekta->Autor->text().trimmed().isEmpty() || Korekta->Powod->text().trimmed().isEmpty()) {
    ShowMessage(LookupText(163));
    return;
  }
  const KeptRecord kept = KeepAmendment(corrected, amends, Korekta->Autor->text(), Korekta->Powod->text());
  if (kept.number.isEmpty()) {
    ShowMessage(LookupText(139).arg(amends) + QStringLiteral(": ") + kept.error);
    return;
  }
  Korekta->close();
  Korekta->deleteLater();
  Korekta = nullptr;
  Filtr->clear();
  Reload();
  for (int row = 0; row < Shown().size(); ++row)
    if (Shown()[row].number == kept.number) Select(row);
  Stan->setText(LookupText(144).arg(kept.number) + QStringLiteral(" — ") + Stan->text());
}

TAmendWin::TAmendWin(const CalibrationRecord& record, QWidget* parent) : QWidget(parent, Qt::Dialog), record_(record) {
  setObjectName("AmendWin");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::WindowModal);
  setWindowTitle(LookupText(143).arg(record.number));
  auto* root = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto line = [form](const char* name, quint16 caption, const QString& text) {
    auto* edit = Named(new QLineEdit(text), name);
    form->addRow(LookupText(caption), edit);
    return edit;
  };
  Serial = line("Serial", 126, record.serial);
  Technician = line("Technician", 128, record.technician);
  Company = line("Company", 145, record.company);
  ReferenceModel = line("ReferenceModel", 146, record.reference.model);
  ReferenceSerial = line("ReferenceSerial", 147, record.reference.serial);
  ReferenceCertificate = line("ReferenceCertificate", 148, record.reference.certificate);
  // A due date the original did not give stays not given, unless the user gives one.
  ReferenceDue = Named(new QDateEdit, "ReferenceDue");
  SetUpDateEdit(ReferenceDue, record.reference.due);
  form->addRow(LookupText(149), ReferenceDue);
  ReferenceU = Named(new QDoubleSpinBox, "ReferenceU");
  ReferenceU->setRange(0, 1e6);
  ReferenceU->setDecimals(4);
  ReferenceU->setValue(record.reference.uncertainty);
  // In the readings' unit, as the certificate prints it.
  if (const QString unit = record.unit.isEmpty() ? record.reference.unit : record.unit; !unit.isEmpty())
    ReferenceU->setSuffix(QLatin1Char(' ') + unit);
  form->addRow(LookupText(150), ReferenceU);
  Autor = line("Autor", 161, QString());
  Powod = line("Powod", 162, QString());
  root->addLayout(form);
  AddOkCancel(root, OK, Anuluj);
}

CalibrationRecord TAmendWin::Corrected() const {
  CalibrationRecord r = record_;
  r.serial = Serial->text().trimmed();
  r.technician = Technician->text().trimmed();
  r.company = Company->text().trimmed();
  r.reference.model = ReferenceModel->text().trimmed();
  r.reference.serial = ReferenceSerial->text().trimmed();
  r.reference.certificate = ReferenceCertificate->text().trimmed();
  r.reference.due = DateOf(ReferenceDue);
  r.reference.uncertainty = ReferenceU->value();
  return r;
}
