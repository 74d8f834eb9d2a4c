#pragma once

#include "ReadingFrame.h"

#include <QByteArray>
#include <optional>

// One frame as a thermometer sends it, read by the window's parser.
struct TDeviceFrame {
    QByteArray Raw;                // from '*' up to and including the CR
    TReadingResult Reading;        // ParseReading(Raw)
    std::optional<double> Celsius; // only for a whole "B" frame whose value is a plain number
};

TDeviceFrame MakeDeviceFrame(QByteArray raw);

// Cuts a byte stream into frames ('*' .. CR). Bytes before a '*' are dropped, and so is a start
// that runs longer than any frame without its CR: the buffer stays bounded whatever arrives.
class TFrameSplitter {
public:
    static constexpr qsizetype MaxFrameBytes = 512;

    void Append(const char* data, qsizetype n);
    std::optional<TDeviceFrame> Next();
    // The next frame's bytes, not parsed.
    std::optional<QByteArray> NextRaw();
    // Bytes kept for a frame not yet complete.
    qsizetype Pending() const { return FBuffer.size(); }
    // Bytes dropped as junk since the previous call.
    qsizetype TakeDropped();

private:
    QByteArray FBuffer;
    qsizetype FDropped = 0;
};
