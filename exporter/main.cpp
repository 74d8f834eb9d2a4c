// zvk_exporter: a Prometheus exporter for ZVK network thermometers.
#include "DaemonSignals.h"
#include "DeviceLoop.h"
#include "Exporter.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    TExporter* running = nullptr;
    TDaemonSignals daemonSignals; // first: every thread inherits the blocked signals
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TExporterCommandLine line = ParseExporterCommandLine(arguments);
    switch (line.Do) {
    case TExporterCommandLine::Help:
        std::fputs(ExporterHelpText().toUtf8().constData(), stdout);
        return 0;
    case TExporterCommandLine::Version:
        std::fputs("zvk_exporter, version " ZVK_VERSION " (revision: " ZVK_REVISION ")\n", stdout);
        return 0;
    case TExporterCommandLine::BadUsage:
        std::fprintf(stderr, "zvk_exporter: error: %s, try --help\n",
                     line.Error.toUtf8().constData());
        return 2;
    case TExporterCommandLine::Run:
        break;
    }
    QCoreApplication app(argc, argv);
    const TLog stderrLog(line.Options.LogLevel, line.Options.LogFormat);
    TDeviceLoop loop;
    TExporter exporter(line.Options, stderrLog, loop);
    daemonSignals.Watch(
        [&](int signal) {
            stderrLog.Write(TLogLevel::Info, QStringLiteral("Shutting down"),
                            {{"signal", signal == SIGTERM ? "SIGTERM" : "SIGINT"}});
            QCoreApplication::exit(0);
        },
        [&] {
            if (running)
                running->ReloadWebConfig();
        });
    stderrLog.Write(TLogLevel::Info, QStringLiteral("Starting zvk_exporter"),
                    {{"version", ZVK_VERSION}, {"revision", ZVK_REVISION}});
    const QString why = exporter.Start();
    if (!why.isEmpty()) {
        stderrLog.Write(TLogLevel::Error, why);
        return 1;
    }
    running = &exporter;
    const int code = QCoreApplication::exec();
    running = nullptr;
    exporter.Stop();
    return code;
}
