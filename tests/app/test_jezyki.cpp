// The two-language table of interface texts and the lookup the windows caption themselves with.

#include "settings/Jezyki.h"

#include <QSet>
#include <QtTest>

namespace {

// Numbers some window reads; every other index stays empty in both columns.
QSet<int> ListedNumbers()
{
    QSet<int> listed;
    for (int n = 1; n <= 97; ++n)
        if (n <= 74 || n >= 89)
            listed.insert(n);
    for (int n = 82; n <= 86; ++n)  // the port dialog and the user's guide
        listed.insert(n);
    for (int n = 75; n <= 81; ++n)  // the export of data and chart pictures
        listed.insert(n);
    return listed;
}

}  // namespace

class TestJezyki : public QObject {
    Q_OBJECT

private slots:
    void startsInPolish();  // first: sees the language as the program starts
    void cleanup();
    void columnsHoldExactlyTheListedNumbers();
    void exactTexts_data();
    void exactTexts();
    void unknownLanguageLeavesTextAsPassed_data();
    void unknownLanguageLeavesTextAsPassed();
    void stepDialogSentenceReadsInBothLanguages();
};

void TestJezyki::startsInPolish()
{
    QCOMPARE(CurrentLanguage, QStringLiteral("Polski"));
    for (quint16 n = 1; n <= 97; ++n) {
        QString text = QStringLiteral("unchanged");
        LookupText(n, text);
        QCOMPARE(text, QString::fromUtf8(PolishTexts[n]));
        QCOMPARE(LookupText(n), text);
    }
    QCOMPARE(LookupText(1), QStringLiteral("Plik"));
}

void TestJezyki::cleanup()
{
    CurrentLanguage = QStringLiteral("Polski");
}

// A missing or extra entry shifts every later text; valid UTF-8 keeps the Polish letters intact.
void TestJezyki::columnsHoldExactlyTheListedNumbers()
{
    const QSet<int> listed = ListedNumbers();
    for (int n = 0; n < 98; ++n) {
        for (const char* const* column : {PolishTexts, EnglishTexts}) {
            QVERIFY2(column[n] != nullptr, qPrintable(QString::number(n)));
            const QByteArray bytes(column[n]);
            QCOMPARE(bytes.isEmpty(), !listed.contains(n));
            const QString text = QString::fromUtf8(bytes);
            QVERIFY2(!text.contains(QChar::ReplacementCharacter), bytes.constData());
            QCOMPARE(text.toUtf8(), bytes);
        }
    }
    // The texts added since: every one is there, in both columns, and none is empty.
    for (int n = 98; n < int(std::size(PolishTexts)); ++n)
        for (const char* const* column : {PolishTexts, EnglishTexts})
            QVERIFY2(column[n] != nullptr && *column[n] != 0, qPrintable(QString::number(n)));
}

void TestJezyki::exactTexts_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("polish");
    QTest::addColumn<QString>("english");

    QTest::newRow("1") << 1 << "Plik" << "File";
    QTest::newRow("7 accelerator") << 7 << "&Otwórz plik..." << "&Open...";
    QTest::newRow("8 accelerator") << 8 << "&Zapisz do pliku..." << "&Save as...";
    QTest::newRow("9 accelerator") << 9 << "&Zakończ zapisywanie do pliku" << "&Stop saving file";
    QTest::newRow("11") << 11 << "Koniec" << "Quit";
    QTest::newRow("12") << 12 << "Obróbka danych" << "Data processing";
    QTest::newRow("18") << 18 << "Włącz automatyczne wyłączanie urządzenia"
                        << "Turn on automatic power down";
    QTest::newRow("22") << 22 << "O programie" << "About";
    QTest::newRow("23 spaces both ends") << 23 << " Wynik " << " Data ";
    QTest::newRow("25 same as 12") << 25 << "Obróbka danych" << "Data processing";
    QTest::newRow("28") << 28 << "Średnia:" << "Average:";
    QTest::newRow("30 two leading spaces") << 30 << "  Sterowanie" << "  Control";
    QTest::newRow("34 plain c") << 34 << "Zakoncz zapis" << "Stop saving";
    QTest::newRow("40 trailing space") << 40 << "Połączony na " << "Connected to ";
    QTest::newRow("45") << 45 << " Wybierz język " << " Select language ";
    QTest::newRow("47") << 47 << "Aby przejść w stan serwisowy musisz podać hasło:"
                        << "Please write a password to enter to the service mode";
    QTest::newRow("48 before the gap") << 48 << "TRYB SERWISOWY" << "SERVICE MODE";
    QTest::newRow("50 after the gap") << 50 << "Raport" << "Report";
    QTest::newRow("57") << 57 << "Dane o źródle pola:" << "Field source data:";
    QTest::newRow("62") << 62 << "L.p." << "No";
    QTest::newRow("68") << 68 << "Strona " << "Page ";
    QTest::newRow("73") << 73 << "z pomiarów natężenia pola magnetycznego zmiennego f = "
                        << "of ac magnetic field measurement f = ";
    QTest::newRow("74 before the gap") << 74 << "Instrukcja obsługi" << "Tutorial";
    QTest::newRow("89 after the gap") << 89 << "brak sondy" << "no probe";
    QTest::newRow("93") << 93 << "Czyść wykres" << "Clear screen";
    QTest::newRow("95 leading space") << 95 << " Parametry zapisu" << " Saving parameters";
    QTest::newRow("96") << 96 << "Zapisz co " << "Save every ";
    QTest::newRow("97 differs in form") << 97 << " wynik" << "th result";
}

void TestJezyki::exactTexts()
{
    QFETCH(int, n);
    QFETCH(QString, polish);
    QFETCH(QString, english);

    CurrentLanguage = QStringLiteral("Polski");
    QCOMPARE(LookupText(quint16(n)), polish);
    CurrentLanguage = QStringLiteral("Angielski");
    QString text = QStringLiteral("before");
    LookupText(quint16(n), text);
    QCOMPARE(text, english);
    CurrentLanguage = QStringLiteral("Polski");
    QCOMPARE(LookupText(quint16(n)), polish);
}

void TestJezyki::unknownLanguageLeavesTextAsPassed_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English as listed") << "English";
    QTest::newRow("lower case") << "polski";
    QTest::newRow("trailing space") << "Angielski ";
    QTest::newRow("empty") << "";
}

void TestJezyki::unknownLanguageLeavesTextAsPassed()
{
    QFETCH(QString, language);
    CurrentLanguage = language;
    QString text = QStringLiteral("Caption as designed");
    LookupText(1, text);
    QCOMPARE(text, QStringLiteral("Caption as designed"));
    QCOMPARE(LookupText(23), QString());
}

void TestJezyki::stepDialogSentenceReadsInBothLanguages()
{
    QCOMPARE(LookupText(96) + QStringLiteral("5") + LookupText(97), QStringLiteral("Zapisz co 5 wynik"));
    CurrentLanguage = QStringLiteral("Angielski");
    QCOMPARE(LookupText(96) + QStringLiteral("5") + LookupText(97),
             QStringLiteral("Save every 5th result"));
}

QTEST_GUILESS_MAIN(TestJezyki)
#include "test_jezyki.moc"
