#pragma once

#include <QProcess>
#include <QtTest>
#include <optional>

// An HTTP answer as curl saw it.
struct THttpResult {
    int Status = 0; // 0: no answer
    QByteArray ContentType;
    QByteArray Body;
};

// curl with the given extra options; the body on standard output, then status and type.
inline THttpResult CurlGet(const QString& url, const QStringList& options = {}, int limitMs = 20000)
{
    QProcess curl;
    curl.start(QStringLiteral("curl"),
               QStringList{"-sS", "--max-time", QString::number(limitMs / 1000.0), "-w",
                           "\n%{http_code} %{content_type}"} +
                   options + QStringList{url});
    curl.waitForFinished(limitMs + 5000);
    const QByteArray out = curl.readAllStandardOutput();
    const qsizetype split = out.lastIndexOf('\n');
    THttpResult result;
    const QByteArray tail = out.mid(split + 1);
    result.Status = tail.left(tail.indexOf(' ')).toInt();
    result.ContentType = tail.mid(tail.indexOf(' ') + 1);
    result.Body = out.left(split);
    return result;
}

// The value of an unlabelled sample in exposition text, or nullopt when it is absent.
inline std::optional<double> SampleValue(const QByteArray& text, const QByteArray& name)
{
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith(name + ' '))
            return line.mid(name.size() + 1).toDouble();
    return std::nullopt;
}

// promtool's lint of exposition text: empty when clean, else what it says.
inline QString PromtoolComplaints(const QByteArray& text)
{
    QProcess promtool;
    promtool.start(QStringLiteral("promtool"),
                   {QStringLiteral("check"), QStringLiteral("metrics")});
    promtool.waitForStarted();
    promtool.write(text);
    promtool.closeWriteChannel();
    promtool.waitForFinished(20000);
    if (promtool.exitStatus() == QProcess::NormalExit && promtool.exitCode() == 0)
        return {};
    return QString::fromUtf8(promtool.readAllStandardOutput() + promtool.readAllStandardError()) +
           QStringLiteral(" (rc %1)").arg(promtool.exitCode());
}
