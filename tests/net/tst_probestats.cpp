// The exporter benchmark's reading of HTTP answers: a probe counts as answered only when its
// whole response came, and as successful only on the exact metric line.
#include "ProbeStats.h"

#include <QtTest>

class TestProbeStats : public QObject {
    Q_OBJECT
private slots:
    void parsesResponse_data();
    void parsesResponse();
    void findsWholeLines_data();
    void findsWholeLines();
    void percentileByNearestRank();
};

void TestProbeStats::parsesResponse_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("closeAfter");
    QTest::addColumn<QByteArray>("body");
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
    QTest::newRow("length, whole") << head + "Content-Length: 9\r\n\r\nzvk_up 1\n"
                                   << true << 200 << false << QByteArray("zvk_up 1\n");
    QTest::newRow("length, body cut")
        << head + "content-length: 9\r\n\r\nzvk_up" << false << 200 << false << QByteArray();
    QTest::newRow("head cut") << QByteArray("HTTP/1.1 200 OK\r\nContent-Le") << false << 0 << false
                              << QByteArray();
    QTest::newRow("chunked, whole")
        << head + "Transfer-Encoding: chunked\r\n\r\n4\r\nzvk_\r\n5\r\nup 1\n\r\n0\r\n\r\n"
        << true << 200 << false << QByteArray("zvk_up 1\n");
    QTest::newRow("chunked, last chunk missing")
        << head + "Transfer-Encoding: chunked\r\n\r\n4\r\nzvk_\r\n"
        << false << 200 << false << QByteArray("zvk_");
    QTest::newRow("chunk cut") << head + "Transfer-Encoding: chunked\r\n\r\na\r\nzvk_" << false
                               << 200 << false << QByteArray();
    QTest::newRow("connection close")
        << QByteArray("HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\n"
                      "Content-Length: 4\r\n\r\nbusy")
        << true << 503 << true << QByteArray("busy");
    QTest::newRow("HTTP/1.0 without keep-alive")
        << QByteArray("HTTP/1.0 400 Bad Request\r\nContent-Length: 0\r\n\r\n") << true << 400
        << true << QByteArray();
}

void TestProbeStats::parsesResponse()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, complete);
    QFETCH(int, status);
    QFETCH(bool, closeAfter);
    QFETCH(QByteArray, body);
    const THttpResponse r = ParseHttpResponse(data.toStdString());
    QCOMPARE(r.Complete, complete);
    QCOMPARE(r.Status, status);
    if (complete) {
        QCOMPARE(r.CloseAfter, closeAfter);
        QCOMPARE(QByteArray::fromStdString(r.Body), body);
    }
}

void TestProbeStats::findsWholeLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("found");
    QTest::newRow("middle line") << QByteArray("# TYPE zvk_up gauge\nzvk_up 1\nx 2\n") << true;
    QTest::newRow("first line, no newline") << QByteArray("zvk_up 1") << true;
    QTest::newRow("other value") << QByteArray("zvk_up 0\n") << false;
    QTest::newRow("longer value") << QByteArray("zvk_up 10\n") << false;
    QTest::newRow("longer name") << QByteArray("my_zvk_up 1\n") << false;
}

void TestProbeStats::findsWholeLines()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, found);
    QCOMPARE(HasLine(text.toStdString(), "zvk_up 1"), found);
}

void TestProbeStats::percentileByNearestRank()
{
    std::vector<double> values;
    for (int i = 100; i >= 1; --i)
        values.push_back(i);
    QCOMPARE(Percentile(values, 50), 50.0);
    QCOMPARE(Percentile(values, 99), 99.0);
    QCOMPARE(Percentile(values, 100), 100.0);
    QCOMPARE(Percentile({7.0}, 99), 7.0);
    QCOMPARE(Percentile({}, 50), 0.0);
}

QTEST_GUILESS_MAIN(TestProbeStats)
#include "tst_probestats.moc"
