// The data file on real files: the bytes written, reading back in any locale, line ends,
// limits and failures.
#include <QtTest>
#include <QJsonDocument>

#include "measurement/Filters.h"
#include "measurement/MeasurementResult.h"
#include "records/DataExport.h"
#include "records/DataFile.h"

namespace {
QByteArray ReadRaw(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteRaw(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(f.write(bytes), bytes.size());
}
}  // namespace

class TestDataFile : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { QLocale::setDefault(QLocale::c()); }

  // Value, decimal class and the line it makes; written, the raw bytes, read back.
  void roundTrip_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimalClass");
    QTest::addColumn<QString>("line");
    const struct {
      const char* name;
      double value;
      int decimalClass;
      const char* line;
    } rows[] = {
        {"12.34, 2 decimals", 12.34, 0, "  12.34"},
        {"0.5, 1 decimal", 0.5, 1, "    0.5"},
        {"-1.5, 1 decimal", -1.5, 1, "   - 1.5"},
        {"-123.45, 2 decimals", -123.45, 0, "-  123.45"},
        {"2500, no decimals", 2500, 2, "   2500"},
        {"-9999.9 fills the field", -9999.9, 1, "-  9999.9"},
    };
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Polish, QLocale::Poland)})
      for (const auto& r : rows)
        QTest::addRow("%s, %s", r.name, qPrintable(locale.name()))
            << locale << r.value << r.decimalClass << QString(r.line);
  }
  void roundTrip() {
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(int, decimalClass);
    QFETCH(QString, line);
    QLocale::setDefault(locale);
    const QString path = dir_.filePath("one.F3D");
    const QString text = FormatValueText(decimalClass, value);
    QCOMPARE(text, line);
    QVERIFY(WriteDataFile(path, {text, text}));
    QCOMPARE(ReadRaw(path), line.toLatin1() + "\r\n" + line.toLatin1() + "\r\n");
    const DataFileLines read = ReadDataFileLines(path, 1000);
    QVERIFY(read.ok);
    QCOMPARE(read.lines, QStringList({line, line}));
    QCOMPARE(ParseValueText(read.lines.first()), value);
  }

  void parsesValueTexts_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<double>("value");
    QTest::newRow("spaces inside") << "-  123.45" << -123.45;
    QTest::newRow("spaces only: an empty number") << "   " << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("decimal comma is no number") << "  12,34" << 0.0;
    QTest::newRow("not a number") << "abc" << 0.0;
    QTest::newRow("integer") << "   2500" << 2500.0;
  }
  void parsesValueTexts() {
    QFETCH(QString, line);
    QFETCH(double, value);
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    QCOMPARE(ParseValueText(line), value);
  }

  void replacesAnExistingFile() {
    const QString path = dir_.filePath("replace.F3D");
    QVERIFY(WriteDataFile(path, {"  1.00", "  2.00", "  3.00"}));
    QVERIFY(WriteDataFile(path, {"  4.00"}));
    QCOMPARE(ReadRaw(path), QByteArray("  4.00\r\n"));
    QVERIFY(WriteDataFile(path, {}));
    QCOMPARE(ReadRaw(path), QByteArray());
  }

  void readsLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<qint64>("leftOut");
    QTest::newRow("CR LF") << QByteArray("  12.34\r\n   - 1.5\r\n") << 1000
                           << QStringList{"  12.34", "   - 1.5"} << qint64(0);
    QTest::newRow("LF") << QByteArray("  12.34\n   - 1.5\n") << 1000
                        << QStringList{"  12.34", "   - 1.5"} << qint64(0);
    QTest::newRow("last line without line end")
        << QByteArray("  12.34\r\n   - 1.5") << 1000 << QStringList{"  12.34", "   - 1.5"}
        << qint64(0);
    QTest::newRow("spaces-only line kept as read")
        << QByteArray("   \r\n  1.00\r\n") << 1000 << QStringList{"   ", "  1.00"} << qint64(0);
    QTest::newRow("empty lines count") << QByteArray("\r\n\r\n") << 1000 << QStringList{"", ""}
                                       << qint64(0);
    QTest::newRow("empty file") << QByteArray() << 1000 << QStringList{} << qint64(0);
    QTest::newRow("limit") << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n") << 3
                           << QStringList{"1", "2", "3"} << qint64(2);
    QTest::newRow("limit, last left-out line without end")
        << QByteArray("1\r\n2\r\n3\r\n4") << 2 << QStringList{"1", "2"} << qint64(2);
    QTest::newRow("limit exactly reached") << QByteArray("1\r\n2") << 2 << QStringList{"1", "2"}
                                           << qint64(0);
  }
  void readsLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, limit);
    QFETCH(QStringList, lines);
    QFETCH(qint64, leftOut);
    const QString path = dir_.filePath("lines.F3D");
    WriteRaw(path, bytes);
    const DataFileLines read = ReadDataFileLines(path, limit);
    QVERIFY(read.ok);
    QCOMPARE(read.lines, lines);
    QCOMPARE(read.linesLeftOut, leftOut);
  }

  // Long files are read in pieces; every alignment of a line, and of a CR LF, against a piece
  // boundary must give the same lines.
  void readsLongFilesWhole_data() {
    QTest::addColumn<int>("firstLineLength");
    for (int n = 0; n < 9; ++n) QTest::addRow("first line of %d", n) << n;
  }
  void readsLongFilesWhole() {
    QFETCH(int, firstLineLength);
    const QString first(firstLineLength, QLatin1Char('1'));
    QStringList texts{first};
    for (int i = 0; i < 30000; ++i) texts << FormatValueText(0, (i % 2000) / 100.0 - 10);
    const QString path = dir_.filePath("long.F3D");
    QVERIFY(WriteDataFile(path, texts));
    const DataFileLines read = ReadDataFileLines(path, 65535);
    QVERIFY(read.ok);
    QCOMPARE(read.lines.size(), texts.size());
    QCOMPARE(read.lines, texts);
    const DataFileLines cut = ReadDataFileLines(path, 20000);
    QCOMPARE(cut.lines, texts.mid(0, 20000));
    QCOMPARE(cut.linesLeftOut, qint64(texts.size() - 20000));
  }

  void readFailure_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing file") << "missing.F3D";
    QTest::newRow("a directory") << ".";
  }
  void readFailure() {
    QFETCH(QString, path);
    const DataFileLines read = ReadDataFileLines(dir_.filePath(path), 1000);
    QVERIFY(!read.ok);
    QVERIFY(read.lines.isEmpty());
  }

  void writeFailure_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing folder") << dir_.filePath("no/such/folder/x.F3D");
    QTest::newRow("a directory") << dir_.path();
    QTest::newRow("full device") << "/dev/full";
  }
  void writeFailure() {
    QFETCH(QString, path);
    if (path.startsWith("/dev/") && !QFile::exists(path)) QSKIP("no such device here");
    QVERIFY(!WriteDataFile(path, {"  12.34", "   - 1.5"}));
  }

  // The file view's reader: room for 65535 entries, the rest counted; a line that is not a
  // number is stored as read and does not stop the reading; the numbers are refiltered.
  void fillsTheStoredSeries() {
    QStringList texts;
    for (int i = 0; i < StoredSeries::MaximumCount + 5; ++i) texts << FormatValueText(1, i % 100);
    texts[1] = "garbage";
    const QString path = dir_.filePath("series.F3D");
    QVERIFY(WriteDataFile(path, texts));
    StoredSeries series;
    series.AppendText("  99.99");
    const OpenedDataFile opened = ReadDataFileIntoSeries(path, series, 50.0);  // e^-50: no smoothing
    QVERIFY(opened.ok);
    QCOMPARE(opened.count, StoredSeries::MaximumCount);
    QCOMPARE(opened.linesLeftOut, qint64(5));
    QCOMPARE(series.Count(), StoredSeries::MaximumCount);
    QCOMPARE(series.Text(1), QString("    0.0"));
    QCOMPARE(series.Text(2), QString("garbage"));
    QCOMPARE(series.Value(2), series.Value(1));
    QCOMPARE(series.Value(3), 2.0);
    QCOMPARE(series.Value(StoredSeries::MaximumCount), double((StoredSeries::MaximumCount - 1) % 100));
    QCOMPARE(series.Text(StoredSeries::MaximumCount), texts[StoredSeries::MaximumCount - 1]);

    // Written back straight from the series: the bytes of the lines it holds.
    const QString fromSeries = dir_.filePath("from-series.F3D");
    const QString fromList = dir_.filePath("from-list.F3D");
    QVERIFY(WriteSeriesToDataFile(fromSeries, series));
    QVERIFY(WriteDataFile(fromList, texts.mid(0, StoredSeries::MaximumCount)));
    QCOMPARE(ReadRaw(fromSeries), ReadRaw(fromList));
    QVERIFY(WriteSeriesToDataFile(fromSeries, StoredSeries()));
    QCOMPARE(ReadRaw(fromSeries), QByteArray());
  }

 private:
  QTemporaryDir dir_;

  // A data file as a table: the digits of each line as they stand, in the locale's marks; a
  // line that is not a number stops the export and is named.
  void exportsTables_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("badLine");
    const QLocale pl(QLocale::Polish, QLocale::Poland);
    const QLocale en(QLocale::English, QLocale::UnitedKingdom);
    QTest::newRow("Polish, unit known")
        << QStringList{"  12.34", "-  123.45", "   2500"} << " mT" << pl
        << QByteArray("index;value;unit\r\n1;12,34;mT\r\n2;-123,45;mT\r\n3;2500;mT\r\n")
        << QByteArray("[\n {\"index\": 1, \"value\": 12.34, \"unit\": \"mT\"},\n"
                      " {\"index\": 2, \"value\": -123.45, \"unit\": \"mT\"},\n"
                      " {\"index\": 3, \"value\": 2500, \"unit\": \"mT\"}\n]\n")
        << 0;
    QTest::newRow("English, no unit, zeros in front")
        << QStringList{" 0.50", "007"} << "" << en
        << QByteArray("index,value\r\n1,0.50\r\n2,7\r\n")
        << QByteArray("[\n {\"index\": 1, \"value\": 0.50},\n {\"index\": 2, \"value\": 7}\n]\n") << 0;
    QTest::newRow("empty file") << QStringList{} << "" << en << QByteArray("index,value\r\n")
                                << QByteArray("[]\n") << 0;
    for (const QString bad : {"12,5", "1e3", "", "inf", "--1"})
      QTest::newRow(qPrintable("not a number: " + bad))
          << QStringList{"  1.0", bad, "  2.0"} << "" << pl << QByteArray() << QByteArray() << 2;
  }
  void exportsTables() {
    QFETCH(QStringList, lines);
    QFETCH(QString, unit);
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, csv);
    QFETCH(QByteArray, json);
    QFETCH(int, badLine);
    const ExportedTable asCsv = DataLinesToCsv(lines, unit, CsvStyleFor(locale));
    const ExportedTable asJson = DataLinesToJson(lines, unit);
    QCOMPARE(asCsv.badLine, badLine);
    QCOMPARE(asJson.badLine, badLine);
    QCOMPARE(asCsv.ok, badLine == 0);
    QCOMPARE(asCsv.data, csv);
    QCOMPARE(asJson.data, json);
    if (!json.isEmpty()) QVERIFY(!QJsonDocument::fromJson(json).isNull());
  }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_datafile.moc"
