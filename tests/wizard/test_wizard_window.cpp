// The wizard window offscreen, without meters: the sample grid, the evaluation on a change of
// tab and the port pickers.
#include <QtTest>
#include <QChartView>
#include <QXYSeries>
#include <QCheckBox>
#include <QPushButton>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include "records/ChartPicture.h"
#include "store/RecordsSettings.h"
#include "tests/common/MessageRecorder.h"
#include "wizard/KalibracjaMain.h"
#include "wizard/KalibracjaOpcje.h"
#include "wizard/KalibracjaTablica.h"
#include "wizard/KalibracjaWykres.h"
#include "wizard/WizardTexts.h"

namespace {
void Fill(TkKalibracja& w, const QList<QPair<double, double>>& samples) {
  for (const auto& s : samples) w.Samples().Register(s.first, s.second);
  w.SG1->WyswietlTablice();
}
QString Cell(TkKalibracja& w, int row, int column) {
  const QTableWidgetItem* item = w.SG1->item(row - 1, column);
  return item ? item->text() : QString();
}
const QList<QPair<double, double>> kFour = {{100, 80}, {200, 160}, {300, 240}, {400, 320}};
}  // namespace

class TestWizardWindow : public QObject {
  Q_OBJECT
 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }

  void createdOffline() {
    TkKalibracja w;
    QCOMPARE(w.kStatusPanel0->text(), QString("Wzor: Offline"));
    QCOMPARE(w.kStatusPanel1->text(), QString("Kalib: Offline"));
    QCOMPARE(w.kPageControl->tabText(0), QString("Dane"));
    QCOMPARE(w.kPageControl->tabText(1), QString("Wykres"));
    QCOMPARE(w.kPageControl->tabText(2), QString("Opcje"));
    QCOMPARE(w.Label15->text(), QString("COM2, 9600, 7, 1, None"));
    QCOMPARE(w.Label16->text(), QString("COM1, 9600, 8, 1, None"));
    QVERIFY(!w.kWstecz->isEnabled());
    QVERIFY(w.kStart->isHidden());
    QCOMPARE(w.SG1->rowCount(), 499);
    QCOMPARE(w.SpinEdit2->maximum(), 32767);
    QVERIFY(w.SpinEdit2->isHidden());
    w.CheckBox3->click();
    QVERIFY(!w.SpinEdit2->isHidden());
    for (QLabel* value : {w.kWizardWzorLabel, w.kWizardKalLabel, w.kWizardIloscProbekLabel})
      QCOMPARE(value->text(), QString("0"));
    QCOMPARE(w.Label32->text(), QString());  // no search has run
    // Page 0 takes only "Dalej >>" (and a close).
    QVERIFY(w.kDalej->isEnabled());
    for (QWidget* control : QList<QWidget*>{w.kWstecz, w.kStart, w.kWizardRejestruj, w.kWizardReset, w.Button9})
      QVERIFY(!control->isEnabled());
  }

  void pickersApplyToTheirPort() {
    TkKalibracja w;
    w.kTabOpcje->kComComboBox1->setCurrentText("19200");
    w.kTabOpcje->kComComboBox7->setCurrentText("Even");
    w.kTabOpcje->ComComboBox4->setCurrentText("COM2");
    QCOMPARE(w.Link().kComWzor.Settings().baudRate, 19200);
    QCOMPARE(w.Link().kComWzor.Settings().parity, QSerialPort::EvenParity);
    QCOMPARE(w.Link().kComKalib.PortName(), QString("COM2"));
    w.kPageControl->setCurrentIndex(2);
    QCOMPARE(w.Label15->text(), QString("COM2, 19200, 7, 1, Even"));
    QCOMPARE(w.Label16->text(), QString("COM2, 9600, 8, 1, None"));
    QCOMPARE(w.kTabOpcje->kWybierzKanal->count(), 3);
    w.kTabOpcje->kWybierzKanal->setCurrentText("3");
    QCOMPARE(w.Link().channel, QString("3"));
  }

  void deletingFromTheGrid_data() {
    QTest::addColumn<int>("row");  // selected grid row, 1 = first sample; 0 none
    QTest::addColumn<QStringList>("uwz");  // column Uwz of rows 1..4 afterwards
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("row 2 of 4") << 2 << QStringList{"100", "300", "400", ""} << QStringList{};
    QTest::newRow("last row") << 4 << QStringList{"100", "200", "300", ""} << QStringList{};
    QTest::newRow("row 5 of 4") << 5 << QStringList{"100", "200", "300", "400"} << QStringList{"No way!"};
    QTest::newRow("no selection") << 0 << QStringList{"100", "200", "300", "400"} << QStringList{"No way!"};
  }
  void deletingFromTheGrid() {
    QFETCH(int, row);
    QFETCH(QStringList, uwz);
    QFETCH(QStringList, messages);
    MessageRecorder recorder;
    TkKalibracja w;
    Fill(w, kFour);
    if (row > 0) w.SG1->setCurrentCell(row - 1, 0);
    w.SG1->Usu1->trigger();
    QCOMPARE(recorder.texts(), messages);
    for (int r = 1; r <= 4; ++r) {
      QCOMPARE(Cell(w, r, 2), uwz[r - 1]);
      QCOMPARE(Cell(w, r, 0), uwz[r - 1].isEmpty() ? QString() : QString::number(r));
    }
    if (messages.isEmpty()) QCOMPARE(w.kWizardIloscProbekLabel->text(), QString("3"));
  }

  // Edits change only the grid; "Odświerz" shows the table again.
  void editingTheGrid() {
    MessageRecorder recorder;
    TkKalibracja w;
    Fill(w, kFour);
    w.SG1->setCurrentCell(5, 0);
    w.SG1->Edytuj1->trigger();
    QCOMPARE(recorder.texts(), QStringList{"No way!"});
    QVERIFY(!w.SG1->Editing());
    w.SG1->setCurrentCell(1, 2);
    w.SG1->SG1Click(2);
    w.SG1->Edytuj1->trigger();
    QVERIFY(w.SG1->Editing());
    QVERIFY(w.SG1->editTriggers() != QAbstractItemView::NoEditTriggers);
    w.SG1->item(1, 2)->setText("999");
    w.SG1->SG1Click(3);  // another row ends the editing
    QVERIFY(!w.SG1->Editing());
    QCOMPARE(w.SG1->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(w.Samples().At(2).uwz, 200.0);
    w.SG1->Odwierz1->trigger();
    QCOMPARE(Cell(w, 2, 2), QString("200"));
    QCOMPARE(w.kWizardIloscProbekLabel->text(), QString("4"));
  }

  void gridGrowsWithTheTable() {
    TkKalibracja w;
    for (int k = 1; k <= 1000; ++k) w.Samples().Register(k, 0.8 * k);
    w.SG1->WyswietlTablice();
    QVERIFY(w.SG1->rowCount() >= 1001);
    QCOMPARE(Cell(w, 1000, 0), QString("1000"));
    QCOMPARE(Cell(w, 1000, 3), QString("800"));
    w.kWizardRejestrujClick();  // the table is full: nothing changes
    QCOMPARE(w.Samples().Count(), 1000);
    w.kWizardResetClick();  // not on page 0
    QCOMPARE(w.Samples().Count(), 1000);
    w.show();
    w.hide();
    QCOMPARE(Cell(w, 1000, 0), QString());
    QCOMPARE(w.Samples().Count(), 0);
  }

  void changingTabEvaluates_data() {
    QTest::addColumn<QList<QPair<double, double>>>("samples");
    QTest::addColumn<bool>("notice");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("equation");
    QTest::addColumn<QString>("uend2");
    QTest::newRow("one sample") << QList<QPair<double, double>>{{100, 90}} << true << QStringList{}
                                << "Brak pomiarów" << "";
    QTest::newRow("two samples") << QList<QPair<double, double>>{{100, 90}, {200, 180}} << false
                                 << QStringList{} << "y = 0.900 * x + 0" << "200";
    QTest::newRow("one field twice") << QList<QPair<double, double>>{{100, 90}, {100, 91}} << false
                                     << QStringList{"zle albo wszystkie takie same dane"}
                                     << "Brak pomiarów" << "91";
  }
  void changingTabEvaluates() {
    using Samples = QList<QPair<double, double>>;
    QFETCH(Samples, samples);
    QFETCH(bool, notice);
    QFETCH(QStringList, messages);
    QFETCH(QString, equation);
    QFETCH(QString, uend2);
    MessageRecorder recorder;
    TkKalibracja w;
    w.show();
    Fill(w, samples);
    w.kPageControl->setCurrentIndex(1);
    QCOMPARE(w.kTabWykres->StaticText1->isVisible(), notice);
    QCOMPARE(recorder.texts(), messages);
    QCOMPARE(w.kTabWykres->kWykresLabel4->text(), equation);
    QCOMPARE(Cell(w, 2, 4), uend2);
    if (notice) {  // centred on the chart
      const QPoint centre = w.kTabWykres->StaticText1->geometry().center();
      QVERIFY(qAbs(centre.x() - w.kTabWykres->kChart1->width() / 2) <= 1);
      QVERIFY(qAbs(centre.y() - w.kTabWykres->kChart1->height() / 2) <= 1);
    }
  }

  // The chart's series after a change of tab, and a series checked again.
  void chartSeries() {
    TkKalibracja w;
    w.show();
    Fill(w, {{200, 160}, {100, 80}, {300, 240}});
    w.kPageControl->setCurrentIndex(1);
    TkWykres& chart = *w.kTabWykres;
    const QList<int> shown = {3, 3, 2, 2, 0, 0};  // "Po zmianie" and its line start unchecked
    for (int i = 0; i < 6; ++i) QCOMPARE(int(chart.Series(i)->points().size()), shown[i]);
    QCOMPARE(chart.Series(0)->points().first(), QPointF(100, 100));  // sorted by X
    QCOMPARE(chart.Series(2)->points(), QList<QPointF>({{0, 0}, {300, 300}}));
    QCOMPARE(chart.Series(3)->points().last(), QPointF(300, 240));
    chart.kWykresCheckBox1->click();
    QCOMPARE(int(chart.Series(0)->points().size()), 0);
    chart.kWykresCheckBox1->click();  // the samples again, and no point at the origin
    QCOMPARE(chart.Series(0)->points(), QList<QPointF>({{100, 100}, {200, 200}, {300, 300}}));
    chart.kWykresCheckBox5->click();
    QCOMPARE(int(chart.Series(4)->points().size()), 3);
    chart.kWykresCheckBox7->click();
    QCOMPARE(chart.ChartColour(), QColor(128, 128, 128));
    chart.kWykresCheckBox7->click();
    QCOMPARE(chart.ChartColour(), QColor(192, 192, 192));
    // Its context menu's second item saves it as a PNG at twice its size.
    QTemporaryDir dir;
    const SaveFileNameAsker previous = SetChartPictureSaveDialog(
        [&](QWidget*, const FileDialogSettings&) { return dir.filePath("wizard.png"); });
    QTimer choose;
    QObject::connect(&choose, &QTimer::timeout, [&] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        choose.stop();
        menu->setActiveAction(menu->actions().value(1));
        QTest::keyClick(menu, Qt::Key_Return);
      }
    });
    choose.start(20);
    emit chart.kChart1->viewport()->customContextMenuRequested(QPoint(10, 10));
    SetChartPictureSaveDialog(previous);
    QCOMPARE(QImage(dir.filePath("wizard.png")).size(), chart.kChart1->size() * 2);
    // Fewer than two samples: nothing to draw.
    w.Samples().Delete(1);
    w.Samples().Delete(1);
    w.kPageControl->setCurrentIndex(0);
    w.kPageControl->setCurrentIndex(1);
    for (int i = 0; i < 6; ++i) QCOMPARE(int(chart.Series(i)->points().size()), 0);
    QVERIFY(chart.StaticText1->isVisible());
  }

  void resizing() {
    TkKalibracja w;
    w.show();
    w.kPageControl->setCurrentIndex(1);
    w.resize(900, 600);
    QTRY_COMPARE(w.kTabOpcje->kOpcjeGroupBox1->width(), 900 / 2 - 8);
    const QPoint centre = w.kTabWykres->StaticText1->geometry().center();
    QVERIFY(qAbs(centre.x() - w.kTabWykres->kChart1->width() / 2) <= 1);
  }

  // The reference standard typed on "Opcje" is kept in the settings at once; one past its due
  // date is warned of on page 0.
  void referenceStandard_data() {
    QTest::addColumn<int>("dueInDays");  // from today; 0: none typed
    QTest::addColumn<bool>("warned");
    QTest::newRow("past its due date") << -1 << true;
    QTest::newRow("due today") << 0 << false;
    QTest::newRow("due tomorrow") << 1 << false;
  }
  void referenceStandard() {
    QFETCH(int, dueInDays);
    QFETCH(bool, warned);
    QTemporaryDir dir;
    qputenv("FLUXA_SETTINGS", dir.filePath("settings.ini").toUtf8());
    TkKalibracja w;
    TkOpcje& opcje = *w.kTabOpcje;
    opcje.kWzorzecModel->setText("RM-100");
    emit opcje.kWzorzecModel->editingFinished();
    opcje.kWzorzecNiepewnosc->setValue(0.05);
    opcje.kTolerancja->setValue(0.5);
    const QDate due = QDate::currentDate().addDays(dueInDays);
    opcje.kWzorzecWaznosc->setDate(due);
    const RecordsSettings kept = ReadRecordsSettings();
    QCOMPARE(kept.reference.model, QString("RM-100"));
    QCOMPARE(kept.reference.uncertainty, 0.05);
    QCOMPARE(kept.reference.due, due);
    QCOMPARE(kept.tolerancePercent, 0.5);
    QVERIFY(w.OpenFor(nullptr, 0, 1, "KV-1"));
    QCOMPARE(w.kNumerSeryjny->text(), QString("KV-1"));
    QCOMPARE(w.kWzorzecUwaga->text(), warned ? wizard_text::ReferenceOverdue(due) : QString());
    w.close();
    qunsetenv("FLUXA_SETTINGS");
  }

  void hidingEmptiesTheTable() {
    TkKalibracja w;
    w.show();
    Fill(w, kFour);
    w.hide();
    QCOMPARE(w.Samples().Count(), 0);
    QCOMPARE(Cell(w, 1, 0), QString());
    QCOMPARE(w.kWizardIloscProbekLabel->text(), QString("0"));
  }
};

QTEST_MAIN(TestWizardWindow)
#include "test_wizard_window.moc"
