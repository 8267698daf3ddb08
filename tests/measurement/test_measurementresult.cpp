// Result frames decoded into values, units and the texts shown, recorded and stored in data files.

#include "settings/Jezyki.h"
#include "measurement/MeasurementResult.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QtTest>

#include <clocale>

namespace {

std::array<quint8, 7> Frame(quint8 status, qint16 temperature, qint16 reading)
{
    const auto t = quint16(temperature);
    const auto r = quint16(reading);
    return {0xAA, 0x55, status, quint8(t & 0xFF), quint8(t >> 8), quint8(r & 0xFF), quint8(r >> 8)};
}

// How the data file is read back: every space removed, then a plain decimal number.
double ParseBack(QString text)
{
    text.remove(QLatin1Char(' '));
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : qQNaN();
}

}  // namespace

class TestMeasurementResult : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void decodesFrame_data();
    void decodesFrame();
    void decodesEveryStatusBit();
    void scalesReading_data();
    void scalesReading();
    void formatsValueText_data();
    void formatsValueText();
    void formatFixedSpacesOnlyOnce_data();
    void formatFixedSpacesOnlyOnce();
    void valueTextSurvivesDataFileRoundTrip();
    void formatsTemperature_data();
    void formatsTemperature();
};

// The texts must not follow the user's locale: a Polish desktop writes a comma otherwise.
void TestMeasurementResult::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    const char* candidates[] = {"pl_PL.UTF-8", "pl_PL.utf8", "de_DE.UTF-8", "de_DE.utf8"};
    const char* active = nullptr;
    for (const char* name : candidates) {
        if (std::setlocale(LC_ALL, name)) {
            active = name;
            break;
        }
    }
    qInfo("C locale for this run: %s", active ? active : "none with a decimal comma installed");
}

void TestMeasurementResult::cleanup()
{
    CurrentLanguage = QStringLiteral("Polski");
}

void TestMeasurementResult::decodesFrame_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("reading");
    QTest::addColumn<int>("decimalClass");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("jumpThreshold");
    QTest::addColumn<bool>("alternating");
    QTest::addColumn<bool>("range2");
    QTest::addColumn<bool>("autoPowerOff");
    QTest::addColumn<QString>("display");  // SWynik: value text and unit

    QTest::newRow("mT range 1") << 0x00 << 1234 << 0 << 12.34 << 0.05 << false << false << false
                                << "  12.34 mT";
    QTest::newRow("mT range 2") << 0x02 << 1234 << 1 << 123.4 << 0.05 << false << true << false
                                << "  123.4 mT";
    QTest::newRow("Gs range 1") << 0x04 << 1234 << 1 << 123.4 << 0.5 << false << false << false
                                << "  123.4 Gs";
    QTest::newRow("Gs range 2") << 0x06 << 1234 << 2 << 1234.0 << 0.5 << false << true << false
                                << "   1234 Gs";
    QTest::newRow("kA/m range 1, negative") << 0x08 << -5 << 0 << -0.05 << 0.04 << false << false
                                            << false << "  - 0.05 kA/m";
    QTest::newRow("kA/m range 2") << 0x0A << -1234 << 1 << -123.4 << 0.04 << false << true << false
                                  << " - 123.4 kA/m";
    QTest::newRow("over-range tripled in class 1") << 0x02 << 10000 << 1 << 3000.0 << 0.05 << false
                                                   << true << false << " 3000.0 mT";
    QTest::newRow("no tripling in class 0") << 0x00 << 10000 << 0 << 100.0 << 0.05 << false << false
                                            << false << " 100.00 mT";
    QTest::newRow("over-range tripled in class 2") << 0x06 << -10000 << 2 << -30000.0 << 0.5
                                                   << false << true << false << " - 30000 Gs";
    QTest::newRow("AC shows magnitude") << 0x01 << -300 << 0 << 3.0 << 0.05 << true << false
                                        << false << "   3.00 mT";
    QTest::newRow("Gs outranks kA/m bit") << 0x0C << 55 << 1 << 5.5 << 0.5 << false << false
                                          << false << "    5.5 Gs";
    QTest::newRow("power-off bit") << 0x40 << 0 << 0 << 0.0 << 0.05 << false << false << true
                                   << "   0.00 mT";
    QTest::newRow("AC Gs range 2 power-off") << 0x47 << -32768 << 2 << 32768.0 << 0.5 << true
                                             << true << true << "  32768 Gs";
}

