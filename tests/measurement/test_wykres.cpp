// The strip chart, read back pixel by pixel from its image.
#include "measurement/Wykres.h"

#include <QtTest>

#include <cmath>

namespace {

const QRgb Yellow = qRgb(255, 255, 0);
const QRgb Grey = qRgb(128, 128, 128);
const QRgb GridGrey = qRgb(147, 147, 147);
const QRgb Black = qRgb(0, 0, 0);
constexpr int NotDrawn = -1;

QRgb Pixel(const TWykres& chart, int x, int y) { return chart.Picture().pixel(x, y) | 0xFF000000; }

// Row of the single dot in a column, NotDrawn if none; fails on two dots in one column.
int DotRow(const TWykres& chart, int column)
{
    int row = NotDrawn;
    for (int y = 1; y < chart.Height() - 1; ++y) {
        if (Pixel(chart, column, y) != Yellow)
            continue;
        if (row != NotDrawn)
            return -2;
        row = y;
    }
    return row;
}

// Pixels inside the up and down triangles.
bool UpMarker(const TWykres& c) { return Pixel(c, c.Width() - 12, 10) == Yellow; }
bool DownMarker(const TWykres& c) { return Pixel(c, c.Width() - 12, c.Height() - 10) == Yellow; }

}  // namespace

class TestWykres : public QObject {
    Q_OBJECT

private slots:
    void drawsGrid_data();
    void drawsGrid();
    void firstValueLandsInMiddleRow_data();
    void firstValueLandsInMiddleRow();
    void constantInputKeepsOneRowAndNoMarker();
    void placesLatestValueAgainstFixedRange_data();
    void placesLatestValueAgainstFixedRange();
    void roundsHalfRowsToEven_data();
    void roundsHalfRowsToEven();
    void autoRangeKeepsMinMaxWithoutMargin();
    void scrollsOnceStripIsFull_data();
    void scrollsOnceStripIsFull();
    void setRangeIgnoredWhileAutoScaling();
    void resizeKeepsLatestValues();
    void autoRangeFollowsEveryValue_data();
    void autoRangeFollowsEveryValue();
    void scaleMarksRoundValuesWhereTheyAreDrawn_data();
    void scaleMarksRoundValuesWhereTheyAreDrawn();
};

void TestWykres::drawsGrid_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("lastGridColumn");
    QTest::addColumn<int>("lastGridRow");
    QTest::newRow("main window") << 529 << 217 << 520 << 200;
    QTest::newRow("lines 4 pixels from the edge") << 524 << 204 << 520 << 200;
    QTest::newRow("one pixel less drops them") << 523 << 203 << 500 << 180;
    QTest::newRow("small") << 60 << 30 << 40 << 20;
}

void TestWykres::drawsGrid()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, lastGridColumn);
    QFETCH(int, lastGridRow);
    TWykres chart;
    SetUpMainWindowChart(chart);
    chart.Resize(width, height);
    chart.AddValue(1);
    chart.Clear();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool frame = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            const bool grid = (x % 20 == 0 && x <= lastGridColumn) || (y % 20 == 0 && y <= lastGridRow);
            const QRgb expected = frame ? Black : grid ? GridGrey : Grey;
            if (Pixel(chart, x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
    }
}

void TestWykres::firstValueLandsInMiddleRow_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("mT") << 12.34;
    QTest::newRow("temperature") << 253.0;
}

void TestWykres::firstValueLandsInMiddleRow()
{
    QFETCH(double, value);
    TWykres chart;
    SetUpMainWindowChart(chart);
    chart.AddValue(99);
    chart.Clear();
    chart.AddValue(value);
    QCOMPARE(chart.Ilosc(), quint16(1));
    QCOMPARE(DotRow(chart, 1), 108);
    QCOMPARE(DotRow(chart, 2), NotDrawn);
    QVERIFY(std::fabs(chart.Max() - (value + 0.0001)) < 1e-12);
    QVERIFY(std::fabs(chart.Min() - (value - 0.0001)) < 1e-12);
}

