// Device connections against loopback peers: what the handlers see, in which order, with the
// transport's codes and texts. Orders are made by waiting for what the peer or the connection
// shows, never by timing.
#include "DeviceLoop.h"
#include "DeviceRecorder.h"
#include "Exception.h"
#include "ExceptionGuard.h"
#include "IdMessages.h"
#include "IdSocketErrors.h"
#include "LoopbackPeer.h"

#include <QElapsedTimer>
#include <QtTest>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const QByteArray FrameA("*B1E1+020.0\r\n");
const QByteArray FrameB("*B1E1-001.5\r\n");

TDeviceAddress Loopback(int port)
{
    return {QStringLiteral("127.0.0.1"), static_cast<quint16>(port)};
}

// The frames a recorder got, as raw texts.
QStringList FrameEvents(const QList<QByteArray>& frames)
{
    QStringList events;
    for (const QByteArray& f : frames)
        events << QStringLiteral("frame ") + QString::fromLatin1(f.left(f.indexOf('\r') + 1));
    return events;
}

QStringList Reported;
void RecordReport(const std::exception& e, bool foreign)
{
    Reported << QString::fromUtf8(e.what()) + (foreign ? QStringLiteral(" (foreign)") : QString());
}
} // namespace

class TestDeviceConnection : public QObject {
    Q_OBJECT

private slots:
    void refused();
    void connectTimeout();
    void peerEnds_data();
    void peerEnds();
    void frameSplitOverReads();
    void pausedReading_data();
    void pausedReading();
    void invalidNameFailsAtResolve();
    void namesAndIPv6_data();
    void namesAndIPv6();
    void nothingRunsInsideOpen();
    void reopenForgetsTheEarlierAttempt();
    void loopEndsWithLookupInProgress();
    void handlerEndsItsConnection_data();
    void handlerEndsItsConnection();
    void closeFromOutsideSilences();
    void throwingHandlerIsReported();
    void defaultReportIsOneLineOnStandardError();
    void timersRunInOrder();
    void lookupAlone();

private:
    TDeviceLoop FLoop;
};

void TestDeviceConnection::refused()
{
    RefusingPort port;
    TDeviceRecorder rec;
    TDeviceConnection connection(FLoop, rec.Handlers());
    connection.Open(Loopback(port.Port()), 5000);
    QVERIFY(rec.WaitForFailure());
    QCOMPARE(rec.Events, QStringList{QStringLiteral("failed refused 10061")});
    QCOMPARE(rec.Failure->Message, SocketErrorMessage(Id_WSAECONNREFUSED));
    QVERIFY(!connection.IsConnected());
    QCOMPARE(FLoop.ConnectionCount(), 0);
}

void TestDeviceConnection::connectTimeout()
{
    SilentPeer peer;
    QVERIFY(peer.Ready());
    TDeviceRecorder rec;
    TDeviceConnection connection(FLoop, rec.Handlers());
    QElapsedTimer clock;
    clock.start();
    connection.Open(Loopback(peer.Port()), 300);
    QVERIFY(rec.WaitForFailure());
    QVERIFY2(clock.elapsed() >= 290, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rec.Events, QStringList{QStringLiteral("failed timeout 10060")});
    QCOMPARE(rec.Failure->Message, IdMessages::ConnectTimeout);
}

