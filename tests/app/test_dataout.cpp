// What leaves the main window besides the screen: the chart's scale beside it, the chart as a
// picture and a data file as a table for a spreadsheet. Offscreen, results fed as the port
// hands them over.
#include <QtTest>
#include <QCheckBox>
#include <QSlider>
#include <QTemporaryDir>

#include "app/FileDialogs.h"
#include "app/Main.h"
#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"
#include "measurement/WykresWidget.h"
#include "records/DataFile.h"
#include "settings/Jezyki.h"
#include "tests/common/MessageRecorder.h"
#include "tests/common/StartRecording.h"

namespace {
// A result frame in mT, range 1, DC: reading / 100 mT.
QByteArray Frame(qint16 reading) {
  QByteArray f;
  f.append(char(0xAA)).append(char(0x55)).append(char(0x00));
  f.append(char(250 & 0xFF)).append(char(0));
  f.append(char(reading & 0xFF)).append(char((reading >> 8) & 0xFF));
  return f;
}

// File dialogs answer from a list, one name per question ("" cancels).
struct FileAnswers {
  explicit FileAnswers(QStringList names) : names_(std::move(names)) {
    previous_ = SetFileDialogHook([this](bool, const FileDialogSettings& dialog) {
      asked << dialog.filter;
      return names_.isEmpty() ? QString() : names_.takeFirst();
    });
  }
  ~FileAnswers() { SetFileDialogHook(previous_); }
  QStringList asked;

 private:
  QStringList names_;
  FileDialogHook previous_;
};

// The top and bottom marks of the chart's scale; none while it shows none.
QStringList Ends(const TWykresScale* scale) {
  const QStringList texts = scale->Texts();
  return texts.isEmpty() ? QStringList() : QStringList{texts.first(), texts.last()};
}

QStringList CsvLines(const QString& path, bool* byteOrderMark) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {"<missing>"};
  QByteArray bytes = f.readAll();
  *byteOrderMark = bytes.startsWith("\xEF\xBB\xBF");
  if (*byteOrderMark) bytes.remove(0, 3);
  QStringList lines = QString::fromUtf8(bytes).split("\r\n");
  if (lines.last().isEmpty()) lines.removeLast();
  return lines;
}
}  // namespace

