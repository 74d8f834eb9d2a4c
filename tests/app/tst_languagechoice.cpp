#include "LanguageChoice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestLanguageChoice : public QObject {
    Q_OBJECT
private slots:
    void readsFirstLineFromSeventhCharacter_data();
    void readsFirstLineFromSeventhCharacter();
    void nameBytesAreWrittenBackAsRead_data();
    void nameBytesAreWrittenBackAsRead();
    void missingOrUnreadableGivesCzech();
    void writesOneLineExactly();
    void writeFailsOnReadOnlyFileOrDirectory();
    void writeReplacesTheFileWhole();
    void writeCreatesAPrivateFolder();
    void keptBesideProgramOnlyWhereMarked_data();
    void keptBesideProgramOnlyWhereMarked();
    void userCopyFollowsXdgConfigHome_data();
    void userCopyFollowsXdgConfigHome();

private:
    QString Write(const QByteArray& content);
    QTemporaryDir FDir;
};

QString TestLanguageChoice::Write(const QByteArray& content)
{
    QString path = FDir.filePath(QStringLiteral("lng.ini"));
    QFile f(path);
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the test file");
    f.write(content);
    return path;
}

void TestLanguageChoice::readsFirstLineFromSeventhCharacter_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("CR LF") << QByteArray("[LNG]=english.lng.xml\r\n") << "english.lng.xml";
    QTest::newRow("LF") << QByteArray("[LNG]=english.lng.xml\n") << "english.lng.xml";
    QTest::newRow("no line end") << QByteArray("[LNG]=english.lng.xml") << "english.lng.xml";
    QTest::newRow("any six characters")
        << QByteArray("xxxxxxenglish.lng.xml\r\n") << "english.lng.xml";
    QTest::newRow("backslash form")
        << QByteArray("[LNG]=\\english.lng.xml\r\n") << "\\english.lng.xml";
    QTest::newRow("later lines ignored") << QByteArray("[LNG]=a.xml\r\n[LNG]=b.xml\r\n") << "a.xml";
    QTest::newRow("end-of-file byte") << QByteArray("[LNG]=a.xml\x1a"
                                                    "b")
                                      << "a.xml";
    QTest::newRow("lone CR dropped") << QByteArray("[LNG]=a\r.xml\n") << "a.xml";
    QTest::newRow("nothing is trimmed") << QByteArray("[LNG]= a.xml \r\n") << " a.xml ";
    QTest::newRow("six characters") << QByteArray("[LNG]=\r\n") << "";
    QTest::newRow("shorter line") << QByteArray("[LNG]\r\nxxxxxxb.xml") << "";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("UTF-8 name") << QByteArray("[LNG]=\xc4\x8d"
                                              "esky.xml")
                                << "\u010Desky.xml";
    QTest::newRow("six characters, not six bytes")
        << QByteArray("[\xc4\xbdNG]=english.lng.xml") << "english.lng.xml";
    QTest::newRow("a four-byte character is one")
        << QByteArray("\xf0\x9f\x98\x80LNG]=a.xml") << "a.xml";
    QTest::newRow("a stray byte is one") << QByteArray("\xffLNG]=a.xml") << "a.xml";
    QTest::newRow("a cut sequence is one per byte") << QByteArray("\xe4\xbdNG]=a.xml") << "a.xml";
    QTest::newRow("a line longer than any path") << "[LNG]=" + QByteArray(9000, 'a') + "\r\n"
                                                 << "cesky.lng.xml";
}

void TestLanguageChoice::nameBytesAreWrittenBackAsRead_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("ASCII") << QByteArray("english.lng.xml");
    QTest::newRow("UTF-8") << QByteArray("\xc4\x8d"
                                         "esky \xf0\x9f\x98\x80.xml");
    QTest::newRow("Windows-1250 byte") << QByteArray("\xe8"
                                                     "esky.lng.xml");
    QTest::newRow("cut sequence at the end") << QByteArray("a.xml\xc4");
    QTest::newRow("overlong form") << QByteArray("\xc0\xaf.xml");
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80.xml");
    QTest::newRow("above U+10FFFF") << QByteArray("\xf4\x90\x80\x80.xml");
    QTest::newRow("every high byte") << [] {
        QByteArray all;
        for (int b = 0x80; b <= 0xFF; ++b)
            all += static_cast<char>(b);
        return all;
    }();
}

