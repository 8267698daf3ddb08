// Filters, maximum jump and statistics on decoded result frames; the stored series on the chart.
#include "measurement/Filters.h"
#include "measurement/ResultSequence.h"
#include "measurement/Wykres.h"

#include <QtTest>

#include <cmath>

namespace {

ResultFrame Frame(quint8 status, qint16 reading)
{
    const auto r = quint16(reading);
    return {0xAA, 0x55, status, 0xFD, 0x00, quint8(r & 0xFF), quint8(r >> 8)};
}

bool Near(double a, double b) { return std::fabs(a - b) < 1e-9 * std::max(1.0, std::fabs(b)); }

// Entries numbered 1..count whose values are their numbers.
StoredSeries Numbered(int count)
{
    StoredSeries series;
    for (int i = 1; i <= count; ++i)
        series.Append(QString::number(i), i);
    return series;
}

}  // namespace

class TestFilters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland)); }
    void filtersLiveResults_data();
    void filtersLiveResults();
    void restartPassesNextResultUnfiltered();
    void temperatureFilter_data();
    void temperatureFilter();
    void parsesTimeConstant_data();
    void parsesTimeConstant();
    void statistics_data();
    void statistics();
    void restartMakesNextResultMinMaxAverage();
    void statisticsFreezeAtMaximumCount();
    void manualRange();
    void readsSeriesTexts_data();
    void readsSeriesTexts();
    void refiltersSeries_data();
    void refiltersSeries();
    void storedSeriesHoldsAtMost65535();
    void redrawsSeriesWindow_data();
    void redrawsSeriesWindow();
    void redrawSeriesKeepsManualRange();
    void trackBarMaximumReachesLastEntry_data();
    void trackBarMaximumReachesLastEntry();
};

// Steps 6 and 8 plugged into the real result sequence, filter on from the first frame.
void TestFilters::filtersLiveResults_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<double>("timeConstant");
    QTest::addColumn<QList<int>>("readings");
    QTest::addColumn<QList<double>>("shown");
    QTest::addColumn<QString>("jumpText");
    QTest::newRow("mT: noise smoothed, a step passes")
        << 0x00 << 0.05 << QList<int>{1000, 1002, 1020}
        << QList<double>{10.0, 10.000975411509986, 10.2} << "Maksymalny skok:    0.20";
    QTest::newRow("Gs: 0.3 is below its threshold 0.5")
        << 0x04 << 1.0 << QList<int>{1000, 1003, 1003}
        << QList<double>{100.0, 100.18963616764856, 100.25939941502901} << "Maksymalny skok:     0.2";
    QTest::newRow("kA/m: 0.05 exceeds its threshold 0.04")
        << 0x08 << 0.05 << QList<int>{100, 105} << QList<double>{1.0, 1.05} << "Maksymalny skok:    0.05";
}

void TestFilters::filtersLiveResults()
{
    QFETCH(int, status);
    QFETCH(double, timeConstant);
    QFETCH(QList<int>, readings);
    QFETCH(QList<double>, shown);
    QFETCH(QString, jumpText);
    FirstResultFlag first;
    DigitalFilter filter;
    MaximumJump jump;
    filter.SetTimeConstant(timeConstant);
    QString caption;
    ResultSteps steps;
    steps.digitalFilter = [&](MeasurementResult& r) { r.value = filter.Apply(r.value, r.jumpThreshold, first); };
    steps.maximumJump = [&](const MeasurementResult& r) { caption = jump.Apply(r.value, r.decimalClass, first); };
    for (int i = 0; i < readings.size(); ++i) {
        const MeasurementResult r = ProcessResultFrame(Frame(quint8(status), qint16(readings[i])), steps);
        QVERIFY2(Near(r.value, shown[i]), qPrintable(QString::number(r.value, 'g', 17)));
    }
    QCOMPARE(caption, jumpText);
}

