// The receive algorithm: framing, resynchronisation, backlog trim, pause, modes, dump decoding.
#include <QtTest>

#include "link/MeterProtocol.h"

namespace {
QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// A frame whose status, temperature and reading bytes hold neither AA nor 55.
QByteArray Frame(quint8 status, qint16 temperature, qint16 reading) {
  QByteArray f = Hex("AA55");
  f.append(char(status));
  f.append(char(quint16(temperature) & 0xFF)).append(char(quint16(temperature) >> 8));
  f.append(char(quint16(reading) & 0xFF)).append(char(quint16(reading) >> 8));
  return f;
}

QByteArray FrameBytes(const ResultFrame& f) {
  return QByteArray(reinterpret_cast<const char*>(f.data()), int(f.size()));
}
}  // namespace

class TestReceiver : public QObject {
  Q_OBJECT
 private slots:
  // Each row: the arrivals ("|" separates them), the frames expected after each arrival ("-"
  // for none), the buffer left at the end, and how many more bytes the next arrival needs to
  // hand on a frame (what the port is told to wait for).
  void arrivals_data() {
    QTest::addColumn<QString>("arrivals");
    QTest::addColumn<QString>("frames");
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("needed");
    QTest::newRow("one arrival") << "AA55012C01E803" << "AA55012C01E803" << "" << 7;
    QTest::newRow("split 3+4") << "AA5501|2C01E803" << "-|AA55012C01E803" << "" << 7;
    QTest::newRow("split 1+6") << "AA|55012C01E803" << "-|AA55012C01E803" << "" << 7;
    QTest::newRow("header alone") << "AA" << "-" << "AA" << 6;
    QTest::newRow("frame begun") << "AA55012C" << "-" << "AA55012C" << 3;
    QTest::newRow("starts mid-frame")
        << "03AA55012C01E803|AA550000000102" << "-|AA55012C01E803" << "AA550000000102" << 1;
    QTest::newRow("AA then not 55") << "AA12AA55|012C01E803"
                                    << "-|AA55012C01E803" << "" << 7;
    QTest::newRow("55 without AA") << "1255012C01E803|AA55012C01E803" << "-|-"
                                   << "AA55012C01E803" << 1;
    QTest::newRow("garbage only") << "0102030405" << "-" << "05" << 1;
    QTest::newRow("three frames, no trim")
        << "AA550001000200AA550003000400AA550005000600"
        << "AA550001000200" << "AA550003000400AA550005000600" << 1;
  }
  void arrivals() {
    QFETCH(QString, arrivals);
    QFETCH(QString, frames);
    QFETCH(QString, left);
    QFETCH(int, needed);
    const QStringList in = arrivals.split('|');
    const QStringList expected = frames.split('|');
    QCOMPARE(in.size(), expected.size());
    FrameAssembler assembler;
    for (int i = 0; i < in.size(); ++i) {
      const auto frame = assembler.Append(Hex(in[i].toLatin1()));
      if (expected[i] == "-")
        QVERIFY2(!frame, qPrintable(QString("arrival %1 gave a frame").arg(i + 1)));
      else {
        QVERIFY2(frame, qPrintable(QString("arrival %1 gave no frame").arg(i + 1)));
        QCOMPARE(FrameBytes(*frame).toHex().toUpper(), expected[i].left(14).toLatin1());
      }
    }
    QCOMPARE(assembler.Buffer().toHex().toUpper(), left.toLatin1());
    QCOMPARE(assembler.BytesToNextFrame(), needed);
  }

  void fourFramesTrimToTheNewest() {
    FrameAssembler assembler;
    QByteArray four;
    for (int i = 0; i < 4; ++i) four += Frame(0x01, 300 + i, 1000 + i);
    const auto first = assembler.Append(four);
    QVERIFY(first);
    QCOMPARE(FrameBytes(*first), Frame(0x01, 300, 1000));
    // The trim stops at the fourth frame's 55 and keeps its last five bytes ...
    QCOMPARE(assembler.Buffer(), four.right(5));
    // ... which the next arrival discards; the frame after them is the next one shown.
    EXPECT_NO_FRAME_THEN(assembler, Frame(0x00, 1, 2));
  }

  void backlogWithoutHeaderIsLeftForTheNextArrival() {
    FrameAssembler assembler;
    QByteArray bytes = Frame(0, 1, 2) + QByteArray(20, char(0x11));
    QVERIFY(assembler.Append(bytes));
    QCOMPARE(assembler.Length(), 20);
    QVERIFY(!assembler.Append(Frame(0, 5, 6)));  // resynchronises onto the new header
    QCOMPARE(assembler.Buffer(), Frame(0, 5, 6));
  }