void TestLanguageChoice::nameBytesAreWrittenBackAsRead()
{
    QFETCH(QByteArray, name);
    const QString path = Write("[LNG]=" + name + "\r\n");
    const QString read = ReadLanguageChoice(path);
    QVERIFY(WriteLanguageChoice(path, read));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), "[LNG]=" + name + "\r\n");
}

void TestLanguageChoice::readsFirstLineFromSeventhCharacter()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    QCOMPARE(ReadLanguageChoice(Write(content)), name);
}

void TestLanguageChoice::missingOrUnreadableGivesCzech()
{
    QCOMPARE(ReadLanguageChoice(FDir.filePath(QStringLiteral("missing.ini"))),
             QStringLiteral("cesky.lng.xml"));
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("lng.ini")));
    QCOMPARE(ReadLanguageChoice(dir.filePath(QStringLiteral("lng.ini"))),
             QStringLiteral("cesky.lng.xml"));
    // A device is no settings file: it is not read at all.
    QCOMPARE(ReadLanguageChoice(QStringLiteral("/dev/zero")), QStringLiteral("cesky.lng.xml"));
}

void TestLanguageChoice::writesOneLineExactly()
{
    const QString path = FDir.filePath(QStringLiteral("written.ini"));
    QVERIFY(WriteLanguageChoice(path, QStringLiteral("english.lng.xml")));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes, QByteArray("[LNG]=english.lng.xml\r\n"));
    QCOMPARE(bytes.size(), 23);
    QCOMPARE(ReadLanguageChoice(path), QStringLiteral("english.lng.xml"));
    QVERIFY(WriteLanguageChoice(path, QString()));
    QCOMPARE(ReadLanguageChoice(path), QString());
}

void TestLanguageChoice::writeFailsOnReadOnlyFileOrDirectory()
{
    const QString file = Write("[LNG]=cesky.lng.xml\r\n");
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(!WriteLanguageChoice(file, QStringLiteral("english.lng.xml")));
    QCOMPARE(ReadLanguageChoice(file), QStringLiteral("cesky.lng.xml"));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);

    QTemporaryDir dir;
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup;
    QVERIFY(QFile::setPermissions(dir.path(), readOnly));
    QVERIFY(!WriteLanguageChoice(dir.filePath(QStringLiteral("lng.ini")),
                                 QStringLiteral("english.lng.xml")));
    QFile::setPermissions(dir.path(), readOnly | QFile::WriteOwner);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("lng.ini"))));

    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("lng.ini")));
    QVERIFY(!WriteLanguageChoice(dir.filePath(QStringLiteral("lng.ini")), QStringLiteral("x")));
}

void TestLanguageChoice::writeReplacesTheFileWhole()
{
    const QString path = Write("[LNG]=a-much-longer-language-file-name.lng.xml\r\n");
    QVERIFY(WriteLanguageChoice(path, QStringLiteral("b.xml")));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("[LNG]=b.xml\r\n"));
    // No temporary file is left beside it.
    QCOMPARE(QDir(FDir.path()).entryList({QStringLiteral("lng.ini*")}, QDir::Files),
             QStringList{QStringLiteral("lng.ini")});
}

