#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <optional>

// Which targets /probe may connect to: addresses, CIDR ranges and host names, each optionally
// with a port ("10.0.0.0/8", "192.0.2.7:10001", "[fc00::/7]:10001", "probe.lab").
class TAllowList {
public:
    static const char* const Default;
    // Entries separated by commas; nullopt and a one-line reason in *why on a bad entry.
    static std::optional<TAllowList> Parse(const QString& text, QString* why = nullptr);
    void Add(const TAllowList& other) { FEntries += other.FEntries; }

    bool Allows(const QHostAddress& address, quint16 port) const;
    // A host name listed as such; its addresses are then trusted as the operator's choice.
    bool AllowsName(const QString& host, quint16 port) const;

private:
    struct TEntry {
        QHostAddress Network;
        int Prefix = -1;
        QString Name;
        quint16 Port = 0; // 0: any
    };
    QList<TEntry> FEntries;
};
