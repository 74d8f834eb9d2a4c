#pragma once

#include "ReadingLine.h"

#include <QString>
#include <QStringList>

struct TReadOptions {
    QString Host;
    int Port = 10001;
    TOutputFormat Format = TOutputFormat::Text;
    qint64 Count = 0; // readings before the program ends; 0: no limit
    int IntervalMs = 1000;
    int TimeoutMs = 2500;
};

// What the command line asks for.
struct TCommandLine {
    enum Action { Read, Help, Version, BadUsage };
    Action Do = Read;
    TReadOptions Options;
    QString Error; // BadUsage: what is wrong, one line
};

// Parses the arguments after the program name.
TCommandLine ParseCommandLine(const QStringList& arguments);

// The --help text, and the two lines shown after a usage error.
QString HelpText();
QString UsageHint();
