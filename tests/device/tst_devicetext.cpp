// The device core's pure parts: target addresses, the frame splitter and its value.
#include "DeviceAddress.h"
#include "DeviceFrame.h"

#include <QtTest>

class TestDeviceText : public QObject {
    Q_OBJECT

private slots:
    void parseAddress_data();
    void parseAddress();
    void frameValue_data();
    void frameValue();
    void framesSplitOverReads_data();
    void framesSplitOverReads();
    void junkStaysBounded();
};

void TestDeviceText::parseAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host"); // empty: rejected
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("shown");

    QTest::newRow("name") << "thermo.lab"
                          << "thermo.lab" << 10001 << "thermo.lab:10001";
    QTest::newRow("ipv4 with port") << "192.0.2.7:502"
                                    << "192.0.2.7" << 502 << "192.0.2.7:502";
    QTest::newRow("highest port") << "h:65535"
                                  << "h" << 65535 << "h:65535";
    QTest::newRow("ipv6 bracketed") << "[2001:db8::7]:9"
                                    << "2001:db8::7" << 9 << "[2001:db8::7]:9";
    QTest::newRow("ipv6 bracketed, no port") << "[::1]"
                                             << "::1" << 10001 << "[::1]:10001";
    QTest::newRow("ipv6 bare") << "fe80::1"
                               << "fe80::1" << 10001 << "[fe80::1]:10001";
    QTest::newRow("empty") << ""
                           << "" << 0 << "";
    QTest::newRow("port 0") << "h:0"
                            << "" << 0 << "";
    QTest::newRow("port too big") << "h:65536"
                                  << "" << 0 << "";
    QTest::newRow("port with sign") << "h:+80"
                                    << "" << 0 << "";
    QTest::newRow("empty port") << "h:"
                                << "" << 0 << "";
    QTest::newRow("no host") << ":80"
                             << "" << 0 << "";
    QTest::newRow("ipv6 with port, no brackets") << "2001:db8::zz:80"
                                                 << "" << 0 << "";
    QTest::newRow("brackets around a name") << "[host]:80"
                                            << "" << 0 << "";
    QTest::newRow("unclosed bracket") << "[::1:80"
                                      << "" << 0 << "";
    QTest::newRow("text after bracket") << "[::1]80"
                                        << "" << 0 << "";
    QTest::newRow("space in name") << "a b"
                                   << "" << 0 << "";
    QTest::newRow("url") << "http://h/"
                         << "" << 0 << "";
    QTest::newRow("user part") << "u@h:80"
                               << "" << 0 << "";
}

void TestDeviceText::parseAddress()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, shown);

    QString why;
    const std::optional<TDeviceAddress> address = ParseDeviceAddress(text, &why);
    if (host.isEmpty()) {
        QVERIFY(!address);
        QVERIFY(!why.isEmpty());
        QVERIFY(!why.contains(u'\n'));
        return;
    }
    QVERIFY2(address, qPrintable(why));
    QCOMPARE(address->Host, host);
    QCOMPARE(address->Port, port);
    QCOMPARE(address->Text(), shown);
}

void TestDeviceText::frameValue_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("celsius");

    QTest::newRow("positive") << QByteArray("*B1E1+022.5\r") << "+022.5 \u00B0C" << true << 22.5;
    QTest::newRow("negative") << QByteArray("*B1E1-003.2\r") << "-003.2 \u00B0C" << true << -3.2;
    QTest::newRow("no decimals") << QByteArray("*B1E1+7\r") << "+7 \u00B0C" << true << 7.0;
    QTest::newRow("not a number") << QByteArray("*B1E1+2x.0\r") << "+2x.0 \u00B0C" << false << 0.0;
    QTest::newRow("error text") << QByteArray("*B1E1Err\r") << "1Err \u00B0C" << false << 0.0;
    QTest::newRow("not a B frame") << QByteArray("*A1E1+022.5\r") << "-" << false << 0.0;
}

void TestDeviceText::frameValue()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, reading);
    QFETCH(bool, numeric);
    QFETCH(double, celsius);

    const TDeviceFrame frame = MakeDeviceFrame(raw);
    QCOMPARE(frame.Raw, raw);
    QCOMPARE(frame.Reading.Text, reading);
    QCOMPARE(frame.Celsius.has_value(), numeric);
    if (numeric)
        QCOMPARE(*frame.Celsius, celsius);
}

void TestDeviceText::framesSplitOverReads_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("frames");

    const QByteArray a("*B1E1+020.0\r");
    const QByteArray b("*B1E1+021.5\r");
    QTest::newRow("two in one read")
        << QList<QByteArray>{a + "\n" + b + "\n"} << QList<QByteArray>{a, b};
    QList<QByteArray> bytes;
    for (const char c : a + b)
        bytes << QByteArray(1, c);
    QTest::newRow("one byte per read") << bytes << QList<QByteArray>{a, b};
    QTest::newRow("cut inside the value")
        << QList<QByteArray>{"noise*B1E1+0", "20.0\r*B1", "E1+021.5\r"} << QList<QByteArray>{a, b};
    QTest::newRow("cut before the CR")
        << QList<QByteArray>{"*B1E1+020.0", "\r"} << QList<QByteArray>{a};
    QTest::newRow("no CR yet") << QList<QByteArray>{"*B1E1+020.0"} << QList<QByteArray>{};
}

void TestDeviceText::framesSplitOverReads()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, frames);

    TFrameSplitter splitter;
    QList<QByteArray> found;
    for (const QByteArray& read : reads) {
        splitter.Append(read.constData(), read.size());
        while (std::optional<TDeviceFrame> frame = splitter.Next())
            found << frame->Raw;
    }
    QCOMPARE(found, frames);
}

void TestDeviceText::junkStaysBounded()
{
    TFrameSplitter splitter;
    // Starts without an end, as a broken or hostile peer may send for ever.
    const QByteArray junk = QByteArray("*B1E1+0") + QByteArray(4000, 'x') + QByteArray(96, '*');
    for (int i = 0; i < 500; ++i) {
        splitter.Append(junk.constData(), junk.size());
        QVERIFY(!splitter.Next());
        QVERIFY(splitter.Pending() <= TFrameSplitter::MaxFrameBytes);
    }
    QVERIFY(splitter.TakeDropped() > 0);
    // A frame after the junk is still found whole.
    const QByteArray frame("\r*B1E1+020.0\r");
    splitter.Append(frame.constData(), frame.size());
    std::optional<TDeviceFrame> found = splitter.Next();
    while (found && found->Raw != frame.mid(1))
        found = splitter.Next();
    QVERIFY(found);
    QCOMPARE(found->Celsius, std::optional<double>(20.0));
}

QTEST_GUILESS_MAIN(TestDeviceText)
#include "tst_devicetext.moc"
