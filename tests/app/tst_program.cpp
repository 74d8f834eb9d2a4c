#include <QProcess>
#include <QtTest>

// Runs the program as a process: start-up, exit codes and the last-chance report.
class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void closingEndsWithExitCodeZero();
    void missingLayoutEndsWithLastChanceReport();

private:
    QString Run(const QString& mode, int& exitCode);
};

QString TestProgram::Run(const QString& mode, int& exitCode)
{
    QProcess p;
    p.setProgram(QStringLiteral(ZVK_PROBE));
    p.setArguments({mode});
    p.setWorkingDirectory(QFileInfo(QStringLiteral(ZVK_PROBE)).absolutePath());
    p.start();
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
    QVERIFY2(!out.contains(QStringLiteral("DIALOG|")), qPrintable(out));
}

void TestProgram::missingLayoutEndsWithLastChanceReport()
{
    int code = -1;
    const QString out = Run(QStringLiteral("nolayout"), code);
    QCOMPARE(code, 1);
    const QRegularExpression report(QStringLiteral(
        "^DIALOG\\|Application Error\\|Exception EResNotFound in module \\S+ at [0-9A-F]{8}\\.\\r\\n"
        "Resource TfZVKTeplomer not found\\.\\r\\n\\|END\\n$"));
    QVERIFY2(report.match(out).hasMatch(), qPrintable(out));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
