// Socket layer pieces that need no peer: messages, error numbers, the IPv4 text test,
// host resolution shortcuts, the input buffer and the stack's lifetime.
#include "FailingStack.h"
#include "IdException.h"
#include "IdManagedBuffer.h"
#include "IdSocketErrors.h"
#include "IdStack.h"
#include "IdTCPClient.h"

#include <QtTest>
#include <cerrno>
#include <memory>
#include <netdb.h>

class TestNetStack : public QObject {
    Q_OBJECT
private slots:
    void socketErrorMessage_data();
    void socketErrorMessage();
    void errnoMapping_data();
    void errnoMapping();
    void resolverMapping();
    void ipv4Text_data();
    void ipv4Text();
    void resolveWithoutLookup_data();
    void resolveWithoutLookup();
    void unresolvableName();
    void managedBufferPartialHandOut();
    void stackLivesWithComponents();
};

void TestNetStack::socketErrorMessage_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("refused") << 10061 << "Socket Error # 10061\r\nConnection refused.";
    QTest::newRow("host not found") << 11001 << "Socket Error # 11001\r\nHost not found.";
    QTest::newRow("unreachable") << 10051 << "Socket Error # 10051\r\nNetwork is unreachable.";
    QTest::newRow("trailing blank") << 10035 << "Socket Error # 10035\r\nOperation would block. ";
    QTest::newRow("no full stop") << 10066 << "Socket Error # 10066\r\nDirectory not empty";
    QTest::newRow("no text") << 10067 << "Socket Error # 10067\r\n";
    QTest::newRow("unmapped errno")
        << 20000 + EDOM << QString("Socket Error # %1\r\n").arg(20000 + EDOM);
}

void TestNetStack::socketErrorMessage()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    try {
        TIdStack::RaiseSocketError(code);
        QFAIL("no exception");
    } catch (const EIdSocketError& e) {
        QCOMPARE(e.Message(), message);
        QCOMPARE(e.LastError(), code);
        QCOMPARE(QString(e.ClassName()), QString("EIdSocketError"));
    }
}

void TestNetStack::errnoMapping_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<int>("code");
    QTest::newRow("ECONNREFUSED") << ECONNREFUSED << 10061;
    QTest::newRow("ENETUNREACH") << ENETUNREACH << 10051;
    QTest::newRow("ECONNRESET") << ECONNRESET << 10054;
    QTest::newRow("ECONNABORTED") << ECONNABORTED << 10053;
    QTest::newRow("EPIPE") << EPIPE << 10058;
    QTest::newRow("EBADF") << EBADF << 10009;
    QTest::newRow("unmapped") << EDOM << 20000 + EDOM;
}

void TestNetStack::errnoMapping()
{
    QFETCH(int, err);
    QFETCH(int, code);
    QCOMPARE(SocketErrorFromErrno(err), code);
}

void TestNetStack::resolverMapping()
{
    QCOMPARE(SocketErrorFromResolver(EAI_NONAME, 0), 11001);
    QCOMPARE(SocketErrorFromResolver(EAI_FAIL, 0), 11001);
    QCOMPARE(SocketErrorFromResolver(EAI_AGAIN, 0), 11002);
    QCOMPARE(SocketErrorFromResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
}

void TestNetStack::ipv4Text_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("passes");
    QTest::newRow("stored default") << "192.168.1.254" << true;
    QTest::newRow("bounds") << "0.0.0.255" << true;
    QTest::newRow("leading zeros") << "010.001.0.1" << true;
    QTest::newRow("five pieces") << "1.2.3.4.5" << false;
    QTest::newRow("piece above 255") << "256.1.1.1" << false;
    QTest::newRow("empty piece") << "1..2.3" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("three pieces") << "1.2.3" << false;
    QTest::newRow("trailing dot") << "1.2.3.4." << false;
    QTest::newRow("sign") << "+1.2.3.4" << false;
    QTest::newRow("blank") << "1.2.3. 4" << false;
    QTest::newRow("negative") << "1.2.-0.4" << false;
    QTest::newRow("hex") << "0x7f.0.0.1" << false;
    QTest::newRow("huge") << "1.2.3.99999999999999999999" << false;
    QTest::newRow("name") << "localhost" << false;
}

void TestNetStack::ipv4Text()
{
    QFETCH(QString, text);
    QFETCH(bool, passes);
    QCOMPARE(TIdStack::IsIP(text), passes);
}

void TestNetStack::resolveWithoutLookup_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("ip");
    QTest::newRow("upper") << "LOCALHOST"
                           << "127.0.0.1";
    QTest::newRow("lower") << "localhost"
                           << "127.0.0.1";
    QTest::newRow("mixed") << "LocalHost"
                           << "127.0.0.1";
    QTest::newRow("address unchanged") << "192.168.1.254"
                                       << "192.168.1.254";
    QTest::newRow("leading zeros unchanged") << "127.000.000.001"
                                             << "127.000.000.001";
}

void TestNetStack::resolveWithoutLookup()
{
    QFETCH(QString, host);
    QFETCH(QString, ip);
    SetStackFactory(TFailingStack::Create);
    const auto restore = qScopeGuard([] { SetStackFactory(nullptr); });
    TFailingStack::Lookups = 0;
    TIdTCPClient client(nullptr);
    QCOMPARE(SocketStack()->ResolveHost(host), ip);
    QCOMPARE(TFailingStack::Lookups.load(), 0);
}

void TestNetStack::unresolvableName()
{
    TIdTCPClient client(nullptr);
    // Names in the reserved "invalid" domain are refused without asking any resolver.
    for (const QString& host :
         {QStringLiteral("no-such-host.invalid"), QStringLiteral("1.2.3.4.5.invalid"),
          QStringLiteral("Host.INVALID."), QStringLiteral("invalid"),
          QString::fromLatin1("localhost\0.invalid", 18)}) {
        try {
            SocketStack()->ResolveHost(host);
            QFAIL(qPrintable("resolved " + host));
        } catch (const EIdSocketError& e) {
            QCOMPARE(e.LastError(), 11001);
            QCOMPARE(e.Message(), QString("Socket Error # 11001\r\nHost not found."));
        }
    }
}

void TestNetStack::managedBufferPartialHandOut()
{
    TIdManagedBuffer buffer;
    QByteArray data(40000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    buffer.Append(data.constData(), data.size());

    QCOMPARE(buffer.Extract(30000), data.left(30000));
    QCOMPARE(buffer.Offset(), 30000);
    QCOMPARE(buffer.Size(), 10000);
    // Crossing 32768 consumed bytes moves the rest to the front.
    QCOMPARE(buffer.Extract(3000), data.mid(30000, 3000));
    QCOMPARE(buffer.Offset(), 0);
    buffer.Append("xy", 2);
    QCOMPARE(buffer.Extract(), data.mid(33000) + "xy");
    QCOMPARE(buffer.Size(), 0);
    QCOMPARE(buffer.Extract(), QByteArray());
}

void TestNetStack::stackLivesWithComponents()
{
    QVERIFY(SocketStack() == nullptr);
    auto first = std::make_unique<TIdTCPClient>(nullptr);
    TIdStack* stack = SocketStack();
    QVERIFY(stack != nullptr);
    new TIdTCPClient(first.get()); // owned by the first client
    QCOMPARE(SocketStack(), stack);
    first.reset(); // takes the owned second client with it
    QVERIFY(SocketStack() == nullptr);
    TIdTCPClient again(nullptr);
    QVERIFY(SocketStack() != nullptr);
}

QTEST_GUILESS_MAIN(TestNetStack)
#include "tst_netstack.moc"
