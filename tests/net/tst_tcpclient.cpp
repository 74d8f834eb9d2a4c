// The client over loopback: connect paths that need no worker, the read step, closing,
// events and status reports.
#include "EventLog.h"
#include "FailingStack.h"
#include "IdException.h"
#include "IdIOHandlerSocket.h"
#include "IdStack.h"
#include "IdTCPClient.h"
#include "LoopbackPeer.h"

#include <QtTest>
#include <sys/ioctl.h>

class TestTcpClient : public QObject {
    Q_OBJECT
private slots:
    void neverConnected();
    void connectFailures_data();
    void connectFailures();
    void localhostWithoutLookup_data();
    void localhostWithoutLookup();
    void alreadyConnected();
    void readsBytesUnchangedThenTimesOut();
    void largeBurstInTwoHandOuts();
    void peerCloseRaisesOnDisconnectedInsideRead_data();
    void peerCloseRaisesOnDisconnectedInsideRead();
    void peerResetIsSocketErrorThenClose();
    void closeConnectionAlwaysFiresAndKeepsBuffer();
    void failingOnConnectedHandlerClosesSocket();
    void publishedProperties_data();
    void publishedProperties();

private:
    static void Connect(TIdTCPClient& client, LoopbackListener& listener, int& peer);
};

void TestTcpClient::Connect(TIdTCPClient& client, LoopbackListener& listener, int& peer)
{
    client.SetReadTimeout(50);
    peer = ConnectToListener(client, listener);
    QVERIFY(peer >= 0);
}

void TestTcpClient::neverConnected()
{
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetReadTimeout(0); // would wait forever if it waited at all
    QVERIFY(!client.IsConnected());
    QCOMPARE(client.ReadAvailable(), QByteArray());
    QVERIFY(log.Entries.isEmpty());
}

void TestTcpClient::connectFailures_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port"); // -1: a port that refuses
    QTest::addColumn<QString>("exceptionClass");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("statuses");
    QTest::newRow("refused, no worker")
        << "127.0.0.1" << -1 << "EIdSocketError"
        << "Socket Error # 10061\r\nConnection refused." << QStringList{"Connecting to 127.0.0.1."};
    QTest::newRow("unresolvable name") << "no-such-host.invalid" << -1 << "EIdSocketError"
                                       << "Socket Error # 11001\r\nHost not found."
                                       << QStringList{"Resolving hostname no-such-host.invalid."};
    QTest::newRow("port out of range") << "127.0.0.1" << 65536 + 10001 << "EIdSocketError"
                                       << "Socket Error # 10049\r\nCannot assign requested address."
                                       << QStringList{"Connecting to 127.0.0.1."};
}

void TestTcpClient::connectFailures()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, exceptionClass);
    QFETCH(QString, message);
    QFETCH(QStringList, statuses);
    RefusingPort refusing;
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetHost(host);
    client.SetPort(port < 0 ? refusing.Port() : port);
    // Read after the catch, which the analyzer does not follow.
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores)
    const int descriptors = OpenDescriptorCount();
    try {
        client.OpenConnection(0);
        QFAIL("connected");
    } catch (const EIdException& e) {
        QCOMPARE(QString(e.ClassName()), exceptionClass);
        QCOMPARE(e.Message(), message);
    }
    // The close step after the failure keeps the failure's code as the last error.
    QCOMPARE(QString::number(TIdStack::LastError()),
             message.section(u' ', 3, 3).section(u'\r', 0, 0));
    QCOMPARE(log.Entries, statuses);
    QVERIFY(!client.IsConnected());
    QCOMPARE(OpenDescriptorCount(), descriptors);
}

void TestTcpClient::localhostWithoutLookup_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("upper") << "LOCALHOST";
    QTest::newRow("lower") << "localhost";
    QTest::newRow("mixed") << "lOcAlHoSt";
}

