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
    void resetInsideTheConnect_data();
    void resetInsideTheConnect();
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

// The peer accepts, maybe sends a frame, and resets while the connect worker is still at
// work: before it reads back the peer's address, or before its wait for the connect looks at
// the socket's error, which then takes the reset from the kernel (the stack reports it as
// that call's failure). The connection was made, so the connect succeeds and the reads report
// what followed. A connection closed before its reset was reported passes nothing on.
void TestPeerReset::resetInsideTheConnect_data()
{
    QTest::addColumn<bool>("inConnectWait"); // else before the address read-back
    QTest::addColumn<bool>("sendFrame");
    QTest::addColumn<bool>("closeFirst");
    QTest::newRow("frame, reset before the address") << false << true << false;
    QTest::newRow("reset before the address") << false << false << false;
    QTest::newRow("frame, reset taken by the wait") << true << true << false;
    QTest::newRow("reset taken by the wait") << true << false << false;
    QTest::newRow("reset taken by the wait, closed first") << true << true << true;
}

void TestPeerReset::resetInsideTheConnect()
{
    QFETCH(bool, inConnectWait);
    QFETCH(bool, sendFrame);
    QFETCH(bool, closeFirst);
    LoopbackListener listener;
    bool resetSeen = false;
    (inConnectWait ? TFailingStack::BeforeConnectWait
                   : TFailingStack::BeforePeerName) = [&](TIdStackSocketHandle s) {
        resetSeen = AcceptThenReset(listener, sendFrame ? Frame : QByteArray(), s);
    };
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetReadTimeout(10000);
    OpenThroughWorker(client, listener);
    QVERIFY(resetSeen);
    if (inConnectWait)
        QCOMPARE(TFailingStack::ConnectWaitError.load(), 10054);
    QCOMPARE(log.Entries, (QStringList{"Connecting to 127.0.0.1.", "Connected.", "OnConnected"}));
    const TIdSocketHandle* binding =
        ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding();
    QCOMPARE(binding->PeerIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(binding->PeerPort(), listener.Port());
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
