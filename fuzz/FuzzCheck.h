#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>

// A property that a fuzz target checks: a failed one is reported and aborts, which libFuzzer
// records as a crash with the input that caused it.
inline void Require(bool holds, const char* what, const QString& detail = QString())
{
    if (holds)
        return;
    std::fprintf(stderr, "property violated: %s\n%s\n", what, qUtf8Printable(detail));
    std::abort();
}
