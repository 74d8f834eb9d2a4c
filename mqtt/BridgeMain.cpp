#include "BridgeMain.h"

#include "Bridge.h"
#include "BridgeConfig.h"
#include "DaemonSignals.h"
#include "DeviceLoop.h"

#include <QCoreApplication>
#include <cstdio>
#include <string_view>

namespace {
const char* const Usage =
    "Usage: zvk-mqtt [--config FILE] [--check]\n"
    "Publishes ZVK network thermometers to an MQTT broker, with Home Assistant discovery.\n"
    "  --config FILE  the configuration (default /etc/zvk-mqtt.conf)\n"
    "  --check        check the configuration and exit\n"
    "  --help         this text\n"
    "  --version      the program's version\n"
    "SIGHUP reads the configuration again; SIGTERM publishes \"offline\" and exits.\n";

void Print(std::FILE* to, const QString& text)
{
    std::fputs(("zvk-mqtt: " + text + u'\n').toUtf8().constData(), to);
}
} // namespace

int RunBridge(int argc, char** argv)
{
    TDaemonSignals bridgeSignals; // first: every thread inherits the blocked signals
    QString configFile = QStringLiteral("/etc/zvk-mqtt.conf");
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs("zvk-mqtt " ZVK_VERSION "\n", stdout);
            return 0;
        }
        if (arg == "--check") {
            check = true;
        } else if (arg == "--config" && i + 1 < argc) {
            configFile = QString::fromLocal8Bit(argv[++i]);
        } else {
            Print(stderr, QStringLiteral("bad option %1\n").arg(QString::fromLocal8Bit(argv[i])) +
                              QString::fromLatin1(Usage).trimmed());
            return 2;
        }
    }
    QString error;
    std::optional<TBridgeConfig> config = ReadBridgeConfig(configFile, &error);
    if (!config) {
        Print(stderr, error);
        return 2;
    }
    if (check) {
        Print(stdout, QStringLiteral("%1: OK, %2 thermometer(s)")
                          .arg(configFile)
                          .arg(config->Thermometers.size()));
        return 0;
    }

    QCoreApplication application(argc, argv);
    TDeviceLoop loop;
    TBridge bridge(loop, *config);
    if (!bridge.Start(&error)) {
        Print(stderr, error);
        return 1;
    }
    bool stopping = false;
    bridgeSignals.Watch(
        [&](int) {
            if (std::exchange(stopping, true))
                return;
            bridge.Stop([] { QCoreApplication::exit(0); });
        },
        [&] {
            QString why;
            std::optional<TBridgeConfig> fresh = ReadBridgeConfig(configFile, &why);
            if (!fresh) {
                Print(stderr, why + QStringLiteral(" (keeping the configuration in use)"));
                return;
            }
            Print(stderr, QStringLiteral("configuration read again"));
            bridge.Reload(std::move(*fresh));
        });
    return QCoreApplication::exec();
}
