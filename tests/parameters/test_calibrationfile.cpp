// The calibration file on real files: its exact bytes, the reading rules, the round trip, and
// saves and loads that fail.
#include <QtTest>

#include <sys/resource.h>
#include <csignal>

#include "parameters/CalibrationFile.h"
#include "tests/parameters/ReferenceCalibration.h"

namespace {
using P = MeterParameters;
using Texts = QMap<int, QString>;

QByteArray ReadRaw(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteRaw(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(f.write(bytes), bytes.size());
}

MeterParameters With(const Texts& texts) {
  MeterParameters p;
  for (auto it = texts.cbegin(); it != texts.cend(); ++it) p[it.key()] = it.value();
  return p;
}

// Holds the process's file size limit low, so that a write stops half-way as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  bool ok() const { return ok_; }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
  bool ok_ = false;
};
}  // namespace

class TestCalibrationFile : public QObject {
  Q_OBJECT
 private slots:
  void codePageIsAvailable() { QVERIFY(QStringEncoder("windows-1250").isValid()); }

  void exactBytes_data() {
    QTest::addColumn<Texts>("texts");
    QTest::addColumn<QByteArray>("bytes");
    QByteArray oneGain = "0,5";
    for (int i = 0; i < P::kCount; ++i) oneGain += "\r\n";
    QTest::newRow("only AXIAL DC1: 55 bytes") << Texts{{P::Sondy(1, 1), "0,5"}} << oneGain;
    Texts all;
    for (int i = 0; i < P::kCount; ++i) all[i] = ReferenceParameters()[i];
    QTest::newRow("reference: 140 bytes") << all << ReferenceFileBytes();
  }
  void exactBytes() {
    QFETCH(Texts, texts);
    QFETCH(QByteArray, bytes);
    const QString path = dir_.filePath("exact.F3C");
    QVERIFY(WriteCalibrationFile(path, With(texts)));
    QCOMPARE(ReadRaw(path), bytes);
    QCOMPARE(ReadCalibrationFile(path), std::optional(With(texts)));
  }

