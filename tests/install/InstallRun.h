#pragma once

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QProcess>

// Runs what the install tests installed or packed, as a process.
struct TRun {
    int ExitCode = -1; // -1 when it crashed or did not end in time
    QString Output;    // standard output: the probe prints what it showed there
    QString Errors;
};

inline TRun Run(const QString& program, const QStringList& args,
                const QString& workDir = QDir::tempPath(),
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setWorkingDirectory(workDir);
    p.setProcessEnvironment(env);
    p.start();
    if (!p.waitForFinished(180000)) {
        p.kill();
        p.waitForFinished();
    }
    TRun run;
    run.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.Output = QString::fromUtf8(p.readAllStandardOutput());
    run.Errors = QString::fromUtf8(p.readAllStandardError());
    return run;
}

// Runs the command; prints its output when it does not succeed.
inline bool Succeeds(const QString& program, const QStringList& args,
                     const QString& workDir = QDir::tempPath())
{
    const TRun run = Run(program, args, workDir);
    if (run.ExitCode != 0)
        qWarning().noquote() << program << args.join(u' ') << "->" << run.ExitCode << "\n"
                             << run.Output << run.Errors;
    return run.ExitCode == 0;
}

inline QByteArray FileContent(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
