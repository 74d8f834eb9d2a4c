// The configuration reader: what a good file gives, and that each error names its line.
#include "BridgeConfig.h"

#include <QTemporaryDir>
#include <QtTest>

class TestBridgeConfig : public QObject {
    Q_OBJECT
private slots:
    void shippedExample();
    void defaults();
    void errors_data();
    void errors();
    void passwordFile();
};

namespace {
const QByteArray Example = R"([mqtt]
broker = mqtt://127.0.0.1:1883        ; mqtts://host:port for TLS
client_id = zvk-mqtt
username =
password_file =                       ; a file holding only the password
ca_file =                             ; for mqtts; optional client cert_file / key_file
topic_prefix = zvk
discovery_prefix = homeassistant
interval = 10                         ; seconds between publishes of an unchanged reading
change_step = 0.1                     ; publish at once when the reading moves at least this much

[thermometer.lab1]                    ; the id after the dot: [a-zA-Z0-9_-]
name = Lab thermometer 1
address = 192.0.2.10:10001
interval = 10                         ; optional, per thermometer
)";

std::optional<TBridgeConfig> Parse(const QByteArray& text, QString* error = nullptr)
{
    QString ignored;
    return ParseBridgeConfig(text, QStringLiteral("zvk.conf"), error ? error : &ignored);
}
} // namespace

void TestBridgeConfig::shippedExample()
{
    QString error;
    const std::optional<TBridgeConfig> c = Parse(Example, &error);
    QVERIFY2(c, qPrintable(error));
    QCOMPARE(c->Broker.Host, QStringLiteral("127.0.0.1"));
    QCOMPARE(c->Broker.Port, 1883);
    QVERIFY(!c->Broker.Tls);
    QCOMPARE(c->Broker.ClientId, QStringLiteral("zvk-mqtt"));
    QCOMPARE(c->IntervalS, 10);
    QCOMPARE(c->ChangeStep, 0.1);
    QCOMPARE(c->Thermometers.size(), 1);
    const TThermometerConfig& t = c->Thermometers.first();
    QCOMPARE(t.Id, QStringLiteral("lab1"));
    QCOMPARE(t.Name, QStringLiteral("Lab thermometer 1"));
    QCOMPARE(t.Address, QStringLiteral("192.0.2.10:10001"));
    QCOMPARE(t.IntervalS, 10);
}

void TestBridgeConfig::defaults()
{
    // The shipped file has every setting commented out.
    const std::optional<TBridgeConfig> empty = Parse("; [mqtt]\n; broker = mqtt://h:1\n");
    QVERIFY(empty);
    QCOMPARE(empty->Broker.Host, QStringLiteral("127.0.0.1"));
    QCOMPARE(empty->Broker.Port, 1883);
    QCOMPARE(empty->IntervalS, 10);
    QVERIFY(empty->Thermometers.isEmpty());

    const std::optional<TBridgeConfig> c =
        Parse("# two thermometers\n[mqtt]\nbroker = mqtts://[::1]\n"
              "[thermometer.a]\naddress = 127.0.0.1\n[thermometer.b-2_X]\naddress=h:7\n");
    QVERIFY(c);
    QCOMPARE(c->Broker.Host, QStringLiteral("::1"));
    QCOMPARE(c->Broker.Port, 8883);
    QVERIFY(c->Broker.Tls);
    QCOMPARE(c->TopicPrefix, QStringLiteral("zvk"));
    QCOMPARE(c->DiscoveryPrefix, QStringLiteral("homeassistant"));
    QCOMPARE(c->Thermometers.size(), 2);
    QCOMPARE(c->Thermometers[0].Name, QStringLiteral("a")); // the id when no name is given
    QCOMPARE(c->Thermometers[0].IntervalS, 0);              // the [mqtt] interval applies
    QCOMPARE(c->Thermometers[1].Id, QStringLiteral("b-2_X"));
}

