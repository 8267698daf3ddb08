// The service panel in the main window, offscreen: its controls, typing into them, the
// calibration file through the panel's buttons, and the double-click hook.
#include <QtTest>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

#include "app/FileDialogs.h"
#include "app/Main.h"
#include "app/ServicePanel.h"
#include "parameters/CalibrationFile.h"
#include "parameters/ParameterGrid.h"
#include "tests/common/MessageRecorder.h"
#include "tests/parameters/ReferenceCalibration.h"

namespace {
using P = MeterParameters;

// The file dialogs answer with the names given, one a question ("" cancels).
struct FileAnswers {
  explicit FileAnswers(QStringList names) : names_(std::move(names)) {
    previous_ = SetFileDialogHook([this](bool save, const FileDialogSettings& dialog) {
      asked << QString(save ? "save " : "open ") + dialog.filter + " " + dialog.defaultSuffix;
      return names_.isEmpty() ? QString() : names_.takeFirst();
    });
  }
  ~FileAnswers() { SetFileDialogHook(previous_); }
  QStringList asked;

 private:
  QStringList names_;
  FileDialogHook previous_;
};

QByteArray ReadRaw(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QPoint CellCentre(TParameterGrid* grid, int column, int row) {
  return grid->visualRect(grid->model()->index(row, column)).center();
}

QLineEdit* OpenEditor(TParameterGrid* grid) { return grid->viewport()->findChild<QLineEdit*>("CellEditor"); }
}  // namespace

class TestServicePanel : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    window_ = std::make_unique<TMainWin>();
    window_->show();
    window_->ShowServiceMode();
    panel_ = window_->Send;
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() { window_.reset(); }

  void everyControlIsNamedAndTheOtherTabComesFirst() {
    for (const char* name :
         {"PageControl1", "TabSheet3", "TabSheet4", "TabSheet5", "TabSheet1", "Sondy", "Stala", "Wtemp",
          "OTemp", "WKor", "OKor", "WzmocnienieFiltruTemp", "KFILTR", "S_Faza", "ProgRodzajuSondy",
          "NumerSeryjnyMiernika", "filtrTemp", "TauTemp", "SSkok", "Button3", "DWPole", "DWWartosc", "Button4",
          "Wyslij", "SaveEPROM", "Odbierz", "Zapisz", "Otworz", "BitBtn1", "UkrysSerwis"})
      QVERIFY2(panel_->findChild<QWidget*>(name), name);
    QStringList tabs;
    for (int i = 0; i < panel_->PageControl1->count(); ++i) tabs << panel_->PageControl1->tabText(i);
    QCOMPARE(tabs, (QStringList{"Sondy", "Temperatura", "Inne", "Diagnostyka"}));
    QCOMPARE(panel_->PageControl1->currentWidget(), panel_->TabSheet5);
    QVERIFY(!panel_->Stala->isVisibleTo(panel_->TabSheet3));
    QVERIFY(!panel_->SaveEPROM->isChecked());
  }

  // Every cell lies inside the grid's viewport and nothing scrolls, on every tab.
  void gridsShowAllTheirCells() {
    for (TParameterGrid* grid : {panel_->Sondy, panel_->KFILTR, panel_->S_Faza}) {
      panel_->PageControl1->setCurrentWidget(grid->parentWidget());
      QVERIFY(!grid->horizontalScrollBar()->isVisible() && !grid->verticalScrollBar()->isVisible());
      const QRect last = grid->visualRect(grid->model()->index(grid->rowCount() - 1, grid->columnCount() - 1));
      QVERIFY2(grid->viewport()->rect().contains(last), qPrintable(grid->objectName()));
      QVERIFY(grid->geometry().bottom() < grid->parentWidget()->height());
    }
    QCOMPARE(panel_->Sondy->CellText(0, 2), QString("TRANS wzm."));
    QCOMPARE(panel_->KFILTR->CellText(0, 2), QString("Próg"));
    QCOMPARE(panel_->S_Faza->CellText(1, 0), QString("Faza"));
  }