void TestMeasurementResult::decodesFrame()
{
    QFETCH(int, status);
    QFETCH(int, reading);
    QFETCH(int, decimalClass);
    QFETCH(double, value);
    QFETCH(double, jumpThreshold);
    QFETCH(bool, alternating);
    QFETCH(bool, range2);
    QFETCH(bool, autoPowerOff);
    QFETCH(QString, display);

    const MeasurementResult r = DecodeResultFrame(Frame(quint8(status), 253, qint16(reading)));
    QCOMPARE(r.decimalClass, decimalClass);
    QCOMPARE(r.value, value);
    QCOMPARE(r.jumpThreshold, jumpThreshold);
    QCOMPARE(r.alternating, alternating);
    QCOMPARE(r.range2, range2);
    QCOMPARE(r.autoPowerOff, autoPowerOff);
    QCOMPARE(r.temperature, 253.0);
    QCOMPARE(FormatValueText(r.decimalClass, r.value) + r.unitText, display);
}

// Each flag comes from its own bit, and both 16-bit fields are read low byte first.
void TestMeasurementResult::decodesEveryStatusBit()
{
    for (int bit = 0; bit < 8; ++bit) {
        const auto flags = DecodeStatus(quint8(1u << bit));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(flags[i], i == bit);
    }
    const MeasurementResult r = DecodeResultFrame({0xAA, 0x55, 0x00, 0x34, 0x12, 0xFE, 0xFF});
    QCOMPARE(r.temperature, 4660.0);  // 0x1234
    QCOMPARE(r.value, -0.02);         // 0xFFFE = -2
}

void TestMeasurementResult::scalesReading_data()
{
    QTest::addColumn<int>("decimalClass");
    QTest::addColumn<int>("raw");
    QTest::addColumn<double>("value");

    QTest::newRow("class 0 +10000") << 0 << 10000 << 100.0;
    QTest::newRow("class 0 -10000") << 0 << -10000 << -100.0;
    QTest::newRow("class 1 +10000") << 1 << 10000 << 3000.0;
    QTest::newRow("class 1 -10000") << 1 << -10000 << -3000.0;
    QTest::newRow("class 1 9999") << 1 << 9999 << 999.9;
    QTest::newRow("class 1 10001") << 1 << 10001 << 1000.1;
    QTest::newRow("class 2 +10000") << 2 << 10000 << 30000.0;
    QTest::newRow("class 2 -9999") << 2 << -9999 << -9999.0;
    QTest::newRow("class 2 32767") << 2 << 32767 << 32767.0;
    QTest::newRow("class 0 -32768") << 0 << -32768 << -327.68;
}

void TestMeasurementResult::scalesReading()
{
    QFETCH(int, decimalClass);
    QFETCH(int, raw);
    QFETCH(double, value);
    QCOMPARE(ScaleReading(decimalClass, qint16(raw)), value);
}

void TestMeasurementResult::formatsValueText_data()
{
    QTest::addColumn<int>("decimalClass");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");

    // The worked examples of the data file and the display.
    QTest::newRow("12.34") << 0 << 12.34 << "  12.34";
    QTest::newRow("0.5") << 1 << 0.5 << "    0.5";
    QTest::newRow("-1.5") << 1 << -1.5 << "   - 1.5";
    QTest::newRow("-123.45 opens the field") << 0 << -123.45 << "-  123.45";
    QTest::newRow("2500") << 2 << 2500.0 << "   2500";
    QTest::newRow("-9999.9 opens the field") << 1 << -9999.9 << "-  9999.9";
    QTest::newRow("-12.34") << 0 << -12.34 << " - 12.34";
    QTest::newRow("3.5") << 1 << 3.5 << "    3.5";

    // Rounding to the nearest, halves away from zero as the decimal reads.
    QTest::newRow("0.125 up") << 0 << 0.125 << "   0.13";
    QTest::newRow("2.675 up though stored below") << 0 << 2.675 << "   2.68";
    QTest::newRow("1.005 up though stored below") << 0 << 1.005 << "   1.01";
    QTest::newRow("-2.675 away from zero") << 0 << -2.675 << "  - 2.68";
    QTest::newRow("0.05 to one decimal") << 1 << 0.05 << "    0.1";
    QTest::newRow("0.35 to one decimal") << 1 << 0.35 << "    0.4";
    QTest::newRow("2.5 to integer") << 2 << 2.5 << "      3";
    QTest::newRow("-0.5 to integer") << 2 << -0.5 << "     - 1";
    QTest::newRow("below half stays") << 0 << 12.344999 << "  12.34";
    QTest::newRow("carry through nines") << 0 << 9.995 << "  10.00";
    QTest::newRow("carry widens the field") << 1 << -99999.95 << "-  100000.0";
    QTest::newRow("a third") << 1 << 1.0 / 3 << "    0.3";

    // Zero and small numbers.
    QTest::newRow("zero") << 0 << 0.0 << "   0.00";
    QTest::newRow("negative zero has no sign") << 0 << -0.0 << "   0.00";
    QTest::newRow("rounds to zero has no sign") << 0 << -0.004 << "   0.00";
    QTest::newRow("tiny") << 1 << 1e-20 << "    0.0";
    QTest::newRow("half of the last decimal rounds up") << 0 << 0.005 << "   0.01";
    QTest::newRow("below half of the last decimal") << 0 << 0.0049 << "   0.00";
    QTest::newRow("carry into a new first digit") << 2 << 99.5 << "    100";

    // Wider than the field: never cut.
    QTest::newRow("wide positive") << 0 << 123456.78 << "123456.78";
    QTest::newRow("wide negative") << 2 << -1234567.0 << "-  1234567";
    QTest::newRow("beyond fifteen digits") << 0 << 1e20 << "100000000000000000000.00";
    QTest::newRow("largest double") << 2 << 1.7976931348623157e308
                                    << "17976931348623200" + QString(292, QLatin1Char('0'));
    QTest::newRow("infinite") << 0 << std::numeric_limits<double>::infinity() << "    inf";
}