// Switching the filter on again clears the flag: only the jump step sets it again.
void TestFilters::restartPassesNextResultUnfiltered()
{
    FirstResultFlag first;
    DigitalFilter filter;
    MaximumJump jump;
    filter.SetTimeConstant(0.05);
    QCOMPARE(filter.Apply(10.0, 0.05, first), 10.0);
    QCOMPARE(filter.Apply(10.03, 0.05, first), 10.03);  // the filter itself leaves the flag clear
    jump.Apply(10.03, 0, first);
    QVERIFY(first.IsSet());
    first.Clear();
    QCOMPARE(filter.Apply(10.0, 0.05, first), 10.0);
    QCOMPARE(jump.Apply(10.0, 0, first), QStringLiteral("Maksymalny skok:    0.00"));
    jump.Apply(12.5, 0, first);
    jump.Reset();
    QCOMPARE(jump.Apply(12.0, 0, first), QStringLiteral("Maksymalny skok:    0.50"));
}

void TestFilters::temperatureFilter_data()
{
    QTest::addColumn<QList<double>>("temperatures");
    QTest::addColumn<double>("last");
    QTest::newRow("smoothed") << QList<double>{250, 260} << 253.93469340287368;
    QTest::newRow("950 is below the threshold") << QList<double>{250, 1300} << 663.1428073017349;
    QTest::newRow("probe attached passes") << QList<double>{-10000, 250} << 250.0;
}

void TestFilters::temperatureFilter()
{
    QFETCH(QList<double>, temperatures);
    QFETCH(double, last);
    TemperatureFilter filter;
    filter.SetTimeConstant(0.5);
    filter.Apply(999);
    filter.Restart();
    double out = 0;
    for (double t : temperatures)
        out = filter.Apply(t);
    QVERIFY(Near(out, last));
}

void TestFilters::parsesTimeConstant_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("decimal comma") << "0,05" << true << 0.05;
    QTest::newRow("full stop") << "0.05" << true << 0.05;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("empty, as TauTemp starts") << "" << false << 0.0;
    QTest::newRow("only the first comma") << "1,5,2" << false << 0.0;
    QTest::newRow("trailing text") << "0.05s" << false << 0.0;
    QTest::newRow("not finite") << "nan" << false << 0.0;
}

void TestFilters::parsesTimeConstant()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const auto t = ParseTimeConstant(text);
    QCOMPARE(t.has_value(), ok);
    if (ok)
        QCOMPARE(*t, value);
}

void TestFilters::statistics_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("rising") << QList<double>{10, 20, 30} << QStringList{"  10.00", "  30.00", "  20.00"};
    QTest::newRow("falling") << QList<double>{30, 20, 10} << QStringList{"  10.00", "  30.00", "  20.00"};
    QTest::newRow("negative") << QList<double>{-1.5, 2.5} << QStringList{"  - 1.50", "   2.50", "   0.50"};
}

void TestFilters::statistics()
{
    QFETCH(QList<double>, values);
    QFETCH(QStringList, texts);
    Statistics stats;
    std::optional<StatisticsTexts> shown;
    for (double v : values)
        shown = stats.Apply(v, 0);
    QVERIFY(shown);
    QCOMPARE((QStringList{shown->minimum, shown->maximum, shown->average}), texts);
    QCOMPARE(stats.Count(), qint32(values.size()));
}

void TestFilters::restartMakesNextResultMinMaxAverage()
{
    Statistics stats;
    for (double v : {10.0, 20.0, 30.0})
        stats.Apply(v, 1);
    stats.RequestRestart();
    const auto shown = stats.Apply(70, 1);
    QCOMPARE(shown->minimum, QStringLiteral("   70.0"));
    QCOMPARE(shown->maximum, shown->minimum);
    QCOMPARE(shown->average, shown->minimum);
    QCOMPARE(stats.Count(), 1);
}