  // File bytes and the members they give (every member not listed is empty).
  void readingRules_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Texts>("texts");
    QTest::newRow("CR LF") << QByteArray("1\r\n2\r\n3\r\n") << Texts{{0, "1"}, {1, "2"}, {2, "3"}};
    QTest::newRow("CR only") << QByteArray("1\r2\r3\r") << Texts{{0, "1"}, {1, "2"}, {2, "3"}};
    QTest::newRow("lone LF is text") << QByteArray("1\n2\n3\n") << Texts{{0, "1\n2\n3\n"}};
    QTest::newRow("no final line end") << QByteArray("1\r\n2") << Texts{{0, "1"}, {1, "2"}};
    QTest::newRow("empty line kept") << QByteArray("1\r\n\r\n3\r\n") << Texts{{0, "1"}, {2, "3"}};
    QTest::newRow("CR LF LF") << QByteArray("1\r\n\n2\r\n") << Texts{{0, "1"}, {1, "\n2"}};
    QTest::newRow("1A ends the file")
        << QByteArray("1\r\n2\r\n3\r\n4\r\n\x1A" "5\r\n6\r\n") << Texts{{0, "1"}, {1, "2"}, {2, "3"}, {3, "4"}};
    QTest::newRow("1A inside a line") << QByteArray("12\x1A" "3\r\n4\r\n") << Texts{{0, "12"}};
    QTest::newRow("empty file") << QByteArray() << Texts{};
    QByteArray lines23, lines30;
    Texts first23, first26;
    for (int i = 1; i <= 30; ++i) {
      const QByteArray line = QByteArray::number(i) + "\r\n";
      if (i <= 23) {
        lines23 += line;
        first23[i - 1] = QString::number(i);
      }
      if (i <= 26) first26[i - 1] = QString::number(i);
      lines30 += line;
    }
    QTest::newRow("23 lines: the last three empty") << lines23 << first23;
    QTest::newRow("30 lines: the rest ignored") << lines30 << first26;
    QTest::newRow("Polish letters") << QByteArray("\xA3\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\r\n")
                                    << Texts{{0, "Łąćęłńóśźż"}};
  }
  void readingRules() {
    QFETCH(QByteArray, bytes);
    QFETCH(Texts, texts);
    const QString path = dir_.filePath("rules.F3C");
    WriteRaw(path, bytes);
    const auto read = ReadCalibrationFile(path);
    QVERIFY(read);
    QCOMPARE(*read, With(texts));
  }

  void roundTripKeepsEveryText() {
    MeterParameters p;
    const QStringList samples = {"0,5", "0.5", "abc", " 1 ", "Zażółć gęślą jaźń", "ĄĆĘŁŃÓŚŹŻ",
                                 "123456", "a\nb", "-0,000001", "1e3", "", "x;y|z"};
    for (int i = 0; i < P::kCount; ++i) p[i] = samples[i % samples.size()] + QString::number(i);
    p[P::NumerSeryjnyMiernika] = "ABCDEF";  // longer than the panel lets anyone type
    const QString path = dir_.filePath("round.F3C");
    QVERIFY(WriteCalibrationFile(path, p));
    QCOMPARE(ReadCalibrationFile(path), std::optional(p));
  }

  void everyByteOfTheCodePageRoundTrips() {
    QByteArray line;
    for (int b = 0x20; b <= 0xFF; ++b) line += char(b);
    const QString path = dir_.filePath("bytes.F3C");
    WriteRaw(path, line + "\r\n");
    const auto read = ReadCalibrationFile(path);
    QVERIFY(read);
    QCOMPARE(EncodeCalibrationFile(*read).left(line.size()), line);
  }

  // A character the code page lacks becomes "?", never the converter's 1A, which would end
  // the file there and lose every later member.
  void unencodableCharacterBecomesAQuestionMark_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("emoji") << QString("a😀b") << "a?b";
    QTest::newRow("CJK") << QString("中1") << "?1";
    QTest::newRow("1A itself") << QString("x\x1Ay") << "x?y";
    QTest::newRow("lone surrogate") << (QString("s") + QChar(0xD800)) << "s?";
  }
  void unencodableCharacterBecomesAQuestionMark() {
    QFETCH(QString, text);
    QFETCH(QString, readBack);
    MeterParameters p = ReferenceParameters();
    p[P::NumerSeryjnyMiernika] = text;
    const QString path = dir_.filePath("f6.F3C");
    QVERIFY(WriteCalibrationFile(path, p));
    QVERIFY(!ReadRaw(path).contains('\x1A'));
    const auto read = ReadCalibrationFile(path);
    QVERIFY(read);
    QCOMPARE((*read)[P::NumerSeryjnyMiernika], readBack);
    QCOMPARE((*read)[P::WzmocnienieFiltruTemp], QString("0,05"));
  }

  void saveThatStopsHalfWayLeavesTheOldFile() {
    const QString path = dir_.filePath("old.F3C");
    WriteRaw(path, ReferenceFileBytes());
    {
      FileSizeLimit limit(40);  // the new file stops after 40 of its bytes
      QVERIFY(limit.ok());
      MeterParameters p = ReferenceParameters();
      p[0] = "0,123456789012345678901234567890123456789";
      QVERIFY(!WriteCalibrationFile(path, p));
    }
    QCOMPARE(ReadRaw(path), ReferenceFileBytes());
    QCOMPARE(QDir(dir_.path()).entryList({"old.F3C*"}, QDir::Files | QDir::Hidden), QStringList{"old.F3C"});
  }

  void unreadableFileGivesNothing_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << dir_.filePath("missing.F3C");
    QTest::newRow("a folder") << dir_.path();
    QTest::newRow("opens, but every read fails") << "/proc/self/mem";
  }
  void unreadableFileGivesNothing() {
    QFETCH(QString, path);
    QVERIFY(!ReadCalibrationFile(path));
  }

 private:
  QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestCalibrationFile)
#include "test_calibrationfile.moc"
