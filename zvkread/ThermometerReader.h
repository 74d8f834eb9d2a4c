#pragma once

#include "ReadOptions.h"

#include <QString>
#include <cstdio>

class TStopSignals;

// Connects, polls and prints readings until the count is reached, the device closes the
// connection, the connection is lost or a stop signal comes. Returns the exit code: 0, or 1
// after a failed connect or a lost connection (the message is written to err).
int ReadThermometer(const TReadOptions& options, TStopSignals& stop, std::FILE* out,
                    std::FILE* err);

// A failure message on one line: the text the window's error box shows, with every line
// break (CR LF, CR or LF) turned into one blank and those at the end dropped.
QString OneLineMessage(const QString& message);
