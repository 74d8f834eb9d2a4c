// The csv, jsonl and text lines for odd readings, from the received bytes through the parser.
#include "ReadingFrame.h"
#include "ReadingLine.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <QtTest>
#include <optional>

class TestReadingLine : public QObject {
    Q_OBJECT
private slots:
    void oddReadings_data();
    void oddReadings();
    void timeWithOffset_data();
    void timeWithOffset();
    void csvHeaderOnlyForCsv();
};

namespace {
const QDateTime SomeTime(QDate(2026, 12, 8), QTime(14, 5, 9, 250), QTimeZone(3600));
const QString SomeTimeText = QStringLiteral("2026-12-08T14:05:09.250+01:00");
const QChar Replacement(0xFFFD);

// One RFC 4180 record without its line end; nothing when it is not well formed.
std::optional<QStringList> ParseCsvRecord(const QString& line)
{
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = line.size();
    for (;;) {
        QString field;
        if (i < n && line[i] == u'"') {
            for (++i;; ++i) {
                if (i >= n)
                    return std::nullopt;
                if (line[i] == u'"') {
                    if (i + 1 < n && line[i + 1] == u'"') {
                        field += u'"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i];
            }
            if (i < n && line[i] != u',')
                return std::nullopt;
        } else {
            for (; i < n && line[i] != u','; ++i) {
                if (line[i] == u'"' || line[i] == u'\r' || line[i] == u'\n')
                    return std::nullopt;
                field += line[i];
            }
        }
        fields << field;
        if (i >= n)
            return fields;
        ++i;
    }
}

bool HasControl(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            return true;
    return false;
}
} // namespace

void TestReadingLine::oddReadings_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("text");  // the text line as the title shows the reading
    QTest::addColumn<QString>("value"); // empty: not a plain number
    QTest::addColumn<QString>("raw");
    const QString deg = QStringLiteral(" \u00B0C");

    QTest::newRow("plain") << QByteArray("*B1E1+022.0\r\n") << "+022.0" + deg << "22.0"
                           << "+022.0";
    QTest::newRow("negative") << QByteArray("*B1E1-003.2\r") << "-003.2" + deg << "-3.2"
                              << "-003.2";
    QTest::newRow("negative zero") << QByteArray("*B1E1-000.0\r") << "-000.0" + deg << "-0.0"
                                   << "-000.0";
    QTest::newRow("whole number") << QByteArray("*B1E1+7\r") << "+7" + deg << "7"
                                  << "+7";
    QTest::newRow("no sign") << QByteArray("*B1E1 025.6\r") << "1 025.6" + deg << ""
                             << "1 025.6";
    QTest::newRow("six characters") << QByteArray("*B1E1\r") << "1" + deg << "1"
                                    << "1";
    QTest::newRow("empty field") << QByteArray("*B\r12345") << deg << ""
                                 << "";
    QTest::newRow("dot without digits") << QByteArray("*B1E1+5.\r") << "+5." + deg << ""
                                        << "+5.";
    QTest::newRow("cut frame before a whole one")
        << QByteArray("*B1E1+02*B1E1+025.7\r") << "+02*B1E1+025.7" + deg << ""
        << "+02*B1E1+025.7";
    QTest::newRow("NUL-cut") << QByteArray("*B1E1+025.6\0x\r", 15) << "+025.6"
                             << "" << QString::fromUtf8("+025.6\0x", 8);
    QTest::newRow("Windows-1250 bytes")
        << QByteArray("*B1E1+2\x9a\xe8\xb0\r") << QString::fromUtf8("+2šč°") + deg << ""
        << QString::fromUtf8("+2šč°");
    QTest::newRow("quote and comma") << QByteArray("*B1E1+1\"2,3\r") << "+1\"2,3" + deg << ""
                                     << "+1\"2,3";
    QTest::newRow("LF, tab and backslash")
        << QByteArray("*B1E1+1\n\t\\2\r") << QString("+1") + Replacement + Replacement + "\\2" + deg
        << ""
        << "+1\n\t\\2";
}

void TestReadingLine::oddReadings()
{
    QFETCH(QByteArray, received);
    QFETCH(QString, text);
    QFETCH(QString, value);
    QFETCH(QString, raw);
    const TReadingResult reading = ParseReading(received);
    QCOMPARE(reading.Result, TReadingResult::Reading);

    const QByteArray textLine = ReadingLine(TOutputFormat::Text, SomeTime, reading.Text);
    QCOMPARE(QString::fromUtf8(textLine), text + u'\n');

    const QByteArray csvLine = ReadingLine(TOutputFormat::Csv, SomeTime, reading.Text);
    QVERIFY(csvLine.endsWith('\n'));
    const QString csv = QString::fromUtf8(csvLine.chopped(1));
    QVERIFY2(!HasControl(csv), csvLine.constData());
    const auto fields = ParseCsvRecord(csv);
    QVERIFY2(fields, csvLine.constData());
    QString rawInCsv = raw;
    for (QChar& c : rawInCsv)
        if (HasControl(QString(c)))
            c = Replacement;
    QCOMPARE(*fields, (QStringList{SomeTimeText, value, rawInCsv}));

    const QByteArray jsonLine = ReadingLine(TOutputFormat::Jsonl, SomeTime, reading.Text);
    QVERIFY(jsonLine.endsWith('\n'));
    QCOMPARE(jsonLine.count('\n'), 1);
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(jsonLine, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    const QJsonObject object = json.object();
    QCOMPARE(object.keys(), (QStringList{"raw", "time", "value"}));
    QCOMPARE(object["time"].toString(), SomeTimeText);
    QCOMPARE(object["raw"].toString(), raw);
    if (value.isEmpty()) {
        QVERIFY(object["value"].isNull());
    } else {
        QVERIFY(jsonLine.contains("\"value\":" + value.toUtf8() + ','));
        QCOMPARE(object["value"].toDouble(), value.toDouble());
    }
}

void TestReadingLine::timeWithOffset_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text");
    const QDate date(2026, 1, 2);
    const QTime time(3, 4, 5, 6);
    QTest::newRow("east") << QDateTime(date, time, QTimeZone(3600))
                          << "2026-01-02T03:04:05.006+01:00";
    QTest::newRow("west, half hour") << QDateTime(date, time, QTimeZone(-(5 * 3600 + 30 * 60)))
                                     << "2026-01-02T03:04:05.006-05:30";
    QTest::newRow("UTC") << QDateTime(date, time, QTimeZone::utc())
                         << "2026-01-02T03:04:05.006+00:00";
}

void TestReadingLine::timeWithOffset()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, text);
    QCOMPARE(IsoTimeWithOffset(time), text);
    const QDateTime back = QDateTime::fromString(text, Qt::ISODateWithMs);
    QCOMPARE(back.toMSecsSinceEpoch(), time.toMSecsSinceEpoch());
}

void TestReadingLine::csvHeaderOnlyForCsv()
{
    QCOMPARE(HeaderLine(TOutputFormat::Csv), QByteArray("time,value,raw\n"));
    QVERIFY(HeaderLine(TOutputFormat::Text).isEmpty());
    QVERIFY(HeaderLine(TOutputFormat::Jsonl).isEmpty());
}

QTEST_GUILESS_MAIN(TestReadingLine)
#include "tst_readingline.moc"