void TestFilters::statisticsFreezeAtMaximumCount()
{
    Statistics stats;
    stats.Apply(10, 0);
    stats.SetCountForTest(Statistics::FrozenCount - 1);
    QVERIFY(stats.Apply(20, 0));  // the last result counted
    QCOMPARE(stats.Count(), Statistics::FrozenCount);
    QCOMPARE(stats.Maximum(), 20.0);
    const double average = stats.Average();
    QVERIFY(!stats.Apply(-5, 0));
    QCOMPARE(stats.Count(), Statistics::FrozenCount);
    QCOMPARE(stats.Minimum(), 10.0);
    QCOMPARE(stats.Average(), average);
}

void TestFilters::manualRange()
{
    const ChartRange start = ManualChartRange(52, 500);
    QVERIFY(Near(start.lower, 22.96) && Near(start.upper, 77.04));
    const ChartRange narrowest = ManualChartRange(1, -4000);
    QVERIFY(Near(narrowest.lower, -400.01) && Near(narrowest.upper, -399.99));
    TWykres chart;
    ApplyChartScaling(chart, false, 52, 500);
    QVERIFY(!chart.AutoSkala() && Near(chart.Min(), 22.96) && Near(chart.Max(), 77.04));
    ApplyChartScaling(chart, true, 100, 0);
    QVERIFY(chart.AutoSkala() && Near(chart.Max(), 77.04));
}

void TestFilters::readsSeriesTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("space after the minus") << "  - 1.50" << true << -1.5;
    QTest::newRow("too wide, two spaces") << "-  12345.67" << true << -12345.67;
    QTest::newRow("plus sign") << "+ 2.5" << true << 2.5;
    QTest::newRow("exponent") << "1e2" << true << 100.0;
    QTest::newRow("decimal comma") << "  12,50" << false << 0.0;
    QTest::newRow("trailing text") << "1.5 mT" << false << 0.0;
    QTest::newRow("two signs") << "+-1" << false << 0.0;
    QTest::newRow("infinity") << "inf" << false << 0.0;
    QTest::newRow("unicode minus") << QString::fromUtf8("\u2212 1.5") << false << 0.0;
}

void TestFilters::readsSeriesTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const auto number = SeriesTextToNumber(text);
    QCOMPARE(number.has_value(), ok);
    if (ok)
        QCOMPARE(*number, value);
}

// Value texts as recorded (a space after the minus), filtered from the first entry on.
void TestFilters::refiltersSeries_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<double>("timeConstant");
    QTest::addColumn<QList<double>>("values");
    QTest::newRow("value texts") << QStringList{"  - 1.50", "   2.00", "  - 3.00", "- 1234.56"} << 0.05
                                 << QList<double>{-1.5, -1.329302985752499, -1.4107838406222883, -61.552180789208705};
    QTest::newRow("filter switched off: T = 1") << QStringList{"  10.00", "  20.00"} << 1.0
                                                << QList<double>{10, 16.321205588285576};
    // A line that is not a number holds the filtered value and leaves the filter where it was.
    QTest::newRow("line not a number") << QStringList{"  10.00", "abc", "  12.00"} << 0.05
                                       << QList<double>{10, 10, 10.097541150998572};
    QTest::newRow("leading lines not numbers") << QStringList{"", "nan", "   4.00", "   5.00"} << 0.05
                                               << QList<double>{4, 4, 4, 4.048770575499286};
    QTest::newRow("no number at all") << QStringList{"x"} << 0.05 << QList<double>{0};
}

void TestFilters::refiltersSeries()
{
    QFETCH(QStringList, texts);
    QFETCH(double, timeConstant);
    QFETCH(QList<double>, values);
    StoredSeries series;
    for (const QString& text : texts)
        QVERIFY(series.AppendText(text));
    RefilterSeries(series, timeConstant);
    for (int i = 1; i <= series.Count(); ++i)
        QVERIFY2(Near(series.Value(i), values[i - 1]), qPrintable(QString::number(i)));
}