void TestTcpClient::localhostWithoutLookup()
{
    QFETCH(QString, host);
    SetStackFactory(TFailingStack::Create);
    const auto restore = qScopeGuard([] { SetStackFactory(nullptr); });
    TFailingStack::Lookups = 0;
    LoopbackListener listener;
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetHost(host);
    client.SetPort(listener.Port());
    client.OpenConnection(0);
    QCOMPARE(log.Entries, (QStringList{"Resolving hostname " + host + ".",
                                       "Connecting to 127.0.0.1.", "Connected.", "OnConnected"}));
    auto* handler = ComponentCast<TIdIOHandlerSocket>(client.IOHandler());
    QVERIFY(handler);
    QCOMPARE(handler->Binding()->PeerIP(), QString("127.0.0.1"));
    QCOMPARE(handler->Binding()->PeerPort(), listener.Port());
    QVERIFY(listener.Accept() >= 0);
    QCOMPARE(TFailingStack::Lookups.load(), 0);
}

void TestTcpClient::alreadyConnected()
{
    LoopbackListener listener;
    TIdTCPClient client(nullptr);
    int peer = -1;
    Connect(client, listener, peer);
    EventLog log;
    log.Attach(client);
    // Host and Port are read only by the next OpenConnection.
    client.SetHost(QStringLiteral("elsewhere.invalid"));
    client.SetPort(1);
    try {
        client.OpenConnection(2500);
        QFAIL("connected twice");
    } catch (const EIdAlreadyConnected& e) {
        QCOMPARE(e.Message(), QString("Already connected."));
    }
    QVERIFY(log.Entries.isEmpty());
    QVERIFY(client.IsConnected());
    QVERIFY(SendAll(peer, "ok"));
    QCOMPARE(client.ReadAvailable(), QByteArray("ok"));
}

void TestTcpClient::readsBytesUnchangedThenTimesOut()
{
    LoopbackListener listener;
    TIdTCPClient client(nullptr);
    int peer = -1;
    Connect(client, listener, peer);
    const QByteArray bytes("\0*B\r\n\xff\x01\0A\n", 10);
    QVERIFY(SendAll(peer, bytes));
    QCOMPARE(client.ReadAvailable(), bytes);
    try {
        client.ReadAvailable();
        QFAIL("no time-out");
    } catch (const EIdReadTimeout& e) {
        QCOMPARE(e.Message(), QString("Read Timeout"));
    }
    QVERIFY(client.IsConnected());

    // A negative limit other than "no limit" does not wait for ever: the wait fails at once.
    client.SetReadTimeout(-5);
    QVERIFY_THROWS_EXCEPTION(EIdReadTimeout, client.ReadAvailable());
    QVERIFY(client.IsConnected());
}

