// zvkread: reads a ZVK network thermometer from the command line.
#include "ReadOptions.h"
#include "StopSignals.h"
#include "ThermometerReader.h"

#include <cstdio>

int main(int argc, char** argv)
{
    TStopSignals stop; // first: the connect worker thread must inherit the blocked signals
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = ParseCommandLine(arguments);
    switch (line.Do) {
    case TCommandLine::Help:
        std::fputs(HelpText().toUtf8().constData(), stdout);
        return 0;
    case TCommandLine::Version:
        std::fputs("zvkread " ZVK_VERSION "\n", stdout);
        return 0;
    case TCommandLine::BadUsage:
        std::fputs(("zvkread: " + line.Error + u'\n' + UsageHint()).toUtf8().constData(), stderr);
        return 2;
    case TCommandLine::Read:
        break;
    }
    return ReadThermometer(line.Options, stop, stdout, stderr);
}
