#include "PackageRoot.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>
#include <unistd.h>

// Builds the Debian package and installs it with dpkg into a scratch root that has a dpkg
// database of its own, so that the machine's packages stay as they were; then runs what was
// installed from there and removes it again. Needs root, as dpkg does for the files' owners.
class TestPackage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void installsWhatAUserReliesOn_data();
    void installsWhatAUserReliesOn();
    void menuEntryStartsTheLauncherWithItsIcon();
    void controlFields_data();
    void controlFields();
    void binariesAreStripped_data();
    void binariesAreStripped();
    void lintianFindsNoError();
    void launcherStartsInstalledProgram();
    void zvkreadAnswersVersion();
    void readOnlyProgramFolderKeepsChoiceInUserFolder();
    void rootWritesNothingUnderUsr();
    void removeLeavesNothingBehind();

private:
    QString Root(const QString& path = {}) const { return FRoot.path() + path; }
    QStringList Dpkg(const QStringList& args) const;

    QTemporaryDir FPackages;
    QTemporaryDir FRoot;
    QString FDeb;
};

namespace {
const QString ProgramDir = QStringLiteral("/usr/lib/zvkdemo");
} // namespace

QStringList TestPackage::Dpkg(const QStringList& args) const
{
    // --log: dpkg would otherwise append to the machine's own log.
    return QStringList{QStringLiteral("--root=") + Root(),
                       QStringLiteral("--log=") + Root(QStringLiteral("/dpkg.log"))} +
           args;
}

void TestPackage::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("dpkg installs as root only");
    QElapsedTimer timer;
    timer.start();
    FDeb = PackedDeb(FPackages.path(), QStringLiteral("zvkdemo"));
    QVERIFY(!FDeb.isEmpty());
    qInfo("cpack -G DEB: %lld ms", timer.restart());
    QVERIFY(MakeScratchDpkgDatabase(Root()));
    // The scratch database knows none of the libraries, which the machine has.
    QVERIFY(Succeeds(QStringLiteral("dpkg"),
                     Dpkg({QStringLiteral("--force-depends"), QStringLiteral("-i"), FDeb})));
    qInfo("dpkg -i into the scratch root: %lld ms", timer.elapsed());
}

// What the package is for; the install rules themselves are dist/'s (icon sizes and the
// other files: tst_install).
void TestPackage::installsWhatAUserReliesOn_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QByteArray>("part"); // held by the file
    QTest::newRow("launcher") << "/usr/bin/zvkdemo" << true << QByteArray();
    QTest::newRow("program") << ProgramDir + "/ZVKdemo" << true << QByteArray();
    QTest::newRow("zvkread") << "/usr/bin/zvkread" << true << QByteArray();
    QTest::newRow("Czech") << ProgramDir + "/cesky.lng.xml" << false << QByteArray("<");
    QTest::newRow("English") << ProgramDir + "/english.lng.xml" << false << QByteArray("<");
    QTest::newRow("manual") << "/usr/share/man/man1/zvkdemo.1.gz" << false << QByteArray();
    QTest::newRow("zvkread's manual")
        << "/usr/share/man/man1/zvkread.1.gz" << false << QByteArray();
    QTest::newRow("changelog") << "/usr/share/doc/zvkdemo/changelog.Debian.gz" << false
                               << QByteArray();
    // The license's terms, in Debian's machine-readable format.
    QTest::newRow("copyright") << "/usr/share/doc/zvkdemo/copyright" << false
                               << QByteArray("\n THE SOFTWARE IS PROVIDED \"AS IS\"");
    QTest::newRow("software centre") << "/usr/share/metainfo/" ZVK_APPSTREAM_ID ".metainfo.xml"
                                     << false << QByteArray("<release version=\"" ZVK_VERSION "\"");
}

void TestPackage::installsWhatAUserReliesOn()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    QFETCH(QByteArray, part);
    const QFileInfo file(Root(path));
    QVERIFY2(file.isFile() && file.size() > 0, qPrintable(path));
    QCOMPARE(file.isExecutable(), executable);
    QVERIFY(FileContent(file.filePath()).contains(part));
}

