#include "AllowList.h"

#include <QRegularExpression>

const char* const TAllowList::Default = "127.0.0.0/8,::1/128,10.0.0.0/8,172.16.0.0/12,"
                                        "192.168.0.0/16,169.254.0.0/16,fe80::/10,fc00::/7";

namespace {
QHostAddress Unmapped(const QHostAddress& address)
{
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4) : address;
}

bool ValidName(const QString& name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]*"
                       "[A-Za-z0-9])?)*\\.?$"));
    return name.size() <= 253 && pattern.match(name).hasMatch();
}
} // namespace

std::optional<TAllowList> TAllowList::Parse(const QString& text, QString* why)
{
    TAllowList list;
    for (const QString& raw : text.split(u',', Qt::SkipEmptyParts)) {
        const QString item = raw.trimmed();
        QString host = item;
        QString port;
        if (item.startsWith(u'[')) {
            const qsizetype close = item.indexOf(u']');
            const QString rest = close < 0 ? QString() : item.mid(close + 1);
            if (close < 0 || (!rest.isEmpty() && !rest.startsWith(u':'))) {
                if (why)
                    *why = QStringLiteral("allow-list entry '%1': bad brackets").arg(item);
                return std::nullopt;
            }
            host = item.mid(1, close - 1);
            port = rest.mid(1);
            if (rest == u":")
                port = QStringLiteral("-");
        } else if (item.count(u':') == 1) {
            host = item.section(u':', 0, 0);
            port = item.section(u':', 1);
            if (port.isEmpty())
                port = QStringLiteral("-");
        }
        TEntry entry;
        if (!port.isEmpty()) {
            bool ok = false;
            const uint n = port.toUInt(&ok);
            if (!ok || n < 1 || n > 65535) {
                if (why)
                    *why = QStringLiteral("allow-list entry '%1': bad port").arg(item);
                return std::nullopt;
            }
            entry.Port = static_cast<quint16>(n);
        }
        QHostAddress single;
        if (host.contains(u'/')) {
            const auto subnet = QHostAddress::parseSubnet(host);
            entry.Network = Unmapped(subnet.first);
            entry.Prefix = subnet.second;
            if (entry.Prefix < 0) {
                if (why)
                    *why = QStringLiteral("allow-list entry '%1': bad CIDR range").arg(item);
                return std::nullopt;
            }
        } else if (single.setAddress(host)) {
            entry.Network = Unmapped(single);
            entry.Prefix = entry.Network.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128;
        } else if (ValidName(host)) {
            entry.Name = host.toLower();
            if (entry.Name.endsWith(u'.'))
                entry.Name.chop(1);
        } else {
            if (why)
                *why = QStringLiteral("allow-list entry '%1': not an address, range or host "
                                      "name")
                           .arg(item);
            return std::nullopt;
        }
        list.FEntries << entry;
    }
    return list;
}

bool TAllowList::Allows(const QHostAddress& address, quint16 port) const
{
    const QHostAddress a = Unmapped(address);
    for (const TEntry& e : FEntries)
        if (e.Prefix >= 0 && (e.Port == 0 || e.Port == port) &&
            a.protocol() == e.Network.protocol() && a.isInSubnet(e.Network, e.Prefix))
            return true;
    return false;
}

bool TAllowList::AllowsName(const QString& host, quint16 port) const
{
    QString name = host.toLower();
    if (name.endsWith(u'.'))
        name.chop(1);
    for (const TEntry& e : FEntries)
        if (!e.Name.isEmpty() && e.Name == name && (e.Port == 0 || e.Port == port))
            return true;
    return false;
}