void TestBridgeConfig::errors_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");
    const QByteArray head = "[mqtt]\nbroker = mqtt://localhost\n";
    QTest::newRow("unknown key") << head + "\nbrokr = x\n"
                                 << "zvk.conf:4: unknown key brokr in [mqtt]";
    QTest::newRow("unknown key in a thermometer")
        << head + "[thermometer.a]\naddress = h\nport = 1\n"
        << "zvk.conf:5: unknown key port in [thermometer.a]";
    QTest::newRow("unknown section")
        << head + "[thermometers]\n"
        << "zvk.conf:3: unknown section [thermometers]: expected [mqtt] or [thermometer.ID]";
    QTest::newRow("key outside a section")
        << QByteArray("broker = mqtt://h\n") << "zvk.conf:1: broker outside a section";
    QTest::newRow("no equals sign") << head + "interval 10\n"
                                    << "zvk.conf:3: expected KEY = VALUE, not \"interval 10\"";
    QTest::newRow("unclosed header") << head + "[thermometer.a\n"
                                     << "zvk.conf:3: a section header must end with ]";
    QTest::newRow("key twice") << head + "interval = 1\ninterval = 2\n"
                               << "zvk.conf:4: interval given twice in [mqtt]";
    QTest::newRow("section twice") << head + "[thermometer.a]\naddress=h\n[thermometer.a]\n"
                                   << "zvk.conf:5: section [thermometer.a] given twice";
    QTest::newRow("bad id")
        << head + "[thermometer.lab 1]\n"
        << "zvk.conf:3: thermometer id \"lab 1\" must be letters, digits, _ and - only";
    QTest::newRow("empty id")
        << head + "[thermometer.]\n"
        << "zvk.conf:3: thermometer id \"\" must be letters, digits, _ and - only";
    QTest::newRow("the bridge's own id") << head + "[thermometer.bridge]\n"
                                         << "zvk.conf:3: thermometer id \"bridge\" is reserved";
    QTest::newRow("no address") << head +
                                       "\n[thermometer.a]\nname = A\n[thermometer.b]\naddress=h\n"
                                << "zvk.conf:4: [thermometer.a] has no address";
    QTest::newRow("no address at the end") << head + "[thermometer.a]\n"
                                           << "zvk.conf:3: [thermometer.a] has no address";
    QTest::newRow("empty name") << head + "[thermometer.a]\nname =\n"
                                << "zvk.conf:4: name must not be empty";
    QTest::newRow("broker scheme") << QByteArray("[mqtt]\nbroker = tcp://h:1883\n")
                                   << "zvk.conf:2: broker must be mqtt://HOST[:PORT] or "
                                      "mqtts://HOST[:PORT], not \"tcp://h:1883\"";
    QTest::newRow("broker port") << QByteArray("[mqtt]\nbroker = mqtt://h:65536\n")
                                 << "zvk.conf:2: broker port must be 1..65535, not 65536";
    QTest::newRow("broker port 0") << QByteArray("[mqtt]\nbroker = mqtt://h:0\n")
                                   << "zvk.conf:2: broker port must be 1..65535, not 0";
    QTest::newRow("interval 0")
        << head + "interval = 0\n"
        << "zvk.conf:3: interval must be whole seconds, 1..86400, not \"0\"";
    QTest::newRow("interval fraction")
        << head + "[thermometer.a]\naddress=h\ninterval = 1.5\n"
        << "zvk.conf:5: interval must be whole seconds, 1..86400, not \"1.5\"";
    QTest::newRow("negative step")
        << head + "change_step = -0.1\n"
        << "zvk.conf:3: change_step must be a number, 0 or more, not \"-0.1\"";
    QTest::newRow("step not a number")
        << head + "change_step = nan\n"
        << "zvk.conf:3: change_step must be a number, 0 or more, not \"nan\"";
    QTest::newRow("wildcard in prefix") << head + "topic_prefix = zvk/#\n"
                                        << "zvk.conf:3: topic_prefix must be a topic without +, #, "
                                           "or a / at either end, not \"zvk/#\"";
    QTest::newRow("slash at the end") << head + "discovery_prefix = ha/\n"
                                      << "zvk.conf:3: discovery_prefix must be a topic without +, "
                                         "#, or a / at either end, not \"ha/\"";
    QTest::newRow("ca_file without TLS") << head + "ca_file = /dev/null\n"
                                         << "zvk.conf:3: ca_file needs an mqtts:// broker";
    QTest::newRow("cert without key")
        << QByteArray("[mqtt]\nbroker = mqtts://h\ncert_file = /dev/null\n")
        << "zvk.conf:3: cert_file and key_file go together";
    QTest::newRow("missing ca_file")
        << QByteArray("[mqtt]\nbroker = mqtts://h\nca_file = /nonexistent/ca.pem\n")
        << "zvk.conf:3: cannot read /nonexistent/ca.pem: No such file or directory";
    QTest::newRow("missing password_file")
        << head + "password_file = /nonexistent/pw\n"
        << "zvk.conf:3: cannot read /nonexistent/pw: No such file or directory";
    QTest::newRow("bad address") << head + "[thermometer.a]\naddress = a b\n"
                                 << "zvk.conf:4: address \"a b\": not a host name or address";
    QTest::newRow("address port") << head + "[thermometer.a]\naddress = h:0\n"
                                  << "zvk.conf:4: address \"h:0\": port must be a number from 1 "
                                     "to 65535";
    QTest::newRow("empty address") << head + "[thermometer.a]\naddress =\n"
                                   << "zvk.conf:4: address \"\": empty address";
}

void TestBridgeConfig::errors()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    QString error;
    QVERIFY(!Parse(text, &error));
    QCOMPARE(error, message);
}

void TestBridgeConfig::passwordFile()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("pw"));
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("s3cret ; not a comment\r\nsecond line\n");
    file.close();
    const std::optional<TBridgeConfig> c =
        Parse("[mqtt]\nbroker = mqtt://h\nusername = u\npassword_file = " + name.toUtf8() + "\n");
    QVERIFY(c);
    QCOMPARE(c->Broker.Password, QStringLiteral("s3cret ; not a comment"));
}

QTEST_GUILESS_MAIN(TestBridgeConfig)
#include "tst_bridgeconfig.moc"
