// The zvk-mqtt package: built by cpack, unpacked into a scratch root, its maintainer script
// run against stand-ins for the system's tools (it must not add a user to this machine).
#include "PackageRoot.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

class TestMqttPackage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void files();
    void conffileValidAndAllCommented();
    void unitRunsAsItsOwnUser();
    void postinstAddsTheUserOnce();
    void installedProgramAnswersVersion();
    void lintianFindsNoError();

private:
    QString Root(const QString& path = {}) const { return FRoot.path() + path; }
    // Runs the postinst with `configure`; every tool it calls only records its arguments.
    QStringList RunPostinst(bool userExists);

    QTemporaryDir FPackages, FRoot, FControl;
    QString FDeb;
};

namespace {
const QString Conf = QStringLiteral("/etc/zvk-mqtt.conf");
const QString Unit = QStringLiteral("/lib/systemd/system/zvk-mqtt.service");
const QString Program = QStringLiteral("/usr/sbin/zvk-mqtt");
} // namespace

void TestMqttPackage::initTestCase()
{
    QElapsedTimer timer;
    timer.start();
    FDeb = PackedDeb(FPackages.path(), QStringLiteral("zvk-mqtt"));
    QVERIFY(!FDeb.isEmpty());
    qInfo("cpack -G DEB: %lld ms", timer.elapsed());
    QVERIFY(Succeeds(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), FDeb, Root()}));
    QVERIFY(Succeeds(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), FDeb, FControl.path()}));
}

void TestMqttPackage::files()
{
    QStringList files;
    QDirIterator it(Root(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(Root().size());
    files.sort();
    QCOMPARE(files, (QStringList{Conf, Unit, Program,
                                 QStringLiteral("/usr/share/doc/zvk-mqtt/changelog.Debian.gz"),
                                 QStringLiteral("/usr/share/doc/zvk-mqtt/copyright"),
                                 QStringLiteral("/usr/share/man/man8/zvk-mqtt.8.gz")}));
    QCOMPARE(FileContent(FControl.filePath(QStringLiteral("conffiles"))), Conf.toUtf8() + '\n');
    const TRun depends =
        Run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), FDeb, QStringLiteral("Depends")});
    for (const char* package : {"adduser", "libmosquitto1", "libqt6core6"})
        QVERIFY2(depends.Output.contains(QLatin1String(package)), qPrintable(depends.Output));
    QVERIFY2(!depends.Output.contains(QStringLiteral("libqt6gui6")), qPrintable(depends.Output));
}

void TestMqttPackage::conffileValidAndAllCommented()
{
    // Valid as shipped: the service starts, with the defaults.
    const TRun check =
        Run(Root(Program), {QStringLiteral("--check"), QStringLiteral("--config"), Root(Conf)});
    QVERIFY2(check.ExitCode == 0, qPrintable(check.Errors));
    const QByteArray text = FileContent(Root(Conf));
    for (const char* key :
         {"broker", "client_id", "username", "password_file", "ca_file", "cert_file", "key_file",
          "topic_prefix", "discovery_prefix", "interval", "change_step", "name", "address"})
        QVERIFY2(text.contains("\n; " + QByteArray(key) + " ="), key);
    for (const QByteArray& line : text.split('\n'))
        QVERIFY2(line.isEmpty() || line.startsWith(';') || line.startsWith('#') || line == "[mqtt]",
                 line.constData());
}

