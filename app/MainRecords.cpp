// TMainWin: filters, statistics, the chart's range, the file view, recording and download.
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <limits>

#include "app/FileDialogs.h"
#include "app/Main.h"

#include <limits>
#include "app/MainForm.h"
#include "common/Messages.h"
#include "measurement/WykresWidget.h"
#include "records/ChartPicture.h"
#include "records/ChartPictureMenu.h"
#include "records/DataExport.h"
#include "records/DataFile.h"
#include "records/Pobieranie.h"
#include "records/RecoveryFile.h"
#include "records/SpeedStep.h"
#include "settings/Jezyki.h"

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
    RefilterSeries(series_, FileTimeConstant());
    ShowSeriesWindow();
  }
}

// A file is drawn as it was recorded; the digital filter applies to it only while the user has
// it ticked (the file view's filter has no jump threshold, so it would flatten every step).
double TMainWin::FileTimeConstant() const {
  return filtr->isChecked() ? digitalFilter_.TimeConstant() : std::numeric_limits<double>::infinity();
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
  pendingLabels_.statistics.reset();  // a result's texts from before the restart
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
  UpdateCaption();
}

void TMainWin::UpdateCaption() {
  if (!FileShown() || shownFile_.isEmpty()) {
    setWindowTitle(kMainCaption);
    return;
  }
  const QString back = LookupText(2).remove('&') + QStringLiteral(" → ") + LookupText(13).remove('&');
  setWindowTitle(kMainCaption + QStringLiteral(" – ") + LookupText(156).arg(QFileInfo(shownFile_).fileName(), back));
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
  const QString name = AskSaveFileName(this, DataFileDialogSettings());
  if (name.isEmpty()) return;
  recorder_.SetRecoveryFailureHandler([this](const QString& recoveryFileName) {
    // Told after the handler that met it, which may be the receive handler, has finished.
    QTimer::singleShot(0, this, [text = RecoveryFailureText(recoveryFileName)] { ShowMessage(text); });
  });
  recorder_.Start(*interval, name);
  // The count starts from 0 at once, not with the previous recording's.
  shownCount_ = -1;
  RecordingCountTimer();
  RecordingCount.start();
  Zapisz1->setEnabled(false);
  Zakoncz->setEnabled(true);
  Otwrz1->setEnabled(false);
  // The file view would replace the recording's results.
  Button2->setEnabled(false);
  S_Zapisz->setText(LookupText(34));
  FitText(S_Zapisz);
}

void TMainWin::ZakonczClick() { StopRecording(false); }

void TMainWin::RecordingCountTimer() {
  const int count = recorder_.StoredCount();
  if (count == shownCount_) return;
  shownCount_ = count;
  StatusPanel1->setText(SavedResultsText(count));
}

void TMainWin::StopRecording(bool exiting) {
  if (!recorder_.Recording()) return;
  RecordingCount.stop();
  RecordingOutcome outcome = recorder_.Stop();
  QString written = recorder_.FileName();
  Zapisz1->setEnabled(Poczony1->isChecked());
  Zakoncz->setEnabled(false);
  Otwrz1->setEnabled(true);
  Button2->setEnabled(true);
  S_Zapisz->setText(LookupText(33));
  FitText(S_Zapisz);
  // A failed write keeps the results: the user may save them under another name, or cancel.
  while (outcome.kind == RecordingOutcome::WriteFailed) {
    ShowMessage(kWriteErrorText);
    const QString name = AskSaveFileName(this, DataFileDialogSettings());
    if (name.isEmpty()) {
      if (!exiting) recorder_.DiscardUnsaved();
      return;
    }
    outcome = recorder_.SaveAs(name);
    written = name;
  }
  if (outcome.kind != RecordingOutcome::Written) return;
  StatusPanel1->setText(SavedResultsText(outcome.count));
  if (!recorder_.Unit().isEmpty()) knownUnits_.insert(QFileInfo(written).absoluteFilePath(), recorder_.Unit());
}

void TMainWin::OfferLeftRecordings() {
  for (const QString& name : LeftRecoveryFiles()) {
    const LeftRecording left = ReadLeftRecording(name);
    RecoveryChoice choice = RecoveryChoiceFromEnvironment();
    if (choice == RecoveryChoice::Ask) {
      QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                      RecoveryOfferText(left), QMessageBox::NoButton, this);
      const QAbstractButton* keep = box.addButton(kRecoveryKeepText, QMessageBox::AcceptRole);
      // No escape button: the box closes only through one of the two answers.
      const QAbstractButton* discard =
          box.addButton(kRecoveryDiscardText, QMessageBox::DestructiveRole);
      box.exec();
      // Gone without an answer (the program ends): the file stays for the next start.
      if (box.clickedButton() != keep && box.clickedButton() != discard) continue;
      choice = box.clickedButton() == keep ? RecoveryChoice::Keep : RecoveryChoice::Discard;
    }
    if (choice == RecoveryChoice::Discard)
      DiscardLeftRecording(name);
    else if (KeepLeftRecording(left))
      StatusPanel1->setText(SavedResultsText(int(left.lines.size())));
    else
      ShowMessage(kWriteErrorText);
  }
}