void TestFilters::storedSeriesHoldsAtMost65535()
{
    StoredSeries series = Numbered(StoredSeries::MaximumCount);
    QVERIFY(!series.Append(QStringLiteral("   1.00"), 1));
    QCOMPARE(series.Count(), 65535);
    QCOMPARE(series.Text(1), QStringLiteral("1"));
    QCOMPARE(series.Value(65535), 65535.0);
}

// Values are entry numbers; the chart (529 wide, strip 527) shows oldest..newest.
void TestFilters::redrawsSeriesWindow_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("oldest");
    QTest::addColumn<int>("newest");
    QTest::newRow("100 entries, whole") << 100 << 1 << 1 << 100;
    QTest::newRow("strip length, whole") << 527 << 1 << 1 << 527;
    QTest::newRow("528 entries, first window") << 528 << 1 << 1 << 527;
    QTest::newRow("528 entries, last window") << 528 << 2 << 2 << 528;
    QTest::newRow("1000 entries, first window") << 1000 << 1 << 1 << 527;
    QTest::newRow("1000 entries, last window") << 1000 << 474 << 474 << 1000;
    QTest::newRow("start 0 taken as 1") << 100 << 0 << 1 << 100;
    QTest::newRow("start past the end: last entry") << 100 << 500 << 100 << 100;
    QTest::newRow("empty series") << 0 << 1 << 0 << 0;
}

void TestFilters::redrawsSeriesWindow()
{
    QFETCH(int, count);
    QFETCH(int, start);
    QFETCH(int, oldest);
    QFETCH(int, newest);
    TWykres chart;
    SetUpMainWindowChart(chart);
    chart.AddValue(-7);
    RedrawSeries(Numbered(count), start, chart);
    QVERIFY(chart.AutoSkala());
    std::vector<double> expected;
    TWykres direct;  // the same entries added one by one with automatic scaling
    SetUpMainWindowChart(direct);
    direct.Clear();
    for (int i = oldest; i <= newest && i > 0; ++i) {
        expected.push_back(i);
        direct.AddValue(i);
    }
    QCOMPARE(chart.Values(), expected);
    QCOMPARE(chart.Picture(), direct.Picture());
}

void TestFilters::redrawSeriesKeepsManualRange()
{
    TWykres chart;
    ApplyChartScaling(chart, false, 52, 500);
    RedrawSeries(Numbered(60), 1, chart);
    QVERIFY(!chart.AutoSkala() && Near(chart.Min(), 22.96) && Near(chart.Max(), 77.04));
    QCOMPARE(chart.Ilosc(), quint16(60));
}

void TestFilters::trackBarMaximumReachesLastEntry_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("maximum");
    QTest::newRow("empty") << 0 << 1;
    QTest::newRow("fits the strip") << 527 << 1;
    QTest::newRow("strip plus one") << 528 << 2;
    QTest::newRow("strip plus two") << 529 << 3;
    QTest::newRow("1000") << 1000 << 474;
    QTest::newRow("longest") << 65535 << 65009;
}

void TestFilters::trackBarMaximumReachesLastEntry()
{
    QFETCH(int, count);
    QFETCH(int, maximum);
    TWykres chart;
    QCOMPARE(TrackBarMaximum(count, chart.StripLength()), maximum);
    if (count == 0)
        return;
    const StoredSeries series = Numbered(count);
    RedrawSeries(series, 1, chart);  // the first entry is on the strip at position 1
    QCOMPARE(chart.Values().front(), 1.0);
    RedrawSeries(series, maximum, chart);
    QCOMPARE(chart.Values().back(), double(count));
    QCOMPARE(int(chart.Ilosc()), std::min(count, chart.StripLength()));
    if (maximum > 1) {  // one position less stops short: the range is no longer than needed
        RedrawSeries(series, maximum - 1, chart);
        QCOMPARE(chart.Values().back(), double(count - 1));
    }
}

QTEST_MAIN(TestFilters)
#include "test_filters.moc"