void TestDeviceConnection::peerEnds_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("reset");
    // The peer accepts, sends and ends before the loop has seen the connect complete.
    QTest::addColumn<bool>("atOnce");
    QTest::addColumn<QStringList>("events");

    const QStringList connected{QStringLiteral("connected")};
    const QStringList reset{QStringLiteral("failed reset 10054")};
    const QStringList closed{QStringLiteral("failed closed 0")};
    const QStringList twoFrames = connected + FrameEvents({FrameA, FrameB});
    QTest::newRow("reset before a frame")
        << QByteArray("*B1E1+02") << true << false << connected + reset;
    QTest::newRow("reset after a frame")
        << FrameA << true << false << connected + FrameEvents({FrameA}) + reset;
    QTest::newRow("two frames, then a reset")
        << FrameA + FrameB << true << false << twoFrames + reset;
    QTest::newRow("two frames, then a reset, at once")
        << FrameA + FrameB << true << true << twoFrames + reset;
    QTest::newRow("graceful close after two frames")
        << FrameA + FrameB << false << false << twoFrames + closed;
    QTest::newRow("graceful close after two frames, at once")
        << FrameA + FrameB << false << true << twoFrames + closed;
    QTest::newRow("graceful close, nothing sent")
        << QByteArray() << false << false << connected + closed;
}

void TestDeviceConnection::peerEnds()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, reset);
    QFETCH(bool, atOnce);
    QFETCH(QStringList, events);

    LoopbackListener listener;
    TDeviceRecorder rec;
    TDeviceConnection connection(FLoop, rec.Handlers());
    connection.Open(Loopback(listener.Port()), 5000);
    int peer = -1;
    const auto end = [&] {
        // Both the bytes and the end are on their way before the connection reads anything.
        QVERIFY(SendAll(peer, sent));
        reset ? listener.Abort(peer) : listener.Close(peer);
    };
    if (atOnce) {
        // Runs right after the connect is started, in the same pass of the loop's timers.
        FLoop.AddTimer(0, [&] {
            peer = listener.Accept();
            end();
        });
        QVERIFY(rec.WaitForFailure());
        QVERIFY(peer >= 0);
    } else {
        peer = AcceptOnLoop(listener);
        QVERIFY(peer >= 0);
        QVERIFY(rec.WaitFor(QStringLiteral("connected")));
        QVERIFY(connection.IsConnected());
        end();
        QVERIFY(rec.WaitForFailure());
    }
    QCOMPARE(rec.Events, events);
    QCOMPARE(rec.Failure->Message,
             reset ? SocketErrorMessage(Id_WSAECONNRESET) : IdMessages::ConnectionClosedGracefully);
    QVERIFY(!connection.IsConnected());
}

void TestDeviceConnection::frameSplitOverReads()
{
    LoopbackListener listener;
    TDeviceRecorder rec;
    TDeviceConnection connection(FLoop, rec.Handlers());
    connection.Open(Loopback(listener.Port()), 5000);
    const int peer = AcceptOnLoop(listener);
    QVERIFY(rec.WaitFor(QStringLiteral("connected")));
    const QList<QByteArray> parts{"\n*B1", "E1+02", "0.0", "\r\n"};
    for (const QByteArray& part : parts) {
        const qsizetype before = rec.Log.filter(QStringLiteral("received")).size();
        QVERIFY(SendAll(peer, part));
        QVERIFY(QTest::qWaitFor(
            [&] { return rec.Log.filter(QStringLiteral("received")).size() > before; }));
    }
    QVERIFY(QTest::qWaitFor([&] { return !rec.Frames.isEmpty(); }));
    QCOMPARE(rec.Frames.size(), 1);
    QCOMPARE(rec.Frames[0].Raw, QByteArray("*B1E1+020.0\r"));
    QCOMPARE(rec.Frames[0].Celsius, std::optional<double>(20.0));
    QVERIFY(rec.Log.contains(QStringLiteral("frame *B1E1+020.0\\r: reading 20.0")));
}

