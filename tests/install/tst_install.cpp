#include "InstallRun.h"

#include <QImage>
#include <QProcess>
#include <QtTest>
#include <optional>

// Installs the build into a temporary prefix, and packs and unpacks the portable folder, then
// starts what was installed the way a user would. To see what the program showed, the
// installed program is replaced by the probe (the program with a dialog layer that prints
// every dialog); the real program is started as well, to check where it runs.
class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void installedFiles_data();
    void installedFiles();
    void launcherRunsProgramInItsFolder_data();
    void launcherRunsProgramInItsFolder();
    void realProgramRunsInItsFolder();
    void validatorsAcceptInstalledFiles_data();
    void validatorsAcceptInstalledFiles();
    void desktopEntryNamesInstalledLauncherAndIcon();
    void builtProgramKeepsChoiceBesideItself();
    void markerOnlyWhereOneUserInstalls_data();
    void markerOnlyWhereOneUserInstalls();
    void portableFolderRunsWhereUnpacked_data();
    void portableFolderRunsWhereUnpacked();

private:
    // The prefix has a blank in its path, which the launcher and the desktop entry must quote.
    QString Prefix() const { return FPrefix->filePath(QStringLiteral("my apps")); }
    QString Installed(const QString& path) const { return Prefix() + u'/' + path; }
    QString ProgramDir() const { return Installed(QStringLiteral(ZVK_PROGRAMDIR)); }
    static void SwapInProbe(const QString& program);

    std::unique_ptr<QTemporaryDir> FPrefix;
    // The build folder's install manifests, as they were before the tests installed: a user
    // uninstalls with install_manifest.txt, which every install rewrites.
    QMap<QString, std::optional<QByteArray>> FManifests;
};

namespace {
QString Value(const QByteArray& desktopEntry, const QString& key)
{
    for (const QString& line : QString::fromUtf8(desktopEntry).split(u'\n'))
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    return {};
}
} // namespace

void TestInstall::initTestCase()
{
    for (const char* name : {"install_manifest.txt", "install_manifest_portable.txt"}) {
        QFile f(QStringLiteral(ZVK_BUILD_DIR "/") + QLatin1String(name));
        FManifests[f.fileName()] =
            f.open(QIODevice::ReadOnly) ? std::optional(f.readAll()) : std::nullopt;
    }
}

void TestInstall::cleanupTestCase()
{
    for (auto it = FManifests.cbegin(); it != FManifests.cend(); ++it) {
        QFile f(it.key());
        if (!it.value())
            f.remove();
        else if (f.open(QIODevice::WriteOnly))
            f.write(*it.value());
    }
}

void TestInstall::init()
{
    FPrefix = std::make_unique<QTemporaryDir>();
    QVERIFY(Succeeds(QStringLiteral(ZVK_CMAKE),
                     {QStringLiteral("--install"), QStringLiteral(ZVK_BUILD_DIR),
                      QStringLiteral("--prefix"), Prefix()}));
}

void TestInstall::SwapInProbe(const QString& program)
{
    QVERIFY(QFile::remove(program));
    QVERIFY(QFile::copy(QStringLiteral(ZVK_PROBE), program));
}

void TestInstall::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    const QString programDir = QStringLiteral(ZVK_PROGRAMDIR "/");
    const QString data = QStringLiteral(ZVK_DATADIR "/");
    QTest::newRow("launcher") << QStringLiteral(ZVK_BINDIR "/zvkdemo") << true;
    QTest::newRow("program") << programDir + QStringLiteral("ZVKdemo") << true;
    QTest::newRow("Czech") << programDir + QStringLiteral("cesky.lng.xml") << false;
    QTest::newRow("English") << programDir + QStringLiteral("english.lng.xml") << false;
    QTest::newRow("marker: lng.ini beside the program")
        << programDir + QStringLiteral("portable") << false;
    QTest::newRow("desktop entry")
        << data + QStringLiteral("applications/zvkdemo.desktop") << false;
    QTest::newRow("metainfo") << data + QStringLiteral("metainfo/" ZVK_APPSTREAM_ID ".metainfo.xml")
                              << false;
    QTest::newRow("license") << QStringLiteral(ZVK_DOCDIR "/LICENSE") << false;
}

void TestInstall::installedFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(Installed(path));
    QVERIFY2(info.isFile(), qPrintable(path));
    QCOMPARE(info.isExecutable(), executable);
}

