#include "ReadingFrame.h"

#include <QStringDecoder>

TReadingResult ParseReading(const QByteArray& received)
{
    const qsizetype star = received.indexOf('*');
    // At least six characters must run from the "*" to the end, the "*" included.
    if (star < 0 || received.size() - star < 6)
        return {};
    const QByteArray frame = received.mid(star);
    const qsizetype cr = frame.indexOf('\r');
    if (frame[1] != 'B' || cr < 0)
        return {TReadingResult::Dash, QStringLiteral("-")};

    const QByteArray field = cr > 4 ? frame.mid(4, cr - 4) : QByteArray();
    qsizetype sign = field.indexOf('+');
    if (sign < 0)
        sign = field.indexOf('-');
    const QByteArray value = sign < 0 ? field : field.mid(sign);

    QStringDecoder decoder("windows-1250");
    QString text = decoder.isValid() ? decoder.decode(value) : QString::fromLatin1(value);
    text += QStringLiteral(" \u00B0C");
    return {TReadingResult::Reading, text};
}