void TestPackage::menuEntryStartsTheLauncherWithItsIcon()
{
    const QByteArray entry =
        FileContent(Root(QStringLiteral("/usr/share/applications/zvkdemo.desktop")));
    QVERIFY(entry.contains("\nExec=/usr/bin/zvkdemo\n"));
    const qsizetype at = entry.indexOf("\nIcon=");
    QVERIFY(at >= 0);
    const QByteArray icon = entry.mid(at + 6, entry.indexOf('\n', at + 1) - at - 6);
    QVERIFY(QFileInfo(Root(QStringLiteral("/usr/share/icons/hicolor/48x48/apps/") +
                           QString::fromUtf8(icon) + QStringLiteral(".png")))
                .isFile());
}

void TestPackage::controlFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("part");
    QTest::newRow("name") << "Package"
                          << "zvkdemo";
    QTest::newRow("version from the project") << "Version" << ZVK_VERSION "-1";
    QTest::newRow("architecture") << "Architecture"
                                  << "amd64";
    QTest::newRow("section") << "Section"
                             << "science";
    // From the binaries, by dpkg-shlibdeps, with versions.
    QTest::newRow("Qt Widgets") << "Depends"
                                << "libqt6widgets6 (>= ";
    QTest::newRow("C library") << "Depends"
                               << "libc6 (>= ";
    QTest::newRow("DejaVu") << "Depends"
                            << "fonts-dejavu-core";
    QTest::newRow("Liberation") << "Depends"
                                << "fonts-liberation";
    QTest::newRow("summary") << "Description"
                             << "temperature of a ZVK network thermometer\n";
    QTest::newRow("long description") << "Description"
                                      << "\n The package also holds zvkread";
}

void TestPackage::controlFields()
{
    QFETCH(QString, field);
    QFETCH(QString, part);
    const TRun run = Run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), FDeb, field});
    QCOMPARE(run.ExitCode, 0);
    QVERIFY2(run.Output.contains(part), qPrintable(run.Output));
}

void TestPackage::binariesAreStripped_data()
{
    QTest::addColumn<QString>("binary");
    QTest::newRow("program") << ProgramDir + QStringLiteral("/ZVKdemo");
    QTest::newRow("zvkread") << QStringLiteral("/usr/bin/zvkread");
}

void TestPackage::binariesAreStripped()
{
    QFETCH(QString, binary);
    const TRun run =
        Run(QStringLiteral("readelf"), {QStringLiteral("-S"), QStringLiteral("-W"), Root(binary)});
    QCOMPARE(run.ExitCode, 0);
    QVERIFY(run.Output.contains(QStringLiteral(".dynsym")));
    QVERIFY2(!run.Output.contains(QStringLiteral(".symtab")), "symbols left");
    QVERIFY2(!run.Output.contains(QStringLiteral(".debug_")), "debug information left");
}

void TestPackage::lintianFindsNoError()
{
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    QVERIFY2(!lintian.isEmpty(), "lintian is missing: run tools/setup.sh");
    QElapsedTimer timer;
    timer.start();
    const TRun run = Run(lintian, {QStringLiteral("--fail-on"), QStringLiteral("error"), FDeb});
    qInfo("lintian: %lld ms", timer.elapsed());
    // Warnings are listed, each with its reason, in docs/PACKAGING.md.
    qInfo().noquote() << run.Output;
    QVERIFY2(run.ExitCode == 0, qPrintable(run.Output + run.Errors));
}

void TestPackage::launcherStartsInstalledProgram()
{
    QProcess p;
    p.setProgram(Root(QStringLiteral("/usr/bin/zvkdemo")));
    p.setWorkingDirectory(QDir::tempPath());
    p.start();
    QVERIFY(p.waitForStarted());
    const QString proc = QStringLiteral("/proc/%1/").arg(p.processId());
    // The launcher finds the program folder from its own place, so it works in any root.
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(proc + QStringLiteral("exe")).symLinkTarget(),
                              Root(ProgramDir + QStringLiteral("/ZVKdemo")), 10000);
    QCOMPARE(QFileInfo(proc + QStringLiteral("cwd")).symLinkTarget(), Root(ProgramDir));
    QVERIFY2(!p.waitForFinished(1000), p.readAllStandardError().constData());
    p.terminate();
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
}