class TestDataOut : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void initTestCase() { qputenv("FLUXA_SETTINGS", dir_.filePath("settings.ini").toUtf8()); }
  void cleanup() { CurrentLanguage = "Polski"; }

  // The values beside the chart follow its range: live autoscale, the sliders, a data file.
  void scaleFollowsTheRange() {
    TMainWin w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.Wykres1Scale->Texts().isEmpty());  // nothing drawn, nothing to name
    w.HandleArrival(Frame(100));
    w.HandleArrival(Frame(300));
    // 1 .. 3 mT with a margin of 20 %: 0.6 .. 3.4.
    QTRY_COMPARE(Ends(w.Wykres1Scale), QStringList({"3.15", "0.80"}));
    QCOMPARE(w.Wykres1Scale->Unit(), QString("mT"));
    QVERIFY(!w.Wykres1Scale->geometry().intersects(w.Wykres1->geometry()));

    w.Autoskalowanie->click();
    w.W->setValue(10);
    w.O->setValue(0);  // -1 .. 1
    QTRY_COMPARE(Ends(w.Wykres1Scale), QStringList({"0.82", "-0.86"}));
    w.O->setValue(100);  // 9 .. 11
    QTRY_COMPARE(Ends(w.Wykres1Scale), QStringList({"10.82", "9.14"}));

    // A file this run did not record: its unit is not known.
    const QString path = dir_.filePath("scale.F3D");
    QVERIFY(WriteDataFile(path, QStringList(40, FormatValueText(0, 5))));
    FileAnswers answers({path});
    w.Otwrz1Click();
    QTRY_VERIFY(Ends(w.Wykres1Scale).value(0).startsWith("5.000"));
    QVERIFY(Ends(w.Wykres1Scale).value(1).startsWith("4.999"));
    QCOMPARE(w.Wykres1Scale->Unit(), QString());
  }

  // The picture is the chart's own pixels, each made scale x scale.
  void chartSavedAsPng_data() {
    QTest::addColumn<int>("scale");
    QTest::newRow("its size") << 1;
    QTest::newRow("twice its size") << 2;
  }
  void chartSavedAsPng() {
    QFETCH(int, scale);
    TMainWin w;
    for (int i = 0; i < 300; ++i) w.HandleArrival(Frame(qint16(i * 37 % 500)));
    const QString path = dir_.filePath(QString("chart-%1.png").arg(scale));
    FileAnswers answers({path});
    (scale == 1 ? w.ChartPng1 : w.ChartPng2x1)->trigger();
    QCOMPARE(answers.asked, QStringList{"Obrazy PNG (*.png)"});
    const QImage chart = w.Wykres1->Chart().Picture().convertToFormat(QImage::Format_RGB32);
    const QImage png = QImage(path).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(png.size(), chart.size() * scale);
    int differing = 0;
    for (int y = 0; y < png.height(); ++y)
      for (int x = 0; x < png.width(); ++x)
        differing += png.pixel(x, y) != chart.pixel(x / scale, y / scale);
    QCOMPARE(differing, 0);
  }

  // The table of a data file: the file on show or a chosen one, in the program's language, the
  // unit when this run recorded the file; a line that is not a number writes nothing.
  void exportGivesTheFileAsATable_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("source");  // "shown", "chosen", "recorded" or "bad"
    QTest::addColumn<QStringList>("expected");  // header, then lines 1 and 2; or the message
    QTest::newRow("Polish, the file on show")
        << "Polski" << "shown" << QStringList{"L.p.;Indukcja pola", "1;12,34", "2;-123,45"};
    QTest::newRow("English, a chosen file")
        << "Angielski" << "chosen" << QStringList{"No,Field induction", "1,12.34", "2,-123.45"};
    QTest::newRow("recorded this run")
        << "Polski" << "recorded"
        << QStringList{"L.p.;Indukcja pola;Jednostka", "1;1,25;mT", "2;-0,50;mT"};
    QTest::newRow("not a number") << "Polski" << "bad"
                                  << QStringList{"Wiersz 2 pliku nie jest liczbą: abc"};
  }
  void exportGivesTheFileAsATable() {
    QFETCH(QString, language);
    QFETCH(QString, source);
    QFETCH(QStringList, expected);
    const QString tag = QTest::currentDataTag();
    const QString data = dir_.filePath(tag + ".F3D");
    const QString csv = dir_.filePath(tag + ".csv");
    QStringList lines = {FormatValueText(0, 12.34), FormatValueText(0, -123.45), "   2500", "   0.05"};
    if (source == "bad") lines[1] = "abc";
    TMainWin w;
    MessageRecorder messages;
    if (source == "recorded") {
      StartRecordingEveryResult(w, data);
      for (qint16 reading : {125, -50, 2500, 5}) w.HandleArrival(Frame(reading));
      w.ZakonczClick();
      lines = ReadDataFileLines(data, 10).lines;
      QCOMPARE(lines.size(), 4);
    } else {
      QVERIFY(WriteDataFile(data, lines));
    }
    CurrentLanguage = language;
    w.ApplyLanguage();
    if (source == "shown") {
      FileAnswers open({data});
      w.Otwrz1Click();
    }
    FileAnswers answers(source == "shown" ? QStringList{csv} : QStringList{data, csv});
    w.ExportCsv1->trigger();
    if (source == "bad") {
      QCOMPARE(messages.texts(), expected);
      QVERIFY(!QFile::exists(csv));
      return;
    }
    QVERIFY(messages.texts().isEmpty());
    QCOMPARE(answers.asked.last(), language == "Polski" ? "Pliki CSV (*.csv)" : "CSV files (*.csv)");
    bool byteOrderMark = false;
    const QStringList table = CsvLines(csv, &byteOrderMark);
    QVERIFY(byteOrderMark);
    QCOMPARE(table.mid(0, 3), expected);
    // Read back as a spreadsheet reads it, the table holds the file's values.
    const QChar separator = language == "Polski" ? ';' : ',';
    QCOMPARE(table.size(), lines.size() + 1);
    for (int i = 0; i < lines.size(); ++i) {
      const QStringList cells = table[i + 1].split(separator);
      QCOMPARE(cells[0].toInt(), i + 1);
      QCOMPARE(ProgramLocale().toDouble(cells[1]), SeriesTextToNumber(lines[i]).value());
    }
  }
};

QTEST_MAIN(TestDataOut)
#include "test_dataout.moc"
