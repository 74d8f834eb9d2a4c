#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Where a thermometer listens.
struct TDeviceAddress {
    QString Host; // a host name, an IPv4 text, or an IPv6 text without brackets
    quint16 Port = 10001;
    // "host:port", "[v6]:port".
    QString Text() const;
};

// "HOST", "HOST:PORT", "[V6]", "[V6]:PORT" (port 1..65535, default 10001); an IPv6 text without
// brackets only without a port. nullopt and a one-line reason in *why otherwise.
std::optional<TDeviceAddress> ParseDeviceAddress(const QString& text, QString* why = nullptr);