void TestWykres::constantInputKeepsOneRowAndNoMarker()
{
    TWykres chart;
    SetUpMainWindowChart(chart);
    for (int i = 0; i < 300; ++i)
        chart.AddValue(7.5);
    for (int x = 1; x <= 300; ++x)
        QCOMPARE(DotRow(chart, x), 108);
    QCOMPARE(DotRow(chart, 301), NotDrawn);
    QVERIFY(!UpMarker(chart) && !DownMarker(chart));
}

// AutoSkala off, range 0 to 10, 217 pixels high: a value v has the height v * 21.4.
void TestWykres::placesLatestValueAgainstFixedRange_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("down");
    QTest::newRow("above: up marker") << QList<double>{20} << NotDrawn << true << false;
    QTest::newRow("back inside: marker gone") << QList<double>{20, 5} << 108 << false << false;
    QTest::newRow("under half a row above the top") << QList<double>{10.02} << 1 << false << false;
    QTest::newRow("over half a row above the top") << QList<double>{10.03} << NotDrawn << true << false;
    QTest::newRow("bottom") << QList<double>{0} << 215 << false << false;
    QTest::newRow("under half a row below the bottom") << QList<double>{-0.02} << 215 << false << false;
    QTest::newRow("below: down marker") << QList<double>{-5} << NotDrawn << false << true;
    QTest::newRow("older outside, latest inside") << QList<double>{-5, 20, 3} << 151 << false << false;
    QTest::newRow("not a number") << QList<double>{qQNaN()} << NotDrawn << false << false;
}

void TestWykres::placesLatestValueAgainstFixedRange()
{
    QFETCH(QList<double>, values);
    QFETCH(int, row);
    QFETCH(bool, up);
    QFETCH(bool, down);
    TWykres chart;
    SetUpMainWindowChart(chart);
    chart.SetAutoSkala(false);
    chart.SetRange(10, 0);
    for (double v : values)
        chart.AddValue(v);
    QCOMPARE(DotRow(chart, int(values.size())), row);
    QCOMPARE(UpMarker(chart), up);
    QCOMPARE(DownMarker(chart), down);
    if (up)  // drawn with a black outline
        QCOMPARE(Pixel(chart, chart.Width() - 12, 12), Black);
}

// Range 0 to 214 on 217 pixels: the height is the value itself, so halves are exact.
void TestWykres::roundsHalfRowsToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("row");
    QTest::newRow("0.5 down to 0") << 0.5 << 215;
    QTest::newRow("2.5 down to 2") << 2.5 << 213;
    QTest::newRow("3.5 up to 4") << 3.5 << 211;
    QTest::newRow("214.5 stays in the top row") << 214.5 << 1;
    QTest::newRow("-0.5 stays in the bottom row") << -0.5 << 215;
    QTest::newRow("just below a half down") << 1.4999999999 << 214;
    QTest::newRow("just above a half up") << 5.5000000001 << 209;
}

void TestWykres::roundsHalfRowsToEven()
{
    QFETCH(double, value);
    QFETCH(int, row);
    TWykres chart;
    chart.SetAutoSkala(false);
    chart.SetRange(214, 0);
    chart.AddValue(value);
    QCOMPARE(DotRow(chart, 1), row);
}

void TestWykres::autoRangeKeepsMinMaxWithoutMargin()
{
    TWykres chart;
    SetUpMainWindowChart(chart);
    chart.AddValue(0);
    chart.AddValue(100);
    QCOMPARE(chart.Min(), -0.0001);
    QCOMPARE(chart.Max(), 100.0);
    // Drawn against -20.00012 .. 120.00002 (Skala 20 %).
    QCOMPARE(DotRow(chart, 1), 184);
    QCOMPARE(DotRow(chart, 2), 32);
}

// A 40-pixel chart holds 38 values; value i is drawn at height (7 i) mod 50 + 1.
void TestWykres::scrollsOnceStripIsFull_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("one") << 1;
    QTest::newRow("one short of full") << 37;
    QTest::newRow("full") << 38;
    QTest::newRow("first overwritten") << 39;
    QTest::newRow("wrapped twice") << 79;
}

