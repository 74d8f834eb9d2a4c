#include "DeviceAddress.h"

#include <arpa/inet.h>

namespace {
constexpr quint16 DefaultPort = 10001;
constexpr qsizetype MaxHostLength = 253;

bool IsIPv6Text(const QString& text)
{
    in6_addr addr{};
    return ::inet_pton(AF_INET6, text.toLatin1().constData(), &addr) == 1;
}

// Letters, digits, '-', '.' and '_': a host name or an IPv4 text, nothing a shell, a URL or a
// log line could misread.
bool IsHostName(const QString& text)
{
    if (text.isEmpty() || text.size() > MaxHostLength || text.startsWith(u'.') ||
        text.startsWith(u'-'))
        return false;
    for (const QChar c : text)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'-' && c != u'.' && c != u'_')
            return false;
    return true;
}

std::optional<quint16> ParsePort(const QString& text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    const int port = text.toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<quint16>(port);
}

std::optional<TDeviceAddress> Fail(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return std::nullopt;
}
} // namespace

QString TDeviceAddress::Text() const
{
    const QString port = QString::number(Port);
    return Host.contains(u':') ? u'[' + Host + QStringLiteral("]:") + port : Host + u':' + port;
}

std::optional<TDeviceAddress> ParseDeviceAddress(const QString& text, QString* why)
{
    if (text.isEmpty())
        return Fail(why, QStringLiteral("empty address"));
    QString host;
    QString portText;
    bool hasPort = false;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return Fail(why, QStringLiteral("missing \"]\" after the IPv6 address"));
        host = text.mid(1, close - 1);
        if (!IsIPv6Text(host))
            return Fail(why, QStringLiteral("not an IPv6 address in brackets"));
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':'))
            return Fail(why, QStringLiteral("unexpected text after \"]\""));
        hasPort = !rest.isEmpty();
        portText = rest.mid(1);
    } else if (text.count(u':') > 1) {
        if (!IsIPv6Text(text))
            return Fail(why, QStringLiteral("an IPv6 address with a port needs brackets: "
                                            "[address]:port"));
        host = text;
    } else {
        const qsizetype colon = text.indexOf(u':');
        hasPort = colon >= 0;
        host = hasPort ? text.left(colon) : text;
        portText = hasPort ? text.mid(colon + 1) : QString();
        if (host.isEmpty())
            return Fail(why, QStringLiteral("missing host"));
        if (!IsHostName(host))
            return Fail(why, QStringLiteral("not a host name or address"));
    }
    TDeviceAddress address{host, DefaultPort};
    if (hasPort) {
        const std::optional<quint16> port = ParsePort(portText);
        if (!port)
            return Fail(why, QStringLiteral("port must be a number from 1 to 65535"));
        address.Port = *port;
    }
    return address;
}
