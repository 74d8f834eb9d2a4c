#include "ReadingFrame.h"
#include "Windows1250.h"

#include <QStringDecoder>
#include <QtTest>

class TestReadingFrame : public QObject {
    Q_OBJECT
private slots:
    void workedExamples_data();
    void workedExamples();
    void bytesAreReadAsWindows1250();
    void everyByteDecodesAsIcuDoes();
};

Q_DECLARE_METATYPE(TReadingResult::Kind)

void TestReadingFrame::workedExamples_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<TReadingResult::Kind>("kind");
    QTest::addColumn<QString>("panel");
    const auto reading = TReadingResult::Reading;
    const auto dash = TReadingResult::Dash;
    const auto nothing = TReadingResult::Nothing;
    const QString degrees = QStringLiteral(" \u00B0C");

    QTest::newRow("plus") << QByteArray("*B1E1+025.6\r") << reading << "+025.6" + degrees;
    QTest::newRow("minus") << QByteArray("*B1E1-003.2\r") << reading << "-003.2" + degrees;
    QTest::newRow("no sign") << QByteArray("*B1E1 025.6\r") << reading << "1 025.6" + degrees;
    QTest::newRow("plus before an earlier minus")
        << QByteArray("*B1E1-2+3\r") << reading << "+3" + degrees;
    QTest::newRow("junk before, LF after")
        << QByteArray("ab*B1E1+025.6\r\n") << reading << "+025.6" + degrees;
    QTest::newRow("two frames") << QByteArray("*B1E1+025.6\r*B1E1+025.7\r") << reading
                                << "+025.6" + degrees;
    QTest::newRow("tail of a cut frame first")
        << QByteArray("E1+025.6\r*B1E1+025.7\r") << reading << "+025.7" + degrees;
    QTest::newRow("frame cut without its CR")
        << QByteArray("*B1E1+02*B1E1+025.7\r") << reading << "+02*B1E1+025.7" + degrees;
    QTest::newRow("no CR yet") << QByteArray("*B1E1+025.6") << dash << "-";
    QTest::newRow("frame cut at the end") << QByteArray("6\r*B1E1+02") << dash << "-";
    QTest::newRow("kind A") << QByteArray("*A1E1+025.6\r") << dash << "-";
    QTest::newRow("double star") << QByteArray("**B1E1+025.6\r") << dash << "-";
    QTest::newRow("six characters") << QByteArray("*B1E1\r") << reading << "1" + degrees;
    QTest::newRow("five characters") << QByteArray("*B1E\r") << nothing << QString();
    QTest::newRow("CR at position 3") << QByteArray("*B\r12345") << reading << degrees;
    QTest::newRow("no star") << QByteArray("B1E1+025.6\r") << nothing << QString();
    QTest::newRow("nothing") << QByteArray() << nothing << QString();
    QTest::newRow("NUL in the value")
        << QByteArray("*B1E1+02\0"
                      "5\r",
                      11)
        << reading << QStringLiteral("+02") + QChar(u'\0') + QStringLiteral("5") + degrees;
}

void TestReadingFrame::workedExamples()
{
    QFETCH(QByteArray, received);
    QFETCH(TReadingResult::Kind, kind);
    QFETCH(QString, panel);
    const TReadingResult r = ParseReading(received);
    QCOMPARE(r.Result, kind);
    QCOMPARE(r.Text, panel);
}

void TestReadingFrame::bytesAreReadAsWindows1250()
{
    // 0xB0 is the degree sign and 0xF8 "ř" in Windows-1250; one character per byte.
    const TReadingResult r = ParseReading(QByteArray("*B1E1+\xF8\xB0\r"));
    QCOMPARE(r.Text, QStringLiteral("+\u0159\u00B0 \u00B0C"));
}

void TestReadingFrame::everyByteDecodesAsIcuDoes()
{
    QByteArray field;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        QStringDecoder icu("windows-1250");
        QVERIFY(icu.isValid());
        const QString expected = icu.decode(QByteArrayView(&byte, 1));
        QCOMPARE(expected.size(), 1);
        QCOMPARE(Windows1250ToUnicode(static_cast<unsigned char>(b)), expected[0].unicode());
        if (b != '\r' && b != '+' && b != '-')
            field += byte;
    }
    // The same through the parser: the whole value field, every byte but CR and the signs.
    QStringDecoder icu("windows-1250");
    const TReadingResult r = ParseReading("*B1E" + field + "\r");
    QCOMPARE(r.Result, TReadingResult::Reading);
    QCOMPARE(r.Text, icu.decode(field) + QStringLiteral(" \u00B0C"));
}

QTEST_GUILESS_MAIN(TestReadingFrame)
#include "tst_readingframe.moc"