void TestDeviceConnection::pausedReading_data()
{
    QTest::addColumn<QByteArray>("whilePaused");
    QTest::addColumn<int>("ending"); // 0 none, 1 close, 2 reset, while paused
    QTest::addColumn<QByteArray>("afterResuming");
    QTest::addColumn<QStringList>("events");

    const QByteArray frameC("*B1E1+022.5\r\n");
    const QStringList connected{QStringLiteral("connected")};
    // Resumed, the newest frame sent while paused comes first, then every one again.
    QTest::newRow("two frames while paused")
        << FrameA + FrameB << 0 << frameC << connected + FrameEvents({FrameB, frameC});
    QTest::newRow("a frame and a half while paused")
        << FrameA + FrameB.left(5) << 0 << FrameB.mid(5)
        << connected + FrameEvents({FrameA, FrameB});
    QTest::newRow("nothing while paused")
        << QByteArray() << 0 << frameC << connected + FrameEvents({frameC});
    // Paused or not, an end is reported at once, without the frames kept back.
    QTest::newRow("close while paused")
        << FrameA << 1 << QByteArray()
        << connected + QStringList{QStringLiteral("failed closed 0")};
    QTest::newRow("reset while paused")
        << FrameA << 2 << QByteArray()
        << connected + QStringList{QStringLiteral("failed reset 10054")};
}

void TestDeviceConnection::pausedReading()
{
    QFETCH(QByteArray, whilePaused);
    QFETCH(int, ending);
    QFETCH(QByteArray, afterResuming);
    QFETCH(QStringList, events);

    LoopbackListener listener;
    TDeviceRecorder rec;
    TDeviceConnection connection(FLoop, rec.Handlers());
    connection.Open(Loopback(listener.Port()), 5000);
    const int peer = AcceptOnLoop(listener);
    QVERIFY(peer >= 0);
    QVERIFY(rec.WaitFor(QStringLiteral("connected")));
    connection.SetReading(false);
    QVERIFY(SendAll(peer, whilePaused));
    if (ending != 0) {
        ending == 1 ? listener.Close(peer) : listener.Abort(peer);
        QVERIFY(rec.WaitForFailure());
        QCOMPARE(rec.Events, events);
        return;
    }
    QTest::qWait(50); // room for a frame delivered while paused, which would be a fault
    connection.SetReading(true);
    // A frame that waited is delivered from inside the call: a probe then answers at once.
    if (events.size() > 2)
        QCOMPARE(rec.Events.value(1), events[1]);
    QVERIFY(SendAll(peer, afterResuming));
    QVERIFY(rec.WaitFor(events.last()));
    QCOMPARE(rec.Events, events);
    listener.Close(peer);
}

void TestDeviceConnection::invalidNameFailsAtResolve()
{
    TDeviceRecorder rec;
    TDeviceConnection connection(FLoop, rec.Handlers());
    connection.Open({QStringLiteral("thermometer.invalid"), 10001}, 5000);
    QVERIFY(rec.WaitForFailure());
    QCOMPARE(rec.Events, QStringList{QStringLiteral("failed resolve 11001")});
    QCOMPARE(rec.Failure->Message, SocketErrorMessage(Id_WSAHOST_NOT_FOUND));
    QCOMPARE(rec.Log.first(), QStringLiteral("resolving thermometer.invalid"));
}

void TestDeviceConnection::namesAndIPv6_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("ipv6");
    QTest::addColumn<QString>("connectingTo");

    QTest::newRow("localhost") << "localhost" << false << "127.0.0.1";
    QTest::newRow("[::1]") << "[::1]" << true << "[::1]";
}

void TestDeviceConnection::namesAndIPv6()
{
    QFETCH(QString, host);
    QFETCH(bool, ipv6);
    QFETCH(QString, connectingTo);

    LoopbackListener listener(ipv6);
    const std::optional<TDeviceAddress> address =
        ParseDeviceAddress(QStringLiteral("%1:%2").arg(host).arg(listener.Port()));
    QVERIFY(address);
    TDeviceRecorder rec;
    TDeviceConnection connection(FLoop, rec.Handlers());
    connection.Open(*address, 5000);
    const int peer = AcceptOnLoop(listener);
    QVERIFY(peer >= 0);
    QVERIFY(SendAll(peer, FrameA));
    QVERIFY(QTest::qWaitFor([&] { return !rec.Frames.isEmpty(); }));
    QCOMPARE(rec.Events, QStringList{QStringLiteral("connected")} + FrameEvents({FrameA}));
    QVERIFY2(rec.Log.contains(
                 QStringLiteral("connecting to %1:%2").arg(connectingTo).arg(listener.Port())),
             qPrintable(rec.Log.join(u'|')));
}