void TestPackage::zvkreadAnswersVersion()
{
    const TRun run = Run(Root(QStringLiteral("/usr/bin/zvkread")), {QStringLiteral("--version")});
    QCOMPARE(run.ExitCode, 0);
    QVERIFY2(run.Output.contains(QStringLiteral(ZVK_VERSION)), qPrintable(run.Output));
}

void TestPackage::readOnlyProgramFolderKeepsChoiceInUserFolder()
{
    // The probe (the program with a dialog layer that prints every dialog) stands in for the
    // program. The folder is made read-only by a mount that only the started process sees:
    // root may write to any folder that permissions alone protect.
    if (Run(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("true")}).ExitCode)
        QSKIP("no mount namespace here");
    const QString folder = Root(ProgramDir);
    QVERIFY(QFile::remove(folder + QStringLiteral("/ZVKdemo")));
    QVERIFY(QFile::copy(QStringLiteral(ZVK_PROBE), folder + QStringLiteral("/ZVKdemo")));
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("FOLDER"), folder);
    const auto runReadOnly = [&](const QString& mode) {
        return Run(QStringLiteral("unshare"),
                   {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("mount --bind \"$FOLDER\" \"$FOLDER\" && "
                                   "mount -o remount,bind,ro \"$FOLDER\" && exec \"$@\""),
                    QStringLiteral("sh"), Root(QStringLiteral("/usr/bin/zvkdemo")), mode},
                   QDir::tempPath(), env);
    };
    TRun run = runReadOnly(QStringLiteral("english"));
    QCOMPARE(run.ExitCode, 0);
    QCOMPARE(run.Output, QStringLiteral("READY\n")); // no dialog
    QCOMPARE(FileContent(config.filePath(QStringLiteral("zvkdemo/lng.ini"))),
             QByteArray("[LNG]=english.lng.xml\r\n"));
    QVERIFY(!QFile::exists(folder + QStringLiteral("/lng.ini")));
    run = runReadOnly(QStringLiteral("look"));
    QCOMPARE(run.ExitCode, 0);
    QVERIFY2(run.Output.startsWith(QStringLiteral("LOOK|Temperature measurement demo on ZVK|")),
             qPrintable(run.Output + run.Errors));
}

void TestPackage::rootWritesNothingUnderUsr()
{
    // Root can write the program's folder here; the package still keeps the choice per user.
    const QString folder = Root(ProgramDir);
    QFile::remove(folder + QStringLiteral("/ZVKdemo"));
    QVERIFY(QFile::copy(QStringLiteral(ZVK_PROBE), folder + QStringLiteral("/ZVKdemo")));
    const auto snapshot = [&] {
        QStringList entries;
        QDirIterator it(Root(QStringLiteral("/usr")),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            entries << info.filePath() + u' ' + QString::number(info.size()) + u' ' +
                           QString::number(info.lastModified().toMSecsSinceEpoch());
        }
        entries.sort();
        return entries;
    };
    const QStringList before = snapshot();
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    for (const char* mode : {"english", "close"}) {
        const TRun run = Run(Root(QStringLiteral("/usr/bin/zvkdemo")), {QLatin1String(mode)},
                             QDir::tempPath(), env);
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(run.Output, QStringLiteral("READY\n"));
    }
    QCOMPARE(snapshot(), before);
    QCOMPARE(FileContent(config.filePath(QStringLiteral("zvkdemo/lng.ini"))),
             QByteArray("[LNG]=english.lng.xml\r\n"));
}

void TestPackage::removeLeavesNothingBehind()
{
    QVERIFY(Succeeds(QStringLiteral("dpkg"),
                     Dpkg({QStringLiteral("--remove"), QStringLiteral("zvkdemo")})));
    QDirIterator it(Root(QStringLiteral("/usr")), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    QStringList left;
    while (it.hasNext())
        left << it.next();
    QCOMPARE(left, QStringList());
    QVERIFY(!QFileInfo::exists(Root(ProgramDir)));
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
