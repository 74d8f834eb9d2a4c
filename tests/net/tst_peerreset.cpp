// A peer that resets the connection (SO_LINGER 0, then close), in every order against the
// client's own steps. Each order is made by waiting for the client's socket to show the reset
// before the client goes on, never by timing.
//
// Linux keeps the bytes that had arrived before a reset and hands them out first; only what
// the peer had not sent yet is discarded (on the peer's side). So the client reads a frame
// sent before the reset, then gets 10054 once, then the close.
#include "EventLog.h"
#include "IdException.h"
#include "IdIOHandlerSocket.h"
#include "IdSocketErrors.h"
#include "IdStackPosix.h"
#include "IdTCPClient.h"
#include "LoopbackPeer.h"

#include <QtTest>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const QByteArray Frame("*B1E1+020.0\r\n");

// True once the socket shows that the peer has hung up (reset or close); looks without taking
// anything.
bool WaitForHangUp(int fd)
{
    pollfd p{fd, POLLRDHUP, 0};
    return ::poll(&p, 1, 10000) == 1 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

// The platform's stack, with a step the test runs between the connect and the read-back of
// the peer's address, on the connect worker's thread.
class THookedStack : public TIdStackPosix {
public:
    static inline std::function<void(TIdStackSocketHandle)> BeforePeerName;
    static TIdStack* Create() { return new THookedStack; }
    using TIdStackPosix::WaitConnected;

    void WSGetPeerName(TIdStackSocketHandle s, int& family, QString& ip, int& port) override
    {
        if (BeforePeerName)
            BeforePeerName(s);
        TIdStackPosix::WSGetPeerName(s, family, ip, port);
    }
};

int ClientSocket(TIdTCPClient& client)
{
    return ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding()->Handle();
}

// The reads after a reset: the frame if one was sent and not yet read, then 10054 once
// (the socket stays open), then the close with its event inside the call.
void ExpectFrameThenResetThenClose(TIdTCPClient& client, EventLog& log, bool frameQueued)
{
    if (frameQueued)
        QCOMPARE(client.ReadAvailable(), Frame);
    try {
        client.ReadAvailable();
        QFAIL("no error");
    } catch (const EIdSocketError& e) {
        QCOMPARE(e.LastError(), 10054);
        QCOMPARE(e.Message(), QString("Socket Error # 10054\r\nConnection reset by peer."));
    }
    QVERIFY(client.IsConnected());
    QVERIFY(!log.Entries.contains("OnDisconnected"));
    log.InsideCall = true;
    QCOMPARE(client.ReadAvailable(), QByteArray());
    log.InsideCall = false;
    QCOMPARE(log.EntriesInsideCall, (QStringList{"Disconnected.", "OnDisconnected"}));
    QVERIFY(!client.IsConnected());
}
} // namespace

class TestPeerReset : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetStackFactory(THookedStack::Create); }
    void cleanupTestCase() { SetStackFactory(nullptr); }
    void cleanup() { THookedStack::BeforePeerName = nullptr; }
    void resetAfterTheConnect_data();
    void resetAfterTheConnect();
    void resetBeforeThePeerAddressIsRead_data();
    void resetBeforeThePeerAddressIsRead();
    void resetTakenByTheConnectWait_data();
    void resetTakenByTheConnectWait();
};

void TestPeerReset::resetAfterTheConnect_data()
{
    QTest::addColumn<bool>("sendFrame");
    QTest::addColumn<bool>("readBeforeReset");
    QTest::newRow("before any byte") << false << false;
    QTest::newRow("after a frame the client has read") << true << true;
    QTest::newRow("after a frame still queued") << true << false;
}

void TestPeerReset::resetAfterTheConnect()
{
    QFETCH(bool, sendFrame);
    QFETCH(bool, readBeforeReset);
    LoopbackListener listener;
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(listener.Port());
    client.SetReadTimeout(10000); // every read below finds its data or reset already there
    client.OpenConnection(0);
    const int peer = listener.Accept();
    QVERIFY(peer >= 0);
    if (sendFrame)
        QVERIFY(SendAll(peer, Frame));
    if (readBeforeReset)
        QCOMPARE(client.ReadAvailable(), Frame);
    listener.Abort(peer);
    QVERIFY(WaitForHangUp(ClientSocket(client)));
    ExpectFrameThenResetThenClose(client, log, sendFrame && !readBeforeReset);
}