void TestMqttPackage::unitRunsAsItsOwnUser()
{
    const QStringList lines = QString::fromUtf8(FileContent(Root(Unit))).split(u'\n');
    for (const char* line :
         {"User=zvk-mqtt", "Group=zvk-mqtt",
          "ExecStart=/usr/sbin/zvk-mqtt --config /etc/zvk-mqtt.conf",
          "ExecReload=/bin/kill -HUP $MAINPID", "NoNewPrivileges=yes", "ProtectSystem=strict",
          "ProtectHome=yes", "PrivateTmp=yes",
          "CapabilityBoundingSet=", "RestartPreventExitStatus=2", "WantedBy=multi-user.target"})
        QVERIFY2(lines.contains(QLatin1String(line)), line);
    // A directive systemd does not know would be ignored quietly at run time.
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (!analyze.isEmpty()) {
        const TRun verify = Run(analyze, {QStringLiteral("verify"), Root(Unit)});
        for (const char* fault : {"Unknown key", "Unknown section", "Failed to parse", "Invalid"})
            QVERIFY2(!verify.Errors.contains(QLatin1String(fault)), qPrintable(verify.Errors));
    }
}

QStringList TestMqttPackage::RunPostinst(bool userExists)
{
    QTemporaryDir bin;
    QFile log(bin.filePath(QStringLiteral("calls")));
    for (const char* tool : {"adduser", "getent", "dpkg-statoverride", "chown", "chmod",
                             "deb-systemd-helper", "deb-systemd-invoke", "systemctl"}) {
        QFile stub(bin.filePath(QLatin1String(tool)));
        if (!stub.open(QIODevice::WriteOnly))
            return {};
        stub.write("#!/bin/sh\necho \"${0##*/} $*\" >> \"" + log.fileName().toUtf8() + "\"\n");
        if (QByteArray(tool) == "getent")
            stub.write(userExists ? "exit 0\n" : "exit 2\n");
        if (QByteArray(tool) == "dpkg-statoverride" || QByteArray(tool) == "deb-systemd-helper")
            stub.write("exit 1\n"); // no override; the unit was not enabled before
        stub.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), bin.path());
    const TRun run =
        Run(QStringLiteral("/bin/sh"),
            {FControl.filePath(QStringLiteral("postinst")), QStringLiteral("configure")},
            QDir::tempPath(), env);
    if (run.ExitCode != 0)
        qWarning().noquote() << run.Errors;
    return QString::fromUtf8(FileContent(log.fileName())).split(u'\n', Qt::SkipEmptyParts);
}

void TestMqttPackage::postinstAddsTheUserOnce()
{
    const QStringList first = RunPostinst(false);
    const QStringList adds = first.filter(QRegularExpression(QStringLiteral("^adduser ")));
    QCOMPARE(adds.size(), 1);
    for (const char* option : {" --system ", " --group ", " zvk-mqtt"})
        QVERIFY2(adds.first().contains(QLatin1String(option)), qPrintable(adds.first()));
    QVERIFY2(first.contains(QStringLiteral("chown root:zvk-mqtt /etc/zvk-mqtt.conf")),
             qPrintable(first.join(u'\n')));
    QVERIFY2(first.contains(QStringLiteral("chmod 0640 /etc/zvk-mqtt.conf")),
             qPrintable(first.join(u'\n')));
    QVERIFY(first.contains(QStringLiteral("deb-systemd-helper update-state zvk-mqtt.service")));
    // An upgrade finds the user there.
    QVERIFY(RunPostinst(true).filter(QRegularExpression(QStringLiteral("^adduser "))).isEmpty());
}

void TestMqttPackage::installedProgramAnswersVersion()
{
    const TRun run = Run(Root(Program), {QStringLiteral("--version")});
    QCOMPARE(run.ExitCode, 0);
    QCOMPARE(run.Output, QStringLiteral("zvk-mqtt " ZVK_VERSION "\n"));
}

void TestMqttPackage::lintianFindsNoError()
{
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    QVERIFY2(!lintian.isEmpty(), "lintian is missing: run tools/setup.sh");
    const TRun run = Run(lintian, {QStringLiteral("--fail-on"), QStringLiteral("error"), FDeb});
    qInfo().noquote() << run.Output;
    QVERIFY2(run.ExitCode == 0, qPrintable(run.Output + run.Errors));
}

QTEST_GUILESS_MAIN(TestMqttPackage)
#include "tst_mqttpackage.moc"