void TestWykres::scrollsOnceStripIsFull()
{
    QFETCH(int, count);
    TWykres chart(40, 60);
    chart.SetAutoSkala(false);
    chart.SetRange(57, 0);
    auto height = [](int i) { return (7 * i) % 50 + 1; };
    QImage full;
    for (int i = 1; i <= count; ++i) {
        chart.AddValue(height(i));
        if (i == 38)
            full = chart.Picture().copy();
    }
    const int shown = std::min(count, 38);
    QCOMPARE(chart.Ilosc(), quint16(shown));
    for (int x = 1; x <= shown; ++x)
        QCOMPARE(DotRow(chart, x), 58 - height(count - shown + x));
    if (count == 39) {  // the picture of the full strip, moved one column to the left
        const QRgb dot = Yellow & 0xFFFFFF;
        for (int x = 1; x < 38; ++x)
            for (int y = 1; y < 59; ++y)
                QCOMPARE((full.pixel(x + 1, y) & 0xFFFFFF) == dot, (Pixel(chart, x, y) & 0xFFFFFF) == dot);
    }
}

void TestWykres::setRangeIgnoredWhileAutoScaling()
{
    TWykres chart;
    SetUpMainWindowChart(chart);
    chart.AddValue(3);
    chart.AddValue(4);
    const QImage before = chart.Picture().copy();
    const quint64 revision = chart.Revision();
    const double min = chart.Min();
    chart.SetRange(10, 0);
    QCOMPARE(chart.Min(), min);
    QCOMPARE(chart.Max(), 4.0);
    QCOMPARE(chart.Revision(), revision);
    QCOMPARE(chart.Picture(), before);
}

void TestWykres::resizeKeepsLatestValues()
{
    TWykres chart;
    int changes = 0;
    chart.OnChanged = [&changes] { ++changes; };
    for (int i = 1; i <= 527; ++i)
        chart.AddValue(i);
    QCOMPARE(changes, 527);
    chart.Resize(100, 50);
    QCOMPARE(chart.Picture().size(), QSize(100, 50));
    QCOMPARE(chart.Ilosc(), quint16(98));
    QCOMPARE(chart.Values().front(), 430.0);
    QCOMPARE(chart.Values().back(), 527.0);
    chart.AddValue(528);  // scrolls as a full strip
    QCOMPARE(chart.Values().front(), 431.0);
    chart.Resize(5000, 50);
    QCOMPARE(chart.Width(), TWykres::MaximumWidth);
    QCOMPARE(chart.Ilosc(), quint16(98));
    QCOMPARE(changes, 530);
}

// The range AddValue keeps while values come and go is the one FindRange finds by going through
// the whole buffer: after each value, through wrapping, resizing, clearing and stretches without
// the automatic scale.
void TestWykres::autoRangeFollowsEveryValue_data()
{
    QTest::addColumn<QString>("wave");
    QTest::addColumn<int>("count");
    QTest::newRow("noisy sine, wrapping") << "sine" << 1500;
    QTest::newRow("rising: the lowest leaves") << "rise" << 900;
    QTest::newRow("falling: the highest leaves") << "fall" << 900;
    QTest::newRow("constant: ties") << "flat" << 600;
    QTest::newRow("steps between two levels") << "steps" << 1200;
    QTest::newRow("with NaN among them") << "nan" << 800;
}

void TestWykres::autoRangeFollowsEveryValue()
{
    QFETCH(QString, wave);
    QFETCH(int, count);
    const auto value = [&wave](int i) {
        if (wave == "sine")
            return 40 * std::sin(i / 109.0) + ((i * 7919) % 13) * 0.05;
        if (wave == "rise")
            return i * 0.25;
        if (wave == "fall")
            return -i * 0.25;
        if (wave == "flat")
            return 3.0;
        if (wave == "steps")
            return (i / 150) % 2 ? 10.0 : -10.0;
        return i % 97 == 0 ? std::nan("") : std::cos(i / 50.0);
    };
    TWykres chart;
    SetUpMainWindowChart(chart);
    TWykres scanned;  // the same values, its range found by a scan after each
    SetUpMainWindowChart(scanned);
    for (int i = 1; i <= count; ++i) {
        if (i == count / 3) {
            chart.Resize(300, 217);
            scanned.Resize(300, 217);
        }
        if (i == count / 2) {
            chart.Clear();
            scanned.Clear();
        }
        const bool automatic = i < 2 * count / 3 || i > 3 * count / 4;
        chart.SetAutoSkala(automatic);
        scanned.SetAutoSkala(automatic);
        chart.AddValue(value(i));
        scanned.AddValue(value(i));
        if (!automatic)
            continue;
        scanned.FindRange();
        if (!(chart.Max() == scanned.Max() || (std::isnan(chart.Max()) && std::isnan(scanned.Max()))) ||
            !(chart.Min() == scanned.Min() || (std::isnan(chart.Min()) && std::isnan(scanned.Min()))))
            QFAIL(qPrintable(QString("value %1: range %2 .. %3, the buffer's %4 .. %5")
                                 .arg(i).arg(chart.Min()).arg(chart.Max()).arg(scanned.Min()).arg(scanned.Max())));
    }
    QCOMPARE(chart.Picture(), scanned.Picture());
}