void TestLanguageChoice::writeCreatesAPrivateFolder()
{
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("config/zvkdemo/lng.ini"));
    QVERIFY(WriteLanguageChoice(path, QStringLiteral("english.lng.xml")));
    QCOMPARE(ReadLanguageChoice(path), QStringLiteral("english.lng.xml"));
    const auto privateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    for (const char* dir : {"config", "config/zvkdemo"}) {
        const auto group = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup;
        const auto other = QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        const auto perms = QFile::permissions(home.filePath(QLatin1String(dir)));
        QVERIFY2((perms & privateFolder) == privateFolder && !(perms & (group | other)), dir);
    }
    // A folder that cannot be made (a file stands in its path) is a failure to save.
    QFile blocker(home.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    QVERIFY(!WriteLanguageChoice(home.filePath(QStringLiteral("file/zvkdemo/lng.ini")),
                                 QStringLiteral("english.lng.xml")));
}

void TestLanguageChoice::keptBesideProgramOnlyWhereMarked_data()
{
    QTest::addColumn<bool>("marked");
    QTest::addColumn<bool>("programFolderReadOnly");
    QTest::addColumn<bool>("userCopyExists");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("write");
    QTest::newRow("marked") << true << false << false << "beside"
                            << "beside";
    QTest::newRow("marked, a user copy is ignored") << true << false << true << "beside"
                                                    << "beside";
    // Marked but read-only: the save fails and says so; the mode is not guessed.
    QTest::newRow("marked, read-only folder") << true << true << false << "beside"
                                              << "beside";
    QTest::newRow("not marked, first start: the packaged default")
        << false << false << false << "beside"
        << "user";
    QTest::newRow("not marked, the user's copy") << false << false << true << "user"
                                                 << "user";
    QTest::newRow("not marked, read-only folder") << false << true << false << "beside"
                                                  << "user";
}

void TestLanguageChoice::keptBesideProgramOnlyWhereMarked()
{
    QFETCH(bool, marked);
    QFETCH(bool, programFolderReadOnly);
    QFETCH(bool, userCopyExists);
    QFETCH(QString, read);
    QFETCH(QString, write);
    QTemporaryDir program;
    QTemporaryDir config;
    const QString beside = program.filePath(QStringLiteral("lng.ini"));
    const QString user = config.filePath(QStringLiteral("zvkdemo/lng.ini"));
    if (marked)
        QVERIFY(QFile(program.filePath(QStringLiteral("portable"))).open(QIODevice::WriteOnly));
    if (userCopyExists)
        QVERIFY(WriteLanguageChoice(user, QStringLiteral("english.lng.xml")));
    const auto perms = QFile::permissions(program.path());
    const auto writeBits =
        QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    if (programFolderReadOnly)
        QVERIFY(QFile::setPermissions(program.path(), perms & ~writeBits));
    const TLanguageChoiceFiles files = LanguageChoiceFiles(beside, user);
    QFile::setPermissions(program.path(), perms);
    const auto name = [&](const QString& path) { return path == beside ? "beside" : "user"; };
    QCOMPARE(name(files.Read), read);
    QCOMPARE(name(files.Write), write);
}

void TestLanguageChoice::userCopyFollowsXdgConfigHome_data()
{
    QTest::addColumn<QByteArray>("xdgConfigHome");
    QTest::addColumn<QString>("path");
    const QString home = QDir::homePath();
    QTest::newRow("set") << QByteArray("/srv/cfg") << "/srv/cfg/zvkdemo/lng.ini";
    QTest::newRow("trailing slash") << QByteArray("/srv/cfg/") << "/srv/cfg/zvkdemo/lng.ini";
    QTest::newRow("unset") << QByteArray() << home + "/.config/zvkdemo/lng.ini";
    // A relative value is invalid and ignored, as the base directory rules say.
    QTest::newRow("relative") << QByteArray("cfg") << home + "/.config/zvkdemo/lng.ini";
}

void TestLanguageChoice::userCopyFollowsXdgConfigHome()
{
    QFETCH(QByteArray, xdgConfigHome);
    QFETCH(QString, path);
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    if (xdgConfigHome.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", xdgConfigHome);
    const QString got = UserLanguageChoicePath();
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(got, path);
}

QTEST_GUILESS_MAIN(TestLanguageChoice)
#include "tst_languagechoice.moc"
