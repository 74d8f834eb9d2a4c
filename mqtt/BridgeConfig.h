#pragma once

#include <QList>
#include <QString>
#include <optional>

struct TThermometerConfig {
    QString Id;      // [a-zA-Z0-9_-]+, the last part of its topics
    QString Name;    // the device name Home Assistant shows
    QString Address; // "host[:port]" as written, checked by ParseDeviceAddress
    int IntervalS = 0;
    bool operator==(const TThermometerConfig&) const = default;
};

struct TBrokerConfig {
    QString Host = QStringLiteral("127.0.0.1");
    int Port = 1883;
    bool Tls = false;
    QString ClientId = QStringLiteral("zvk-mqtt");
    QString Username;
    QString Password; // the first line of password_file
    QString CaFile, CertFile, KeyFile;
    bool operator==(const TBrokerConfig&) const = default;
};

struct TBridgeConfig {
    TBrokerConfig Broker;
    QString TopicPrefix = QStringLiteral("zvk");
    QString DiscoveryPrefix = QStringLiteral("homeassistant");
    int IntervalS = 10;
    double ChangeStep = 0.1;
    QList<TThermometerConfig> Thermometers;
};

// Reads the INI file; nullopt with "FILE:LINE: what is wrong" in *error otherwise.
std::optional<TBridgeConfig> ReadBridgeConfig(const QString& fileName, QString* error);
// The same for text already read; fileName only names it in the error.
std::optional<TBridgeConfig> ParseBridgeConfig(const QByteArray& text, const QString& fileName,
                                               QString* error);