  // On every tab, every caption and button text fits its control, and every control lies
  // inside its tab.
  void nothingIsClipped() {
    for (int tab = 0; tab < panel_->PageControl1->count(); ++tab) {
      QWidget* page = panel_->PageControl1->widget(tab);
      panel_->PageControl1->setCurrentWidget(page);
      for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w->isVisibleTo(page)) QVERIFY2(page->rect().contains(w->geometry()), qPrintable(w->objectName()));
      for (QWidget* w : panel_->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(panel_)) continue;
        int room = -1;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w)) {
          text = label->text();
          room = label->contentsRect().width();
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
          text = button->text();
          room = button->width() - 8;
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
          text = box->text();
          room = box->width() - 24;  // the box itself and its gap
        }
        if (room >= 0)
          QVERIFY2(w->fontMetrics().horizontalAdvance(text) <= room, qPrintable(w->objectName()));
      }
    }
  }

  void typingIntoACellReachesTheParameters() {
    panel_->PageControl1->setCurrentWidget(panel_->TabSheet3);
    QTest::mouseClick(panel_->Sondy->viewport(), Qt::LeftButton, {}, CellCentre(panel_->Sondy, 2, 1));
    QLineEdit* editor = OpenEditor(panel_->Sondy);
    QVERIFY(editor);
    QTest::keyClicks(editor, "0,33");
    // Still editing: the text is already the cell's.
    QCOMPARE(panel_->Parameters()[P::Sondy(2, 1)], QString("0,33"));
    // Loading while the editor is open shows the new text in it.
    panel_->SetParameters(ReferenceParameters());
    QCOMPARE(editor->text(), QString("0,25"));
    QCOMPARE(panel_->Parameters(), ReferenceParameters());
  }

  void typingStopsAtFiveCharactersButLoadedTextsStayWhole() {
    panel_->PageControl1->setCurrentWidget(panel_->TabSheet5);
    for (QLineEdit* edit : {panel_->ProgRodzajuSondy, panel_->NumerSeryjnyMiernika}) {
      QTest::keyClicks(edit, "1234567");
      QCOMPARE(edit->text(), QString("12345"));
      MeterParameters p;
      p[P::ProgRodzajuSondy] = p[P::NumerSeryjnyMiernika] = "ABCDEFG";
      panel_->SetParameters(p);
      QCOMPARE(edit->text(), QString("ABCDEFG"));
      edit->end(false);
      QTest::keyClick(edit, Qt::Key_Backspace);  // a long text may still be shortened
      QCOMPARE(edit->text(), QString("ABCDEF"));
      QTest::keyClicks(edit, "X");
      QCOMPARE(edit->text(), QString("ABCDEF"));
      panel_->Odbierz->click();
    }
  }

  // Only a data cell of Sondy calls the hook, with (column, row); an open editor does not
  // swallow the double click, nor overwrite what the hook writes into the cell.
  void doubleClickOnSondyDataCellsOnly_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("called");
    QTest::newRow("AXIAL DC1") << 1 << 1 << true;
    QTest::newRow("TRANS AC2") << 4 << 2 << true;
    QTest::newRow("corner") << 0 << 0 << false;
    QTest::newRow("range caption") << 3 << 0 << false;
    QTest::newRow("probe caption") << 0 << 2 << false;
  }
  void doubleClickOnSondyDataCellsOnly() {
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(bool, called);
    panel_->PageControl1->setCurrentWidget(panel_->TabSheet3);
    QList<QPoint> calls;
    panel_->OnSondyDoubleClick = [&](int c, int r) {
      calls << QPoint(c, r);
      panel_->Sondy->SetCellText(c, r, "0,61037");
    };
    QWidget* viewport = panel_->Sondy->viewport();
    const QPoint at = CellCentre(panel_->Sondy, column, row);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QWidget* target = viewport->childAt(at) ? viewport->childAt(at) : viewport;
    QTest::mouseDClick(target, Qt::LeftButton, {}, target->mapFrom(viewport, at));
    QTRY_VERIFY(!called || !calls.isEmpty());
    QCOMPARE(calls, called ? QList<QPoint>{QPoint(column, row)} : QList<QPoint>{});
    if (called) {
      QTRY_VERIFY(!OpenEditor(panel_->Sondy));
      QCOMPARE(panel_->Parameters()[P::Sondy(column, row)], QString("0,61037"));
    }
  }

  void clearEmptiesEveryMember() {
    panel_->SetParameters(ReferenceParameters());
    panel_->Odbierz->click();
    QCOMPARE(panel_->Parameters(), MeterParameters{});
  }

  void printButtonCallsItsHook() {
    int printed = 0;
    panel_->OnPrint = [&] { ++printed; };
    panel_->BitBtn1->click();
    QCOMPARE(printed, 1);
  }

  void saveAndLoadThroughThePanel() {
    MessageRecorder messages;
    const QString reference = dir_.filePath("reference.F3C");
    const QString copy = dir_.filePath("copy.F3C");
    {
      QFile f(reference);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(ReferenceFileBytes());
    }
    FileAnswers answers({reference, copy, "", ""});
    panel_->Otworz->click();
    QCOMPARE(panel_->Parameters(), ReferenceParameters());
    panel_->Zapisz->click();
    QCOMPARE(ReadRaw(copy), ReferenceFileBytes());
    panel_->Odbierz->click();
    panel_->Otworz->click();  // cancelled: nothing changes
    panel_->Zapisz->click();
    QCOMPARE(panel_->Parameters(), MeterParameters{});
    const QString dialog = kCalibrationFileFilter + " F3C";
    QCOMPARE(answers.asked, (QStringList{"open " + dialog, "save " + dialog, "open " + dialog, "save " + dialog}));
    QVERIFY(messages.texts().isEmpty());
  }

  void failedSaveKeepsTheOldFileAndSaysSo() {
    MessageRecorder messages;
    QTemporaryDir gone;
    const QString path = gone.filePath("x.F3C");
    QVERIFY(gone.remove());
    panel_->SetParameters(ReferenceParameters());
    FileAnswers answers({path});
    panel_->Zapisz->click();
    QCOMPARE(messages.texts(), QStringList{"Uwaga! Nastąpił jakiś (?) błąd w połączeniu."});
    QCOMPARE(panel_->Parameters(), ReferenceParameters());
  }

  void failedLoadChangesNothing() {
    MessageRecorder messages;
    panel_->SetParameters(ReferenceParameters());
    FileAnswers answers({"/proc/self/mem"});  // opens, but no byte can be read
    panel_->Otworz->click();
    QCOMPARE(messages.texts(), QStringList{"Błąd odczytu pliku!"});
    QCOMPARE(panel_->Parameters(), ReferenceParameters());
  }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<TMainWin> window_;
  TServicePanel* panel_ = nullptr;
};

QTEST_MAIN(TestServicePanel)
#include "test_servicepanel.moc"
