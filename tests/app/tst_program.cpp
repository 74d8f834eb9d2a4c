#include <QProcess>
#include <QtTest>

// Runs the program as a process: start-up, exit codes and the last-chance report.
class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void init();
    void closingEndsWithExitCodeZero();
    void firstStartSavesWhereTheMarkerSays_data();
    void firstStartSavesWhereTheMarkerSays();
    void unwritableUserFolderShowsSaveErrorAndStillExits();
    void sessionEndHaltsWithoutSaving();
    void missingLayoutEndsWithLastChanceReport();
    void toolkitOptionsAreIgnored();

private:
    QString Run(const QString& mode, int& exitCode,
                const std::function<void(QProcess&)>& during = {}, const QStringList& more = {});
    // lng.ini beside the program, and the user's.
    QByteArray Saved() const;
    QByteArray SavedForUser() const;

    // The program is copied into a directory of its own, without the "portable" marker.
    std::unique_ptr<QTemporaryDir> FDir;
    QString FProgram;
    // The user's configuration folder ($XDG_CONFIG_HOME) for every run.
    std::unique_ptr<QTemporaryDir> FConfig;
    QString FConfigHome;
};

void TestProgram::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    FProgram = FDir->filePath(QStringLiteral("ZVKdemo"));
    FConfig = std::make_unique<QTemporaryDir>();
    FConfigHome = FConfig->filePath(QStringLiteral("config"));
    QVERIFY(QFile::copy(QStringLiteral(ZVK_PROBE), FProgram));
    const QString sources = QFileInfo(QStringLiteral(ZVK_PROBE)).absolutePath();
    for (const char* lng : {"cesky.lng.xml", "english.lng.xml"})
        QVERIFY(
            QFile::copy(sources + u'/' + QLatin1String(lng), FDir->filePath(QLatin1String(lng))));
}