void TestInstall::launcherRunsProgramInItsFolder_data()
{
    QTest::addColumn<QByteArray>("lngIni");
    QTest::addColumn<bool>("throughSymlink");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("first start") << QByteArray() << false << QByteArray("[LNG]=cesky.lng.xml\r\n");
    QTest::newRow("English remembered") << QByteArray("[LNG]=english.lng.xml\r\n") << false
                                        << QByteArray("[LNG]=english.lng.xml\r\n");
    QTest::newRow("launcher linked from elsewhere")
        << QByteArray("[LNG]=english.lng.xml\r\n") << true
        << QByteArray("[LNG]=english.lng.xml\r\n");
}

void TestInstall::launcherRunsProgramInItsFolder()
{
    QFETCH(QByteArray, lngIni);
    QFETCH(bool, throughSymlink);
    QFETCH(QByteArray, saved);
    SwapInProbe(ProgramDir() + QStringLiteral("/ZVKdemo"));
    const QString ini = ProgramDir() + QStringLiteral("/lng.ini");
    if (!lngIni.isEmpty()) {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(lngIni);
    }
    // Started from an unrelated working directory, as a desktop or a shell would.
    QTemporaryDir elsewhere;
    QString launcher = Installed(QStringLiteral(ZVK_BINDIR "/zvkdemo"));
    if (throughSymlink) {
        const QString link = elsewhere.filePath(QStringLiteral("zvkdemo"));
        QVERIFY(QFile::link(launcher, link));
        launcher = link;
    }
    const TRun run = Run(launcher, {QStringLiteral("close")}, elsewhere.path());
    QCOMPARE(run.ExitCode, 0);
    // Any dialog (a language file not found, lng.ini not saved) would be printed here.
    QCOMPARE(run.Output, QStringLiteral("READY\n"));
    QCOMPARE(FileContent(ini), saved);
    QVERIFY(!QFile::exists(elsewhere.filePath(QStringLiteral("lng.ini"))));
}

void TestInstall::realProgramRunsInItsFolder()
{
    QProcess p;
    p.setProgram(Installed(QStringLiteral(ZVK_BINDIR "/zvkdemo")));
    p.setWorkingDirectory(QDir::tempPath());
    p.start();
    QVERIFY(p.waitForStarted());
    const QString proc = QStringLiteral("/proc/%1/").arg(p.processId());
    // The launcher replaces itself with the program, which then runs in its own folder.
    const QString program =
        QFileInfo(ProgramDir() + QStringLiteral("/ZVKdemo")).canonicalFilePath();
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(proc + QStringLiteral("exe")).symLinkTarget(), program,
                              10000);
    QCOMPARE(QFileInfo(proc + QStringLiteral("cwd")).symLinkTarget(),
             QFileInfo(ProgramDir()).canonicalFilePath());
    QVERIFY(!p.waitForFinished(500));
    p.terminate(); // the end of the session: the program halts at once, without saving
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
}

void TestInstall::validatorsAcceptInstalledFiles_data()
{
    QTest::addColumn<QString>("validator");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("desktop entry")
        << QStringLiteral("desktop-file-validate")
        << QStringList{QStringLiteral(ZVK_DATADIR "/applications/zvkdemo.desktop")};
    QTest::newRow("AppStream metadata")
        << QStringLiteral("appstreamcli")
        << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net"),
                       QStringLiteral(ZVK_DATADIR "/metainfo/" ZVK_APPSTREAM_ID ".metainfo.xml")};
}

void TestInstall::validatorsAcceptInstalledFiles()
{
    QFETCH(QString, validator);
    QFETCH(QStringList, args);
    const QString tool = QStandardPaths::findExecutable(validator);
    QVERIFY2(!tool.isEmpty(),
             qPrintable(validator + QStringLiteral(" is missing: run tools/setup.sh")));
    QVERIFY(Succeeds(tool, args, Prefix()));
}

