// A peer that resets the connection (SO_LINGER 0, then close), in every order against the
// client's own steps. Each order is made by waiting for the client's socket to show the reset
// before the client goes on, never by timing.
//
// Linux keeps the bytes that had arrived before a reset and hands them out first; only what
// the peer had not sent yet is discarded (on the peer's side). So the client reads a frame
// sent before the reset, then gets 10054 once, then the close.
#include "EventLog.h"
#include "FailingStack.h"
#include "IdIOHandlerSocket.h"
#include "IdTCPClient.h"
#include "LoopbackPeer.h"

#include <QtTest>

namespace {
const QByteArray Frame("*B1E1+020.0\r\n");
const QString ResetMessage("Socket Error # 10054\r\nConnection reset by peer.");

int ClientSocket(TIdTCPClient& client)
{
    return ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding()->Handle();
}

// Opens the connection the way the window does, through the connect worker.
void OpenThroughWorker(TIdTCPClient& client, const LoopbackListener& listener)
{
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(listener.Port());
    QVERIFY_THROWS_NO_EXCEPTION(client.OpenConnection(2500));
}

// The reads after a reset: the frame if one was sent and not yet read, then 10054 once
// (the socket stays open), then the close with its event inside the call.
void ExpectFrameThenResetThenClose(TIdTCPClient& client, EventLog& log, bool frameQueued)
{
    if (frameQueued)
        QCOMPARE(ReadOrError(client), QString(Frame));
    QCOMPARE(ReadOrError(client), ResetMessage);
    QVERIFY(client.IsConnected());
    QVERIFY(!log.Entries.contains("OnDisconnected"));
    log.InsideCall = true;
    QCOMPARE(ReadOrError(client), QString());
    log.InsideCall = false;
    QCOMPARE(log.EntriesInsideCall, (QStringList{"Disconnected.", "OnDisconnected"}));
    QVERIFY(!client.IsConnected());
}
} // namespace

class TestPeerReset : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetStackFactory(TFailingStack::Create); }
    void cleanupTestCase() { SetStackFactory(nullptr); }
    void cleanup() { TFailingStack::ClearHooks(); }
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
    client.SetReadTimeout(10000); // every read below finds its data or reset already there
    const int peer = ConnectToListener(client, listener);
    QVERIFY(peer >= 0);
    if (sendFrame)
        QVERIFY(SendAll(peer, Frame));
    if (readBeforeReset)
        QCOMPARE(ReadOrError(client), QString(Frame));
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
    TFailingStack::BeforePeerName = [&](TIdStackSocketHandle s) {
        resetSeen = AcceptThenReset(listener, sendFrame ? Frame : QByteArray(), s);
    };
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetReadTimeout(10000);
    OpenThroughWorker(client, listener);
    QVERIFY(resetSeen);
    QCOMPARE(log.Entries, (QStringList{"Connecting to 127.0.0.1.", "Connected.", "OnConnected"}));
    const TIdSocketHandle* binding =
        ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding();
    QCOMPARE(binding->PeerIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(binding->PeerPort(), listener.Port());
    ExpectFrameThenResetThenClose(client, log, sendFrame);
}

// The reset is already there when the connect's wait looks at the socket's error, which
// takes it from the kernel: the stack reports it as that call's failure, and the socket's
// handle reports it after the queued bytes all the same. A connection
// closed before its reset was reported passes nothing on to the next one.
void TestPeerReset::resetTakenByTheConnectWait_data()
{
    QTest::addColumn<bool>("sendFrame");
    QTest::addColumn<bool>("closeFirst");
    QTest::newRow("frame then reset") << true << false;
    QTest::newRow("reset only") << false << false;
    QTest::newRow("closed before the reset was reported") << true << true;
}

void TestPeerReset::resetTakenByTheConnectWait()
{
    QFETCH(bool, sendFrame);
    QFETCH(bool, closeFirst);
    LoopbackListener listener;
    bool resetSeen = false;
    TFailingStack::BeforeConnectWait = [&](TIdStackSocketHandle s) {
        resetSeen = AcceptThenReset(listener, sendFrame ? Frame : QByteArray(), s);
    };
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetReadTimeout(10000);
    OpenThroughWorker(client, listener);
    QVERIFY(resetSeen);
    QCOMPARE(TFailingStack::ConnectWaitError.load(), 10054);
    if (!closeFirst) {
        ExpectFrameThenResetThenClose(client, log, sendFrame);
        return;
    }
    client.CloseConnection();
    TFailingStack::ClearHooks();
    const int peer = ConnectToListener(client, listener);
    QVERIFY(peer >= 0);
    listener.Close(peer);
    QVERIFY(WaitForHangUp(ClientSocket(client)));
    QCOMPARE(ReadOrError(client), QString());
    QVERIFY(!client.IsConnected());
}

QTEST_GUILESS_MAIN(TestPeerReset)
#include "tst_peerreset.moc"