namespace {
QByteArray Content(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

QByteArray TestProgram::Saved() const
{
    return Content(FDir->filePath(QStringLiteral("lng.ini")));
}

QByteArray TestProgram::SavedForUser() const
{
    return Content(FConfigHome + QStringLiteral("/zvkdemo/lng.ini"));
}

QString TestProgram::Run(const QString& mode, int& exitCode,
                         const std::function<void(QProcess&)>& during, const QStringList& more)
{
    QProcess p;
    p.setProgram(FProgram);
    p.setArguments(QStringList{mode} + more);
    p.setWorkingDirectory(FDir->path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), FConfigHome);
    p.setProcessEnvironment(env);
    p.start();
    if (during)
        during(p);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
    }
    exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

void TestProgram::closingEndsWithExitCodeZero()
{
    int code = -1;
    const QString out = Run(QStringLiteral("close"), code);
    QCOMPARE(code, 0);
    QCOMPARE(out, QStringLiteral("READY\n"));
}

void TestProgram::firstStartSavesWhereTheMarkerSays_data()
{
    QTest::addColumn<bool>("marked");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QByteArray>("packaged");
    QTest::addColumn<QByteArray>("beside");
    QTest::addColumn<QByteArray>("user");
    const QByteArray czech("[LNG]=cesky.lng.xml\r\n"), english("[LNG]=english.lng.xml\r\n");
    const QByteArray none("<missing>");
    QTest::newRow("marked") << true << false << QByteArray() << czech << none;
    QTest::newRow("marked, English remembered") << true << false << english << english << none;
    QTest::newRow("not marked") << false << false << QByteArray() << none << czech;
    QTest::newRow("not marked, the packaged default read")
        << false << false << english << english << english;
    QTest::newRow("not marked, read-only folder") << false << true << QByteArray() << none << czech;
}

void TestProgram::firstStartSavesWhereTheMarkerSays()
{
    QFETCH(bool, marked);
    QFETCH(bool, readOnly);
    QFETCH(QByteArray, packaged);
    QFETCH(QByteArray, beside);
    QFETCH(QByteArray, user);
    if (marked)
        QVERIFY(QFile(FDir->filePath(QStringLiteral("portable"))).open(QIODevice::WriteOnly));
    if (!packaged.isEmpty()) {
        QFile f(FDir->filePath(QStringLiteral("lng.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(packaged);
    }
    const auto perms = QFile::permissions(FDir->path());
    if (readOnly)
        QVERIFY(
            QFile::setPermissions(FDir->path(), perms & ~(QFile::WriteOwner | QFile::WriteUser |
                                                          QFile::WriteGroup | QFile::WriteOther)));
    int code = -1;
    const QString out = Run(QStringLiteral("close"), code);
    QFile::setPermissions(FDir->path(), perms);
    QCOMPARE(code, 0);
    QCOMPARE(out, QStringLiteral("READY\n"));
    QCOMPARE(Saved(), beside);
    QCOMPARE(SavedForUser(), user);
}

void TestProgram::unwritableUserFolderShowsSaveErrorAndStillExits()
{
    // A file where the configuration folder should be: the user's copy cannot be made.
    QFile blocker(FConfigHome);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const auto perms = QFile::permissions(FDir->path());
    QVERIFY(QFile::setPermissions(FDir->path(), perms & ~(QFile::WriteOwner | QFile::WriteUser |
                                                          QFile::WriteGroup | QFile::WriteOther)));
    int code = -1;
    const QString out = Run(QStringLiteral("close"), code);
    QFile::setPermissions(FDir->path(), perms);
    QCOMPARE(code, 0);
    QCOMPARE(out, QStringLiteral("READY\nDIALOG|Error|Can''t save LNG file.|END\n"));
    QCOMPARE(Saved(), QByteArray("<missing>"));
}

void TestProgram::sessionEndHaltsWithoutSaving()
{
    int code = -1;
    const QString out = Run(QStringLiteral("wait"), code, [](QProcess& p) {
        QVERIFY(p.waitForReadyRead(10000));
        p.terminate(); // SIGTERM, as the session's end sends it
    });
    QCOMPARE(code, 0);
    QCOMPARE(out, QStringLiteral("READY\n"));
    QCOMPARE(Saved(), QByteArray("<missing>"));
    QCOMPARE(SavedForUser(), QByteArray("<missing>"));
}

void TestProgram::missingLayoutEndsWithLastChanceReport()
{
    int code = -1;
    const QString out = Run(QStringLiteral("nolayout"), code);
    QCOMPARE(code, 1);
    const QRegularExpression report(
        QStringLiteral("^DIALOG\\|Application Error\\|Exception EResNotFound in module \\S+ at "
                       "[0-9A-F]{8}\\.\\r\\n"
                       "Resource TfZVKTeplomer not found\\.\\r\\n\\|END\\n$"));
    QVERIFY2(report.match(out).hasMatch(), qPrintable(out));
}

void TestProgram::toolkitOptionsAreIgnored()
{
    int code = -1;
    const QString plain = Run(QStringLiteral("look"), code);
    QCOMPARE(code, 0);
    QVERIFY2(plain.startsWith(QStringLiteral("LOOK|Ukázka měření teploty na ZVK|")),
             qPrintable(plain));
    QFile sheet(FDir->filePath(QStringLiteral("evil.qss")));
    QVERIFY(sheet.open(QIODevice::WriteOnly));
    sheet.write("* { min-height: 400px; }\n");
    sheet.close();
    const QString withOptions =
        Run(QStringLiteral("look"), code, {},
            {"-qwindowtitle", "HACKED", "-style", "windows", "-stylesheet", sheet.fileName(),
             "-platformpluginpath", FDir->filePath(QStringLiteral("none")), "-qwindowgeometry",
             "100x100+1+1"});
    QCOMPARE(code, 0);
    QCOMPARE(withOptions, plain);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