void TestDeviceConnection::nothingRunsInsideOpen()
{
    // Failures found at once, or soon, reach the handlers only from the loop; a Close() right
    // after Open() means no handler at all.
    RefusingPort port;
    TDeviceRecorder refused;
    TDeviceRecorder invalid;
    TDeviceRecorder closedAtOnce;
    TDeviceConnection a(FLoop, refused.Handlers());
    TDeviceConnection b(FLoop, invalid.Handlers());
    TDeviceConnection c(FLoop, closedAtOnce.Handlers());
    c.Open(Loopback(port.Port()), 5000);
    c.Close();
    a.Open(Loopback(port.Port()), 5000);
    b.Open({QStringLiteral("x.invalid"), 1}, 5000);
    QVERIFY(refused.Log.isEmpty() && invalid.Log.isEmpty());
    QVERIFY(refused.WaitForFailure() && invalid.WaitForFailure());
    QVERIFY(closedAtOnce.Log.isEmpty());
    QVERIFY(closedAtOnce.Events.isEmpty());
}

void TestDeviceConnection::reopenForgetsTheEarlierAttempt()
{
    RefusingPort refusing;
    LoopbackListener listener;
    TDeviceRecorder rec;
    TDeviceConnection connection(FLoop, rec.Handlers());
    connection.Open(Loopback(refusing.Port()), 5000);
    connection.Open(Loopback(listener.Port()), 5000);
    const int peer = AcceptOnLoop(listener);
    QVERIFY(peer >= 0);
    listener.Close(peer);
    QVERIFY(rec.WaitForFailure());
    QCOMPARE(rec.Events,
             (QStringList{QStringLiteral("connected"), QStringLiteral("failed closed 0")}));
}

void TestDeviceConnection::loopEndsWithLookupInProgress()
{
    // The lookup's answer arrives after the loop is gone, and the connection outlives it.
    auto loop = std::make_unique<TDeviceLoop>();
    TDeviceRecorder rec;
    auto connection = std::make_unique<TDeviceConnection>(*loop, rec.Handlers());
    connection->Open({QStringLiteral("localhost"), 1}, 5000);
    QVERIFY(QTest::qWaitFor([&] { return !rec.Log.isEmpty(); }));
    loop.reset();
    QVERIFY(!connection->IsConnected());
    connection->Open({QStringLiteral("127.0.0.1"), 1}, 5000);
    connection.reset();
    QCOMPARE(rec.Log, QStringList{QStringLiteral("resolving localhost")});
}

void TestDeviceConnection::handlerEndsItsConnection_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<bool>("destroy");
    QTest::addColumn<QStringList>("events");

    const QStringList connected{QStringLiteral("connected")};
    const QStringList oneFrame = connected + FrameEvents({FrameA});
    QTest::newRow("closes when connected") << "connected" << false << connected;
    QTest::newRow("destroys when connected") << "connected" << true << connected;
    QTest::newRow("closes on a frame") << "frame" << false << oneFrame;
    QTest::newRow("destroys on a frame") << "frame" << true << oneFrame;
    QTest::newRow("destroys on the received log") << "received" << true << connected;
}