void TestTcpClient::largeBurstInTwoHandOuts()
{
    LoopbackListener listener;
    TIdTCPClient client(nullptr);
    int peer = -1;
    Connect(client, listener, peer);
    QByteArray bytes(40000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    QVERIFY(SendAll(peer, bytes));
    const int fd = ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding()->Handle();
    int waiting = 0;
    QTRY_VERIFY(::ioctl(fd, FIONREAD, &waiting) == 0 && waiting == bytes.size());

    const QByteArray first = client.ReadAvailable();
    QCOMPARE(first.size(), 32768);
    const QByteArray second = client.ReadAvailable();
    QCOMPARE(second.size(), 7232);
    QCOMPARE(first + second, bytes);
}

void TestTcpClient::peerCloseRaisesOnDisconnectedInsideRead_data()
{
    QTest::addColumn<QByteArray>("lastBytes");
    QTest::newRow("nothing sent") << QByteArray();
    QTest::newRow("data before the close") << QByteArray("*B1E1+025.6\r\n");
}

void TestTcpClient::peerCloseRaisesOnDisconnectedInsideRead()
{
    QFETCH(QByteArray, lastBytes);
    LoopbackListener listener;
    TIdTCPClient client(nullptr);
    int peer = -1;
    Connect(client, listener, peer);
    EventLog log;
    log.Attach(client);
    QVERIFY(SendAll(peer, lastBytes));
    listener.Close(peer);

    QVERIFY(client.IsConnected()); // nothing has been received yet
    if (!lastBytes.isEmpty())
        QCOMPARE(client.ReadAvailable(), lastBytes);
    QVERIFY(log.Entries.isEmpty());
    log.InsideCall = true;
    QCOMPARE(client.ReadAvailable(), QByteArray());
    log.InsideCall = false;
    QCOMPARE(log.EntriesInsideCall, (QStringList{"Disconnected.", "OnDisconnected"}));
    QVERIFY(!client.IsConnected());
    QCOMPARE(client.ReadAvailable(), QByteArray());
    QCOMPARE(log.Count("OnDisconnected"), 1);
}

void TestTcpClient::peerResetIsSocketErrorThenClose()
{
    LoopbackListener listener;
    TIdTCPClient client(nullptr);
    int peer = -1;
    Connect(client, listener, peer);
    EventLog log;
    log.Attach(client);
    listener.Abort(peer);
    try {
        client.ReadAvailable();
        QFAIL("no error");
    } catch (const EIdSocketError& e) {
        QCOMPARE(e.LastError(), 10054);
        QCOMPARE(e.Message(), QString("Socket Error # 10054\r\nConnection reset by peer."));
    }
    QVERIFY(log.Entries.isEmpty());
    QVERIFY(client.IsConnected());
    QCOMPARE(client.ReadAvailable(), QByteArray());
    QCOMPARE(log.Entries, (QStringList{"Disconnected.", "OnDisconnected"}));
    QVERIFY(!client.IsConnected());
}

void TestTcpClient::closeConnectionAlwaysFiresAndKeepsBuffer()
{
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.CloseConnection();
    client.CloseConnection();
    const QStringList once{"Disconnecting.", "OnDisconnected", "Disconnected."};
    QCOMPARE(log.Entries, once + once);

    LoopbackListener listener;
    int peer = -1;
    Connect(client, listener, peer);
    QVERIFY(SendAll(peer, "kept"));
    QCOMPARE(client.ReadFromStack(false, 2000, true), 4);
    log.Entries.clear();
    client.CloseConnection();
    QCOMPARE(log.Entries, once);
    QVERIFY(!client.IsConnected());
    QVERIFY(client.IOHandler() == nullptr);
    QCOMPARE(client.ReadAvailable(), QByteArray("kept"));

    // Bytes left from an earlier connection are dropped by the next one.
    client.OpenConnection(0);
    peer = listener.Accept();
    QVERIFY(SendAll(peer, "dropped"));
    QCOMPARE(client.ReadFromStack(false, 2000, true), 7);
    client.CloseConnection();
    client.OpenConnection(0);
    QVERIFY(listener.Accept() >= 0);
    QCOMPARE(client.InputBuffer().Size(), 0);
    QVERIFY_THROWS_EXCEPTION(EIdReadTimeout, client.ReadAvailable());
}

void TestTcpClient::failingOnConnectedHandlerClosesSocket()
{
    LoopbackListener listener;
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.OnConnected = [](TComponent*) { throw EIdException(QStringLiteral("handler failed")); };
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(listener.Port());
    try {
        client.OpenConnection(0);
        QFAIL("no exception");
    } catch (const EIdException& e) {
        QCOMPARE(e.Message(), QString("handler failed"));
    }
    QVERIFY(!client.IsConnected());
    QCOMPARE(log.Count("OnDisconnected"), 0);
    client.OnConnected = nullptr;
    client.OpenConnection(0); // the transport is usable at once
    QVERIFY(client.IsConnected());
}

void TestTcpClient::publishedProperties_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("field"); // in Host, Port, ReadTimeout order
    QTest::newRow("Host") << "Host" << QVariant(QStringLiteral("127.0.0.2")) << 0;
    QTest::newRow("port, any case") << "port" << QVariant::fromValue(qint64(10002)) << 1;
    QTest::newRow("ReadTimeout") << "ReadTimeout" << QVariant::fromValue(qint64(75)) << 2;
}

void TestTcpClient::publishedProperties()
{
    // The stored layout and language files assign these by name: each name reaches its own
    // field, and nothing else changes.
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(int, field);
    TIdTCPClient client(nullptr);
    const auto fields = [&] {
        return QStringList{client.Host(), QString::number(client.Port()),
                           QString::number(client.ReadTimeout())};
    };
    QStringList expected = fields();
    expected[field] = value.toString();
    const TPropInfo* info = client.ClassInfo().FindProperty(name);
    QVERIFY(info && info->Write);
    info->Write(client, value);
    QCOMPARE(fields(), expected);
    QCOMPARE(info->Read(client).toString(), value.toString());
}

QTEST_GUILESS_MAIN(TestTcpClient)
#include "tst_tcpclient.moc"
