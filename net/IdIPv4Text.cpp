#include "IdIPv4Text.h"

namespace {
std::optional<std::uint8_t> PieceToByte(QStringView piece)
{
    if (piece.isEmpty())
        return std::nullopt;
    int value = 0;
    for (QChar c : piece) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 255)
            return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}
} // namespace

std::optional<TIdIPv4Bytes> IPv4TextToBytes(const QString& text)
{
    TIdIPv4Bytes bytes{};
    QStringView rest(text);
    for (int i = 0; i < 4; ++i) {
        QStringView piece = rest;
        if (i < 3) {
            const qsizetype dot = rest.indexOf(u'.');
            piece = dot < 0 ? rest : rest.left(dot);
            rest = dot < 0 ? QStringView() : rest.mid(dot + 1);
        }
        const auto b = PieceToByte(piece);
        if (!b)
            return std::nullopt;
        bytes[static_cast<std::size_t>(i)] = *b;
    }
    return bytes;
}

QString IPv4BytesToText(const TIdIPv4Bytes& bytes)
{
    return QStringLiteral("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
}
