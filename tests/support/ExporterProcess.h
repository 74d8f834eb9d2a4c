#pragma once

#include "MetricsText.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

// zvk_exporter as a child process on a free port of 127.0.0.1.
class TExporterProcess {
public:
    bool Start(const QStringList& options, const QString& scheme = QStringLiteral("http"))
    {
        FScheme = scheme;
        FProcess.setProgram(QStringLiteral(ZVK_EXPORTER));
        FProcess.setArguments(QStringList{QStringLiteral("--web.listen-address=127.0.0.1:0")} +
                              options);
        FProcess.start();
        if (!FProcess.waitForStarted(5000))
            return false;
        static const QRegularExpression port(QStringLiteral("Listening on address.* port=(\\d+)"));
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && FProcess.state() == QProcess::Running) {
            FProcess.waitForReadyRead(200);
            FLog += FProcess.readAllStandardError();
            const auto m = port.match(QString::fromUtf8(FLog));
            if (m.hasMatch()) {
                FPort = m.captured(1).toInt();
                return true;
            }
        }
        FLog += FProcess.readAllStandardError();
        qWarning().noquote() << "exporter did not start:" << FLog;
        return false;
    }
    ~TExporterProcess()
    {
        FProcess.terminate();
        if (!FProcess.waitForFinished(5000))
            FProcess.kill();
        FProcess.waitForFinished(3000);
    }
    QProcess& Process() { return FProcess; }
    int Port() const { return FPort; }
    QString Url(const QString& pathAndQuery) const
    {
        return QStringLiteral("%1://127.0.0.1:%2%3").arg(FScheme).arg(FPort).arg(pathAndQuery);
    }
    QByteArray Log()
    {
        FLog += FProcess.readAllStandardError();
        return FLog;
    }

private:
    QProcess FProcess;
    QString FScheme;
    QByteArray FLog;
    int FPort = 0;
};