void TMainWin::Otwrz1Click() {
  if (recorder_.Recording()) return;
  const QString name = AskOpenFileName(this, DataFileDialogSettings());
  if (name.isEmpty()) return;
  const OpenedDataFile opened =
      ReadDataFileIntoSeries(name, series_, std::numeric_limits<double>::infinity());
  if (!opened.ok) {
    ShowMessage(kReadErrorText);
    return;
  }
  if (filtr->isChecked()) {  // the live filter stays behind: the file shows what was recorded
    const QSignalBlocker block(filtr);
    filtr->setChecked(false);
    Tau->setEnabled(true);
  }
  if (opened.linesLeftOut > 0)
    ShowMessage(QStringLiteral("Plik zawiera więcej niż %1 wyników. Pominięto ostatnie: %2.")
                    .arg(StoredSeries::MaximumCount)
                    .arg(opened.linesLeftOut));
  Kosz->setVisible(false);
  Danezurzdzenia1->setChecked(false);
  shownFile_ = name;
  UpdateCaption();
  TWykres& chart = Wykres1->Chart();
  {
    // Every file sets the track bar for its own length; a short one hides it.
    const QSignalBlocker block(TrackBar1);
    const bool scrolls = opened.count > chart.StripLength();
    TrackBar1->setRange(1, scrolls ? TrackBarMaximum(opened.count, chart.StripLength()) : 1);
    TrackBar1->setValue(1);
    TrackBar1->setVisible(scrolls);
  }
  Timer1.stop();
  chart.SetAutoSkala(true);  // a file is drawn to its own range
  RedrawSeries(series_, 1, chart);
}

void TMainWin::Pobierzwynikizurzdzenia1Click() {
  if (download_.Active() || !ComPort1->Connected()) return;
  const QString name = AskSaveFileName(this, DataFileDialogSettings());
  if (name.isEmpty()) return;
  download_.Begin(*ComPort1, name);
  ZmienStan.start(download_.NextTickMs());
  PobierzWin()->show();
}

void TMainWin::ZmienStanTimer() {
  // Each step of the download says when the next is due.
  const DownloadTick tick = download_.Tick(receiver_, *ComPort1);
  ZmienStan.start(download_.NextTickMs());
  if (tick.kind == DownloadTick::Receiving) PobierzWin()->ShowReceiving();
  if (tick.kind == DownloadTick::Finished) {
    Pobierzwynikizurzdzenia1->setEnabled(true);
    PobierzWin()->close();
    if (!tick.written()) ShowMessage(DownloadOutcomeText(tick.outcome));
  }
}

void TMainWin::AnulujClick() {
  download_.Cancel(receiver_, *ComPort1);
  Pobierzwynikizurzdzenia1->setEnabled(true);
  ZmienStan.stop();
}

// ---- Data and the chart out ----

QString TMainWin::UnitOfFile(const QString& fileName) const {
  return knownUnits_.value(QFileInfo(fileName).absoluteFilePath());
}

void TMainWin::ExportCsv1Click() {
  QString source = FileShown() ? shownFile_ : QString();
  if (source.isEmpty()) source = AskOpenFileName(this, DataFileDialogSettings());
  if (source.isEmpty()) return;
  const QString target = AskSaveFileName(this, CsvFileDialogSettings());
  if (target.isEmpty()) return;
  const CsvExportOutcome outcome = ExportDataFileAsCsv(source, target, UnitOfFile(source));
  if (outcome.kind != CsvExportOutcome::Written) ShowMessage(CsvExportMessage(outcome));
}

// Beside the chart, round values of the range it shows in the unit on show: the temperature's
// tenths of a degree as degrees, a data file's unit when this run recorded it.
void TMainWin::UpdateChartScale() {
  if (filtrTemp->isChecked()) {
    Wykres1Scale->SetMarks(ChartScale(Wykres1->Chart(), 0.1), QStringLiteral("°C"));
    return;
  }
  const QString unit = FileShown() ? UnitOfFile(shownFile_) : liveUnit_.trimmed();
  Wykres1Scale->SetMarks(ChartScale(Wykres1->Chart()), unit);
}
