// When readings and availability go out, on a clock the test moves by hand.
#include "PublishPolicy.h"

#include <QtTest>

class TestPublishPolicy : public QObject {
    Q_OBJECT
private slots:
    void changeStepAndInterval();
    void silenceAndLoss();
    void brokerAway();
};

namespace {
constexpr qint64 Interval = 10000;

// Publishes what is due at `now` and describes it: "online 21.5", "offline", "21.6", "".
QString Due(TPublishPolicy& p, qint64 now)
{
    const TPublishPolicy::TDue due = p.Poll(now);
    QStringList parts;
    if (due.Available)
        parts << (*due.Available ? QStringLiteral("online") : QStringLiteral("offline"));
    if (due.Reading)
        parts << QString::number(*due.Reading);
    return parts.join(u' ');
}
} // namespace

void TestPublishPolicy::changeStepAndInterval()
{
    TPublishPolicy p(Interval, 0.1);
    QCOMPARE(Due(p, 0), QStringLiteral("offline")); // nothing heard yet
    p.Frame(21.5, 100);
    QCOMPARE(Due(p, 100), QStringLiteral("online 21.5"));
    p.Frame(21.55, 1000); // a smaller move waits for the interval
    QCOMPARE(Due(p, 1000), QString());
    QCOMPARE(p.PublishAt(), std::optional<qint64>(100 + Interval));
    p.Frame(21.58, 2000);
    QCOMPARE(Due(p, 9999), QString());
    QCOMPARE(Due(p, 10100), QStringLiteral("21.58")); // the newest one
    QCOMPARE(p.PublishAt(), std::nullopt);            // nothing held
    p.Frame(21.48, 11000); // exactly one step back from 21.58, in binary not quite
    QCOMPARE(Due(p, 11000), QStringLiteral("21.48"));
    p.Frame(0.3, 12000);
    QCOMPARE(Due(p, 12000), QStringLiteral("0.3"));
    p.Frame(0.2, 12500); // 0.3 - 0.2 < 0.1 in binary
    QCOMPARE(Due(p, 12500), QStringLiteral("0.2"));
    p.Frame(std::nullopt, 13000); // a frame without a number: alive, nothing to publish
    QCOMPARE(Due(p, 30000), QString());

    TPublishPolicy every(Interval, 0);
    every.Frame(5, 0);
    QCOMPARE(Due(every, 0), QStringLiteral("online 5"));
    every.Frame(5, 10);
    QCOMPARE(Due(every, 10), QStringLiteral("5")); // step 0: each reading
}

void TestPublishPolicy::silenceAndLoss()
{
    TPublishPolicy p(Interval, 0.1);
    p.Frame(20, 0);
    QCOMPARE(Due(p, 0), QStringLiteral("online 20"));
    p.Frame(20, 5000);
    QCOMPARE(p.SilentAt(), std::optional<qint64>(5000 + 3 * Interval));
    QVERIFY(!p.Silent(5000 + 3 * Interval - 1));
    QVERIFY(p.Silent(5000 + 3 * Interval));
    QCOMPARE(Due(p, 5000 + 3 * Interval), QStringLiteral("offline"));
    QCOMPARE(Due(p, 5000 + 3 * Interval + 1), QString()); // said once

    p.Lost();
    QCOMPARE(p.SilentAt(), std::nullopt);
    p.Frame(22, 50000); // connected again: online with the new reading at once
    QCOMPARE(Due(p, 50000), QStringLiteral("online 22"));
    p.Frame(22.05, 51000);
    p.Lost(); // a reading held at the loss is not sent later
    QCOMPARE(Due(p, 70000), QStringLiteral("offline"));
    QCOMPARE(p.PublishAt(), std::nullopt);
}

void TestPublishPolicy::brokerAway()
{
    TPublishPolicy p(Interval, 0.1);
    p.Frame(20, 0);
    QCOMPARE(Due(p, 0), QStringLiteral("online 20"));
    // The broker is away: no polls, readings keep coming; only the newest goes after it.
    p.Frame(23, 1000);
    p.Frame(24, 2000);
    p.Frame(24.02, 3000);
    p.SendAgain();
    QCOMPARE(Due(p, 3500), QStringLiteral("online 24.02"));
    // A restarted broker forgot the retained state: the last reading goes again too.
    p.SendAgain();
    QCOMPARE(Due(p, 4000), QStringLiteral("online 24.02"));
    // A thermometer that was away when the broker came back is announced as away.
    p.Lost();
    QCOMPARE(Due(p, 4100), QStringLiteral("offline"));
    p.SendAgain();
    QCOMPARE(Due(p, 4200), QStringLiteral("offline"));
}

QTEST_GUILESS_MAIN(TestPublishPolicy)
#include "tst_publishpolicy.moc"