void TestDeviceConnection::handlerEndsItsConnection()
{
    QFETCH(QString, when);
    QFETCH(bool, destroy);
    QFETCH(QStringList, events);

    LoopbackListener listener;
    TDeviceRecorder rec;
    std::unique_ptr<TDeviceConnection> connection;
    const auto end = [&] {
        if (destroy)
            connection.reset();
        else
            connection->Close();
    };
    TDeviceConnection::THandlers handlers = rec.Handlers();
    if (when == QStringLiteral("connected"))
        handlers.OnConnected = [&, inner = handlers.OnConnected] {
            inner();
            end();
        };
    if (when == QStringLiteral("frame"))
        handlers.OnFrame = [&, inner = handlers.OnFrame](const TDeviceFrame& frame) {
            inner(frame);
            end();
        };
    if (when == QStringLiteral("received"))
        handlers.OnLog = [&, inner = handlers.OnLog](const QString& line) {
            inner(line);
            if (line.startsWith(when))
                end();
        };
    connection = std::make_unique<TDeviceConnection>(FLoop, handlers);
    connection->Open(Loopback(listener.Port()), 5000);
    const int peer = AcceptOnLoop(listener);
    QVERIFY(peer >= 0);
    // Two frames and the close in one read: the rest of that read must not reach anyone.
    QVERIFY(SendAll(peer, FrameA + FrameB));
    listener.Close(peer);

    // A later connection on the same loop tells when the first one's bytes were handled.
    TDeviceRecorder marker;
    TDeviceConnection second(FLoop, marker.Handlers());
    second.Open(Loopback(listener.Port()), 5000);
    listener.Close(AcceptOnLoop(listener));
    QVERIFY(marker.WaitForFailure());
    QCOMPARE(rec.Events, events);
    QCOMPARE(FLoop.ConnectionCount(), 0);
    QCOMPARE(static_cast<bool>(connection), !destroy);
}

void TestDeviceConnection::closeFromOutsideSilences()
{
    LoopbackListener listener;
    TDeviceRecorder rec;
    TDeviceConnection connection(FLoop, rec.Handlers());
    connection.Open(Loopback(listener.Port()), 5000);
    const int peer = AcceptOnLoop(listener);
    QVERIFY(rec.WaitFor(QStringLiteral("connected")));
    const qsizetype logLines = rec.Log.size();
    QVERIFY(SendAll(peer, FrameA));
    connection.Close();
    QVERIFY(!connection.IsConnected());
    // The peer sees the close at once: the socket is gone, not just forgotten.
    pollfd p{peer, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 5000), 1);
    char byte = 0;
    QVERIFY(::recv(peer, &byte, 1, 0) <= 0);
    listener.Abort(peer);

    TDeviceRecorder marker;
    TDeviceConnection second(FLoop, marker.Handlers());
    second.Open(Loopback(listener.Port()), 5000);
    listener.Close(AcceptOnLoop(listener));
    QVERIFY(marker.WaitForFailure());
    QCOMPARE(rec.Events, QStringList{QStringLiteral("connected")});
    QCOMPARE(rec.Log.size(), logLines);
}

void TestDeviceConnection::throwingHandlerIsReported()
{
    Reported.clear();
    SetExceptionReport(&RecordReport);
    LoopbackListener listener;
    TDeviceRecorder rec;
    TDeviceConnection::THandlers handlers = rec.Handlers();
    handlers.OnFrame = [&, inner = handlers.OnFrame](const TDeviceFrame& frame) {
        inner(frame);
        if (rec.Frames.size() == 1)
            throw Exception(QStringLiteral("first frame refused"));
        throw 42;
    };
    TDeviceConnection connection(FLoop, handlers);
    connection.Open(Loopback(listener.Port()), 5000);
    const int peer = AcceptOnLoop(listener);
    QVERIFY(SendAll(peer, FrameA + FrameB));
    listener.Close(peer);
    const bool ended = rec.WaitForFailure();
    SetExceptionReport(nullptr);
    QVERIFY(ended);
    // Both frames and the end still arrive: an escape stops only its own handler.
    QCOMPARE(rec.Events, QStringList{QStringLiteral("connected")} + FrameEvents({FrameA, FrameB}) +
                             QStringList{QStringLiteral("failed closed 0")});
    QCOMPARE(Reported, (QStringList{QStringLiteral("first frame refused"),
                                    QStringLiteral("External exception (foreign)")}));
}

