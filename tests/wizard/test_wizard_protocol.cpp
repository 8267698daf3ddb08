// The reference meter's replies, the calibrated meter's frames and the wizard's number texts.
#include <QtTest>

#include "link/ComPort.h"
#include "wizard/CalibratedFrames.h"
#include "wizard/ReferenceProtocol.h"
#include "wizard/WizardTexts.h"

namespace {
QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }
}  // namespace

class TestWizardProtocol : public QObject {
  Q_OBJECT
 private slots:
  void commandsOnTheWire() {
    QCOMPARE(reference::SetMasterCommand(), Hex("1B 4C 4F 32 0D"));
    QCOMPARE(reference::SetSlaveCommand(), Hex("1B 4C 4F 31 0D"));
    QCOMPARE(reference::MeasureCommand("1"), Hex("1B 4D 45 31 30 30 30 30 30 30 30 30 0D"));
    QCOMPARE(reference::MeasureCommand("3").size(), 13);
  }

  void measurementReplies_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("classifierWrong");
    QTest::newRow("decade 3: x 0.01") << "ME103x12345x" << "1" << true << 123.45 << false;
    QTest::newRow("as the reference sends it") << "ME103 12345 \r" << "1" << true << 123.45 << false;
    QTest::newRow("other channel") << "ME103 12345 \r" << "2" << false << 0.0 << false;
    QTest::newRow("channel 2") << "ME201 -5000 \r" << "2" << true << -0.5 << false;
    QTest::newRow("decade 1: x 0.0001") << "ME101 10000 \r" << "1" << true << 1.0 << false;
    QTest::newRow("decade 7: x 100") << "ME107 00250 \r" << "1" << true << 25000.0 << false;
    QTest::newRow("classifier 1: still read") << "ME113 12345 \r" << "1" << true << 123.45 << true;
    QTest::newRow("unknown decade 9") << "ME109 12345 \r" << "1" << false << 0.0 << false;
    QTest::newRow("unknown decade 0") << "ME100 12345 \r" << "1" << false << 0.0 << false;
    QTest::newRow("nan") << "ME105 nan   \r" << "1" << false << 0.0 << false;
    QTest::newRow("inf") << "ME105 inf   \r" << "1" << false << 0.0 << false;
    QTest::newRow("exponent past the largest double") << "ME207 2E306 \r" << "2" << false << 0.0 << false;
    QTest::newRow("letters") << "ME105 12a45 \r" << "1" << false << 0.0 << false;
    QTest::newRow("short") << "ME105 12" << "1" << false << 0.0 << false;
    QTest::newRow("empty: a silent meter") << "" << "1" << false << 0.0 << false;
    QTest::newRow("an echo of LO2") << "LO2" << "1" << false << 0.0 << false;
    QTest::newRow("lower case") << "me103 12345 \r" << "1" << false << 0.0 << false;
  }
  void measurementReplies() {
    QFETCH(QString, reply);
    QFETCH(QString, channel);
    QFETCH(bool, valid);
    QFETCH(double, value);
    QFETCH(bool, classifierWrong);
    const reference::MeasurementReply parsed = reference::ParseMeasurementReply(reply, channel);
    QCOMPARE(parsed.valid, valid);
    if (valid) QCOMPARE(parsed.value, value);
    QCOMPARE(parsed.classifierWrong, classifierWrong);
  }

  void calibratedFrames_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("rangeIndex");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<int>("rangeCode");
    QTest::addColumn<int>("wrongRange");
    QTest::addColumn<double>("reading");
    QTest::newRow("DC2 as expected") << Hex("AA 55 02 00 00 39 30") << 1 << false << 1 << 0 << 12345.0;
    QTest::newRow("DC1 while DC2 expected") << Hex("AA 55 00 00 00 39 30") << 1 << false << 0 << 1 << 1234.5;
    QTest::newRow("negative") << Hex("AA 55 02 00 00 C7 CF") << 1 << false << 1 << 0 << -12345.0;
    QTest::newRow("negative, sign inverted") << Hex("AA 55 02 00 00 C7 CF") << 1 << true << 1 << 0 << 12345.0;
    QTest::newRow("AC1, unit bits ignored") << Hex("AA 55 45 FA 00 F6 FF") << 2 << false << 2 << 0 << -1.0;
    QTest::newRow("AC2") << Hex("AA 55 03 FA 00 10 27") << 3 << false << 3 << 0 << 10000.0;
  }
  void calibratedFrames() {
    QFETCH(QByteArray, frame);
    QFETCH(int, rangeIndex);
    QFETCH(bool, invert);
    QFETCH(int, rangeCode);
    QFETCH(int, wrongRange);
    QFETCH(double, reading);
    ResultFrame f{};
    for (int i = 0; i < 7; ++i) f[i] = quint8(frame[i]);
    QCOMPARE(DecodeCalibratedFrame(f).rangeCode, rangeCode);
    CalibratedReceiver receiver;
    QVERIFY(receiver.Receive(frame, rangeIndex, invert));
    QCOMPARE(receiver.WrongRange(), wrongRange);
    QCOMPARE(receiver.Reading(), reading);
    QCOMPARE(receiver.FramesDecoded(), 1);
  }

  // The buffer's cutting is FrameAssembler's; here only that the wizard's receiver keeps the
  // reading until a frame is complete and takes one frame an arrival.
  void arrivalsAndTheReading() {
    CalibratedReceiver receiver;
    QVERIFY(receiver.Receive(Hex("AA 55 00 00 00 64 00"), 0, false));  // 10.0
    QVERIFY(!receiver.Receive(Hex("AA 55 00"), 0, false));
    QCOMPARE(receiver.Reading(), 10.0);
    QVERIFY(receiver.Receive(Hex("00 00 C8 00"), 0, false));
    QCOMPARE(receiver.Reading(), 20.0);
    // Garbage in front: this arrival only resynchronises, the next one decodes.
    QVERIFY(!receiver.Receive(Hex("12 34 AA 55 00 00 00 2C 01"), 0, false));
    QCOMPARE(receiver.Reading(), 20.0);
    QVERIFY(receiver.Receive(QByteArray(), 0, false));
    QCOMPARE(receiver.Reading(), 30.0);
    QCOMPARE(receiver.FramesDecoded(), 3);
    receiver.ClearFrameCount();
    QCOMPARE(receiver.FramesDecoded(), 0);
  }

  void numberTexts_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("fixed5x2");
    QTest::addColumn<QString>("fixed5x4");
    QTest::addColumn<QString>("general4");
    QTest::newRow("50") << "C" << 50.0 << "50.00" << "50.0000" << "50";
    QTest::newRow("50, Polish") << "pl_PL" << 50.0 << "50,00" << "50,0000" << "50";
    QTest::newRow("123.456") << "C" << 123.456 << "123.46" << "123.4600" << "123.5";
    QTest::newRow("rounded to 5 digits first") << "C" << 12345.678 << "12346.00" << "12346.0000" << "1.235e+04";
    QTest::newRow("no group separator") << "pl_PL" << -4321.5 << "-4321,50" << "-4321,5000" << "-4322";
    QTest::newRow("too many digits") << "C" << 123456.0 << "1.2346e+05" << "1.2346e+05" << "1.235e+05";
    QTest::newRow("small") << "C" << 0.000123456 << "0.00" << "0.0001" << "0.0001235";
    QTest::newRow("zero") << "C" << 0.0 << "0.00" << "0.0000" << "0";
  }
  void numberTexts() {
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(QString, fixed5x2);
    QFETCH(QString, fixed5x4);
    QFETCH(QString, general4);
    const QLocale l(locale);
    QCOMPARE(wizard_text::FormatFixed(value, 5, 2, l), fixed5x2);
    QCOMPARE(wizard_text::FormatFixed(value, 5, 4, l), fixed5x4);
    QCOMPARE(wizard_text::FormatGeneral(value, 4, l), general4);
  }

  void portSummaries() {
    QCOMPARE(wizard_text::PortSummary(ComPortSettings::KComWzor()), QString("COM2, 9600, 7, 1, None"));
    QCOMPARE(wizard_text::PortSummary(ComPortSettings::KComKalib()), QString("COM1, 9600, 8, 1, None"));
    ComPortSettings s;
    s.portName = "COM2";
    s.baudRate = 19200;
    s.stopBits = QSerialPort::TwoStop;
    s.parity = QSerialPort::EvenParity;
    QCOMPARE(wizard_text::PortSummary(s), QString("COM2, 19200, 8, 2, Even"));
  }
};

QTEST_GUILESS_MAIN(TestWizardProtocol)
#include "test_wizard_protocol.moc"