void TestInstall::desktopEntryNamesInstalledLauncherAndIcon()
{
    const QByteArray entry =
        FileContent(Installed(QStringLiteral(ZVK_DATADIR "/applications/zvkdemo.desktop")));
    // The menu starts the installed launcher by its full path, quoted for the blank.
    const QString launcher = Installed(QStringLiteral(ZVK_BINDIR "/zvkdemo"));
    QCOMPARE(Value(entry, QStringLiteral("Exec")), u'"' + launcher + u'"');
    const QString icons = Installed(QStringLiteral(ZVK_DATADIR "/icons/hicolor/"));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString icon = icons + QStringLiteral("%1x%1/apps/").arg(size) +
                             Value(entry, QStringLiteral("Icon")) + QStringLiteral(".png");
        QCOMPARE(QImage(icon).size(), QSize(size, size));
    }
    // The metadata carries the program's one version.
    const QByteArray metainfo = FileContent(
        Installed(QStringLiteral(ZVK_DATADIR "/metainfo/" ZVK_APPSTREAM_ID ".metainfo.xml")));
    QVERIFY(metainfo.contains("<release version=\"" ZVK_VERSION "\""));
    QVERIFY(metainfo.contains("<launchable type=\"desktop-id\">zvkdemo.desktop</launchable>"));
}

void TestInstall::builtProgramKeepsChoiceBesideItself()
{
    const QString folder = QFileInfo(QStringLiteral(ZVK_PROGRAM)).absolutePath();
    QVERIFY(QFileInfo(folder + QStringLiteral("/portable")).isFile());
}

void TestInstall::markerOnlyWhereOneUserInstalls_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("marked");
    QTest::newRow("/usr") << QStringLiteral("/usr") << false;
    QTest::newRow("/usr/local") << QStringLiteral("/usr/local/") << false;
    QTest::newRow("/opt") << QStringLiteral("/opt/zvkdemo") << true;
}

void TestInstall::markerOnlyWhereOneUserInstalls()
{
    QFETCH(QString, prefix);
    QFETCH(bool, marked);
    // Staged, as a packager does: nothing is written to the machine's own folders.
    QTemporaryDir stage;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), stage.path());
    const TRun run = Run(QStringLiteral(ZVK_CMAKE),
                         {QStringLiteral("--install"), QStringLiteral(ZVK_BUILD_DIR),
                          QStringLiteral("--prefix"), prefix},
                         QDir::tempPath(), env);
    QVERIFY2(run.ExitCode == 0, qPrintable(run.Output + run.Errors));
    const QString programDir = stage.path() + prefix + QStringLiteral("/" ZVK_PROGRAMDIR "/");
    QVERIFY(QFileInfo(programDir + QStringLiteral("ZVKdemo")).isFile());
    QCOMPARE(QFileInfo::exists(programDir + QStringLiteral("portable")), marked);
}

void TestInstall::portableFolderRunsWhereUnpacked_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("fromInside");
    QTest::newRow("program, from its folder") << QStringLiteral("ZVKdemo") << true;
    QTest::newRow("launcher, from elsewhere") << QStringLiteral("zvkdemo.sh") << false;
}

void TestInstall::portableFolderRunsWhereUnpacked()
{
    QFETCH(QString, start);
    QFETCH(bool, fromInside);
    QTemporaryDir packages;
    QVERIFY(Succeeds(QStringLiteral(ZVK_CPACK),
                     {QStringLiteral("-G"), QStringLiteral("TGZ"), QStringLiteral("--config"),
                      QStringLiteral(ZVK_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"),
                      packages.path()}));
    const QString name = QStringLiteral("zvkdemo-" ZVK_VERSION "-Linux");
    QTemporaryDir unpacked;
    QVERIFY(Succeeds(QStringLiteral("tar"),
                     {QStringLiteral("-xzf"), packages.filePath(name + QStringLiteral(".tar.gz")),
                      QStringLiteral("-C"), unpacked.path()}));
    const QString folder = unpacked.filePath(name);
    for (const char* file :
         {"ZVKdemo", "zvkdemo.sh", "cesky.lng.xml", "english.lng.xml", "portable",
          "zvkdemo.desktop", "README.txt", "LICENSE", "icons/hicolor/48x48/apps/zvkdemo.png"})
        QVERIFY2(QFileInfo(folder + u'/' + QLatin1String(file)).isFile(), file);

    SwapInProbe(folder + QStringLiteral("/ZVKdemo"));
    QTemporaryDir elsewhere;
    const TRun run = Run(folder + u'/' + start, {QStringLiteral("close")},
                         fromInside ? folder : elsewhere.path());
    QCOMPARE(run.ExitCode, 0);
    QCOMPARE(run.Output, QStringLiteral("READY\n"));
    QCOMPARE(FileContent(folder + QStringLiteral("/lng.ini")),
             QByteArray("[LNG]=cesky.lng.xml\r\n"));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