void TestDeviceConnection::defaultReportIsOneLineOnStandardError()
{
    // What a daemon's journal gets: the class and the message, one line per escape.
    int pipeFds[2];
    QCOMPARE(::pipe(pipeFds), 0);
    const int savedStderr = ::dup(STDERR_FILENO);
    ::dup2(pipeFds[1], STDERR_FILENO);
    const bool first = GuardedCall([] { throw EInOutError(QStringLiteral("disk\r\nfull")); });
    const bool second = GuardedCall([] { throw 42; });
    const bool third = GuardedCall([] {});
    ::dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    ::close(pipeFds[1]);
    QByteArray written(256, '\0');
    written.resize(::read(pipeFds[0], written.data(), written.size()));
    ::close(pipeFds[0]);
    QVERIFY(!first && !second && third);
    QCOMPARE(written,
             QByteArray("EInOutError: disk full\nEExternalException: External exception\n"));
}

void TestDeviceConnection::timersRunInOrder()
{
    QStringList ran;
    FLoop.AddTimer(40, [&] { ran << QStringLiteral("40"); });
    FLoop.AddTimer(10, [&] { ran << QStringLiteral("10"); });
    const TDeviceLoop::TTimerId cancelled =
        FLoop.AddTimer(20, [&] { ran << QStringLiteral("20"); });
    FLoop.AddTimer(0, [&] {
        ran << QStringLiteral("0");
        FLoop.AddTimer(0, [&] { ran << QStringLiteral("0+0"); });
    });
    FLoop.CancelTimer(cancelled);
    QVERIFY(QTest::qWaitFor([&] { return ran.contains(QStringLiteral("40")); }));
    QCOMPARE(ran, (QStringList{QStringLiteral("0"), QStringLiteral("0+0"), QStringLiteral("10"),
                               QStringLiteral("40")}));
}

void TestDeviceConnection::lookupAlone()
{
    // The allow-list's lookup: answers from the loop only, a cancelled one never.
    QMap<QString, QString> answers;
    const auto lookup = [&](const QString& host, const QString& key) {
        return FLoop.Lookup(host, [&answers, key](const TDeviceLookup& l) {
            answers[key] = l.Error ? QStringLiteral("failed %1 %2")
                                         .arg(QLatin1String(ReasonName(l.Error->Reason)))
                                         .arg(l.Error->Code)
                                   : l.Addresses.join(u' ');
        });
    };
    lookup(QStringLiteral("localhost"), QStringLiteral("name"));
    lookup(QStringLiteral("::1"), QStringLiteral("v6"));
    lookup(QStringLiteral("Thermometer.INVALID."), QStringLiteral("invalid"));
    FLoop.CancelLookup(lookup(QStringLiteral("127.0.0.2"), QStringLiteral("cancelled")));
    FLoop.CancelLookup(lookup(QStringLiteral("localhost"), QStringLiteral("cancelled")));
    lookup(QStringLiteral("127.0.0.3"), QStringLiteral("v4"));
    QVERIFY(answers.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return answers.size() >= 4; }));
    QCOMPARE(answers.value(QStringLiteral("v6")), QStringLiteral("::1"));
    QCOMPARE(answers.value(QStringLiteral("v4")), QStringLiteral("127.0.0.3"));
    QCOMPARE(answers.value(QStringLiteral("invalid")), QStringLiteral("failed resolve 11001"));
    QVERIFY2(answers.value(QStringLiteral("name")).split(u' ').contains("127.0.0.1"),
             qPrintable(answers.value(QStringLiteral("name"))));
    QVERIFY(!answers.contains(QStringLiteral("cancelled")));
}

QTEST_GUILESS_MAIN(TestDeviceConnection)
#include "tst_deviceconnection.moc"
