// What leaves the main window besides the screen: the chart's scale beside it, the chart as a
// picture and a data file as a table for a spreadsheet. Offscreen, results fed as the port
// hands them over.
#include <QtTest>
#include <QCheckBox>
#include <QMenu>
#include <QSlider>
#include <QTemporaryDir>

#include "app/FileDialogs.h"
#include "app/Main.h"
#include "measurement/MeasurementResult.h"
#include "measurement/WykresWidget.h"
#include "records/DataExport.h"
#include "records/DataFile.h"
#include "settings/Jezyki.h"
#include "tests/common/StartRecording.h"

namespace {
// A result frame in mT, range 1, DC: reading / 100 mT.
QByteArray Frame(qint16 reading) {
  return QByteArray::fromHex("AA5500FA00") + char(reading & 0xFF) + char((reading >> 8) & 0xFF);
}

// The file dialogs answer these names in turn.
void AnswerFileDialogs(QStringList names) {
  SetFileDialogHook([names](bool, const FileDialogSettings&) mutable {
    return names.isEmpty() ? QString() : names.takeFirst();
  });
}

// Chooses an item of the chart's context menu as a user does: the menu opens on a right click,
// and the item is taken with the keyboard once the menu is up.
void ChooseFromChartMenu(TMainWin& w, int item) {
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || menu->objectName() != "ChartPictureMenu") return;
    poll.stop();
    menu->setActiveAction(menu->actions().at(item));
    QTest::keyClick(menu, Qt::Key_Return);
  });
  poll.start();
  emit w.Wykres1->customContextMenuRequested(QPoint(100, 100));
}

// Whether anything is drawn (not white) in an area of a picture.
bool Inked(const QImage& picture, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (picture.pixel(x, y) != qRgb(255, 255, 255)) return true;
  return false;
}

// The top and bottom marks of the chart's scale.
QStringList Ends(const TWykresScale* scale) {
  const QStringList texts = scale->Texts();
  return texts.isEmpty() ? QStringList() : QStringList{texts.first(), texts.last()};
}
}  // namespace

