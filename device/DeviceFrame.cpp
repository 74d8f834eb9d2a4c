#include "DeviceFrame.h"

#include "ReadingValue.h"

#include <cstring>

TDeviceFrame MakeDeviceFrame(QByteArray raw)
{
    TDeviceFrame frame{std::move(raw), {}, std::nullopt};
    frame.Reading = ParseReading(frame.Raw);
    if (frame.Reading.Result == TReadingResult::Reading)
        frame.Celsius = ReadingCelsius(frame.Reading.Text);
    return frame;
}

void TFrameSplitter::Append(const char* data, qsizetype n)
{
    qsizetype skip = 0;
    if (FBuffer.isEmpty()) {
        // Nothing pending: the bytes before the first '*' are junk and never buffered.
        const char* star = static_cast<const char*>(std::memchr(data, '*', static_cast<size_t>(n)));
        skip = star ? star - data : n;
        FDropped += skip;
    }
    FBuffer.append(data + skip, n - skip);
}

std::optional<TDeviceFrame> TFrameSplitter::Next()
{
    std::optional<QByteArray> raw = NextRaw();
    if (!raw)
        return std::nullopt;
    return MakeDeviceFrame(std::move(*raw));
}

std::optional<QByteArray> TFrameSplitter::NextRaw()
{
    qsizetype from = 0;
    qsizetype cr = -2; // not looked for yet; -1: no CR after the current start
    std::optional<QByteArray> frame;
    for (;;) {
        const qsizetype star = FBuffer.indexOf('*', from);
        if (star < 0) {
            from = FBuffer.size();
            break;
        }
        const qsizetype limit = star + MaxFrameBytes;
        if (cr != -1 && cr < star)
            cr = FBuffer.indexOf('\r', star);
        if (cr >= 0 && cr < limit) {
            frame = FBuffer.mid(star, cr + 1 - star);
            FDropped += star;
            FBuffer.remove(0, cr + 1);
            return frame;
        }
        if (cr < 0 && FBuffer.size() < limit) {
            from = star;
            break;
        }
        // A start with no CR within a frame's length: junk up to the next '*'.
        from = star + 1;
    }
    FDropped += from;
    FBuffer.remove(0, from);
    return frame;
}

qsizetype TFrameSplitter::TakeDropped()
{
    const qsizetype dropped = FDropped;
    FDropped = 0;
    return dropped;
}
