// Command lines that zvkread accepts, and what they set. Rejected ones are tested end to end.
#include "ReadOptions.h"

#include <QtTest>

class TestReadOptions : public QObject {
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
};

void TestReadOptions::accepted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("format");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<int>("timeoutMs");
    const int text = int(TOutputFormat::Text), csv = int(TOutputFormat::Csv),
              jsonl = int(TOutputFormat::Jsonl), prometheus = int(TOutputFormat::Prometheus);
    QTest::newRow("defaults") << QStringList{"localhost"} << "localhost" << 10001 << text
                              << qint64(0) << 1000 << 2500;
    QTest::newRow("everything") << QStringList{"-f",   "csv", "-n",  "5",         "-i",
                                               "0.25", "-t",  "100", "127.0.0.1", "65535"}
                                << "127.0.0.1" << 65535 << csv << qint64(5) << 250 << 100;
    QTest::newRow("long options, fraction only")
        << QStringList{"--format=jsonl", "--count=1", "--interval=.5", "h", "1"} << "h" << 1
        << jsonl << qint64(1) << 500 << 2500;
    QTest::newRow("options after the host")
        << QStringList{"h", "--interval", "2", "--format", "text"} << "h" << 10001 << text
        << qint64(0) << 2000 << 2500;
    QTest::newRow("prometheus: one reading") << QStringList{"-f", "prometheus", "h"} << "h" << 10001
                                             << prometheus << qint64(1) << 1000 << 2500;
    QTest::newRow("smallest interval")
        << QStringList{"-i", "0.05", "h"} << "h" << 10001 << text << qint64(0) << 50 << 2500;
}

void TestReadOptions::accepted()
{
    QFETCH(QStringList, arguments);
    const TCommandLine line = ParseCommandLine(arguments);
    QCOMPARE(line.Error, QString());
    QCOMPARE(line.Do, TCommandLine::Read);
    QTEST(line.Options.Host, "host");
    QTEST(line.Options.Port, "port");
    QTEST(int(line.Options.Format), "format");
    QTEST(line.Options.Count, "count");
    QTEST(line.Options.IntervalMs, "intervalMs");
    QTEST(line.Options.TimeoutMs, "timeoutMs");
}

QTEST_GUILESS_MAIN(TestReadOptions)
#include "tst_readoptions.moc"
