#pragma once

#include <QProcess>
#include <QtTest>

// The thermometer simulator as a child process on a free loopback port.
class TSimulator {
public:
    bool Start(const QStringList& options)
    {
        FProcess.setProgram(QStringLiteral(ZVK_THERMOSIM));
        FProcess.setArguments(QStringList{QStringLiteral("--address"), QStringLiteral("127.0.0.1"),
                                          QStringLiteral("--port"), QStringLiteral("0")} +
                              options);
        FProcess.start();
        if (!FProcess.waitForStarted(5000) || !FProcess.waitForReadyRead(5000))
            return false;
        FPort = FProcess.readLine().trimmed().toInt();
        return FPort > 0;
    }
    ~TSimulator()
    {
        FProcess.terminate();
        if (!FProcess.waitForFinished(3000))
            FProcess.kill();
        FProcess.waitForFinished(3000);
    }
    int Port() const { return FPort; }
    qint64 ProcessId() const { return FProcess.processId(); }

private:
    QProcess FProcess;
    int FPort = 0;
};
