#include "PackageRoot.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

// Builds the packages and unpacks prometheus-zvk-exporter into a scratch root with a dpkg
// database of its own; its maintainer scripts are run there with the system tools they call
// replaced by recorders, so the machine gains no user and no service.
class TestExporterPackage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void unitRunsAsPrometheusWithArgs_data();
    void unitRunsAsPrometheusWithArgs();
    void defaultFileIsAConffile();
    void postinstMakesTheSystemUser();
    void installedBinaryAnswersVersion();
    void dependsOnNoGuiLibrary();
    void lintianFindsNoError();

private:
    QString Root(const QString& path = {}) const { return FRoot.path() + path; }

    QTemporaryDir FPackages;
    QTemporaryDir FRoot;
    QString FDeb;
};

namespace {
const QString Name = QStringLiteral("prometheus-zvk-exporter");
} // namespace

void TestExporterPackage::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("dpkg installs as root only");
    FDeb = PackedDeb(FPackages.path(), Name);
    QVERIFY(!FDeb.isEmpty());
    QVERIFY(MakeScratchDpkgDatabase(Root()));
    // Unpacked only: configuring would run postinst inside the scratch root, which has no shell.
    QVERIFY(Succeeds("dpkg", {"--root=" + Root(), "--log=" + Root("/dpkg.log"), "--force-depends",
                              "--unpack", FDeb}));
}

void TestExporterPackage::unitRunsAsPrometheusWithArgs_data()
{
    QTest::addColumn<QString>("line");
    for (const char* line :
         {"User=prometheus", "EnvironmentFile=/etc/default/prometheus-zvk-exporter",
          "ExecStart=/usr/bin/prometheus-zvk-exporter $ARGS", "Restart=on-failure",
          "ExecReload=/bin/kill -HUP $MAINPID", "NoNewPrivileges=true", "ProtectSystem=full",
          "PrivateTmp=true", "LimitNOFILE=32768", "WantedBy=multi-user.target"})
        QTest::newRow(line) << QString::fromLatin1(line);
}

void TestExporterPackage::unitRunsAsPrometheusWithArgs()
{
    QFETCH(QString, line);
    const QStringList lines =
        QString::fromUtf8(FileContent(Root("/lib/systemd/system/" + Name + ".service")))
            .split('\n');
    QVERIFY2(lines.contains(line), qPrintable(lines.join('\n')));
}

void TestExporterPackage::defaultFileIsAConffile()
{
    // Unpacked, not configured: dpkg keeps a conffile under .dpkg-new until it configures it.
    const QByteArray defaults = FileContent(Root("/etc/default/" + Name + ".dpkg-new"));
    QVERIFY2(defaults.split('\n').contains("ARGS=\"\""), defaults.constData());
    const TRun status = Run("dpkg", {"--root=" + Root(), "-s", Name});
    QVERIFY2(status.Output.contains("Conffiles:\n /etc/default/" + Name + " "),
             qPrintable(status.Output));
}

void TestExporterPackage::postinstMakesTheSystemUser()
{
    QTemporaryDir fakes;
    for (const char* tool : {"adduser", "systemctl", "deb-systemd-helper", "deb-systemd-invoke"}) {
        QFile f(fakes.filePath(tool));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("#!/bin/sh\necho \"") + tool + " $*\" >> " +
                fakes.filePath("calls").toUtf8() + "\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    QProcess postinst;
    QProcessEnvironment env;
    env.insert("PATH", fakes.path() + ":/usr/bin:/bin");
    postinst.setProcessEnvironment(env);
    postinst.start("sh", {Root("/var/lib/dpkg/info/" + Name + ".postinst"), "configure"});
    QVERIFY(postinst.waitForFinished(10000));
    QCOMPARE(postinst.exitCode(), 0);
    const QByteArray calls = FileContent(fakes.filePath("calls"));
    QVERIFY2(calls.startsWith("adduser --quiet --system --home /var/lib/prometheus "
                              "--no-create-home --group --gecos Prometheus daemon prometheus\n"),
             calls.constData());
    // A first install enables the service (the recorder answers "was enabled" with yes).
    QVERIFY2(calls.contains("deb-systemd-helper enable " + Name.toUtf8() + ".service\n"),
             calls.constData());
}

void TestExporterPackage::installedBinaryAnswersVersion()
{
    const TRun run = Run(Root("/usr/bin/" + Name), {"--version"});
    QCOMPARE(run.ExitCode, 0);
    QVERIFY2(run.Output.startsWith("zvk_exporter, version " ZVK_VERSION " "),
             qPrintable(run.Output));
    QVERIFY(QFileInfo(Root("/usr/share/man/man1/" + Name + ".1.gz")).isFile());
    for (const char* example : {"prometheus.yml", "zvk-targets.yml", "zvk-alerts.yml"})
        QVERIFY(QFileInfo(Root("/usr/share/doc/" + Name + "/examples/" + example)).isFile());
}

void TestExporterPackage::dependsOnNoGuiLibrary()
{
    const TRun run = Run("dpkg-deb", {"-f", FDeb, "Depends"});
    QVERIFY(run.Output.contains("libqt6core6"));
    for (const char* gui : {"libqt6gui", "libqt6widgets", "libx11", "libxcb"})
        QVERIFY2(!run.Output.contains(gui), qPrintable(run.Output));
}

void TestExporterPackage::lintianFindsNoError()
{
    const QString lintian = QStandardPaths::findExecutable("lintian");
    QVERIFY2(!lintian.isEmpty(), "lintian is missing: run tools/setup.sh");
    const TRun run = Run(lintian, {"--fail-on", "error", FDeb});
    qInfo().noquote() << run.Output;
    QVERIFY2(run.ExitCode == 0, qPrintable(run.Output + run.Errors));
}

QTEST_GUILESS_MAIN(TestExporterPackage)
#include "tst_exporterpackage.moc"