class TestDataOut : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void initTestCase() { qputenv("FLUXA_SETTINGS", dir_.filePath("settings.ini").toUtf8()); }
  void cleanup() {
    CurrentLanguage = "Polski";
    SetFileDialogHook({});
  }

  // The round values beside the chart follow its range: live autoscale, the sliders, a data file.
  void scaleFollowsTheRange() {
    TMainWin w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.HandleArrival(Frame(100));
    w.HandleArrival(Frame(300));  // 1 .. 3 mT and 20 %: 0.6 .. 3.4
    QTRY_COMPARE(Ends(w.Wykres1Scale), QStringList({"3.0", "1.0"}));
    QCOMPARE(w.Wykres1Scale->Unit(), QString("mT"));
    w.Autoskalowanie->click();
    w.W->setValue(10);
    w.O->setValue(100);  // 9 .. 11
    QTRY_COMPARE(Ends(w.Wykres1Scale), QStringList({"11.0", "9.0"}));
    w.Autoskalowanie->click();
    // A file this run did not record: 5 +- 0.0001 and 20 %, its unit not known.
    const QString path = dir_.filePath("scale.F3D");
    QVERIFY(WriteDataFile(path, QStringList(40, FormatValueText(0, 5))));
    AnswerFileDialogs({path});
    w.Otwrz1Click();
    QTRY_COMPARE(Ends(w.Wykres1Scale), QStringList({"5.00010", "4.99990"}));
    QCOMPARE(w.Wykres1Scale->Unit(), QString());
  }

  // The picture holds the chart's own pixels, each made scale x scale, and beside them the
  // scale as the window shows it: a tick at each mark's row with its text, the unit above. From
  // Plik and from the chart's own menu.
  void chartSavedAsPng_data() {
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("fromChartMenu");
    QTest::newRow("Plik, its size") << 1 << false;
    QTest::newRow("Plik, twice its size") << 2 << false;
    QTest::newRow("chart's menu, its size") << 1 << true;
    QTest::newRow("chart's menu, twice its size") << 2 << true;
  }
  void chartSavedAsPng() {
    QFETCH(int, scale);
    QFETCH(bool, fromChartMenu);
    TMainWin w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int i = 0; i < 300; ++i) w.HandleArrival(Frame(qint16(i * 37 % 500 - 150)));
    const QString path = dir_.filePath(QString("chart-%1-%2.png").arg(scale).arg(fromChartMenu));
    AnswerFileDialogs({path});
    if (fromChartMenu)
      ChooseFromChartMenu(w, scale - 1);
    else
      (scale == 1 ? w.ChartPng1 : w.ChartPng2x1)->trigger();
    const QImage chart = w.Wykres1->Chart().Picture().convertToFormat(QImage::Format_RGB32);
    const QImage png = QImage(path).convertToFormat(QImage::Format_RGB32);
    const int top = TWykresScale::ChartTop * scale, left = chart.width() * scale;
    QVERIFY(png.width() > left && png.height() > top + chart.height() * scale);
    int differing = 0;
    for (int y = 0; y < chart.height() * scale; ++y)
      for (int x = 0; x < left; ++x) differing += png.pixel(x, top + y) != chart.pixel(x / scale, y / scale);
    QCOMPARE(differing, 0);

    // -1.5 .. 3.49 mT and 20 %; each mark a tick at its row and its text beside, the unit above.
    QCOMPARE(w.Wykres1Scale->Texts(), QStringList({"4", "3", "2", "1", "0", "-1", "-2"}));
    for (const ScaleMark& mark : w.Wykres1Scale->Marks()) {
      const int row = top + mark.row * scale;
      QCOMPARE(png.pixel(left, row), qRgb(0, 0, 0));
      QVERIFY(Inked(png, QRect(left + 4 * scale, row - 3 * scale, png.width() - left - 4 * scale, 6 * scale)));
    }
    QVERIFY(Inked(png, QRect(left, 0, png.width() - left, top)));
  }

  // A data file as a table: the file on show or a chosen one, in the program's language, with
  // the unit of a file this run recorded.
  void exportGivesTheFileAsATable_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("recordedAndShown");  // else written by hand and chosen in the dialog
    QTest::addColumn<QStringList>("table");
    QTest::newRow("Polish, recorded, on show")
        << "Polski" << true
        << QStringList{"L.p.;Indukcja pola;Jednostka", "1;12,34;mT", "2;-123,45;mT", "3;0,05;mT"};
    QTest::newRow("English, chosen")
        << "Angielski" << false << QStringList{"No,Field induction", "1,12.34", "2,-123.45", "3,0.05"};
  }
  void exportGivesTheFileAsATable() {
    QFETCH(QString, language);
    QFETCH(bool, recordedAndShown);
    QFETCH(QStringList, table);
    const QString data = dir_.filePath(language + ".F3D"), csv = dir_.filePath(language + ".csv");
    TMainWin w;
    if (recordedAndShown) {
      StartRecordingEveryResult(w, data);
      for (qint16 reading : {1234, -12345, 5}) w.HandleArrival(Frame(reading));
      w.ZakonczClick();
      w.Otwrz1Click();  // the hook still answers the recorded file
    } else {
      QVERIFY(WriteDataFile(data, {"  12.34", "-  123.45", "   0.05"}));
    }
    CurrentLanguage = language;
    AnswerFileDialogs(recordedAndShown ? QStringList{csv} : QStringList{data, csv});
    w.ExportCsv1->trigger();
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "\xEF\xBB\xBF" + table.join("\r\n").toUtf8() + "\r\n");
  }

  // Beyond their room the oldest block of live results goes; those kept keep numbers and units.
  void liveResultsLetTheOldestGoBeyondTheirRoom() {
    LiveResults results;
    const QString text = "  12.34", mT = " mT", gauss = " Gs";
    const qint64 lastInMT = LiveResults::BlockSize + 5;  // a unit's run across the block that goes
    for (qint64 i = 1; i <= LiveResults::MaximumCount + 1; ++i) results.Append(text, i <= lastInMT ? mT : gauss);
    QCOMPARE(results.FirstNumber(), LiveResults::BlockSize + 1);
    qint64 next = results.FirstNumber(), wrong = 0;
    results.ForEach([&](const LiveResults::Row& row) {
      wrong += row.number != next++ || row.unit != (row.number <= lastInMT ? mT : gauss);
    });
    QCOMPARE(wrong, 0);
    QCOMPARE(next, LiveResults::MaximumCount + 2);
  }
};

QTEST_MAIN(TestDataOut)
#include "test_dataout.moc"