// The peer accepts, maybe sends a frame, and resets before the connect worker has read back
// the peer's address: the connection was made, so the connect succeeds and the reads report
// what followed.
void TestPeerReset::resetBeforeThePeerAddressIsRead_data()
{
    QTest::addColumn<bool>("sendFrame");
    QTest::newRow("frame then reset") << true;
    QTest::newRow("reset only") << false;
}

void TestPeerReset::resetBeforeThePeerAddressIsRead()
{
    QFETCH(bool, sendFrame);
    LoopbackListener listener;
    bool resetSeen = false;
    THookedStack::BeforePeerName = [&](TIdStackSocketHandle s) {
        const int peer = listener.Accept();
        if (peer < 0 || (sendFrame && !SendAll(peer, Frame)))
            return;
        listener.Abort(peer);
        resetSeen = WaitForHangUp(s);
    };
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(listener.Port());
    client.SetReadTimeout(10000);
    client.OpenConnection(2500);
    QVERIFY(resetSeen);
    QCOMPARE(log.Entries, (QStringList{"Connecting to 127.0.0.1.", "Connected.", "OnConnected"}));
    const TIdSocketHandle* binding =
        ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding();
    QCOMPARE(binding->PeerIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(binding->PeerPort(), listener.Port());
    ExpectFrameThenResetThenClose(client, log, sendFrame);
}

// The reset is already there when the wait for the connect looks at the socket's error: it
// takes the reset from the kernel, so the stack reports it itself after the queued bytes.
// A later socket that gets the same descriptor number must not inherit it.
void TestPeerReset::resetTakenByTheConnectWait_data()
{
    QTest::addColumn<bool>("sendFrame");
    QTest::newRow("frame then reset") << true;
    QTest::newRow("reset only") << false;
}

void TestPeerReset::resetTakenByTheConnectWait()
{
    QFETCH(bool, sendFrame);
    THookedStack stack;
    LoopbackListener listener;
    const auto connectTo = [&] {
        const int fd = stack.WSSocket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(listener.Port()));
        return ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? fd : -1;
    };
    const int fd = connectTo();
    QVERIFY(fd >= 0);
    const int peer = listener.Accept();
    QVERIFY(peer >= 0);
    if (sendFrame)
        QVERIFY(SendAll(peer, Frame));
    listener.Abort(peer);
    QVERIFY(WaitForHangUp(fd));
    QCOMPARE(stack.WaitConnected(fd, -1), 0);

    char buffer[64];
    if (sendFrame) {
        QCOMPARE(stack.WSRecv(fd, buffer, sizeof buffer, 0), int(Frame.size()));
        QCOMPARE(QByteArray(buffer, int(Frame.size())), Frame);
    }
    QCOMPARE(stack.WSRecv(fd, buffer, sizeof buffer, 0), Id_SOCKET_ERROR);
    QCOMPARE(TIdStack::LastError(), 10054);
    QCOMPARE(stack.WSRecv(fd, buffer, sizeof buffer, 0), 0);

    stack.WSCloseSocket(fd);

    // Taken again, and the socket closed before it was reported.
    const int second = connectTo();
    QVERIFY(second >= 0);
    listener.Abort(listener.Accept());
    QVERIFY(WaitForHangUp(second));
    QCOMPARE(stack.WaitConnected(second, -1), 0);
    stack.WSCloseSocket(second);
    const int reused = connectTo();
    QCOMPARE(reused, second); // the lowest free number
    listener.Close(listener.Accept());
    QVERIFY(WaitForHangUp(reused));
    QCOMPARE(stack.WSRecv(reused, buffer, sizeof buffer, 0), 0);
    stack.WSCloseSocket(reused);
}

QTEST_GUILESS_MAIN(TestPeerReset)
#include "tst_peerreset.moc"