// The scale beside the chart marks round values (1, 2 or 5 x 10^n), 4 to 8 of them, each at the
// row where the chart itself draws that value, and every such value the chart would draw.
void TestWykres::scaleMarksRoundValuesWhereTheyAreDrawn_data()
{
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("lower");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("factor");
    QTest::addColumn<QStringList>("texts");
    const auto row = [](const char* name, double upper, double lower, const QStringList& texts,
                        int height = 217, double factor = 1) {
        QTest::newRow(name) << upper << lower << height << factor << texts;
    };
    row("across zero", 60.9, -9.3, {"60", "50", "40", "30", "20", "10", "0"});
    row("across zero, below one", 1.30, -0.08, {"1.2", "1.0", "0.8", "0.6", "0.4", "0.2", "0.0"});
    row("zero under half a row below the range", 10.0, 0.02, {"10", "8", "6", "4", "2", "0"});
    row("negative only", -3.2, -17.9, {"-4", "-6", "-8", "-10", "-12", "-14", "-16"});
    row("tiny: 5 +- 0.0001 and 20 %", 5.00014, 4.99986, {"5.00010", "5.00005", "5.00000", "4.99995", "4.99990"});
    row("three would be too few: the smaller step", 18.0, 0.5, {"18", "16", "14", "12", "10", "8", "6", "4", "2"});
    row("millions", 4.2e6, -1.3e6, {"4000000", "3000000", "2000000", "1000000", "0", "-1000000"});
    row("huge: exponents", 7.5e13, 1.1e13, {"7e+13", "6e+13", "5e+13", "4e+13", "3e+13", "2e+13"});
    row("tiny: exponents", 3.3e-10, -1.2e-10, {"3e-10", "2e-10", "1e-10", "0", "-1e-10"});
    row("tenths of a degree in degrees", 263.0, 227.0, {"26.0", "25.5", "25.0", "24.5", "24.0", "23.5", "23.0"}, 217, 0.1);
    row("a low chart: one mark in 20 rows", 10.0, 0.0, {"10", "0"}, 60);
    row("no height: no marks", 5.0, 5.0, {});
}

void TestWykres::scaleMarksRoundValuesWhereTheyAreDrawn()
{
    QFETCH(double, upper);
    QFETCH(double, lower);
    QFETCH(int, height);
    QFETCH(double, factor);
    QFETCH(QStringList, texts);
    auto drawnAt = [&](double shownValue) {
        TWykres chart(529, height);
        chart.SetAutoSkala(false);
        chart.SetRange(upper, lower);
        chart.AddValue(shownValue / factor);
        return DotRow(chart, 1);
    };
    QStringList got;
    for (const ScaleMark& mark : ScaleMarks({std::make_pair(upper, lower), height, factor})) {
        got << mark.text;
        QCOMPARE(mark.row, drawnAt(mark.text.toDouble()));
    }
    QCOMPARE(got, texts);
    if (texts.size() < 2)
        return;
    // The next multiples beyond both ends are not drawn: the marks are all the chart shows.
    const double step = texts[0].toDouble() - texts[1].toDouble();
    QCOMPARE(drawnAt(texts.first().toDouble() + step), NotDrawn);
    QCOMPARE(drawnAt(texts.last().toDouble() - step), NotDrawn);
}

QTEST_MAIN(TestWykres)
#include "test_wykres.moc"
