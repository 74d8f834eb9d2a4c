#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Debian's mosquitto as a child process on 127.0.0.1, with a configuration of its own.
class TMosquitto {
public:
    ~TMosquitto() { Stop(); }
    // listenerLines: more options for the listener (a certificate for TLS).
    bool Start(int port, const QByteArray& listenerLines = {})
    {
        FPort = port;
        QFile conf(FDir.filePath(QStringLiteral("mosquitto.conf")));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        // Its log on stderr, which is not buffered. "user root" keeps a broker started by root from
        // switching to a user that cannot read this folder; it is ignored when the test runs as
        // anyone else.
        conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n"
                                  "log_dest stderr\nlog_type all\nuser root\n")
                       .arg(port)
                       .toUtf8() +
                   listenerLines);
        conf.close();
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf.fileName()});
        if (!FProcess.waitForStarted(5000))
            return false;
        const qsizetype from = FLog.size(); // a restart: the earlier run's lines are there
        QDeadlineTimer limit(10000);
        while (FLog.indexOf(" running", from) < 0 && !limit.hasExpired() &&
               FProcess.state() == QProcess::Running)
            if (FProcess.waitForReadyRead(200))
                FLog += FProcess.readAll();
        return FLog.indexOf(" running", from) >= 0;
    }
    void Stop()
    {
        if (FProcess.state() == QProcess::NotRunning)
            return;
        FProcess.terminate();
        if (!FProcess.waitForFinished(5000))
            FProcess.kill();
        FProcess.waitForFinished(3000);
        FLog += FProcess.readAll();
    }
    QByteArray Log()
    {
        FLog += FProcess.readAll();
        return FLog;
    }
    int Port() const { return FPort; }

private:
    QTemporaryDir FDir;
    QProcess FProcess;
    QByteArray FLog;
    int FPort = 0;
};

// mosquitto_sub on every topic, recording what arrives: retained messages first, then live.
class TMqttRecorder {
public:
    struct TMessage {
        bool Retained = false;
        QString Topic;
        QByteArray Payload;
    };
    explicit TMqttRecorder(int port, const QStringList& options = {})
    {
        const QStringList common{QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                                 QStringLiteral("-p"), QString::number(port),
                                 QStringLiteral("-t"), QStringLiteral("#"),
                                 QStringLiteral("-F"), QStringLiteral("%r %t %p")};
        FProcess.start(QStringLiteral("mosquitto_sub"), common + options);
        FProcess.waitForStarted(5000);
    }
    ~TMqttRecorder()
    {
        FProcess.terminate();
        if (!FProcess.waitForFinished(3000))
            FProcess.kill();
        FProcess.waitForFinished(3000);
    }
    const QList<TMessage>& Messages()
    {
        FBuffer += FProcess.readAllStandardOutput();
        qsizetype end = 0;
        while ((end = FBuffer.indexOf('\n')) >= 0) {
            const QByteArray line = FBuffer.left(end);
            FBuffer.remove(0, end + 1);
            const qsizetype space = line.indexOf(' ', 2);
            FMessages.append({line.startsWith('1'), QString::fromUtf8(line.mid(2, space - 2)),
                              space < 0 ? QByteArray() : line.mid(space + 1)});
        }
        return FMessages;
    }
    // The last payload on the topic, or nullopt when none came.
    std::optional<QByteArray> Last(const QString& topic, bool retainedOnly = false)
    {
        const QList<TMessage>& all = Messages();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (it->Topic == topic && (it->Retained || !retainedOnly))
                return it->Payload;
        return std::nullopt;
    }
    void Clear()
    {
        Messages();
        FMessages.clear();
    }

private:
    QProcess FProcess;
    QByteArray FBuffer;
    QList<TMessage> FMessages;
};