  // Floods: whatever arrives, the buffer stays within its capacity and the link recovers.
  void floodsStayInsideTheBuffer_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("seed");
    QTest::newRow("random 300") << 300 << 1;
    QTest::newRow("random 5000") << 5000 << 2;
    QTest::newRow("frames 4000") << 4000 << -1;
  }
  void floodsStayInsideTheBuffer() {
    QFETCH(int, size);
    QFETCH(int, seed);
    FrameAssembler assembler;
    QByteArray bytes;
    if (seed < 0) {
      while (bytes.size() < size) bytes += Frame(0x02, 250, 1234);
    } else {
      QRandomGenerator gen(seed);
      for (int i = 0; i < size; ++i) bytes.append(char(gen.bounded(256)));
    }
    for (int i = 0; i < 20; ++i) {
      assembler.Append(bytes.mid(i * 37 % bytes.size(), 251 + i));
      QVERIFY(assembler.Length() <= FrameAssembler::kCapacity);
    }
    assembler.Append(bytes);
    QVERIFY(assembler.Length() <= FrameAssembler::kCapacity);
    // A few clean frames later results flow again.
    bool recovered = false;
    for (int i = 0; i < 4 && !recovered; ++i) {
      const auto f = assembler.Append(Frame(0x00, 7, 42));
      recovered = f && FrameBytes(*f) == Frame(0x00, 7, 42);
    }
    QVERIFY(recovered);
  }

  void pauseAndSingleResult() {
    MeterReceiver rx;
    rx.setPaused(true);
    QVERIFY(!rx.Receive(Frame(0, 1, 2)));
    QCOMPARE(rx.assembler().Length(), 0);
    QVERIFY(rx.dataSeen());
    rx.requestSingleResult();
    const auto one = rx.Receive(Frame(0, 3, 4));
    QVERIFY(one);
    QCOMPARE(FrameBytes(*one), Frame(0, 3, 4));
    QVERIFY(!rx.Receive(Frame(0, 5, 6)));  // the request is used up
    // A request whose arrival holds less than a frame shows nothing and is used up too.
    rx.requestSingleResult();
    QVERIFY(!rx.Receive(Frame(0, 7, 8).left(3)));
    QVERIFY(!rx.singleResultRequested());
    QVERIFY(!rx.Receive(Frame(0, 7, 8).mid(3)));
    rx.setPaused(false);
    QVERIFY(rx.Receive(Frame(0, 9, 10)));
  }

  void receiveModes() {
    MeterReceiver rx;
    rx.setMode(MeterReceiver::kIgnore);
    QVERIFY(!rx.Receive(Frame(0, 1, 2)));
    QVERIFY(rx.dump().isEmpty());
    QCOMPARE(rx.assembler().Length(), 0);
    rx.clearDataSeen();
    rx.setMode(MeterReceiver::kCollectDump);
    QVERIFY(!rx.Receive(Frame(0, 1, 2)));
    QVERIFY(rx.dataSeen());
    QCOMPARE(rx.dump(), Frame(0, 1, 2));
    QCOMPARE(rx.assembler().Length(), 0);
    rx.setPaused(true);  // the pause holds the display, never a download's dump
    rx.Receive(Hex("0102"));
    QCOMPARE(rx.dump(), Frame(0, 1, 2) + Hex("0102"));
  }

  void dumpIsBoundedByTheMeterMemory() {
    MeterReceiver rx;
    rx.setMode(MeterReceiver::kCollectDump);
    const QByteArray chunk(1000, char(0x01));
    for (int i = 0; i < 70; ++i) rx.Receive(chunk);
    QCOMPARE(rx.dump().size(), MeterReceiver::kDumpCapacity);
  }

  void dumpDecoding_data() {
    QTest::addColumn<QVector<int>>("words");
    QTest::addColumn<int>("decimalClass");
    QTest::addColumn<QVector<int>>("readings");
    QTest::newRow("range 2 header, 5001 and -5000 skipped")
        << QVector<int>{5001 + 0x0200, 10, 5001, -5000} << 1 << QVector<int>{10};
    QTest::newRow("range 1, bounds") << QVector<int>{5001, -4999, 5000, -5001, 0, 32767}
                                     << 0 << QVector<int>{-4999, 5000, 0};
    QTest::newRow("header only") << QVector<int>{5001 + 0x0300} << 1 << QVector<int>{};
    QVector<int> many{5001};
    QVector<int> expected;
    for (int i = 0; i < 600; ++i) {
      many << (i * 17) % 9000 - 4500;
      expected << (i * 17) % 9000 - 4500;
    }
    QTest::newRow("600 readings, well past 255 bytes") << many << 0 << expected;
  }
  void dumpDecoding() {
    QFETCH(QVector<int>, words);
    QFETCH(int, decimalClass);
    QFETCH(QVector<int>, readings);
    QByteArray dump;
    for (int w : words) dump.append(char(quint16(w) & 0xFF)).append(char(quint16(w) >> 8));
    dump.append(char(0x7F));  // a trailing odd byte is ignored
    const StoredReadings decoded = DecodeDump(dump);
    QCOMPARE(decoded.decimalClass, decimalClass);
    QVector<int> got;
    for (qint16 r : decoded.readings) got << r;
    QCOMPARE(got, readings);
  }

 private:
  static void EXPECT_NO_FRAME_THEN(FrameAssembler& assembler, const QByteArray& next) {
    QVERIFY(!assembler.Append(next));
    QCOMPARE(assembler.Buffer(), next);
    const auto f = assembler.Append(QByteArray());
    QVERIFY(f);
    QCOMPARE(FrameBytes(*f), next);
  }
};

QTEST_APPLESS_MAIN(TestReceiver)
#include "test_receiver.moc"
