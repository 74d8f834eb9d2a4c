#pragma once

#include <QByteArray>
#include <QString>

// What one poll makes of the bytes received since the previous one.
struct TReadingResult {
    enum Kind {
        Nothing, // no usable start of a frame: panel and title stay as they are
        Dash,    // a frame that is not a whole "B" frame: the panel shows "-"
        Reading, // the panel shows Text, and the title repeats it
    };
    Kind Result = Nothing;
    QString Text;
};

// Looks at the first "*" of the received bytes: a frame "*B", two characters, then a value
// field up to the first CR. The reading is the field from its first "+" (else its first "-",
// else the whole field), followed by " °C". Bytes are read one character per byte as
// Windows-1250.
TReadingResult ParseReading(const QByteArray& received);