void TestMeasurementResult::formatsValueText()
{
    QFETCH(int, decimalClass);
    QFETCH(double, number);
    QFETCH(QString, text);
    QCOMPARE(FormatValueText(decimalClass, number), text);
}

// FormatFixed (statistics, jump, temperature) adds only the space after the sign.
void TestMeasurementResult::formatFixedSpacesOnlyOnce_data()
{
    QTest::addColumn<int>("decimalClass");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");

    QTest::newRow("sign opens the field") << 0 << -123.45 << "- 123.45";
    QTest::newRow("sign inside the field") << 0 << -12.34 << " - 12.34";
    QTest::newRow("positive") << 1 << 3.5 << "    3.5";
    QTest::newRow("wider than the field") << 2 << -1234567.0 << "- 1234567";
}

void TestMeasurementResult::formatFixedSpacesOnlyOnce()
{
    QFETCH(int, decimalClass);
    QFETCH(double, number);
    QFETCH(QString, text);
    QCOMPARE(FormatFixed(decimalClass, number), text);
}

// A data file written by the program and read back shows the same texts and values: every reading
// the meter can send, and filtered values with arbitrary fractions.
void TestMeasurementResult::valueTextSurvivesDataFileRoundTrip()
{
    QRandomGenerator random(20240611);
    for (int cls = 0; cls <= 2; ++cls) {
        const double unit = std::pow(10.0, -DecimalsOfClass(cls));
        QList<double> values;
        for (int raw = -32768; raw <= 32767; ++raw)
            values << ScaleReading(cls, qint16(raw));
        for (int i = 0; i < 20000; ++i)
            values << (random.generateDouble() - 0.5) * 70000.0;

        for (double v : values) {
            const QString text = FormatValueText(cls, v);
            const double back = ParseBack(text);
            if (!(std::fabs(back - v) <= unit / 2 * (1 + 1e-9)) || FormatValueText(cls, back) != text)
                QFAIL(qPrintable(QStringLiteral("class %1 value %2 -> '%3' -> %4")
                                     .arg(cls).arg(v, 0, 'g', 17).arg(text).arg(back, 0, 'g', 17)));
        }
    }
}

void TestMeasurementResult::formatsTemperature_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<double>("temperature");
    QTest::addColumn<QString>("text");

    QTest::newRow("25.3") << "Polski" << 253.0 << "   25.3  C";
    QTest::newRow("below zero") << "Polski" << -5.0 << "   - 0.5  C";
    QTest::newRow("zero") << "Polski" << 0.0 << "    0.0  C";
    QTest::newRow("lowest real reading") << "Polski" << -9999.0 << " - 999.9  C";
    QTest::newRow("no probe, Polish") << "Polski" << -10000.0 << "brak sondy";
    QTest::newRow("no probe, English") << "Angielski" << -10000.0 << "no probe";
}

void TestMeasurementResult::formatsTemperature()
{
    QFETCH(QString, language);
    QFETCH(double, temperature);
    QFETCH(QString, text);
    CurrentLanguage = language;
    QCOMPARE(TemperatureText(temperature), text);
}

QTEST_GUILESS_MAIN(TestMeasurementResult)
#include "test_measurementresult.moc"
